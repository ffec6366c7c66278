// Checks inside the fuzz targets. A failed check reports where it failed and then, by default, aborts:
// libFuzzer takes the abort for a crash and saves the input. The corpus replay test installs a
// handler that throws instead, so that one bad file fails one test and names the file.
#pragma once

namespace fuzzcheck {

using FailureHandler = void (*)(const char* file, int line, const char* condition);

// Null restores the default: print to standard error and abort.
void setFailureHandler(FailureHandler handler);

// Called by FUZZ_CHECK. Never returns: if a handler returns, the process aborts.
[[noreturn]] void fail(const char* file, int line, const char* condition);

// True when CARDHALL_FUZZ_SKIP_OPEN=1: the targets then step over the faults whose inputs wait
// under fuzz/regressions/open/, so that fuzzing can go on past them until they are fixed.
bool skipOpenFaults();

}  // namespace fuzzcheck

#define FUZZ_CHECK(condition)                                  \
    do {                                                       \
        if (!(condition)) {                                    \
            ::fuzzcheck::fail(__FILE__, __LINE__, #condition); \
        }                                                      \
    } while (0)
