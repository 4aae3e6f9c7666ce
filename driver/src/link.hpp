// Message I/O with the instrument over one VISA session: commands, replies, error queue.
#pragma once

#include <string>
#include <string_view>

#include "visa.h"

namespace voq {

// Successful VISA completion codes (positive) count as plain success.
constexpr ViStatus success_or(ViStatus status) {
    return status < 0 ? status : VI_SUCCESS;
}

class Link {
public:
    explicit Link(ViSession vi) : vi_(vi) {}

    ViSession session() const { return vi_; }
    // One program message, LF appended.
    ViStatus write(std::string_view command) const;
    // A whole response, read in chunks until END; the terminator is stripped.
    ViStatus read(std::string& reply) const;
    ViStatus query(std::string_view command, std::string& reply) const;
    ViStatus query_double(std::string_view command, double& value) const;
    ViStatus query_long(std::string_view command, long& value) const;
    ViStatus query_bool(std::string_view command, bool& value) const;
    // With the session's automatic error query on: the status byte's error-queue bit,
    // read by serial poll so the entry stays queued.
    ViStatus check_error_queue() const;
    // `status` if it failed, else the outcome of the error-queue check.
    ViStatus complete(ViStatus status) const;

private:
    ViSession vi_;
};

}  // namespace voq
