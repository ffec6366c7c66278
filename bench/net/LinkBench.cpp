// Server link figures on loopback:
//  - messages per second read, parsed and queued while a server sends "game" messages back to back;
//  - the time from the last byte of a frame leaving the server to its record being poppable
//    (median and 99th percentile);
//  - the reader alone: "game" bodies parsed into records per second.
//
// Usage: net_link_bench [messages per run, default 200000] [latency samples, default 5000]

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "cocos2d.h"
#include "net/MessageQueue.h"
#include "protocol/Protocol.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kGameBody =
    R"({"opt":"game","per":"2","surplus":"21","now":"3","cards":"4,5,6,7,","score":"35","must":"0"})";

int listenOnLoopback(unsigned short& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        std::perror("listen");
        std::exit(1);
    }
    port = ntohs(addr.sin_port);
    return fd;
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Connects the client's link to the listener and returns the server's end of the connection.
int connectLink(int listener) {
    if (!CMessageQueue::getInstance()->connectServer()) {
        std::fprintf(stderr, "connectServer failed\n");
        std::exit(1);
    }
    int fd = ::accept(listener, nullptr, nullptr);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * v.size()))];
}

}  // namespace

int main(int argc, char** argv) {
    const int messages = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int samples = argc > 2 ? std::atoi(argv[2]) : 5000;
    const int runs = 5;

    cocos2d::Configuration::getInstance()->setValue("host", cocos2d::Value("127.0.0.1"));
    unsigned short port = 0;
    int listener = listenOnLoopback(port);
    CMessageQueue* queue = CMessageQueue::getInstance();
    queue->setServerPort(port);

    const std::string frame = encodeFrame(kGameBody);
    std::string burst;
    burst.reserve(frame.size() * messages);
    for (int i = 0; i < messages; ++i) {
        burst += frame;
    }

    // Throughput: the server writes every frame at once; the main thread pops as the scenes would,
    // only far more often than every 0.1 s.
    std::vector<double> rates;
    for (int r = 0; r < runs; ++r) {
        int server = connectLink(listener);
        const auto start = Clock::now();
        std::thread writer([&] { writeAll(server, burst); });
        // Drain what has come, then let the receive thread have the core for a moment: a consumer
        // that spins on the queue's mutex would measure its own contention.
        int popped = 0;
        while (popped < messages) {
            while (queue->popMessage()) {
                ++popped;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        writer.join();
        rates.push_back(messages / seconds);
        queue->disconnect();
        ::close(server);
    }

    // Latency: one frame at a time, written with one call, so its last byte leaves during that
    // call. The clock starts just before the call (the figure includes the write itself) and stops
    // when popMessage returns the record. On a loaded machine the receive thread often runs before
    // the write call has even returned, so timing from the return would read close to zero.
    std::vector<double> latencies;
    {
        int server = connectLink(listener);
        for (int i = 0; i < samples; ++i) {
            const auto start = Clock::now();
            writeAll(server, frame);
            while (!queue->popMessage()) {
            }
            latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        queue->disconnect();
        ::close(server);
    }

    // The reader alone.
    std::vector<double> parseRates;
    for (int r = 0; r < runs; ++r) {
        const int n = 200000;
        stMsg msg;
        const auto start = Clock::now();
        int ok = 0;
        for (int i = 0; i < n; ++i) {
            ok += readServerMessage(kGameBody, msg) == ReadResult::Ok;
        }
        parseRates.push_back(ok / std::chrono::duration<double>(Clock::now() - start).count());
    }
    ::close(listener);

    std::printf("frame: %zu bytes (\"game\" body of %zu bytes)\n", frame.size(), kGameBody.size());
    std::printf("read+parse+queue: %.0f messages/s (median of %d runs of %d; min %.0f, max %.0f)\n",
                median(rates), runs, messages, *std::min_element(rates.begin(), rates.end()),
                *std::max_element(rates.begin(), rates.end()));
    std::printf("frame written -> record poppable: median %.1f us, p99 %.1f us (%d samples)\n",
                median(latencies), percentile(latencies, 0.99), samples);
    std::printf("reader alone: %.0f \"game\" bodies/s (median of %d runs)\n", median(parseRates), runs);
    return 0;
}
