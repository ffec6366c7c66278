// Load figures of the reference server: starts cardhall-server and cardhall-bot on loopback, lets
// the bots play for a while and prints the concurrent players, the message rates, the time from a
// move request to its broadcast (median and 99th percentile) and the server's CPU and peak RSS.
//
// usage: bench_server_load [--players N] [--bot-processes K] [--seconds S] [--warmup S]
//                          [--bot-move-time MIN,MAX] [--sample-every S]
// Move times are counted after the warm-up, when every player is seated and playing. With
// --sample-every (a soak), the server's resident set, open descriptors and CPU are printed at that
// interval, and at the end the growth of the resident set after the first five minutes.
//
// A process may hold only so many descriptors (RLIMIT_NOFILE, hard limit): the server needs one per
// player, each bot process one per player it runs; the benchmark refuses what would not fit.
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
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

double percentile(std::vector<long long>& values, double fraction) {
    if (values.empty())
        return 0;
    const std::size_t index = std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()));
    std::nth_element(values.begin(), values.begin() + static_cast<long>(index), values.end());
    return values[index] / 1000.0;
}

// Open descriptors of a process.
int openDescriptors(pid_t pid) {
    DIR* dir = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    if (!dir)
        return -1;
    int count = 0;
    while (dirent* entry = readdir(dir))
        count += entry->d_name[0] != '.' ? 1 : 0;
    closedir(dir);
    return count;
}

// Descriptors a process may open at most (the hard limit; the programs raise their soft limit to it).
long descriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_max == RLIM_INFINITY)
        return 1 << 20;
    return static_cast<long>(limit.rlim_max);
}

// Reads what a pipe has now (non-blocking); false at its end.
bool drainPipe(int fd, std::string& out) {
    char chunk[4096];
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0)
        out.append(chunk, static_cast<std::size_t>(n));
    return n != 0;
}

struct Sample {
    double minutes, rssMiB, cpuPercent;
    int descriptors;
};

}  // namespace

// The programs under test: the built ones, or copies named by CARDHALL_SERVER and CARDHALL_BOT (so
// that a long soak is not disturbed by rebuilding).
std::string program(const char* variable, const char* built) {
    const char* chosen = std::getenv(variable);
    return chosen && *chosen ? chosen : built;
}

