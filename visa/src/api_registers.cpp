// Register-based access to VXI resources: their configuration registers in A16 space,
// word serial commands, and a mapped window read and written through peek and poke.
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "call_support.hpp"

using namespace simvisa;

namespace {

constexpr ViBusSize kRegisterSpace = 64;  // bytes of a device's A16 configuration space
constexpr ViUInt32 kMaxResponseWaitMs = 2000;

ViStatus vxi_session(ViSession vi, std::shared_ptr<Session>& s) {
    if (const ViStatus st = io_session(vi, s); st < 0) return st;
    return s->device->desc().intf_type == VI_INTF_GPIB ? VI_ERROR_NSUP_OPER : VI_SUCCESS;
}

ViStatus check_range(ViUInt16 space, ViBusAddress offset, ViBusSize bytes, unsigned width) {
    if (space != VI_A16_SPACE) return VI_ERROR_INV_SPACE;
    if (offset % width != 0) return VI_ERROR_NSUP_ALIGN_OFFSET;
    if (offset >= kRegisterSpace || bytes > kRegisterSpace - offset) return VI_ERROR_INV_OFFSET;
    return VI_SUCCESS;
}

// One access of 8, 16 or 32 bits, made of the 16-bit registers it covers (big-endian).
ViStatus read_width(Session& s, ViBusAddress offset, unsigned width, ViUInt32& value) {
    ViUInt16 word = 0;
    if (width == 1) {
        const ViStatus st = s.device->register_read(offset & ~ViBusAddress{1}, word);
        value = (offset & 1) ? (word & 0xFF) : (word >> 8);
        return st;
    }
    value = 0;
    for (unsigned k = 0; k < width; k += 2) {
        if (const ViStatus st = s.device->register_read(offset + k, word); st < 0) return st;
        value = (value << 16) | word;
    }
    return VI_SUCCESS;
}

ViStatus write_width(Session& s, ViBusAddress offset, unsigned width, ViUInt32 value) {
    const Stop stop = stop_of(s);
    if (width == 1) {
        ViUInt16 word = 0;
        const ViBusAddress at = offset & ~ViBusAddress{1};
        if (const ViStatus st = s.device->register_read(at, word); st < 0) return st;
        word = (offset & 1) ? static_cast<ViUInt16>((word & 0xFF00) | (value & 0xFF))
                            : static_cast<ViUInt16>((word & 0x00FF) | ((value & 0xFF) << 8));
        return s.device->register_write(at, word, s.timeout_ms, stop);
    }
    for (unsigned k = 0; k < width; k += 2) {
        const auto word = static_cast<ViUInt16>(value >> (8 * (width - 2 - k)));
        if (const ViStatus st = s.device->register_write(offset + k, word, s.timeout_ms, stop); st < 0)
            return st;
    }
    return VI_SUCCESS;
}

template <class T>
ViStatus in(const char* name, ViSession vi, ViUInt16 space, ViBusAddress offset, T* value) {
    const std::string call = std::string(name) + "(" + hex(vi) + ", " + std::to_string(space) + ", " +
                             std::to_string(offset) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = vxi_session(vi, s); st < 0) return finish(call, st);
    if (value == nullptr) return finish(call, VI_ERROR_USER_BUF);
    if (const ViStatus st = check_range(space, offset, sizeof(T), sizeof(T)); st < 0) return finish(call, st);
    std::lock_guard lock(s->io);
    ViUInt32 v = 0;
    const ViStatus st = read_width(*s, offset, sizeof(T), v);
    if (st >= 0) *value = static_cast<T>(v);
    return finish(call, st, " value=" + std::to_string(v));
}

template <class T>
ViStatus out(const char* name, ViSession vi, ViUInt16 space, ViBusAddress offset, T value) {
    const std::string call = std::string(name) + "(" + hex(vi) + ", " + std::to_string(space) + ", " +
                             std::to_string(offset) + ", " + std::to_string(value) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = vxi_session(vi, s); st < 0) return finish(call, st);
    if (const ViStatus st = check_range(space, offset, sizeof(T), sizeof(T)); st < 0) return finish(call, st);
    std::lock_guard lock(s->io);
    return finish(call, write_width(*s, offset, sizeof(T), value));
}

