#include "core/Log.h"

#include <unistd.h>

#include <sys/time.h>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace hallserver {

namespace {
std::atomic<int> g_level{static_cast<int>(LogLevel::Info)};
const char* const kNames[] = {"ERROR", "WARN", "INFO", "DEBUG"};
}  // namespace

bool parseLogLevel(const std::string& text, LogLevel& level) {
    static const struct {
        const char* name;
        LogLevel level;
    } kTable[] = {{"error", LogLevel::Error},
                  {"warn", LogLevel::Warn},
                  {"info", LogLevel::Info},
                  {"debug", LogLevel::Debug},
                  {"off", LogLevel::Off}};
    for (const auto& entry : kTable) {
        if (text == entry.name) {
            level = entry.level;
            return true;
        }
    }
    return false;
}

void setLogLevel(LogLevel level) {
    g_level.store(static_cast<int>(level), std::memory_order_relaxed);
}

LogLevel logLevel() {
    return static_cast<LogLevel>(g_level.load(std::memory_order_relaxed));
}

bool logEnabled(LogLevel level) {
    const int current = g_level.load(std::memory_order_relaxed);
    return level != LogLevel::Off && current != static_cast<int>(LogLevel::Off) &&
           static_cast<int>(level) <= current;
}

void logLine(LogLevel level, const char* format, ...) {
    char line[1024];
    timeval tv;
    gettimeofday(&tv, nullptr);
    tm utc;
    gmtime_r(&tv.tv_sec, &utc);
    int used = static_cast<int>(strftime(line, sizeof line, "%Y-%m-%dT%H:%M:%S", &utc));
    used += snprintf(line + used, sizeof line - used, ".%03dZ %s ", static_cast<int>(tv.tv_usec / 1000),
                     kNames[static_cast<int>(level)]);
    va_list args;
    va_start(args, format);
    int body = vsnprintf(line + used, sizeof line - used - 1, format, args);
    va_end(args);
    if (body < 0)
        body = 0;
    used += body;
    if (used > static_cast<int>(sizeof line) - 2)
        used = static_cast<int>(sizeof line) - 2;
    line[used++] = '\n';
    // One write per line keeps lines whole when several processes share the terminal.
    ssize_t ignored = write(STDERR_FILENO, line, static_cast<size_t>(used));
    (void)ignored;
}

}  // namespace hallserver
