#include "oncrpc.hpp"

#include <algorithm>

namespace lanproto::rpc {

namespace {

constexpr std::uint32_t kCall = 0, kReply = 1;
constexpr std::uint32_t kRpcVersion = 2;
constexpr std::uint32_t kAccepted = 0, kDenied = 1, kRpcMismatch = 0;

// Skips an opaque_auth; false when it is cut short or its body is too long.
bool skip_auth(std::string_view in, std::size_t& pos) {
    const auto flavor = get_u32(in, pos);
    const auto length = get_u32(in, pos);
    if (!flavor || !length || *length > kMaxAuthBody) return false;
    const std::size_t padded = (*length + 3u) & ~std::size_t{3};
    if (in.size() - pos < padded) return false;
    pos += padded;
    return true;
}

void put_auth_none(std::string& out) {
    put_u32(out, 0);
    put_u32(out, 0);
}

}  // namespace

void put_u32(std::string& out, std::uint32_t v) {
    const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 8), static_cast<char>(v)};
    out.append(b, 4);
}

std::optional<std::uint32_t> get_u32(std::string_view in, std::size_t& pos) {
    if (pos > in.size() || in.size() - pos < 4) return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(in.data() + pos);
    pos += 4;
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::size_t RecordAssembler::feed(const char* data, std::size_t size, Status& status) {
    if (done_) {
        record_.clear();
        done_ = false;
    }
    std::size_t used = 0;
    status = Status::need_more;
    while (used < size || (in_fragment_ && fragment_left_ == 0)) {
        if (!in_fragment_) {
            const std::size_t n = std::min(4 - header_got_, size - used);
            std::copy_n(data + used, n, header_ + header_got_);
            header_got_ += n;
            used += n;
            if (header_got_ < 4) break;
            std::size_t pos = 0;
            const std::uint32_t word = *get_u32(std::string_view(header_, 4), pos);
            header_got_ = 0;
            last_ = word & kLastFragment;
            fragment_left_ = word & ~kLastFragment;
            if (fragment_left_ > max_ - record_.size()) {
                status = Status::too_long;
                return used;
            }
            in_fragment_ = true;
        }
        const std::size_t n = std::min(fragment_left_, size - used);
        record_.append(data + used, n);
        used += n;
        fragment_left_ -= n;
        if (fragment_left_ > 0) break;
        in_fragment_ = false;
        if (last_) {
            done_ = true;
            status = Status::record;
            return used;
        }
    }
    return used;
}

std::string frame(std::string_view message) {
    std::string out;
    out.reserve(message.size() + 4);
    put_u32(out, kLastFragment | static_cast<std::uint32_t>(message.size()));
    out.append(message);
    return out;
}

CallParse parse_call(std::string_view in, CallHeader& h, std::size_t& body) {
    std::size_t pos = 0;
    const auto xid = get_u32(in, pos);
    const auto type = get_u32(in, pos);
    if (!xid || !type) return CallParse::malformed;
    h.xid = *xid;
    if (*type != kCall) return CallParse::not_a_call;
    const auto rpcvers = get_u32(in, pos);
    if (!rpcvers) return CallParse::malformed;
    if (*rpcvers != kRpcVersion) return CallParse::rpc_mismatch;
    const auto prog = get_u32(in, pos), vers = get_u32(in, pos), proc = get_u32(in, pos);
    if (!prog || !vers || !proc) return CallParse::malformed;
    h.prog = *prog;
    h.vers = *vers;
    h.proc = *proc;
    if (!skip_auth(in, pos) || !skip_auth(in, pos)) return CallParse::malformed;
    body = pos;
    return CallParse::ok;
}

std::string encode_call(const CallHeader& h, std::string_view args) {
    std::string out;
    out.reserve(40 + args.size());
    put_u32(out, h.xid);
    put_u32(out, kCall);
    put_u32(out, kRpcVersion);
    put_u32(out, h.prog);
    put_u32(out, h.vers);
    put_u32(out, h.proc);
    put_auth_none(out);
    put_auth_none(out);
    out.append(args);
    return out;
}

std::string encode_reply(std::uint32_t xid, AcceptStat stat, std::string_view results,
                         std::uint32_t low, std::uint32_t high) {
    std::string out;
    out.reserve(24 + results.size());
    put_u32(out, xid);
    put_u32(out, kReply);
    put_u32(out, kAccepted);
    put_auth_none(out);
    put_u32(out, static_cast<std::uint32_t>(stat));
    if (stat == AcceptStat::prog_mismatch) {
        put_u32(out, low);
        put_u32(out, high);
    } else if (stat == AcceptStat::success) {
        out.append(results);
    }
    return out;
}

std::string encode_rpc_mismatch(std::uint32_t xid) {
    std::string out;
    put_u32(out, xid);
    put_u32(out, kReply);
    put_u32(out, kDenied);
    put_u32(out, kRpcMismatch);
    put_u32(out, kRpcVersion);
    put_u32(out, kRpcVersion);
    return out;
}

bool parse_reply(std::string_view in, ReplyHeader& h, std::size_t& body) {
    std::size_t pos = 0;
    const auto xid = get_u32(in, pos), type = get_u32(in, pos), stat = get_u32(in, pos);
    if (!xid || !type || !stat || *type != kReply) return false;
    h.xid = *xid;
    h.accepted = *stat == kAccepted;
    if (!h.accepted) return true;
    if (!skip_auth(in, pos)) return false;
    const auto accept = get_u32(in, pos);
    if (!accept || *accept > static_cast<std::uint32_t>(AcceptStat::system_err)) return false;
    h.stat = static_cast<AcceptStat>(*accept);
    body = pos;
    return true;
}

}  // namespace lanproto::rpc