// Moves `length` elements; the device side steps through registers or stays on one.
template <class T>
ViStatus move(const char* name, ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
              T* buf, bool inbound) {
    const std::string call = std::string(name) + "(" + hex(vi) + ", " + std::to_string(space) + ", " +
                             std::to_string(offset) + ", " + std::to_string(length) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = vxi_session(vi, s); st < 0) return finish(call, st);
    if (buf == nullptr && length > 0) return finish(call, VI_ERROR_USER_BUF);
    const bool step = (inbound ? s->src_increment : s->dest_increment) != 0;
    const ViBusSize span = step ? length * sizeof(T) : (length > 0 ? sizeof(T) : 0);
    if (const ViStatus st = check_range(space, offset, span, sizeof(T)); st < 0) return finish(call, st);
    std::lock_guard lock(s->io);
    for (ViBusSize i = 0; i < length; ++i) {
        const ViBusAddress at = offset + (step ? i * sizeof(T) : 0);
        ViStatus st;
        if (inbound) {
            ViUInt32 v = 0;
            st = read_width(*s, at, sizeof(T), v);
            buf[i] = static_cast<T>(v);
        } else {
            st = write_width(*s, at, sizeof(T), buf[i]);
        }
        if (st < 0) return finish(call, st);
    }
    return finish(call, VI_SUCCESS);
}

// A mapped window's addresses are tokens, not memory: peek and poke turn them back into
// register offsets.
std::uintptr_t window_token(ViSession vi) { return 0x10000000u + (static_cast<std::uintptr_t>(vi) << 8); }

template <class T>
void peek(ViSession vi, ViAddr address, T* value) {
    std::shared_ptr<Session> s;
    if (vxi_session(vi, s) < 0 || value == nullptr || !s->mapped) return;
    const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t base = window_token(vi);
    if (a < base || a + sizeof(T) > base + s->map_size) return;
    std::lock_guard lock(s->io);
    ViUInt32 v = 0;
    if (read_width(*s, s->map_offset + (a - base), sizeof(T), v) >= 0) *value = static_cast<T>(v);
}

template <class T>
void poke(ViSession vi, ViAddr address, T value) {
    std::shared_ptr<Session> s;
    if (vxi_session(vi, s) < 0 || !s->mapped) return;
    const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t base = window_token(vi);
    if (a < base || a + sizeof(T) > base + s->map_size) return;
    std::lock_guard lock(s->io);
    write_width(*s, s->map_offset + (a - base), sizeof(T), value);
}

}  // namespace

VISA_EXPORT ViStatus viIn8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt8 v) { return in("viIn8", vi, space, offset, v); }
VISA_EXPORT ViStatus viIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt16 v) { return in("viIn16", vi, space, offset, v); }
VISA_EXPORT ViStatus viIn32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt32 v) { return in("viIn32", vi, space, offset, v); }
VISA_EXPORT ViStatus viOut8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt8 v) { return out("viOut8", vi, space, offset, v); }
VISA_EXPORT ViStatus viOut16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt16 v) { return out("viOut16", vi, space, offset, v); }
VISA_EXPORT ViStatus viOut32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt32 v) { return out("viOut32", vi, space, offset, v); }

VISA_EXPORT ViStatus viMoveIn8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize n, ViUInt8* buf) {
    return move("viMoveIn8", vi, space, offset, n, buf, true);
}
VISA_EXPORT ViStatus viMoveIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize n, ViUInt16* buf) {
    return move("viMoveIn16", vi, space, offset, n, buf, true);
}
VISA_EXPORT ViStatus viMoveIn32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize n, ViUInt32* buf) {
    return move("viMoveIn32", vi, space, offset, n, buf, true);
}
VISA_EXPORT ViStatus viMoveOut8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize n, const ViUInt8* buf) {
    return move("viMoveOut8", vi, space, offset, n, const_cast<ViUInt8*>(buf), false);
}
VISA_EXPORT ViStatus viMoveOut16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize n, const ViUInt16* buf) {
    return move("viMoveOut16", vi, space, offset, n, const_cast<ViUInt16*>(buf), false);
}
VISA_EXPORT ViStatus viMoveOut32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize n, const ViUInt32* buf) {
    return move("viMoveOut32", vi, space, offset, n, const_cast<ViUInt32*>(buf), false);
}

