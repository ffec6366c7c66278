// A child process for tests: the real programs, started with their arguments, their standard error
// (or output) read line by line.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace hallserver::testing {

// A child process whose standard error (or output) the test reads line by line; `descriptors`
// sets its hard limit of open files.
class Child {
public:
    Child(const std::vector<std::string>& argv, bool readStdout = false, rlim_t descriptors = 0) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], readStdout ? STDOUT_FILENO : STDERR_FILENO);
            close(fds[0]);
            close(fds[1]);
            if (descriptors > 0) {
                const rlimit limit{descriptors, descriptors};
                setrlimit(RLIMIT_NOFILE, &limit);
            }
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
        if (drainer_.joinable())
            drainer_.join();
        if (fd_ >= 0)
            close(fd_);
    }

    // From now on the output is read and thrown away, so that a talkative child never blocks on a
    // full pipe while the test looks elsewhere.
    void drain() {
        drainer_ = std::thread([fd = fd_] {
            char chunk[4096];
            while (read(fd, chunk, sizeof chunk) > 0) {
            }
        });
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

    // How many lines contain `needle` in the next `ms` milliseconds.
    int countLinesWith(const std::string& needle, int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        int count = 0;
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0 || lineWith(needle, static_cast<int>(left.count())).empty())
                return count;
            ++count;
        }
    }

    // CPU seconds (user and system) the process has used so far.
    double cpuSeconds() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        unsigned long long ticks = 0;
        for (int i = 3; fields >> field && i <= 15; ++i) {
            if (i >= 14)
                ticks += std::stoull(field);  // utime, stime
        }
        return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
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
    std::thread drainer_;
};

// The port of a server started with "--port 0", from its "listening on" line (0 when none).
inline unsigned short listeningPort(Child& server) {
    const std::string line = server.lineWith("listening on");
    const auto colon = line.rfind(':');
    return colon == std::string::npos ? 0 : static_cast<unsigned short>(std::stoi(line.substr(colon + 1)));
}

}  // namespace hallserver::testing
