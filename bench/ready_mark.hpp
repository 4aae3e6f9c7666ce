// The moment a benchmarked process reaches its event loop, written to stdout as
// "ready <CLOCK_MONOTONIC ns>" for the runner, which started the clock before fork. With
// BENCH_EXIT_AT_READY set the process ends right there, so the run (and its peak memory)
// is the start-up alone, the same for every program measured.
#pragma once

#include <time.h>

#include <cstdio>
#include <cstdlib>

inline void mark_ready() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("ready %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    if (std::getenv("BENCH_EXIT_AT_READY")) std::_Exit(0);
}
