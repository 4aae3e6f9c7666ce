// A *IDN? round trip and a 4096-reading FETC? block over HiSLIP from the simulated Q7304A,
// each against the floor: a bare TCP exchange of the same bytes (the query message out, the
// reply message back) with a peer that does nothing else. Loopback only; run it in a
// private network namespace:
//   tests/support/in_netns.sh build/bench_hislip_roundtrip [round trips]
#include <malloc.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "hislip_client.hpp"
#include "service.hpp"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFloorPort = 4881;

bool exact(int fd, char* buf, std::size_t n) {
    while (n > 0) {
        const ssize_t got = ::recv(fd, buf, n, 0);
        if (got <= 0) return false;
        buf += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

// Answers every `in` bytes with `out` bytes.
void floor_peer(int listen_fd, std::size_t in, std::string out) {
    const int fd = ::accept(listen_fd, nullptr, nullptr);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::vector<char> buf(in);
    while (exact(fd, buf.data(), in)) ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
    ::close(fd);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int trips = argc > 1 ? std::atoi(argv[1]) : 500;
    // Freed memory is kept for the next reply, as visa-sim-server's main keeps it.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
    ::unsetenv("VISA_SIM_BUS");
    simserver::ServerContext context;
    if (viOpenDefaultRM(&context.resource_manager) < VI_SUCCESS) return 1;
    context.devices = {{"VXI0::24::INSTR", {"inst0", "hislip0"}, 0}};
    auto service = simserver::make_hislip_service(context);
    std::string description, error;
    if (!service->start(description, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    hislip_test::Client client;
    if (!client.open(hislip::kDefaultPort)) return 1;
    // The readings are taken once; FETC? returns them again.
    if (!client.query("CONF:VOLT:DC 10;:VOLT:DC:APER 0.0004;:TRIG:SOUR IMM;:SAMP:COUN 4096;:INIT;*OPC?\n"))
        return 1;

    const int listen_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(kFloorPort);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    ::setsockopt(listen_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(listen_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_fd, 1) != 0) return 1;

    // One query against the floor: each HiSLIP round beside a floor round.
    const auto compare = [&](const char* name, const std::string& query, int trips) {
        const auto reply = client.query(query);
        if (!reply) std::exit(1);
        const std::string query_bytes = hislip::encode(hislip::Type::DataEnd, 0, 0, query);
        const std::string reply_bytes = hislip::encode(hislip::Type::DataEnd, 0, 0, *reply);
        std::thread peer(floor_peer, listen_fd, query_bytes.size(), reply_bytes);
        hislip_test::Link bare;
        if (!bare.connect(kFloorPort)) std::exit(1);
        std::vector<char> buf(reply_bytes.size());
        auto hislip_round = [&] {
            const auto t0 = Clock::now();
            for (int i = 0; i < trips; ++i)
                if (!client.query(query)) std::exit(1);
            return std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / trips;
        };
        auto floor_round = [&] {
            const auto t0 = Clock::now();
            for (int i = 0; i < trips; ++i) {
                bare.send_bytes(query_bytes);
                if (!exact(bare.fd(), buf.data(), buf.size())) std::exit(1);
            }
            return std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / trips;
        };
        // Short rounds, each HiSLIP round beside a floor round, so that a change of load on
        // the machine touches both sides of a ratio alike; the median of the ratios.
        std::vector<double> h, f, ratios;
        for (int round = 0; round < 21; ++round) {
            f.push_back(floor_round());
            h.push_back(hislip_round());
            ratios.push_back(h.back() / f.back());
        }
        std::printf("%s (%zu bytes out, %zu back), 21 rounds of %d:\n", name, query_bytes.size(),
                    reply_bytes.size(), trips);
        std::printf("  HiSLIP   %7.1f us (median)\n  bare TCP %7.1f us (median)\n  ratio    %7.2f (median of the rounds' ratios; goal <= 1.30)\n",
                    median(h), median(f), median(ratios));
        bare.close();
        peer.join();
    };
    compare("*IDN? round trip", "*IDN?\n", trips);
    compare("4096-reading FETC? block", "FETC?\n", std::max(1, trips / 25));
    ::close(listen_fd);
    client.sync.close();
    client.async.close();
    service->stop();
    return 0;
}
