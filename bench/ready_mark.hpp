// The moment a benchmarked process reaches its event loop, written to stdout as
// "ready <CLOCK_MONOTONIC ns>" for the runner, which started the clock before fork.
#pragma once

#include <time.h>

#include <cstdio>

inline void mark_ready() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("ready %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
}
