#include "transfer.hpp"

namespace simvisa {

ViStatus write_message(Session& s, std::string_view bytes, bool end, Stop stop) {
    return s.device->write(bytes, end, s.timeout_ms, stop);
}

ViStatus read_message(Session& s, std::string& out, std::size_t max, Stop stop) {
    out.clear();
    const int term = s.termchar_enabled ? s.termchar : -1;
    bool end = false;
    std::string chunk;
    for (;;) {
        // The first piece straight into `out`; what comes after END is suppressed is added.
        std::string& piece = out.empty() ? out : chunk;
        const ViStatus st = s.device->read(piece, max - out.size(), s.timeout_ms, end, term, stop);
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
