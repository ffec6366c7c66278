// Test entry: the server's event log is quiet unless SERVER_TEST_LOG names a level.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/Log.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    hallserver::LogLevel level = hallserver::LogLevel::Off;
    if (const char* wanted = std::getenv("SERVER_TEST_LOG"))
        hallserver::parseLogLevel(wanted, level);
    hallserver::setLogLevel(level);
    return RUN_ALL_TESTS();
}
