// Fetching blocks of readings into a caller's buffer.
#pragma once

#include "visa.h"

namespace voq {

// Sends `command` and parses the reading list into at most *count values; *count is set
// to the number written.
ViStatus fetch_readings(ViSession vi, const char* command, ViReal64 readings[], ViPInt32 count);

// The first reading of the reply to `command`; a reply without one is invalid.
ViStatus fetch_reading(ViSession vi, const char* command, ViPReal64 reading);

// Replaces a session's time-out for one operation; the previous value comes back on restore
// or destruction.
class TimeoutOverride {
public:
    TimeoutOverride(ViSession vi, ViUInt32 ms);
    ~TimeoutOverride();
    TimeoutOverride(const TimeoutOverride&) = delete;
    TimeoutOverride& operator=(const TimeoutOverride&) = delete;

    ViStatus status() const { return status_; }  // of taking over the time-out
    ViStatus restore();

private:
    ViSession vi_;
    ViUInt32 saved_ = 0;
    bool active_ = false;
    ViStatus status_ = VI_SUCCESS;
};

}  // namespace voq