int main(int argc, char** argv) {
    const std::string serverProgram = program("CARDHALL_SERVER", CARDHALL_SERVER_BIN);
    const std::string botProgram = program("CARDHALL_BOT", CARDHALL_BOT_BIN);
    int players = 10000;
    int processes = 2;
    double seconds = 60;
    double warmupSeconds = 10;
    double sampleEvery = 0;
    std::string moveTime = "0.5,1.5";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--players")
            players = std::atoi(argv[i + 1]);
        else if (flag == "--bot-processes")
            processes = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--seconds")
            seconds = std::atof(argv[i + 1]);
        else if (flag == "--warmup")
            warmupSeconds = std::atof(argv[i + 1]);
        else if (flag == "--bot-move-time")
            moveTime = argv[i + 1];
        else if (flag == "--sample-every")
            sampleEvery = std::atof(argv[i + 1]);
    }
    // What the descriptor limit allows: the server holds one per player and a few of its own (the
    // listening socket, the event loop's, the standard streams, a spare); so does each bot process.
    constexpr long kReserve = 32;
    const long limit = descriptorLimit();
    if (players + kReserve > limit) {
        std::fprintf(stderr,
                     "bench_server_load: %d players need %ld descriptors in the server, more than the %ld a "
                     "process may hold here; at most %ld players\n",
                     players, players + kReserve, limit, limit - kReserve);
        return 2;
    }
    processes =
        std::max<int>(processes, static_cast<int>((players + limit - kReserve - 1) / (limit - kReserve)));
    std::printf("descriptor limit %ld per process: server needs %ld, each of %d bot processes at most %ld\n",
                limit, players + kReserve, processes, players / processes + 1 + kReserve);
    signal(SIGPIPE, SIG_IGN);
    const unsigned short port = freePort();
    // The bots all come from one address, and a bot sends at most one move per move time (and a
    // ready after each hand), so the cap per address is lifted and the rate set to what they need.
    const double fastestMove = std::max(1e-3, std::atof(moveTime.c_str()));
    const int requestRate = std::max(20, static_cast<int>(std::ceil(2.0 / fastestMove)));
    int serverOut[2];
    if (pipe(serverOut) != 0)
        return 1;
    const pid_t server = spawn({serverProgram, "--port", std::to_string(port), "--seed", "1", "--log-level",
                                "warn", "--max-connections", std::to_string(players + 100),
                                "--max-per-address", "0", "--max-request-rate", std::to_string(requestRate)},
                               serverOut[1]);
    close(serverOut[1]);
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
    const double cpuBefore = cpuSeconds(server);
    const auto started = std::chrono::steady_clock::now();
    char duration[32], warmup[32];
    std::snprintf(duration, sizeof duration, "%.1f", seconds);
    std::snprintf(warmup, sizeof warmup, "%.1f", warmupSeconds);

    // The players are split over several bot processes, so that the load generator keeps up.
    struct BotRun {
        pid_t pid = -1;
        int fd = -1;
        bool open = true;
        std::string latencyFile;
        std::string output;
    };
    std::vector<BotRun> runs(static_cast<std::size_t>(processes));
    for (int k = 0; k < processes; ++k) {
        BotRun& run = runs[static_cast<std::size_t>(k)];
        const int count = players / processes + (k < players % processes ? 1 : 0);
        run.latencyFile = "/tmp/bench_server_load." + std::to_string(getpid()) + "." + std::to_string(k);
        int fds[2];
        if (pipe(fds) != 0)
            return 1;
        run.pid = spawn({botProgram, "--count", std::to_string(count), "--port", std::to_string(port),
                         "--bot-move-time", moveTime, "--duration", duration, "--warmup", warmup, "--seed",
                         std::to_string(k + 1), "--latency-file", run.latencyFile, "--log-level", "error"},
                        fds[1]);
        close(fds[1]);
        run.fd = fds[0];
    }
    // Wait for the bots, sampling the server meanwhile.
    std::vector<Sample> samples;
    if (sampleEvery > 0)
        std::printf("  minute   server RSS   descriptors   server CPU\n");
    double lastCpu = cpuBefore, lastAt = 0;
    for (;;) {
        std::vector<pollfd> waiting;
        for (BotRun& run : runs) {
            if (run.open)
                waiting.push_back({run.fd, POLLIN, 0});
        }
        if (waiting.empty())
            break;
        const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const double nextSample =
            sampleEvery > 0 ? (static_cast<double>(samples.size()) + 1) * sampleEvery : 1e18;
        if (now >= nextSample) {
            const double cpu = cpuSeconds(server);
            samples.push_back({now / 60, statusMiB(server, "VmRSS"), 100 * (cpu - lastCpu) / (now - lastAt),
                               openDescriptors(server)});
            lastCpu = cpu;
            lastAt = now;
            const Sample& s = samples.back();
            std::printf("  %6.1f   %6.2f MiB   %11d   %8.0f %%\n", s.minutes, s.rssMiB, s.descriptors,
                        s.cpuPercent);
            std::fflush(stdout);
            continue;
        }
        const int timeoutMs = static_cast<int>(std::min(1000.0, (nextSample - now) * 1000)) + 1;
        if (poll(waiting.data(), waiting.size(), timeoutMs) <= 0)
            continue;
        for (BotRun& run : runs) {
            if (run.open)
                run.open = drainPipe(run.fd, run.output);
        }
    }
    bool allOk = true;
    double botCpu = 0, botRss = 0;
    for (BotRun& run : runs) {
        close(run.fd);
        int status = 0;
        rusage usage{};
        wait4(run.pid, &status, 0, &usage);
        allOk = allOk && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        botCpu += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        botRss = std::max(botRss, usage.ru_maxrss / 1024.0);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double cpu = cpuSeconds(server) - cpuBefore;
    const double peakRss = statusMiB(server, "VmHWM");
    // The bots have gone: every hand they were in has ended by now. The server's figures say so.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(server, SIGTERM);
    std::string serverFigures;
    while (drainPipe(serverOut[0], serverFigures)) {
    }
    close(serverOut[0]);
    waitpid(server, nullptr, 0);
    auto game = figures(serverFigures);

    long long connected = 0, failed = 0, protocolErrors = 0, hands = 0;
    double messagesPerSecond = 0, requestsPerSecond = 0;
    std::vector<long long> latencies;
    std::set<long long> measuredSeconds,
        slowSeconds;  // the seconds with counted moves, and with moves over 20 ms
    for (BotRun& run : runs) {
        auto f = figures(run.output);
        connected += std::atoll(f["connected"].c_str());
        failed += std::atoll(f["failed"].c_str());
        protocolErrors += std::atoll(f["protocol_errors"].c_str());
        hands += std::atoll(f["hands"].c_str());
        messagesPerSecond += std::atof(f["messages_per_s"].c_str());
        requestsPerSecond += std::atof(f["requests_per_s"].c_str());
        std::ifstream in(run.latencyFile);
        long long sent, value;
        while (in >> sent >> value) {
            latencies.push_back(value);
            if (value > 20000)
                slowSeconds.insert(sent / 1000000);
            measuredSeconds.insert(sent / 1000000);
        }
        std::remove(run.latencyFile.c_str());
    }
    std::printf("reference server under load (%d bots in %d processes, %s s per move, %.0f s)\n", players,
                processes, moveTime.c_str(), seconds);
    std::printf("  concurrent players      %lld connected, %lld failed, %lld protocol errors\n", connected,
                failed, protocolErrors);
    std::printf("  hands finished          %lld (over messages, summed over players)\n", hands);
    const long long started_ = std::atoll(game["hands_started"].c_str()),
                    finished = std::atoll(game["hands_finished"].c_str()),
                    voided = std::atoll(game["hands_voided"].c_str());
    std::printf("  hands at the server     %lld started, %lld finished, %lld voided (%s)\n", started_,
                finished, voided,
                started_ == finished + voided ? "every hand started ended" : "SOME HANDS NEVER ENDED");
    std::printf("  connections closed      %s for a limit (timed out %s, flooding %s, dropped %s)\n",
                std::to_string(std::atoll(game["timed_out"].c_str()) + std::atoll(game["flooding"].c_str()) +
                               std::atoll(game["dropped"].c_str()))
                    .c_str(),
                game["timed_out"].c_str(), game["flooding"].c_str(), game["dropped"].c_str());
    std::printf("  messages per second     %.0f server to players, %.0f players to server\n",
                messagesPerSecond, requestsPerSecond);
    const std::size_t moves = latencies.size();
    const double p50 = percentile(latencies, 0.50), p99 = percentile(latencies, 0.99),
                 max = percentile(latencies, 1.0);
    std::printf(
        "  request to broadcast    median %.2f ms, 99th percentile %.2f ms, max %.2f ms (%zu moves after "
        "%.0f s warm-up)\n",
        p50, p99, max, moves, warmupSeconds);
    std::printf("  moves over 20 ms        fall in %zu of the %zu seconds measured\n", slowSeconds.size(),
                measuredSeconds.size());
    std::printf("  server CPU              %.1f s in %.1f s wall (%.0f%% of one core)\n", cpu, wall,
                wall > 0 ? 100.0 * cpu / wall : 0.0);
    std::printf("  server peak RSS         %.1f MiB (%.1f KiB per player)\n", peakRss,
                players > 0 ? peakRss * 1024 / players : 0.0);
    // The soak's measure: growth of the resident set after the first five minutes, per ten minutes.
    const Sample* fromFive = nullptr;
    for (const Sample& sample : samples) {
        if (!fromFive && sample.minutes >= 5)
            fromFive = &sample;
    }
    if (fromFive && samples.back().minutes > fromFive->minutes) {
        const double growth = (samples.back().rssMiB - fromFive->rssMiB) / fromFive->rssMiB * 100;
        const double per10 = growth * 10 / (samples.back().minutes - fromFive->minutes);
        std::printf("  RSS after minute 5      %.2f to %.2f MiB: %+.2f%% per 10 minutes\n", fromFive->rssMiB,
                    samples.back().rssMiB, per10);
    }
    std::printf("  bot processes           %.1f s CPU in all, largest peak RSS %.1f MiB\n", botCpu, botRss);
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) > 0)
        std::printf("  machine load average    %.2f (1 min), on %ld cores\n", load[0],
                    sysconf(_SC_NPROCESSORS_ONLN));
    return allOk && started_ == finished + voided ? 0 : 1;
}
