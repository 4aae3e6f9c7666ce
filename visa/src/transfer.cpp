#include "transfer.hpp"

#include "net/link.hpp"

namespace simvisa {

ViStatus reopen_lost_link(Session& s) {
    if (!s.link || !s.link->lost()) return VI_SUCCESS;
    const auto name = parse_resource_name(s.device->desc().name);
    std::unique_ptr<net::Link> fresh;
    if (!name || net::open_link(*name, std::min<ViUInt32>(s.timeout_ms, 2000), fresh) != VI_SUCCESS)
        return VI_ERROR_CONN_LOST;
    fresh->on_srq = s.link->on_srq;
    s.link = std::move(fresh);
    bool srq = false;
    {
        std::lock_guard lock(s.events.mutex);
        const auto it = s.events.enabled.find(VI_EVENT_SERVICE_REQ);
        srq = it != s.events.enabled.end() && it->second != 0;
    }
    if (srq) s.link->enable_srq(s.timeout_ms);
    // Locks the device held for the old link went with it.
    if (s.device_locks > 0 && s.link->lock({}, s.timeout_ms) != VI_SUCCESS) s.device_locks = 0;
    return VI_SUCCESS;
}

ViStatus device_write(Session& s, std::string_view bytes, bool end, Stop stop) {
    if (s.link) {
        if (const ViStatus st = reopen_lost_link(s); st != VI_SUCCESS) return st;
        return s.link->write(bytes, end, s.timeout_ms, stop);
    }
    return s.device->write(bytes, end, s.timeout_ms, stop);
}

ViStatus device_read(Session& s, std::string& out, std::size_t max, bool& end, int term, Stop stop) {
    if (s.link) {
        if (const ViStatus st = reopen_lost_link(s); st != VI_SUCCESS) return st;
        return s.link->read(out, max, s.timeout_ms, end, term, stop);
    }
    return s.device->read(out, max, s.timeout_ms, end, term, stop);
}

ViStatus device_read_stb(Session& s, ViUInt16& stb) {
    if (s.link) {
        std::lock_guard lock(s.io);
        if (const ViStatus st = reopen_lost_link(s); st != VI_SUCCESS) return st;
        s.link->strs = s.io_prot == VI_PROT_4882_STRS;
        return s.link->read_stb(stb, s.timeout_ms);
    }
    return s.device->read_stb(stb);
}

ViStatus device_clear(Session& s) {
    if (s.link) {
        if (const ViStatus st = reopen_lost_link(s); st != VI_SUCCESS) return st;
        return s.link->clear(s.timeout_ms);
    }
    return s.device->clear();
}

ViStatus device_trigger(Session& s) {
    if (s.link) {
        std::lock_guard lock(s.io);
        if (const ViStatus st = reopen_lost_link(s); st != VI_SUCCESS) return st;
        s.link->strs = s.io_prot == VI_PROT_4882_STRS;
        return s.link->trigger(s.timeout_ms);
    }
    s.device->trigger();
    return VI_SUCCESS;
}

ViStatus write_message(Session& s, std::string_view bytes, bool end, Stop stop) {
    return device_write(s, bytes, end, stop);
}

ViStatus read_message(Session& s, std::string& out, std::size_t max, Stop stop) {
    out.clear();
    const int term = s.termchar_enabled ? s.termchar : -1;
    bool end = false;
    std::string chunk;
    for (;;) {
        // The first piece straight into `out`; what comes after END is suppressed is added.
        std::string& piece = out.empty() ? out : chunk;
        const ViStatus st = device_read(s, piece, max - out.size(), end, term, stop);
        if (st < 0) return st;
        const bool at_term = term >= 0 && !piece.empty() && piece.back() == static_cast<char>(term);
        if (&piece == &chunk) out += chunk;
        s.fmt.reply_open = !end;
        // With END suppressed a read goes on past it, to the termination character or the count.
        if (end && s.suppress_end && !at_term && out.size() < max) continue;
        if (end && !s.suppress_end) return VI_SUCCESS;
        if (at_term) return VI_SUCCESS_TERM_CHAR;
        return VI_SUCCESS_MAX_CNT;
    }
}

}  // namespace simvisa
