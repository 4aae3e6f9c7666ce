// Raw SCPI sockets: bytes both ways, no END; reads end at the termination character or
// the count. With VI_PROT_4882_STRS the status byte and triggers are *STB? and *TRG.
#include <charconv>

#include "link.hpp"

namespace simvisa::net {

namespace {

class SocketLink : public Link {
public:
    ViStatus open(const ParsedName& name, ViUInt32 timeout_ms) {
        if (const ViStatus st = conn_.connect(name.host, name.port, timeout_ms); st != VI_SUCCESS) return st;
        address = conn_.address();
        main = &conn_;
        return VI_SUCCESS;
    }

    ViStatus write(std::string_view bytes, bool, ViUInt32 tmo, Stop stop) override {
        return conn_.send(bytes, deadline_after(tmo), stop);
    }

    ViStatus read(std::string& out, std::size_t max, ViUInt32 tmo, bool& end, int term, Stop stop) override {
        out.clear();
        end = false;
        const auto deadline = deadline_after(tmo);
        for (;;) {
            std::size_t n = std::min(held_.size(), max);
            if (term >= 0) {
                const auto at = held_.find(static_cast<char>(term));
                if (at != std::string::npos && at < n) {
                    out.assign(held_, 0, at + 1);
                    held_.erase(0, at + 1);
                    return VI_SUCCESS;
                }
            }
            if (n == max) {
                out.assign(held_, 0, n);
                held_.erase(0, n);
                return VI_SUCCESS;
            }
            const ViStatus st = conn_.receive(held_, 1u << 16, deadline, stop);
            if (st != VI_SUCCESS) {
                // What came stays for the next read, as the device still holds it.
                return st;
            }
        }
    }

    ViStatus read_stb(ViUInt16& stb, ViUInt32 tmo) override {
        if (!strs) return VI_ERROR_NSUP_OPER;
        if (ViStatus st = write("*STB?\n", true, tmo, {}); st != VI_SUCCESS) return st;
        std::string reply;
        bool end = false;
        if (ViStatus st = read(reply, 64, tmo, end, '\n', {}); st != VI_SUCCESS) return st;
        const auto b = reply.find_first_not_of(" +");
        int v = 0;
        if (b == std::string::npos || std::from_chars(reply.data() + b, reply.data() + reply.size(), v).ec != std::errc{} ||
            v < 0 || v > 255)
            return VI_ERROR_IO;
        stb = static_cast<ViUInt16>(v);
        return VI_SUCCESS;
    }

    ViStatus trigger(ViUInt32 tmo) override {
        if (!strs) return VI_ERROR_NSUP_OPER;
        return write("*TRG\n", true, tmo, {});
    }

    ViStatus clear(ViUInt32) override {
        held_.clear();
        conn_.discard_input();
        return VI_SUCCESS;
    }

    ViStatus lock(const std::string&, ViUInt32) override { return VI_SUCCESS; }  // this process only
    ViStatus unlock() override { return VI_SUCCESS; }
    ViStatus remote_local(ViUInt16, ViUInt32) override { return VI_ERROR_NSUP_OPER; }
    void close(ViUInt32) override { conn_.close(); }
    ViStatus enable_srq(ViUInt32) override { return VI_SUCCESS; }  // a socket has none
    bool lost() const override { return !conn_.open(); }

private:
    Conn conn_;
    std::string held_;
};

}  // namespace

ViStatus open_socket(const ParsedName& name, ViUInt32 timeout_ms, std::unique_ptr<Link>& out) {
    auto link = std::make_unique<SocketLink>();
    if (const ViStatus st = link->open(name, timeout_ms); st != VI_SUCCESS) return st;
    out = std::move(link);
    return VI_SUCCESS;
}

ViStatus open_link(const ParsedName& name, ViUInt32 timeout_ms, std::unique_ptr<Link>& out) {
    if (name.socket) return open_socket(name, timeout_ms, out);
    std::string dev;
    for (char c : name.device) dev += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (dev.rfind("hislip", 0) == 0) return open_hislip(name, timeout_ms, out);
    return open_vxi11(name, timeout_ms, out);
}

}  // namespace simvisa::net
