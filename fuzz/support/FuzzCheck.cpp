#include "support/FuzzCheck.h"

#include <cstdio>
#include <cstdlib>

namespace fuzzcheck {

namespace {
FailureHandler g_handler = nullptr;
}

void setFailureHandler(FailureHandler handler) {
    g_handler = handler;
}

bool skipOpenFaults() {
    static const bool skip = [] {
        const char* v = std::getenv("CARDHALL_FUZZ_SKIP_OPEN");
        return v != nullptr && v[0] == '1' && v[1] == 0;
    }();
    return skip;
}

void fail(const char* file, int line, const char* condition) {
    if (g_handler != nullptr) {
        g_handler(file, line, condition);
    }
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

}  // namespace fuzzcheck
