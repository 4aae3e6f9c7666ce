#include "font_config.hpp"

#include <fontconfig/fontconfig.h>
#include <pthread.h>
#include <sched.h>

#include <thread>

namespace uirt::detail {

namespace {

// Joined on destruction too, for a process that ends without closing the run-time.
std::jthread& loader() {
    static std::jthread thread;
    return thread;
}

}  // namespace

void begin_loading_fonts() {
    if (loader().joinable()) return;
    cpu_set_t all;
    CPU_ZERO(&all);
    const int here = ::sched_getcpu();
    const bool elsewhere = ::sched_getaffinity(0, sizeof all, &all) == 0 &&
                           CPU_COUNT(&all) > 1 && here >= 0 && CPU_ISSET(here, &all);
    // Safe beside Qt: the library installs the first configuration loaded, whichever
    // thread asks, and answers every later caller from it.
    loader() = std::jthread([all, elsewhere] {
        if (elsewhere) ::pthread_setaffinity_np(::pthread_self(), sizeof all, &all);
        FcInit();
    });
    // A new thread starts on its parent's core, where it would wait for the thread starting
    // Qt: it is sent to another core at once, and is free again as soon as it runs.
    if (elsewhere) {
        cpu_set_t others = all;
        CPU_CLR(here, &others);
        ::pthread_setaffinity_np(loader().native_handle(), sizeof others, &others);
    }
}

void finish_loading_fonts() {
    if (loader().joinable()) loader().join();
}

}  // namespace uirt::detail
