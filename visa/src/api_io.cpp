// Message I/O: reads and writes, plain, asynchronous and through files; status byte,
// device clear, ending pending calls, GPIB remote enable.
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "attributes.hpp"
#include "call_support.hpp"
#include "transfer.hpp"
#include "net/link.hpp"

using namespace simvisa;

VISA_EXPORT ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 ret) {
    const std::string_view bytes =
        buf ? std::string_view(reinterpret_cast<const char*>(buf), cnt) : std::string_view();
    const auto call = [&] {
        return "viWrite(" + hex(vi) + ", " + quoted(bytes) + ", " + std::to_string(cnt) + ")";
    };
    if (ret) *ret = 0;
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (buf == nullptr && cnt > 0) return finish(call, VI_ERROR_USER_BUF);
    const Stop stop = stop_of(*s);
    std::lock_guard lock(s->io);
    const ViStatus st = write_message(*s, bytes, s->send_end, stop);
    if (st == VI_SUCCESS && ret) *ret = cnt;
    return finish(call, st, [&] { return " count=" + std::to_string(st == VI_SUCCESS ? cnt : 0); });
}

VISA_EXPORT ViStatus viRead(ViSession vi, ViBuf buf, ViUInt32 cnt, ViPUInt32 ret) {
    const auto call = [&] { return "viRead(" + hex(vi) + ", " + std::to_string(cnt) + ")"; };
    if (ret) *ret = 0;
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (buf == nullptr) return finish(call, VI_ERROR_USER_BUF);
    const Stop stop = stop_of(*s);
    std::lock_guard lock(s->io);
    std::string got;
    const ViStatus st = read_message(*s, got, cnt, stop);
    std::memcpy(buf, got.data(), got.size());
    if (ret) *ret = static_cast<ViUInt32>(got.size());
    if (st < 0) return finish(call, st);
    return finish(call, st, [&] { return " count=" + std::to_string(got.size()) + " data=" + quoted(got); });
}

VISA_EXPORT ViStatus viReadSTB(ViSession vi, ViPUInt16 status) {
    const std::string call = "viReadSTB(" + hex(vi) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (status == nullptr) return finish(call, VI_ERROR_USER_BUF);
    ViUInt16 stb = 0;
    const ViStatus st = device_read_stb(*s, stb);
    if (st == VI_SUCCESS) *status = stb;
    return finish(call, st, " stb=" + std::to_string(stb));
}

VISA_EXPORT ViStatus viClear(ViSession vi) {
    const std::string call = "viClear(" + hex(vi) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    // A read still waiting on the session ends at once, then the device is cleared.
    auto io = abort_pending(*s);
    s->fmt.drop_read();
    s->fmt.wr.clear();
    s->fmt.reply_open = false;
    return finish(call, device_clear(*s));
}

