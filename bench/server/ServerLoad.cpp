// Load figures of the reference server: starts cardhall-server and cardhall-bot on loopback, lets
// the bots play for a while and prints the concurrent players, the message rates, the time from a
// move request to its broadcast (median and 99th percentile) and the server's CPU and peak RSS.
//
// usage: bench_server_load [--players N] [--seconds S] [--warmup S] [--bot-move-time MIN,MAX]
// Move times are counted after the warm-up, when every player is seated and playing.
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

pid_t spawn(const std::vector<std::string>& argv, int stdoutFd = -1) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (stdoutFd >= 0)
            dup2(stdoutFd, STDOUT_FILENO);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

unsigned short freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

bool accepts(unsigned short port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// CPU seconds (user + system) of a process so far.
double cpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A line of /proc/PID/status in MiB ("VmHWM" is the peak resident set).
double statusMiB(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + ":", 0) == 0)
            return std::atof(line.c_str() + key.size() + 1) / 1024.0;
    }
    return 0;
}

std::map<std::string, std::string> figures(const std::string& line) {
    std::map<std::string, std::string> out;
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
        const auto eq = word.find('=');
        if (eq != std::string::npos)
            out[word.substr(0, eq)] = word.substr(eq + 1);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    int players = 10000;
    double seconds = 60;
    double warmupSeconds = 10;
    std::string moveTime = "0.5,1.5";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--players")
            players = std::atoi(argv[i + 1]);
        else if (flag == "--seconds")
            seconds = std::atof(argv[i + 1]);
        else if (flag == "--warmup")
            warmupSeconds = std::atof(argv[i + 1]);
        else if (flag == "--bot-move-time")
            moveTime = argv[i + 1];
    }
    signal(SIGPIPE, SIG_IGN);
    const unsigned short port = freePort();
    const pid_t server = spawn({CARDHALL_SERVER_BIN, "--port", std::to_string(port), "--seed", "1",
                                "--log-level", "warn", "--max-connections", std::to_string(players + 100)});
    bool up = false;
    for (int i = 0; i < 100 && !up; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        up = accepts(port);
    }
    if (!up) {
        std::fprintf(stderr, "server did not start\n");
        kill(server, SIGKILL);
        return 1;
    }
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return 1;
    const double cpuBefore = cpuSeconds(server);
    const auto started = std::chrono::steady_clock::now();
    char duration[32], warmup[32];
    std::snprintf(duration, sizeof duration, "%.1f", seconds);
    std::snprintf(warmup, sizeof warmup, "%.1f", warmupSeconds);
    const pid_t bots = spawn(
        {CARDHALL_BOT_BIN, "--count", std::to_string(players), "--port", std::to_string(port),
         "--bot-move-time", moveTime, "--duration", duration, "--warmup", warmup, "--log-level", "error"},
        pipeFds[1]);
    close(pipeFds[1]);
    // Sample the server's resident size while the bots play.
    double peakRss = 0;
    std::string output;
    char chunk[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], chunk, sizeof chunk)) > 0)
        output.append(chunk, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(bots, &status, 0);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double cpu = cpuSeconds(server) - cpuBefore;
    peakRss = statusMiB(server, "VmHWM");
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);

    auto f = figures(output);
    std::printf("reference server under load (%d bots, %s s per move, %.0f s)\n", players, moveTime.c_str(),
                seconds);
    std::printf("  concurrent players      %s connected, %s failed\n", f["connected"].c_str(),
                f["failed"].c_str());
    std::printf("  hands finished          %s (over messages, summed over players)\n", f["hands"].c_str());
    std::printf("  messages per second     %s server to players, %s players to server\n",
                f["messages_per_s"].c_str(), f["requests_per_s"].c_str());
    std::printf(
        "  request to broadcast    median %s ms, 99th percentile %s ms, max %s ms (after %.0f s warm-up)\n",
        f["latency_p50_ms"].c_str(), f["latency_p99_ms"].c_str(), f["latency_max_ms"].c_str(), warmupSeconds);
    std::printf("  server CPU              %.1f s in %.1f s wall (%.0f%% of one core)\n", cpu, wall,
                wall > 0 ? 100.0 * cpu / wall : 0.0);
    std::printf("  server peak RSS         %.1f MiB\n", peakRss);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
