#include "call_support.hpp"
#include "transfer.hpp"

#include <algorithm>
#include <chrono>
#include <thread>

namespace simvisa {

void copy_name(ViChar* dst, const std::string& src) {
    if (dst == nullptr) return;
    const std::size_t n = std::min<std::size_t>(src.size(), VI_FIND_BUFLEN - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

std::shared_ptr<Session> instrument(ViSession vi) {
    auto s = find_session(vi);
    return s && s->kind == Session::Kind::instrument ? s : nullptr;
}

ViStatus io_session(ViSession vi, std::shared_ptr<Session>& s) {
    s = instrument(vi);
    if (!s) return VI_ERROR_INV_OBJECT;
    return s->device->locks.may_access(vi) ? VI_SUCCESS : VI_ERROR_RSRC_LOCKED;
}

Stop stop_of(Session& s) {
    std::lock_guard lock(s.aborts_mutex);
    return {s.aborts.get_token()};
}

void end_pending_calls(Session& s) {
    std::lock_guard lock(s.aborts_mutex);
    s.aborts.request_stop();
    s.aborts = std::stop_source();
}

std::unique_lock<std::mutex> abort_pending(Session& s) {
    std::unique_lock lock(s.io, std::defer_lock);
    for (;;) {
        end_pending_calls(s);
        if (lock.try_lock()) return lock;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

ViStatus flush_write_buffer(Session& s, bool end, std::string* sent) {
    if (s.fmt.wr.empty()) return VI_SUCCESS;
    std::string bytes;
    bytes.swap(s.fmt.wr);
    const ViStatus st = device_write(s, bytes, end && s.send_end, stop_of(s));
    if (sent && st == VI_SUCCESS) *sent += bytes;
    return st;
}

}  // namespace simvisa