VISA_EXPORT ViStatus viVxiCommandQuery(ViSession vi, ViUInt16 mode, ViUInt32 cmd, ViPUInt32 response) {
    const std::string call = "viVxiCommandQuery(" + hex(vi) + ", " + hex(mode) + ", " + hex(cmd) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = vxi_session(vi, s); st < 0) return finish(call, st);
    if (!s->device->message_based()) return finish(call, VI_ERROR_NSUP_OPER);
    const bool send = mode == VI_VXI_CMD16 || mode == VI_VXI_CMD16_RESP16;
    const bool answer = mode == VI_VXI_CMD16_RESP16 || mode == VI_VXI_RESP16;
    if (mode == VI_VXI_CMD32 || mode == VI_VXI_CMD32_RESP16 || mode == VI_VXI_CMD32_RESP32 ||
        mode == VI_VXI_RESP32)
        return finish(call, VI_ERROR_NSUP_WIDTH);
    if (!send && !answer) return finish(call, VI_ERROR_INV_MODE);
    if (answer && response == nullptr) return finish(call, VI_ERROR_USER_BUF);
    if (send && cmd > 0xFFFF) return finish(call, VI_ERROR_INV_PARAMETER);
    const Stop stop = stop_of(*s);
    std::lock_guard lock(s->io);
    ViUInt16 word = 0;
    bool has = false;
    if (send) {
        if (const ViStatus st = s->device->word_serial(static_cast<ViUInt16>(cmd), s->timeout_ms, stop, has, word);
            st < 0)
            return finish(call, st);
    } else {
        ViUInt16 resp = 0;
        s->device->register_read(0x0A, resp);
        has = (resp & (1u << 10)) != 0;
        if (has) s->device->register_read(0x0E, word);
    }
    if (!answer) return finish(call, VI_SUCCESS);
    if (!has) {
        // No response comes: the controller gives up after the time-out.
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(s->timeout_ms, kMaxResponseWaitMs)));
        return finish(call, VI_ERROR_TMO);
    }
    *response = word;
    return finish(call, VI_SUCCESS, " response=" + hex(word));
}

VISA_EXPORT ViStatus viMapAddress(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize size,
                                  ViBoolean access, ViAddr, ViPAddr address) {
    const std::string call = "viMapAddress(" + hex(vi) + ", " + std::to_string(space) + ", " +
                             std::to_string(offset) + ", " + std::to_string(size) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = vxi_session(vi, s); st < 0) return finish(call, st);
    if (address == nullptr) return finish(call, VI_ERROR_USER_BUF);
    if (access != VI_FALSE) return finish(call, VI_ERROR_INV_ACC_MODE);
    if (space != VI_A16_SPACE) return finish(call, VI_ERROR_INV_SPACE);
    if (offset >= kRegisterSpace) return finish(call, VI_ERROR_INV_OFFSET);
    if (size == 0 || size > kRegisterSpace - offset) return finish(call, VI_ERROR_INV_SIZE);
    std::lock_guard lock(s->io);
    if (s->mapped) return finish(call, VI_ERROR_WINDOW_MAPPED);
    s->mapped = true;
    s->map_offset = offset;
    s->map_size = size;
    *address = reinterpret_cast<ViAddr>(window_token(vi));
    return finish(call, VI_SUCCESS);
}

VISA_EXPORT ViStatus viUnmapAddress(ViSession vi) {
    const std::string call = "viUnmapAddress(" + hex(vi) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = vxi_session(vi, s); st < 0) return finish(call, st);
    std::lock_guard lock(s->io);
    if (!s->mapped) return finish(call, VI_ERROR_WINDOW_NMAPPED);
    s->mapped = false;
    return finish(call, VI_SUCCESS);
}

VISA_EXPORT void viPeek8(ViSession vi, ViAddr a, ViPUInt8 v) { peek(vi, a, v); }
VISA_EXPORT void viPeek16(ViSession vi, ViAddr a, ViPUInt16 v) { peek(vi, a, v); }
VISA_EXPORT void viPeek32(ViSession vi, ViAddr a, ViPUInt32 v) { peek(vi, a, v); }
VISA_EXPORT void viPoke8(ViSession vi, ViAddr a, ViUInt8 v) { poke(vi, a, v); }
VISA_EXPORT void viPoke16(ViSession vi, ViAddr a, ViUInt16 v) { poke(vi, a, v); }
VISA_EXPORT void viPoke32(ViSession vi, ViAddr a, ViUInt32 v) { poke(vi, a, v); }
