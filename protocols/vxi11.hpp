// VXI-11 (the TCP/IP Instrument Protocol): the structures rpcgen makes from vxi11.x, their
// XDR coding over bytes, and the standard's numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vxi11_rpc.h"

// The generated header names each procedure by a macro of the same name; ours are below.
#undef create_link
#undef device_write
#undef device_read
#undef device_readstb
#undef device_trigger
#undef device_clear
#undef device_remote
#undef device_local
#undef device_lock
#undef device_unlock
#undef device_enable_srq
#undef device_docmd
#undef destroy_link
#undef create_intr_chan
#undef destroy_intr_chan
#undef device_abort
#undef device_intr_srq

namespace lanproto::vxi11 {

constexpr std::uint32_t kCoreProgram = DEVICE_CORE, kCoreVersion = DEVICE_CORE_VERSION;
constexpr std::uint32_t kAsyncProgram = DEVICE_ASYNC, kAsyncVersion = DEVICE_ASYNC_VERSION;
constexpr std::uint32_t kIntrProgram = DEVICE_INTR, kIntrVersion = DEVICE_INTR_VERSION;

enum Proc : std::uint32_t {
    proc_null = 0,
    proc_device_abort = 1,
    proc_create_link = 10,
    proc_device_write = 11,
    proc_device_read = 12,
    proc_device_readstb = 13,
    proc_device_trigger = 14,
    proc_device_clear = 15,
    proc_device_remote = 16,
    proc_device_local = 17,
    proc_device_lock = 18,
    proc_device_unlock = 19,
    proc_device_enable_srq = 20,
    proc_device_docmd = 22,
    proc_destroy_link = 23,
    proc_create_intr_chan = 25,
    proc_destroy_intr_chan = 26,
    proc_device_intr_srq = 30,
};

enum Error : long {
    no_error = 0,
    syntax_error = 1,
    device_not_accessible = 3,
    invalid_link_identifier = 4,
    parameter_error = 5,
    channel_not_established = 6,
    operation_not_supported = 8,
    out_of_resources = 9,
    device_locked_by_another_link = 11,
    no_lock_held_by_this_link = 12,
    io_timeout = 15,
    io_error = 17,
    invalid_address = 21,
    abort = 23,
    channel_already_established = 29,
};

// Device_Flags bits and Device_ReadResp reasons.
constexpr long kFlagWaitLock = 0x01, kFlagEnd = 0x08, kFlagTermCharSet = 0x80;
constexpr long kReasonRequestCount = 0x01, kReasonTermChar = 0x02, kReasonEnd = 0x04;

// Decodes the XDR of `bytes` into `out` with the generated routine. Where the type ends in
// a variable-length field, its length is checked against the bytes that remain before the
// routine may allocate for it. Release a decoded value with release().
bool decode(std::string_view bytes, xdrproc_t proc, void* out);
void release(xdrproc_t proc, void* value);
// Appends the XDR of `value` to `out`.
bool encode(std::string& out, xdrproc_t proc, const void* value);

template <class T>
struct Decoded {
    T value{};
    xdrproc_t proc;
    bool ok;
    Decoded(std::string_view bytes, xdrproc_t p) : proc(p), ok(decode(bytes, p, &value)) {}
    ~Decoded() {
        if (ok) release(proc, &value);
    }
    Decoded(const Decoded&) = delete;
    Decoded& operator=(const Decoded&) = delete;
};

}  // namespace lanproto::vxi11