VISA_EXPORT ViStatus viTerminate(ViObject vi, ViUInt16 degree, ViJobId job) {
    const std::string call = "viTerminate(" + hex(vi) + ", " + std::to_string(degree) + ", " +
                             std::to_string(job) + ")";
    auto s = instrument(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    if (degree != VI_NULL) return finish(call, VI_ERROR_INV_DEGREE);
    // Asynchronous jobs are done before their call returns, so no job is left to end.
    if (job != VI_NULL) return finish(call, VI_ERROR_INV_JOB_ID);
    end_pending_calls(*s);
    return finish(call, VI_SUCCESS);
}

namespace {

std::atomic<ViJobId> last_job{0};

void complete(const Session& s, ViJobId job, ViStatus st, ViUInt64 count, ViBuf buf, const char* name) {
    EventData e;
    e.type = VI_EVENT_IO_COMPLETION;
    e.status = st;
    e.job = job;
    e.ret_count = count;
    e.buffer = buf;
    e.oper_name = name;
    post_event(s.handle, e);
}

}  // namespace

// Done at once: VI_SUCCESS_SYNC, with the I/O completion event carrying the result.
VISA_EXPORT ViStatus viReadAsync(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPJobId job_out) {
    const std::string call = "viReadAsync(" + hex(vi) + ", " + std::to_string(cnt) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (buf == nullptr) return finish(call, VI_ERROR_USER_BUF);
    const ViJobId job = ++last_job;
    if (job_out) *job_out = job;
    const Stop stop = stop_of(*s);
    std::string got;
    ViStatus st;
    {
        std::lock_guard lock(s->io);
        st = read_message(*s, got, cnt, stop);
    }
    std::memcpy(buf, got.data(), got.size());
    complete(*s, job, st, got.size(), buf, "viReadAsync");
    return finish(call, VI_SUCCESS_SYNC,
                  " job=" + std::to_string(job) + " status=" + status_name(st) + " data=" + quoted(got));
}

VISA_EXPORT ViStatus viWriteAsync(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPJobId job_out) {
    const std::string call = "viWriteAsync(" + hex(vi) + ", " + std::to_string(cnt) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (buf == nullptr && cnt > 0) return finish(call, VI_ERROR_USER_BUF);
    const ViJobId job = ++last_job;
    if (job_out) *job_out = job;
    const std::string bytes(reinterpret_cast<const char*>(buf), cnt);
    const Stop stop = stop_of(*s);
    ViStatus st;
    {
        std::lock_guard lock(s->io);
        st = write_message(*s, bytes, s->send_end, stop);
    }
    complete(*s, job, st, st == VI_SUCCESS ? cnt : 0, const_cast<ViBuf>(buf), "viWriteAsync");
    return finish(call, VI_SUCCESS_SYNC,
                  " job=" + std::to_string(job) + " status=" + status_name(st) + " data=" + quoted(bytes));
}

VISA_EXPORT ViStatus viReadToFile(ViSession vi, ViConstString name, ViUInt32 cnt, ViPUInt32 ret) {
    const std::string call = "viReadToFile(" + hex(vi) + ", " + text_or_null(name) + ", " +
                             std::to_string(cnt) + ")";
    if (ret) *ret = 0;
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (name == nullptr) return finish(call, VI_ERROR_FILE_ACCESS);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(name, s->file_append ? "ab" : "wb"),
                                                      std::fclose);
    if (!f) return finish(call, VI_ERROR_FILE_ACCESS);
    const Stop stop = stop_of(*s);
    std::string got;
    ViStatus st;
    {
        std::lock_guard lock(s->io);
        st = read_message(*s, got, cnt, stop);
    }
    if (std::fwrite(got.data(), 1, got.size(), f.get()) != got.size() || std::fflush(f.get()) != 0)
        return finish(call, VI_ERROR_FILE_IO);
    if (ret) *ret = static_cast<ViUInt32>(got.size());
    return finish(call, st, " count=" + std::to_string(got.size()));
}

VISA_EXPORT ViStatus viWriteFromFile(ViSession vi, ViConstString name, ViUInt32 cnt, ViPUInt32 ret) {
    const std::string call = "viWriteFromFile(" + hex(vi) + ", " + text_or_null(name) + ", " +
                             std::to_string(cnt) + ")";
    if (ret) *ret = 0;
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (name == nullptr) return finish(call, VI_ERROR_FILE_ACCESS);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(name, "rb"), std::fclose);
    if (!f) return finish(call, VI_ERROR_FILE_ACCESS);
    std::string bytes;
    char chunk[4096];
    while (bytes.size() < cnt) {
        const std::size_t want = std::min<std::size_t>(sizeof chunk, cnt - bytes.size());
        const std::size_t n = std::fread(chunk, 1, want, f.get());
        bytes.append(chunk, n);
        if (n < want) break;
    }
    if (std::ferror(f.get())) return finish(call, VI_ERROR_FILE_IO);
    const Stop stop = stop_of(*s);
    std::lock_guard lock(s->io);
    const ViStatus st = write_message(*s, bytes, s->send_end, stop);
    if (st == VI_SUCCESS && ret) *ret = static_cast<ViUInt32>(bytes.size());
    return finish(call, st, " count=" + std::to_string(st == VI_SUCCESS ? bytes.size() : 0));
}

VISA_EXPORT ViStatus viGpibControlREN(ViSession vi, ViUInt16 mode) {
    const std::string call = "viGpibControlREN(" + hex(vi) + ", " + std::to_string(mode) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (s->link) {
        std::lock_guard lock(s->io);
        return finish(call, s->link->remote_local(mode, s->timeout_ms));
    }
    const DeviceDesc& d = s->device->desc();
    if (d.intf_type != VI_INTF_GPIB) return finish(call, VI_ERROR_NSUP_OPER);
    switch (mode) {
        case VI_GPIB_REN_DEASSERT:
        case VI_GPIB_REN_DEASSERT_GTL: set_ren_state(d.intf_num, VI_STATE_UNASSERTED); break;
        case VI_GPIB_REN_ASSERT:
        case VI_GPIB_REN_ASSERT_ADDRESS:
        case VI_GPIB_REN_ASSERT_LLO:
        case VI_GPIB_REN_ASSERT_ADDRESS_LLO: set_ren_state(d.intf_num, VI_STATE_ASSERTED); break;
        case VI_GPIB_REN_ADDRESS_GTL: break;
        default: return finish(call, VI_ERROR_INV_MODE);
    }
    return finish(call, VI_SUCCESS);
}
