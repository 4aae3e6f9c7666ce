#include "readings.hpp"

#include <span>
#include <string>

#include "link.hpp"
#include "scpi_parse.hpp"
#include "visa_calls.hpp"
#include "voq7304.h"

namespace voq {

ViStatus fetch_readings(ViSession vi, const char* command, ViReal64 readings[], ViPInt32 count) {
    const Link link(vi);
    std::string reply;
    const ViStatus status = link.query(command, reply);
    if (status < 0) {
        *count = 0;
        return status;
    }
    const auto written =
        parse_readings(reply, std::span(readings, static_cast<std::size_t>(*count)));
    *count = written ? static_cast<ViInt32>(*written) : 0;
    return link.complete(written ? VI_SUCCESS : VOQ7304_ERROR_INV_RESPONSE);
}

ViStatus fetch_reading(ViSession vi, const char* command, ViPReal64 reading) {
    ViInt32 count = 1;
    const ViStatus status = fetch_readings(vi, command, reading, &count);
    return status >= 0 && count == 0 ? VOQ7304_ERROR_INV_RESPONSE : status;
}

TimeoutOverride::TimeoutOverride(ViSession vi, ViUInt32 ms) : vi_(vi) {
    status_ = visa().GetAttribute(vi_, VI_ATTR_TMO_VALUE, &saved_);
    if (status_ < 0) return;
    active_ = true;
    status_ = visa().SetAttribute(vi_, VI_ATTR_TMO_VALUE, ms);
}

TimeoutOverride::~TimeoutOverride() {
    restore();
}

ViStatus TimeoutOverride::restore() {
    if (!active_) return VI_SUCCESS;
    active_ = false;
    return success_or(visa().SetAttribute(vi_, VI_ATTR_TMO_VALUE, saved_));
}

}  // namespace voq
