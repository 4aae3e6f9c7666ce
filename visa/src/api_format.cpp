// Formatted I/O through the session's buffers: printing, scanning, queries, the buffers
// themselves and their flushing.
#include <cstring>
#include <string>

#include "call_support.hpp"
#include "format_print.hpp"
#include "format_scan.hpp"
#include "transfer.hpp"

using namespace simvisa;

namespace {

// Prints into the write buffer; a newline in the format sends it with END, a full buffer
// without; with VI_FLUSH_ON_ACCESS the call sends it at its end.
ViStatus print_to_device(Session& s, ViConstString fmt, va_list params, std::string& sent) {
    VaArgs args;
    va_copy(args.ap, params);
    PrintTarget target{s.fmt.wr, [&](bool end) { return flush_write_buffer(s, end, &sent); },
                       s.fmt.wr_mode == VI_FLUSH_WHEN_FULL ? s.fmt.wr_size : 0};
    ViStatus st = format_print(target, fmt, args);
    va_end(args.ap);
    if (st < 0) {
        s.fmt.wr.clear();
        return st;
    }
    if (s.fmt.wr_mode == VI_FLUSH_ON_ACCESS) st = flush_write_buffer(s, true, &sent);
    return st;
}

// Scans the read buffer, reading the device as it runs dry; with VI_FLUSH_ON_ACCESS the
// rest is dropped at the end of the call.
ViStatus scan_from_device(Session& s, ViConstString fmt, va_list params, std::string& seen) {
    const Stop stop = stop_of(s);
    // What is still buffered is scanned first; a buffer read to its END starts a new message.
    if (s.fmt.rd_left() == 0) s.fmt.drop_read();
    const std::size_t from = s.fmt.rd_pos;
    ScanInput in(s.fmt, [&](std::string& bytes, bool& end) {
        const int term = s.termchar_enabled ? s.termchar : -1;
        const ViStatus st = device_read(s, bytes, s.fmt.rd_size, end, term, stop);
        if (st >= 0) s.fmt.reply_open = !end;
        return st;
    });
    VaArgs args;
    va_copy(args.ap, params);
    const ViStatus st = format_scan(in, fmt, args);
    va_end(args.ap);
    seen = s.fmt.rd.substr(std::min(from, s.fmt.rd_pos), s.fmt.rd_pos - std::min(from, s.fmt.rd_pos));
    // What is left of the message stays for the next scan, unless it is only the white
    // space before END.
    FormatBuffers& b = s.fmt;
    const bool blank_rest =
        b.rd_end && b.rd.find_first_not_of(" \t\r\n", b.rd_pos) == std::string::npos;
    if (b.rd_mode == VI_FLUSH_ON_ACCESS || blank_rest) b.drop_read();
    return st;
}

}  // namespace

VISA_EXPORT ViStatus viVPrintf(ViSession vi, ViConstString fmt, va_list params) {
    const std::string call = "viPrintf(" + hex(vi) + ", " + text_or_null(fmt) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (fmt == nullptr) return finish(call, VI_ERROR_USER_BUF);
    std::lock_guard lock(s->io);
    std::string sent;
    const ViStatus st = print_to_device(*s, fmt, params, sent);
    return finish(call, st, " sent=" + quoted(sent));
}

VISA_EXPORT ViStatus viPrintf(ViSession vi, ViConstString fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const ViStatus st = viVPrintf(vi, fmt, ap);
    va_end(ap);
    return st;
}

VISA_EXPORT ViStatus viVSPrintf(ViSession vi, ViPBuf buf, ViConstString fmt, va_list params) {
    const std::string call = "viSPrintf(" + hex(vi) + ", " + text_or_null(fmt) + ")";
    if (!instrument(vi)) return finish(call, VI_ERROR_INV_OBJECT);
    if (fmt == nullptr || buf == nullptr) return finish(call, VI_ERROR_USER_BUF);
    std::string out;
    PrintTarget target{out, nullptr, 0};
    VaArgs args;
    va_copy(args.ap, params);
    const ViStatus st = format_print(target, fmt, args);
    va_end(args.ap);
    if (st < 0) return finish(call, st);
    std::memcpy(buf, out.data(), out.size());
    buf[out.size()] = '\0';
    return finish(call, st, " text=" + quoted(out));
}

VISA_EXPORT ViStatus viSPrintf(ViSession vi, ViPBuf buf, ViConstString fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const ViStatus st = viVSPrintf(vi, buf, fmt, ap);
    va_end(ap);
    return st;
}

