// What every exported call shares: tracing its result, finding its session, copying out.
#pragma once

#include <concepts>
#include <cstring>
#include <memory>
#include <string>

#include "sessions.hpp"
#include "trace.hpp"
#include "visa.h"

#define VISA_EXPORT extern "C" __attribute__((visibility("default")))

namespace simvisa {

inline ViStatus finish(const std::string& call, ViStatus status, const std::string& extra = {}) {
    trace(call, status, extra);
    return status;
}

// The same with the texts made by `call()` and `extra()` only when a trace listens, so that
// a transfer's data is quoted only for a listener.
template <std::invocable Call, std::invocable Extra>
ViStatus finish(const Call& call, ViStatus status, const Extra& extra) {
    if (tracing()) trace(call(), status, extra());
    return status;
}
template <std::invocable Call>
ViStatus finish(const Call& call, ViStatus status) {
    return finish(call, status, [] { return std::string(); });
}

inline std::string text_or_null(const char* s) { return s ? quoted(s) : std::string("NULL"); }

// A text into a client buffer of VI_FIND_BUFLEN characters.
void copy_name(ViChar* dst, const std::string& src);

template <class T>
void put(void* dst, T v) {
    std::memcpy(dst, &v, sizeof v);
}

std::shared_ptr<Session> instrument(ViSession vi);

// An instrument session an I/O call may use: VI_SUCCESS with the session, VI_ERROR_INV_OBJECT,
// or VI_ERROR_RSRC_LOCKED when another session holds a lock on the resource.
ViStatus io_session(ViSession vi, std::shared_ptr<Session>& s);

// The way out of the calls pending on the session now.
Stop stop_of(Session& s);
// Ends the calls pending on the session now (VI_ERROR_ABORT for them).
void end_pending_calls(Session& s);

// Ends every call pending on the session (VI_ERROR_ABORT for them) and returns with its
// transfer lock held.
std::unique_lock<std::mutex> abort_pending(Session& s);

// Formatted output sent: the write buffer to the device, with END when `end` (and the
// session sends END); the bytes sent appended to `sent`. Called with the transfer lock held.
ViStatus flush_write_buffer(Session& s, bool end, std::string* sent = nullptr);

}  // namespace simvisa
