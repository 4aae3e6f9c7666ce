// Per-session driver state, kept by VISA session handle.
#pragma once

#include <functional>

#include "visa.h"

namespace voq {

struct SessionState {
    ViSession rm = VI_NULL;     // resource manager opened by voq7304_init, closed with it
    bool error_query = true;    // automatic error query after each command
    bool initiated = false;     // `initiate` of the last voq7304_trigger
    long event_latch = 0;       // questionable event bits read but not yet reported
    double sample_timer = 0.0;  // voq7304_sample settings kept by the driver
    ViInt16 sample_source = 0;
};

// A session the driver did not open reads as the defaults.
SessionState session_state(ViSession vi);
void update_session(ViSession vi, const std::function<void(SessionState&)>& change);
void forget_session(ViSession vi);

}  // namespace voq