VISA_EXPORT ViStatus viVScanf(ViSession vi, ViConstString fmt, va_list params) {
    const std::string call = "viScanf(" + hex(vi) + ", " + text_or_null(fmt) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (fmt == nullptr) return finish(call, VI_ERROR_USER_BUF);
    std::lock_guard lock(s->io);
    std::string seen;
    if (const ViStatus st = flush_write_buffer(*s, true); st < 0) return finish(call, st);
    const ViStatus st = scan_from_device(*s, fmt, params, seen);
    return finish(call, st, " data=" + quoted(seen));
}

VISA_EXPORT ViStatus viScanf(ViSession vi, ViConstString fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const ViStatus st = viVScanf(vi, fmt, ap);
    va_end(ap);
    return st;
}

VISA_EXPORT ViStatus viVSScanf(ViSession vi, ViConstBuf buf, ViConstString fmt, va_list params) {
    const std::string call = "viSScanf(" + hex(vi) + ", " + text_or_null(fmt) + ")";
    if (!instrument(vi)) return finish(call, VI_ERROR_INV_OBJECT);
    if (fmt == nullptr || buf == nullptr) return finish(call, VI_ERROR_USER_BUF);
    FormatBuffers text;
    text.rd = reinterpret_cast<const char*>(buf);
    text.rd_end = true;
    ScanInput in(text, nullptr);
    VaArgs args;
    va_copy(args.ap, params);
    const ViStatus st = format_scan(in, fmt, args);
    va_end(args.ap);
    return finish(call, st, " text=" + quoted(text.rd));
}

VISA_EXPORT ViStatus viSScanf(ViSession vi, ViConstBuf buf, ViConstString fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const ViStatus st = viVSScanf(vi, buf, fmt, ap);
    va_end(ap);
    return st;
}

// The write format takes the first arguments, the read format the rest.
VISA_EXPORT ViStatus viVQueryf(ViSession vi, ViConstString write_fmt, ViConstString read_fmt,
                               va_list params) {
    const std::string call = "viQueryf(" + hex(vi) + ", " + text_or_null(write_fmt) + ", " +
                             text_or_null(read_fmt) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (write_fmt == nullptr || read_fmt == nullptr) return finish(call, VI_ERROR_USER_BUF);
    std::lock_guard lock(s->io);
    VaArgs args;
    va_copy(args.ap, params);
    std::string sent, seen;
    PrintTarget target{s->fmt.wr, [&](bool end) { return flush_write_buffer(*s, end, &sent); },
                       s->fmt.wr_mode == VI_FLUSH_WHEN_FULL ? s->fmt.wr_size : 0};
    ViStatus st = format_print(target, write_fmt, args);
    if (st >= 0) st = flush_write_buffer(*s, true, &sent);
    else s->fmt.wr.clear();
    if (st >= 0) st = scan_from_device(*s, read_fmt, args.ap, seen);
    va_end(args.ap);
    return finish(call, st, " sent=" + quoted(sent) + " data=" + quoted(seen));
}

VISA_EXPORT ViStatus viQueryf(ViSession vi, ViConstString write_fmt, ViConstString read_fmt, ...) {
    va_list ap;
    va_start(ap, read_fmt);
    const ViStatus st = viVQueryf(vi, write_fmt, read_fmt, ap);
    va_end(ap);
    return st;
}

VISA_EXPORT ViStatus viSetBuf(ViSession vi, ViUInt16 mask, ViUInt32 size) {
    const std::string call = "viSetBuf(" + hex(vi) + ", " + std::to_string(mask) + ", " +
                             std::to_string(size) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    constexpr ViUInt16 known = VI_READ_BUF | VI_WRITE_BUF | VI_IO_IN_BUF | VI_IO_OUT_BUF;
    if (mask == 0 || (mask & ~known) != 0) return finish(call, VI_ERROR_INV_MASK);
    std::lock_guard lock(s->io);
    const ViUInt32 n = std::max<ViUInt32>(size, 1);
    if (mask & VI_WRITE_BUF) {
        if (const ViStatus st = flush_write_buffer(*s, false); st < 0) return finish(call, st);
        s->fmt.wr_size = n;
    }
    if (mask & VI_READ_BUF) s->fmt.rd_size = n;
    // There are no low-level buffers to size: every transfer goes straight to the device.
    return finish(call, (mask & (VI_IO_IN_BUF | VI_IO_OUT_BUF)) ? VI_WARN_NSUP_BUF : VI_SUCCESS);
}

