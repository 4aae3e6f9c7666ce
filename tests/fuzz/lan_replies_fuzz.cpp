// What a LAN server sends, as our VISA library's links take it: the input's first byte picks
// VXI-11 or HiSLIP. VXI-11: each call the link makes is answered with the next piece of the
// input (a length byte, then the results) under the call's own xid, or with a raw record when
// the length byte is odd. HiSLIP: the rest of the input is what both channels bring. Each
// link call ends (the peer hangs up after the input) without crashing, hanging or holding
// more than the bytes that came.
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "net/link.hpp"
#include "oncrpc.hpp"

namespace {

using namespace simvisa;
namespace rpc = lanproto::rpc;

constexpr ViUInt32 kTmo = 200;

void drive(net::Link& link) {
    std::string out;
    bool end = false;
    ViUInt16 stb = 0;
    link.write("*IDN?\n", true, kTmo, {});
    link.read(out, 4096, kTmo, end, '\n', {});
    if (out.size() > 4096) std::abort();
    link.read(out, 7, kTmo, end, -1, {});
    if (out.size() > 7) std::abort();
    link.read_stb(stb, kTmo);
    link.trigger(kTmo);
    link.lock({}, kTmo);
    link.unlock();
    link.remote_local(VI_GPIB_REN_ASSERT, kTmo);
    link.clear(kTmo);
    link.close(kTmo);
}

// Answers each RPC call on `fd` with the next piece of `script`, then hangs up; also when
// no call comes for a while (the link waits for the rest of a record cut short).
void answer_calls(int fd, std::string_view script) {
    const timeval wait{0, 20000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    rpc::RecordAssembler calls(1u << 20);
    char buf[4096];
    while (!script.empty()) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        std::size_t used = 0;
        while (used < static_cast<std::size_t>(n)) {
            rpc::RecordAssembler::Status status;
            used += calls.feed(buf + used, static_cast<std::size_t>(n) - used, status);
            if (status != rpc::RecordAssembler::Status::record || script.empty()) continue;
            rpc::CallHeader h;
            std::size_t body = 0;
            rpc::parse_call(calls.record(), h, body);
            const std::size_t len = std::min<std::size_t>(static_cast<std::uint8_t>(script[0]) >> 1, script.size() - 1);
            const bool raw = script[0] & 1;
            const std::string_view piece = script.substr(1, len);
            script.remove_prefix(1 + len);
            const std::string reply =
                raw ? std::string(piece) : rpc::frame(rpc::encode_reply(h.xid, rpc::AcceptStat::success, piece));
            if (::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) script = {};
        }
    }
    ::shutdown(fd, SHUT_RDWR);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        int sv[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) return 0;
        std::thread server([&] { answer_calls(sv[1], input); });
        {
            auto link = net::vxi11_on(sv[0], 1, 1 + data[0]);
            drive(*link);
        }
        ::shutdown(sv[1], SHUT_RDWR);
        server.join();
        ::close(sv[1]);
        return 0;
    }
    int sync_pair[2], async_pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sync_pair) != 0) return 0;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, async_pair) != 0) return 0;
    // The same bytes on both channels, then the server hangs up.
    for (int fd : {sync_pair[1], async_pair[1]}) {
        [[maybe_unused]] const auto n = ::send(fd, input.data(), input.size(), MSG_NOSIGNAL);
        ::shutdown(fd, SHUT_WR);
    }
    {
        auto link = net::hislip_on(sync_pair[0], async_pair[0], 1 + data[0] * 16u);
        if (data[0] & 2) link->enable_srq(kTmo);
        drive(*link);
    }
    ::close(sync_pair[1]);
    ::close(async_pair[1]);
    return 0;
}
