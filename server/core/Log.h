// One line per event on standard error, filtered by a process-wide level.
#pragma once

#include <string>

namespace hallserver {

enum class LogLevel { Error = 0, Warn = 1, Info = 2, Debug = 3, Off = 4 };

// Parses "error", "warn", "info", "debug" or "off"; false for anything else.
bool parseLogLevel(const std::string& text, LogLevel& level);
void setLogLevel(LogLevel level);
LogLevel logLevel();
bool logEnabled(LogLevel level);

// printf-style; writes "<UTC time> <LEVEL> <text>\n" in one write.
void logLine(LogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace hallserver

#define HALL_LOG(level, ...)                           \
    do {                                               \
        if (::hallserver::logEnabled(level))           \
            ::hallserver::logLine(level, __VA_ARGS__); \
    } while (0)
#define LOG_ERROR(...) HALL_LOG(::hallserver::LogLevel::Error, __VA_ARGS__)
#define LOG_WARN(...) HALL_LOG(::hallserver::LogLevel::Warn, __VA_ARGS__)
#define LOG_INFO(...) HALL_LOG(::hallserver::LogLevel::Info, __VA_ARGS__)
#define LOG_DEBUG(...) HALL_LOG(::hallserver::LogLevel::Debug, __VA_ARGS__)
