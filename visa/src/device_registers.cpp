// The VXI configuration registers of a device and its word serial protocol, as a
// message-based servant answers them.
#include <string>

#include "bus.hpp"

namespace simvisa {

namespace {

namespace reg {
constexpr ViBusAddress id = 0x00, device_type = 0x02, status_control = 0x04, protocol_signal = 0x08,
                       response = 0x0A, data_high = 0x0C, data_low = 0x0E;
}  // namespace reg

namespace ws {  // word serial commands
constexpr ViUInt16 byte_available = 0xBC00, byte_available_end = 0xBD00, byte_request = 0xDEFF,
                   read_stb = 0xCFFF, trigger = 0xEDFF, clear = 0xFFFF,
                   read_protocol_error = 0xCDFF;
constexpr ViUInt16 no_error = 0xFFFF, unsupported_command = 0xFFFD;
}  // namespace ws

constexpr ViUInt16 kClassMessage = 0x2, kClassRegister = 0x3;
constexpr ViUInt16 kA16Only = 0x3;
constexpr ViUInt16 kModidHigh = 0x4000, kReady = 0x0008, kPassed = 0x0004;
constexpr ViUInt16 kControlReset = 0x0001;
constexpr ViUInt16 kProtocol = 0x53FF;  // signal register, interrupter; a servant, no fast handshake
constexpr ViUInt16 kDor = 1u << 13, kDir = 1u << 12, kErrInactive = 1u << 11, kReadReady = 1u << 10,
                   kWriteReady = 1u << 9, kUnlocked = 1u << 7;

}  // namespace

ViStatus Device::register_read(ViBusAddress offset, ViUInt16& value) {
    const bool message = message_based();
    const bool dor = offset == reg::response && message && reply_pending();
    std::lock_guard lock(mutex_);
    switch (offset) {
        case reg::id:
            value = static_cast<ViUInt16>(((message ? kClassMessage : kClassRegister) << 14) |
                                          (kA16Only << 12) | (desc_.manufacturer & 0x0FFF));
            return VI_SUCCESS;
        case reg::device_type:
            value = static_cast<ViUInt16>(0xF000 | (desc_.model & 0x0FFF));
            return VI_SUCCESS;
        case reg::status_control:
            value = static_cast<ViUInt16>(0x3FF3 | kModidHigh |
                                          ((control_ & kControlReset) ? 0 : kReady | kPassed));
            return VI_SUCCESS;
        default: break;
    }
    if (!message) return VI_ERROR_BERR;
    switch (offset) {
        case reg::protocol_signal: value = kProtocol; return VI_SUCCESS;
        case reg::response:
            value = static_cast<ViUInt16>(0xC07F | kDir | kWriteReady | kUnlocked |
                                          (dor ? kDor : 0) | (protocol_error_ ? 0 : kErrInactive) |
                                          (data_low_ ? kReadReady : 0));
            return VI_SUCCESS;
        case reg::data_high: value = 0; return VI_SUCCESS;
        case reg::data_low:
            value = data_low_.value_or(0xFFFF);
            data_low_.reset();
            return VI_SUCCESS;
        default: return VI_ERROR_BERR;
    }
}

ViStatus Device::register_write(ViBusAddress offset, ViUInt16 value, ViUInt32 timeout_ms, Stop stop) {
    if (offset == reg::status_control) {
        std::lock_guard lock(mutex_);
        control_ = value;
        return VI_SUCCESS;
    }
    if (!message_based()) return VI_ERROR_BERR;
    switch (offset) {
        case reg::protocol_signal:
        case reg::data_high: return VI_SUCCESS;
        case reg::data_low: {
            bool has = false;
            ViUInt16 response = 0;
            const ViStatus st = word_serial(value, timeout_ms, stop, has, response);
            if (has) {
                std::lock_guard lock(mutex_);
                data_low_ = response;
            }
            return st;
        }
        default: return VI_ERROR_BERR;
    }
}

ViStatus Device::word_serial(ViUInt16 command, ViUInt32 timeout_ms, Stop stop, bool& has_response,
                             ViUInt16& response) {
    has_response = false;
    if (!message_based()) return VI_ERROR_BERR;
    const ViUInt16 high = command & 0xFF00;
    if (high == ws::byte_available || high == ws::byte_available_end) {
        const char byte = static_cast<char>(command & 0xFF);
        return write(std::string_view(&byte, 1), high == ws::byte_available_end, timeout_ms, stop);
    }
    switch (command) {
        case ws::byte_request: {
            std::string out;
            bool end = false;
            const ViStatus st = read(out, 1, timeout_ms, end, -1, stop);
            if (st < 0) return st;
            has_response = true;
            response = static_cast<ViUInt16>((end ? 0x0100 : 0) |
                                             (out.empty() ? 0 : static_cast<unsigned char>(out[0])));
            return VI_SUCCESS;
        }
        case ws::read_stb: {
            ViUInt16 stb = 0;
            const ViStatus st = read_stb(stb);
            if (st < 0) return st;
            has_response = true;
            response = stb & 0xFF;
            return VI_SUCCESS;
        }
        case ws::trigger: trigger(); return VI_SUCCESS;
        case ws::clear: return clear();
        case ws::read_protocol_error: {
            std::lock_guard lock(mutex_);
            has_response = true;
            response = protocol_error_ ? ws::unsupported_command : ws::no_error;
            protocol_error_ = false;
            return VI_SUCCESS;
        }
        default: {
            // Not understood: the device shows ERR* until asked for the protocol error.
            std::lock_guard lock(mutex_);
            protocol_error_ = true;
            return VI_SUCCESS;
        }
    }
}

}  // namespace simvisa