VISA_EXPORT ViStatus viFlush(ViSession vi, ViUInt16 mask) {
    const std::string call = "viFlush(" + hex(vi) + ", " + std::to_string(mask) + ")";
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    const auto both = [&](ViUInt16 a, ViUInt16 b) { return (mask & a) && (mask & b); };
    if (mask == 0 || mask > 0xFF || both(VI_READ_BUF, VI_READ_BUF_DISCARD) ||
        both(VI_WRITE_BUF, VI_WRITE_BUF_DISCARD) || both(VI_IO_IN_BUF, VI_IO_IN_BUF_DISCARD) ||
        both(VI_IO_OUT_BUF, VI_IO_OUT_BUF_DISCARD))
        return finish(call, VI_ERROR_INV_MASK);
    const Stop stop = stop_of(*s);
    std::lock_guard lock(s->io);
    std::string sent;
    ViStatus st = VI_SUCCESS;
    if (mask & VI_WRITE_BUF) st = flush_write_buffer(*s, true, &sent);
    if (mask & VI_WRITE_BUF_DISCARD) s->fmt.wr.clear();
    if (mask & (VI_READ_BUF | VI_READ_BUF_DISCARD)) s->fmt.drop_read();
    // The rest of a reply read in part goes too, read from the device to its END.
    std::size_t dropped = 0;
    if ((mask & (VI_READ_BUF | VI_IO_IN_BUF | VI_IO_IN_BUF_DISCARD)) && s->fmt.reply_open && st >= 0) {
        for (bool end = false; !end;) {
            std::string chunk;
            const ViStatus r = device_read(*s, chunk, 65536, end, -1, stop);
            if (r < 0) {
                st = r;
                break;
            }
            dropped += chunk.size();
        }
        s->fmt.reply_open = false;
    }
    return finish(call, st, " sent=" + quoted(sent) + " dropped=" + std::to_string(dropped));
}

VISA_EXPORT ViStatus viBufWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 ret) {
    const std::string bytes = buf ? std::string(reinterpret_cast<const char*>(buf), cnt) : "";
    const std::string call = "viBufWrite(" + hex(vi) + ", " + quoted(bytes) + ", " + std::to_string(cnt) + ")";
    if (ret) *ret = 0;
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (buf == nullptr && cnt > 0) return finish(call, VI_ERROR_USER_BUF);
    std::lock_guard lock(s->io);
    std::string sent;
    ViStatus st = VI_SUCCESS;
    s->fmt.wr += bytes;
    if (s->fmt.wr_mode == VI_FLUSH_ON_ACCESS) st = flush_write_buffer(*s, true, &sent);
    else if (s->fmt.wr.size() >= s->fmt.wr_size) st = flush_write_buffer(*s, false, &sent);
    if (st >= 0 && ret) *ret = cnt;
    return finish(call, st, " sent=" + quoted(sent));
}

VISA_EXPORT ViStatus viBufRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPUInt32 ret) {
    const std::string call = "viBufRead(" + hex(vi) + ", " + std::to_string(cnt) + ")";
    if (ret) *ret = 0;
    std::shared_ptr<Session> s;
    if (const ViStatus st = io_session(vi, s); st < 0) return finish(call, st);
    if (buf == nullptr) return finish(call, VI_ERROR_USER_BUF);
    const Stop stop = stop_of(*s);
    std::lock_guard lock(s->io);
    FormatBuffers& b = s->fmt;
    if (b.rd_left() == 0) {
        b.drop_read();
        bool end = false;
        const int term = s->termchar_enabled ? s->termchar : -1;
        const ViStatus st = device_read(*s, b.rd, b.rd_size, end, term, stop);
        if (st < 0) return finish(call, st);
        b.rd_end = end;
        b.reply_open = !end;
    }
    std::size_t n = std::min<std::size_t>(cnt, b.rd_left());
    bool at_term = false;
    if (s->termchar_enabled) {
        const auto at = b.rd.find(static_cast<char>(s->termchar), b.rd_pos);
        if (at != std::string::npos && at < b.rd_pos + n) {
            n = at + 1 - b.rd_pos;
            at_term = true;
        }
    }
    const std::string got = b.rd.substr(b.rd_pos, n);
    b.rd_pos += n;
    std::memcpy(buf, got.data(), got.size());
    if (ret) *ret = static_cast<ViUInt32>(got.size());
    const ViStatus st = b.rd_left() == 0 && b.rd_end ? VI_SUCCESS
                        : at_term                    ? VI_SUCCESS_TERM_CHAR
                                                     : VI_SUCCESS_MAX_CNT;
    return finish(call, st, " count=" + std::to_string(got.size()) + " data=" + quoted(got));
}
