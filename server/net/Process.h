// Small process helpers shared by the two programs.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace hallserver {

// Many connections need many descriptors: raise the soft limit to the hard one.
inline void raiseDescriptorLimit() {
    rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Writing to a closed peer is an error to handle, never a reason to die.
inline void ignoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace hallserver
