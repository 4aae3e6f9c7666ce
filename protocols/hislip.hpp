// HiSLIP (IVI-6.1) messages: the 16-byte header, the payloads of the messages that carry
// numbers, and a stream parser. Bytes in, messages out, and back; no sockets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hislip {

enum class Type : std::uint8_t {
    Initialize = 0,
    InitializeResponse = 1,
    FatalError = 2,
    Error = 3,
    AsyncLock = 4,
    AsyncLockResponse = 5,
    Data = 6,
    DataEnd = 7,
    DeviceClearComplete = 8,
    DeviceClearAcknowledge = 9,
    AsyncRemoteLocalControl = 10,
    AsyncRemoteLocalResponse = 11,
    Trigger = 12,
    Interrupted = 13,
    AsyncInterrupted = 14,
    AsyncMaximumMessageSize = 15,
    AsyncMaximumMessageSizeResponse = 16,
    AsyncInitialize = 17,
    AsyncInitializeResponse = 18,
    AsyncDeviceClear = 19,
    AsyncServiceRequest = 20,
    AsyncStatusQuery = 21,
    AsyncStatusResponse = 22,
    AsyncDeviceClearAcknowledge = 23,
    AsyncLockInfo = 24,
    AsyncLockInfoResponse = 25,
};
constexpr std::uint8_t kFirstVendorType = 128;

// Codes of FatalError and Error (the control code).
enum class FatalCode : std::uint8_t {
    unidentified = 0,
    bad_header = 1,
    channels_not_established = 2,
    invalid_initialization = 3,
    too_many_clients = 4,
};
enum class ErrorCode : std::uint8_t {
    unidentified = 0,
    unrecognized_type = 1,
    unrecognized_control = 2,
    unrecognized_vendor_message = 3,
    message_too_large = 4,
};

// AsyncLock control codes and AsyncLockResponse results.
constexpr std::uint8_t kLockRelease = 0, kLockRequest = 1;
enum class LockResult : std::uint8_t { failure = 0, success = 1, success_shared = 2, error = 3 };

constexpr std::uint8_t kRmtDelivered = 0x01;  // control code of Data, DataEnd, Trigger, StatusQuery
constexpr std::uint8_t kPreferOverlap = 0x01;  // feature bits of the clear handshake, Initialize
constexpr std::uint32_t kFirstMessageId = 0xFFFFFF00;  // after Initialize and each device clear
constexpr std::uint32_t kUnknownMessageId = 0xFFFFFFFF;
constexpr std::uint16_t kVersion1_0 = 0x0100;
constexpr std::size_t kHeaderSize = 16;
constexpr int kDefaultPort = 4880;

struct Header {
    std::uint8_t type = 0;
    std::uint8_t control = 0;
    std::uint32_t parameter = 0;
    std::uint64_t length = 0;  // of the payload that follows
};

struct Message {
    Header header;
    std::string payload;
    Type type() const { return static_cast<Type>(header.type); }
};

// The header in its 16 bytes; nullopt when the prologue is not "HS" or fewer bytes are given.
std::optional<Header> decode_header(std::string_view bytes);
void encode_header(const Header& header, unsigned char out[kHeaderSize]);
// A whole message: header and payload.
std::string encode(Type type, std::uint8_t control, std::uint32_t parameter,
                   std::string_view payload = {});

// Initialize's message parameter: the client's protocol version and vendor id.
constexpr std::uint32_t initialize_parameter(std::uint16_t version, std::uint16_t vendor) {
    return (std::uint32_t{version} << 16) | vendor;
}
// InitializeResponse's: the server's protocol version and the session id.
constexpr std::uint32_t initialize_response_parameter(std::uint16_t version,
                                                      std::uint16_t session) {
    return (std::uint32_t{version} << 16) | session;
}
constexpr std::uint16_t high_half(std::uint32_t parameter) {
    return static_cast<std::uint16_t>(parameter >> 16);
}
constexpr std::uint16_t low_half(std::uint32_t parameter) {
    return static_cast<std::uint16_t>(parameter);
}

// The 8-byte big-endian size of AsyncMaximumMessageSize and its response.
std::string encode_size(std::uint64_t size);
std::optional<std::uint64_t> decode_size(std::string_view payload);

// Cuts a byte stream into messages. A payload longer than the limit is never buffered: the
// parser reports it once and then drops its bytes as they come.
class Parser {
public:
    explicit Parser(std::uint64_t max_payload) : max_payload_(max_payload) {}
    void set_max_payload(std::uint64_t max) { max_payload_ = max; }
    std::uint64_t max_payload() const { return max_payload_; }

    enum class Result {
        need_more,   // everything given was taken; more bytes are needed
        message,     // `out` holds the next message
        too_large,   // `out.header` is a message whose payload exceeds the limit; skipped
        bad_header,  // not a HiSLIP header: the stream cannot be resynchronised
    };
    // Takes bytes from the front of `input` (advancing it) up to the end of one message.
    Result next(std::string_view& input, Message& out);

private:
    std::uint64_t max_payload_;
    unsigned char header_bytes_[kHeaderSize] = {};
    std::size_t header_have_ = 0;
    bool in_payload_ = false;
    Header header_;
    std::string payload_;
    std::uint64_t skip_ = 0;  // bytes of a refused payload still to drop
    bool broken_ = false;
};

}  // namespace hislip
