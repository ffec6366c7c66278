// The two programs as processes: start-up, signals, options, the bots' figures line.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "NetClient.h"

using hallserver::testing::NetClient;

namespace {

// A child process whose standard error (or output) the test reads line by line.
class Child {
public:
    Child(const std::vector<std::string>& argv, bool readStdout = false) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], readStdout ? STDOUT_FILENO : STDERR_FILENO);
            close(fds[0]);
            close(fds[1]);
            std::vector<char*> args;
            for (const std::string& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(fds[1]);
        fd_ = fds[0];
    }
    ~Child() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0)
            close(fd_);
    }
    pid_t pid() const { return pid_; }

    // The next line that contains `needle`, or empty after the time limit.
    std::string lineWith(const std::string& needle, int timeoutMs = 10000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            const auto newline = buffer_.find('\n');
            if (newline != std::string::npos) {
                std::string line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                if (line.find(needle) != std::string::npos)
                    return line;
                continue;
            }
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            char chunk[4096];
            const ssize_t n = read(fd_, chunk, sizeof chunk);
            if (n <= 0)
                break;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
        return std::string();
    }

    // The exit status, or -1 if it has not ended in time.
    int wait(int timeoutMs = 10000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            // Keep the pipe drained so the child never blocks on it.
            lineWith("\x01", 20);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    bool reaped_ = false;
    std::string buffer_;
};

unsigned short listeningPort(Child& server) {
    const std::string line = server.lineWith("listening on");
    const auto colon = line.rfind(':');
    return colon == std::string::npos ? 0 : static_cast<unsigned short>(std::stoi(line.substr(colon + 1)));
}

}  // namespace

TEST(ServerProcess, StopsCleanlyOnSigintAndSigterm) {
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        Child server({CARDHALL_SERVER_BIN, "--port", "0", "--bots", "--log-level", "info"});
        const unsigned short port = listeningPort(server);
        ASSERT_NE(port, 0);
        NetClient client(port);
        ASSERT_TRUE(client.send("{\"opt\":\"add\"}"));
        ASSERT_TRUE(client.receiveContaining("\"add\""));
        kill(server.pid(), signal);
        EXPECT_EQ(server.wait(), 0);
        EXPECT_TRUE(client.closedByPeer(1000));
    }
}

TEST(ServerProcess, RefusesBadOptions) {
    const std::vector<std::vector<std::string>> cases = {
        {CARDHALL_SERVER_BIN, "--port", "70000"},
        {CARDHALL_SERVER_BIN, "--turn-timeout", "soon"},
        {CARDHALL_SERVER_BIN, "--bot-move-time", "2,1"},
        {CARDHALL_SERVER_BIN, "--log-level", "loud"},
        {CARDHALL_SERVER_BIN, "--frobnicate"},
        {CARDHALL_BOT_BIN, "--count", "0"},
        {CARDHALL_BOT_BIN, "--port"},
    };
    for (const auto& argv : cases) {
        SCOPED_TRACE(argv[1]);
        Child child(argv);
        EXPECT_EQ(child.wait(), 2);
    }
}

TEST(ServerProcess, BotProgramPlaysAndPrintsItsFigures) {
    Child server({CARDHALL_SERVER_BIN, "--port", "0", "--seed", "5", "--log-level", "info"});
    const unsigned short port = listeningPort(server);
    ASSERT_NE(port, 0);
    Child bots({CARDHALL_BOT_BIN, "--count", "4", "--port", std::to_string(port), "--bot-move-time",
                "0.001,0.002", "--duration", "5"},
               true);
    const std::string figures = bots.lineWith("players=", 20000);
    ASSERT_FALSE(figures.empty());
    EXPECT_NE(figures.find("players=4 connected=4 failed=0"), std::string::npos) << figures;
    EXPECT_EQ(figures.find("hands=0 "), std::string::npos) << figures;
    EXPECT_NE(figures.find("latency_p99_ms="), std::string::npos) << figures;
    EXPECT_EQ(bots.wait(), 0);
}
