#include "link.hpp"

#include <array>

#include "scpi_parse.hpp"
#include "session.hpp"
#include "visa_calls.hpp"
#include "voq7304.h"

namespace voq {

namespace {

constexpr ViUInt32 kChunk = 16384;
constexpr std::size_t kReplyLimit = 4u << 20;  // beyond this a reply is read and dropped
constexpr ViUInt16 kErrorQueueBit = 0x04;

}  // namespace

ViStatus Link::write(std::string_view command) const {
    std::string message(command);
    message += '\n';
    ViUInt32 sent = 0;
    const ViStatus status = visa().Write(vi_, reinterpret_cast<ViConstBuf>(message.data()),
                                    static_cast<ViUInt32>(message.size()), &sent);
    if (status < 0) return status;
    return sent == message.size() ? VI_SUCCESS : VI_ERROR_IO;
}

ViStatus Link::read(std::string& reply) const {
    reply.clear();
    std::array<ViByte, kChunk> chunk{};
    for (;;) {
        ViUInt32 got = 0;
        const ViStatus status = visa().Read(vi_, chunk.data(), kChunk, &got);
        if (status < 0) return status;
        if (reply.size() + got <= kReplyLimit) reply.append(chunk.begin(), chunk.begin() + got);
        if (status != VI_SUCCESS_MAX_CNT) break;
    }
    while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
    return VI_SUCCESS;
}

ViStatus Link::query(std::string_view command, std::string& reply) const {
    const ViStatus status = write(command);
    return status < 0 ? status : read(reply);
}

ViStatus Link::query_double(std::string_view command, double& value) const {
    std::string reply;
    if (const ViStatus status = query(command, reply); status < 0) return status;
    const auto parsed = parse_double(reply);
    if (!parsed) return VOQ7304_ERROR_INV_RESPONSE;
    value = *parsed;
    return VI_SUCCESS;
}

ViStatus Link::query_long(std::string_view command, long& value) const {
    std::string reply;
    if (const ViStatus status = query(command, reply); status < 0) return status;
    const auto parsed = parse_long(reply);
    if (!parsed) return VOQ7304_ERROR_INV_RESPONSE;
    value = *parsed;
    return VI_SUCCESS;
}

ViStatus Link::query_bool(std::string_view command, bool& value) const {
    std::string reply;
    if (const ViStatus status = query(command, reply); status < 0) return status;
    const auto parsed = parse_bool(reply);
    if (!parsed) return VOQ7304_ERROR_INV_RESPONSE;
    value = *parsed;
    return VI_SUCCESS;
}

ViStatus Link::check_error_queue() const {
    if (!session_state(vi_).error_query) return VI_SUCCESS;
    ViUInt16 stb = 0;
    if (const ViStatus status = visa().ReadSTB(vi_, &stb); status < 0) return status;
    return (stb & kErrorQueueBit) != 0 ? VOQ7304_ERROR_INSTR_ERROR_DETECTED : VI_SUCCESS;
}

ViStatus Link::complete(ViStatus status) const {
    return status < 0 ? status : check_error_queue();
}

}  // namespace voq
