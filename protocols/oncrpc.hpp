// ONC RPC (RFC 5531) messages and the record marking of RPC over TCP, as bytes: what the
// VXI-11 server and client, and the portmapper, share. No sockets here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lanproto::rpc {

constexpr std::uint32_t kLastFragment = 0x80000000u;
constexpr std::uint32_t kMaxAuthBody = 400;  // RFC 5531: opaque_auth body<400>

enum class AcceptStat : std::uint32_t {
    success = 0,
    prog_unavail = 1,
    prog_mismatch = 2,
    proc_unavail = 3,
    garbage_args = 4,
    system_err = 5,
};

// Assembles the records of a TCP stream from fragments; a record longer than the limit is
// refused before anything of it is kept.
class RecordAssembler {
public:
    explicit RecordAssembler(std::size_t max_record) : max_(max_record) {}
    enum class Status { need_more, record, too_long };
    // Takes bytes of the stream; returns how many it used (it stops after a whole record).
    std::size_t feed(const char* data, std::size_t size, Status& status);
    // The record just completed; valid until the next feed.
    std::string& record() { return record_; }
    // Whether no record is under way: nothing of the next one has come yet.
    bool idle() const { return done_ || (!in_fragment_ && header_got_ == 0 && record_.empty()); }

private:
    std::size_t max_;
    std::string record_;
    char header_[4] = {};
    std::size_t header_got_ = 0;
    std::size_t fragment_left_ = 0;
    bool in_fragment_ = false;
    bool last_ = false;
    bool done_ = false;
};

// The record-marking header for one last fragment, then the message.
std::string frame(std::string_view message);

struct CallHeader {
    std::uint32_t xid = 0;
    std::uint32_t prog = 0, vers = 0, proc = 0;
};

enum class CallParse { ok, not_a_call, rpc_mismatch, malformed };
// A call's header (credentials and verifier skipped); the arguments start at `body`.
CallParse parse_call(std::string_view message, CallHeader& header, std::size_t& body);

// A call message with AUTH_NONE credentials.
std::string encode_call(const CallHeader& header, std::string_view args);

// An accepted reply (AUTH_NONE verifier); for prog_mismatch `low`/`high` follow.
std::string encode_reply(std::uint32_t xid, AcceptStat stat, std::string_view results = {},
                         std::uint32_t low = 0, std::uint32_t high = 0);
// A reply denied for an RPC version other than 2.
std::string encode_rpc_mismatch(std::uint32_t xid);

struct ReplyHeader {
    std::uint32_t xid = 0;
    bool accepted = false;  // MSG_ACCEPTED
    AcceptStat stat = AcceptStat::system_err;
};
// A reply's header; for a successful one the results start at `body`.
bool parse_reply(std::string_view message, ReplyHeader& header, std::size_t& body);

// Big-endian 32-bit words of XDR.
void put_u32(std::string& out, std::uint32_t v);
std::optional<std::uint32_t> get_u32(std::string_view in, std::size_t& pos);

}  // namespace lanproto::rpc
