// Our VISA library's LAN sessions: a `*IDN?` round trip to the loopback device through the
// library over VXI-11, HiSLIP and a raw socket, against pyvisa-py on the same server and
// protocol, and against a bare TCP exchange of about the same bytes in the same round trips.
// Runs in a private network namespace (bench/run.sh): bench_lan_client <visa-sim-server>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "visa.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 2000;

// A bare TCP peer in a process of its own: each step, `out` bytes in, `in` bytes back.
double floor_seconds(const std::vector<std::pair<std::size_t, std::size_t>>& steps) {
    const int lfd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(lfd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(lfd, 1);
    socklen_t len = sizeof a;
    getsockname(lfd, reinterpret_cast<sockaddr*>(&a), &len);
    const int on = 1;
    const pid_t child = fork();
    if (child == 0) {
        const int fd = accept(lfd, nullptr, nullptr);
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        char buf[4096];
        for (;;)
            for (const auto& [out, in] : steps) {
                for (std::size_t got = 0; got < out;) {
                    const ssize_t r = recv(fd, buf, out - got, 0);
                    if (r <= 0) _exit(0);
                    got += static_cast<std::size_t>(r);
                }
                if (send(fd, buf, in, MSG_NOSIGNAL) != static_cast<ssize_t>(in)) _exit(0);
            }
    }
    close(lfd);
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    char buf[4096] = {};
    const auto round = [&] {
        for (const auto& [out, in] : steps) {
            send(fd, buf, out, MSG_NOSIGNAL);
            for (std::size_t got = 0; got < in;) got += static_cast<std::size_t>(recv(fd, buf, in - got, 0));
        }
    };
    round();
    const auto t = Clock::now();
    for (int i = 0; i < kRounds; ++i) round();
    const double s = std::chrono::duration<double>(Clock::now() - t).count() / kRounds;
    close(fd);
    waitpid(child, nullptr, 0);
    return s;
}

// A bare client of the server's socket: what the server itself takes, with no VISA.
double direct_socket_seconds(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return 0;
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    char buf[256];
    const auto query = [&] {
        send(fd, "*IDN?\n", 6, MSG_NOSIGNAL);
        for (ssize_t n = 0; n <= 0 || buf[n - 1] != '\n';) {
            const ssize_t r = recv(fd, buf + std::max<ssize_t>(n, 0), sizeof buf - 1 - std::max<ssize_t>(n, 0), 0);
            if (r <= 0) return;
            n = std::max<ssize_t>(n, 0) + r;
        }
    };
    query();
    const auto t = Clock::now();
    for (int i = 0; i < kRounds; ++i) query();
    const double s = std::chrono::duration<double>(Clock::now() - t).count() / kRounds;
    close(fd);
    return s;
}

// How long past VI_ATTR_TMO_VALUE (200 ms) a read that gets nothing returns.
double timeout_overshoot(ViSession rm, const char* name) {
    ViSession vi = VI_NULL;
    if (viOpen(rm, name, VI_NULL, 2000, &vi) != VI_SUCCESS) return -1;
    viSetAttribute(vi, VI_ATTR_TMO_VALUE, 200);
    char buf[16];
    ViUInt32 n = 0;
    double worst = 0;
    for (int i = 0; i < 5; ++i) {
        const auto t = Clock::now();
        viRead(vi, reinterpret_cast<ViBuf>(buf), sizeof buf, &n);
        worst = std::max(worst, std::chrono::duration<double>(Clock::now() - t).count() - 0.2);
    }
    viClose(vi);
    return worst;
}

double library_seconds(ViSession rm, const char* name) {
    ViSession vi = VI_NULL;
    if (viOpen(rm, name, VI_NULL, 2000, &vi) != VI_SUCCESS) return 0;
    viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_TRUE);
    char buf[256];
    ViUInt32 n = 0;
    const auto query = [&] {
        viWrite(vi, reinterpret_cast<ViConstBuf>("*IDN?\n"), 6, &n);
        viRead(vi, reinterpret_cast<ViBuf>(buf), sizeof buf, &n);
    };
    query();
    const auto t = Clock::now();
    for (int i = 0; i < kRounds; ++i) query();
    const double s = std::chrono::duration<double>(Clock::now() - t).count() / kRounds;
    viClose(vi);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_lan_client <visa-sim-server>\n");
        return 2;
    }
    const char* bus = "/tmp/bench_lan_client_bus.txt";
    if (FILE* f = std::fopen(bus, "w")) {
        std::fputs("[GPIB0::3::INSTR]\ninterface = gpib\nloopback = yes\nlan.socket_port = 5025\n", f);
        std::fclose(f);
    }
    int out[2];
    if (pipe(out) != 0) return 1;
    const pid_t server = fork();
    if (server == 0) {
        dup2(out[1], 1);
        execl(argv[1], argv[1], "--bus", bus, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') {
    }
    ViSession rm = VI_NULL;
    viOpenDefaultRM(&rm);
    struct Row {
        const char* protocol;
        const char* name;
        std::vector<std::pair<std::size_t, std::size_t>> steps;  // the bytes of one query
        double ours = 0, floor = 0, goal, overshoot = 0;
    } rows[] = {
        {"vxi11", "TCPIP0::127.0.0.1::inst0::INSTR", {{80, 32}, {72, 68}}, 0, 0, 1.5},
        {"hislip", "TCPIP0::127.0.0.1::hislip0::INSTR", {{22, 40}}, 0, 0, 1.3},
        {"socket", "TCPIP0::127.0.0.1::5025::SOCKET", {{6, 24}}, 0, 0, 1.3},
    };
    for (auto& r : rows) {
        r.ours = library_seconds(rm, r.name);
        r.floor = floor_seconds(r.steps);
        r.overshoot = timeout_overshoot(rm, r.name);
    }
    viClose(rm);
    const double direct = direct_socket_seconds(5025);
    // pyvisa-py on the same server (0.5.1 has no HiSLIP).
    const std::string script =
        "import pyvisa, time\n"
        "rm = pyvisa.ResourceManager('@py')\n"
        "for n in ('TCPIP::127.0.0.1::inst0::INSTR', 'TCPIP::127.0.0.1::hislip0::INSTR', "
        "'TCPIP::127.0.0.1::5025::SOCKET'):\n"
        "    try:\n"
        "        d = rm.open_resource(n, read_termination='\\n', write_termination='\\n')\n"
        "        d.query('*IDN?')\n"
        "        t = time.perf_counter()\n"
        "        for _ in range(500): d.query('*IDN?')\n"
        "        print((time.perf_counter() - t) / 500)\n"
        "    except Exception:\n"
        "        print(0)\n";
    std::string peer;
    if (FILE* p = popen(("/usr/bin/python3 -c \"" + script + "\" 2>/dev/null").c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) peer += buf;
        pclose(p);
    }
    double py[3] = {0, 0, 0};
    std::sscanf(peer.c_str(), "%lf %lf %lf", &py[0], &py[1], &py[2]);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    unlink(bus);
    std::printf("%-8s %12s %12s %12s %10s %12s\n", "protocol", "ours (us)", "floor (us)", "pyvisa-py", "ours/floor",
                "ours/pyvisa");
    for (int i = 0; i < 3; ++i) {
        const Row& r = rows[i];
        std::printf("%-8s %12.1f %12.1f %12.1f %7.2f (goal <= %.1f) %8.2f (goal <= 0.5)\n", r.protocol, r.ours * 1e6,
                    r.floor * 1e6, py[i] * 1e6, r.ours / r.floor, r.goal, py[i] > 0 ? r.ours / py[i] : 0.0);
    }
    for (const Row& r : rows)
        std::printf("%s: a 200 ms time-out returns at most %.1f ms late (goal <= 50)\n", r.protocol,
                    r.overshoot * 1e3);
    std::printf("socket, a bare client of the server itself: %.1f us (ours / that %.2f)\n", direct * 1e6,
                direct > 0 ? rows[2].ours / direct : 0.0);
    return 0;
}
