// The LAN server against the floor: a `*IDN?` round trip and a 4096-reading `FETC?` block
// over VXI-11 and the raw socket, each against a bare TCP exchange of the same bytes in the
// same round trips, in one run; pyvisa-py's figures for the same queries beside them.
// Runs in a private network namespace (bench/run.sh): bench_lan <visa-sim-server>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "oncrpc.hpp"
#include "visa.h"
#include "vxi11.hpp"

namespace {

namespace rpc = lanproto::rpc;
namespace vx = lanproto::vxi11;
using Clock = std::chrono::steady_clock;

[[noreturn]] void die(const std::string& why) {
    std::fprintf(stderr, "bench_lan: %s\n", why.c_str());
    std::exit(1);
}

int connect_to(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        die("cannot connect to " + std::to_string(port));
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

void send_all(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n <= 0) die("send");
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

void recv_exact(int fd, std::string& out, std::size_t n) {
    out.resize(n);
    for (std::size_t got = 0; got < n;) {
        const ssize_t r = recv(fd, out.data() + got, n - got, 0);
        if (r <= 0) die("recv");
        got += static_cast<std::size_t>(r);
    }
}

// One exchange step: bytes sent, bytes received.
struct Step {
    std::size_t out, in;
};

// The floor: a bare TCP peer in a process of its own, as the server is, that answers each
// step's bytes with as many bytes as the server sent.
class Mirror {
public:
    explicit Mirror(std::vector<Step> steps) : steps_(std::move(steps)) {
        const int listen_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listen_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listen_fd, 1);
        socklen_t len = sizeof a;
        getsockname(listen_fd, reinterpret_cast<sockaddr*>(&a), &len);
        child_ = fork();
        if (child_ == 0) {
            const int fd = accept(listen_fd, nullptr, nullptr);
            const int on = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            std::string buf;
            for (;;)
                for (const Step& s : steps_) {
                    buf.resize(std::max(s.out, s.in));
                    for (std::size_t got = 0; got < s.out;) {
                        const ssize_t r = recv(fd, buf.data() + got, s.out - got, 0);
                        if (r <= 0) _exit(0);
                        got += static_cast<std::size_t>(r);
                    }
                    if (send(fd, buf.data(), s.in, MSG_NOSIGNAL) != static_cast<ssize_t>(s.in))
                        _exit(0);
                }
        }
        close(listen_fd);
        fd_ = connect_to(ntohs(a.sin_port));
    }
    ~Mirror() {
        close(fd_);
        waitpid(child_, nullptr, 0);
    }
    void round() {
        for (const Step& s : steps_) {
            send_all(fd_, std::string_view(out_.assign(s.out, 'q')));
            recv_exact(fd_, in_, s.in);
        }
    }

private:
    std::vector<Step> steps_;
    pid_t child_ = -1;
    int fd_ = -1;
    std::string out_, in_;
};

// A VXI-11 link over the codec; each call's bytes on the wire are noted in `steps`.
class Vxi11Link {
public:
    Vxi11Link(int port, std::string name) : fd_(connect_to(port)) {
        Create_LinkParms p{1, 0, 0, name.data()};
        std::string args;
        vx::encode(args, reinterpret_cast<xdrproc_t>(xdr_Create_LinkParms), &p);
        const std::string_view reply = call(vx::proc_create_link, args);
        Create_LinkResp r{};
        if (!vx::decode(reply, reinterpret_cast<xdrproc_t>(xdr_Create_LinkResp), &r) ||
            r.error != 0)
            die("create_link");
        lid_ = r.lid;
    }
    ~Vxi11Link() { close(fd_); }

    // A query: the command written with END, the reply read to its END.
    const std::string& query(std::string command, std::vector<Step>* steps = nullptr) {
        Device_WriteParms w{
            lid_, 5000, 0, vx::kFlagEnd, {static_cast<u_int>(command.size()), command.data()}};
        std::string args;
        vx::encode(args, reinterpret_cast<xdrproc_t>(xdr_Device_WriteParms), &w);
        call(vx::proc_device_write, args, steps);
        std::string& reply = reply_;
        reply.clear();
        for (;;) {
            Device_ReadParms r{lid_, 1u << 20, 5000, 0, 0, '\n'};
            args.clear();
            vx::encode(args, reinterpret_cast<xdrproc_t>(xdr_Device_ReadParms), &r);
            vx::Decoded<Device_ReadResp> resp(call(vx::proc_device_read, args, steps),
                                              reinterpret_cast<xdrproc_t>(xdr_Device_ReadResp));
            if (!resp.ok || resp.value.error != 0) die("device_read");
            reply.append(resp.value.data.data_val, resp.value.data.data_len);
            if (resp.value.reason & vx::kReasonEnd) return reply;
        }
    }

private:
    // The results of a call; valid until the next call. The reply's record is received
    // straight into a buffer kept from call to call, as the floor's peer receives.
    std::string_view call(std::uint32_t proc, std::string_view args,
                          std::vector<Step>* steps = nullptr) {
        const std::string out =
            rpc::frame(rpc::encode_call({++xid_, vx::kCoreProgram, 1, proc}, args));
        send_all(fd_, out);
        recv_exact(fd_, record_, 4);
        const std::uint32_t mark = (std::uint32_t{static_cast<unsigned char>(record_[0])} << 24) |
                                   (std::uint32_t{static_cast<unsigned char>(record_[1])} << 16) |
                                   (std::uint32_t{static_cast<unsigned char>(record_[2])} << 8) |
                                   std::uint32_t{static_cast<unsigned char>(record_[3])};
        if (!(mark & rpc::kLastFragment) || (mark & ~rpc::kLastFragment) > (1u << 21))
            die("reply record");
        recv_exact(fd_, record_, mark & ~rpc::kLastFragment);
        if (steps) steps->push_back({out.size(), 4 + record_.size()});
        rpc::ReplyHeader h;
        std::size_t body = 0;
        if (!rpc::parse_reply(record_, h, body) || h.stat != rpc::AcceptStat::success)
            die("reply");
        return std::string_view(record_).substr(body);
    }

    int fd_;
    std::string record_, reply_;
    Device_Link lid_ = 0;
    std::uint32_t xid_ = 0;
};

// The reply, received straight into a buffer kept from query to query; valid until the next.
std::string_view socket_query(int fd, const std::string& command,
                              std::vector<Step>* steps = nullptr) {
    static std::vector<char> buffer(1u << 20);
    send_all(fd, command);
    std::size_t got = 0;
    while (got == 0 || buffer[got - 1] != '\n') {
        if (got == buffer.size()) die("socket reply too long");
        const ssize_t n = recv(fd, buffer.data() + got, buffer.size() - got, 0);
        if (n <= 0) die("socket recv");
        got += static_cast<std::size_t>(n);
    }
    if (steps) steps->push_back({command.size(), got});
    return std::string_view(buffer.data(), got);
}

// Seconds per call: the median of batch means.
double seconds_per(const std::function<void()>& f, int per_batch, int batches = 7) {
    for (int i = 0; i < per_batch / 4 + 1; ++i) f();
    std::vector<double> means;
    for (int b = 0; b < batches; ++b) {
        const auto t0 = Clock::now();
        for (int i = 0; i < per_batch; ++i) f();
        means.push_back(std::chrono::duration<double>(Clock::now() - t0).count() / per_batch);
    }
    std::sort(means.begin(), means.end());
    return means[means.size() / 2];
}

void row(const char* name, double value, const char* unit, const char* goal, bool met) {
    std::printf("%-30s | %10.3f %-6s | %-10s | %s\n", name, value, unit, goal,
                *goal ? (met ? "met" : "NOT met") : "");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) die("usage: bench_lan <visa-sim-server>");
    // The clients keep freed memory for the next reply, as the server does: a reply's buffers
    // handed back to the system and faulted in again would be the clients' cost, not the server's.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
    signal(SIGPIPE, SIG_IGN);
    char bus[] = "/tmp/bench_lan_busXXXXXX";
    const int bus_fd = mkstemp(bus);
    // The Q7304A for the block; a plain device answering *IDN? at once for the round trip.
    const std::string text =
        "[VXI0::24::INSTR]\nq7304 = yes\nlan.socket_port = 5025\n"
        "[GPIB0::9::INSTR]\nidn = PLAIN,IDN,1,1.0\nlan.socket_port = 5026\n";
    if (bus_fd < 0 || write(bus_fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        die("bus file");
    close(bus_fd);
    int out[2];
    if (pipe(out) != 0) die("pipe");
    const pid_t server = fork();
    if (server == 0) {
        dup2(out[1], 1);
        execl(argv[1], argv[1], "--bus", bus, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string line;
    for (char c; read(out[0], &c, 1) == 1 && c != '\n';) line += c;
    const auto at = line.find("vxi11 127.0.0.1:");
    if (at == std::string::npos) die("no VXI-11 in: " + line);
    const int vxi11_port = std::atoi(line.c_str() + at + 16);

    Vxi11Link link(vxi11_port, "inst0"), plain_link(vxi11_port, "inst1");
    const int sock = connect_to(5025), plain_sock = connect_to(5026);
    const std::string block_setup =
        "CONF:VOLT:DC 10;:VOLT:DC:APER 0.0004;:TRIG:SOUR IMM;:SAMP:COUN 4096;:INIT;*OPC?\n";
    socket_query(sock, block_setup);  // the readings are taken once; FETC? returns them again

    // The same queries in process, through our VISA library on a bus of the same description,
    // in a child of its own so that its bus does not run beside the server's: what the
    // devices themselves take, whatever carries the bytes.
    double in_process_idn = 0, in_process_fetch = 0;
    {
        int result[2];
        if (pipe(result) != 0) die("pipe");
        const pid_t child = fork();
        if (child == 0) {
            setenv("VISA_SIM_BUS", bus, 1);
            ViSession rm = VI_NULL, dmm = VI_NULL, plain = VI_NULL;
            viOpenDefaultRM(&rm);
            viOpen(rm, "VXI0::24::INSTR", VI_NULL, 0, &dmm);
            viOpen(rm, "GPIB0::9::INSTR", VI_NULL, 0, &plain);
            std::vector<char> reply_buffer(1 << 20);
            const auto in_process = [&](ViSession vi, const char* command) {
                viWrite(vi, reinterpret_cast<ViConstBuf>(command),
                        static_cast<ViUInt32>(std::strlen(command)), nullptr);
                ViUInt32 got = 0;
                viRead(vi, reinterpret_cast<ViBuf>(reply_buffer.data()),
                       static_cast<ViUInt32>(reply_buffer.size()), &got);
            };
            in_process(dmm, block_setup.c_str());
            const double figures[2] = {seconds_per([&] { in_process(plain, "*IDN?\n"); }, 300),
                                       seconds_per([&] { in_process(dmm, "FETC?\n"); }, 20)};
            _exit(write(result[1], figures, sizeof figures) == sizeof figures ? 0 : 1);
        }
        close(result[1]);
        double figures[2] = {0, 0};
        if (read(result[0], figures, sizeof figures) != sizeof figures) die("in-process figures");
        close(result[0]);
        waitpid(child, nullptr, 0);
        in_process_idn = figures[0];
        in_process_fetch = figures[1];
    }

    std::vector<Step> vxi_idn, vxi_fetch, sock_idn, sock_fetch;
    const std::string idn = plain_link.query("*IDN?\n", &vxi_idn);
    const std::string block = link.query("FETC?\n", &vxi_fetch);
    socket_query(plain_sock, "*IDN?\n", &sock_idn);
    socket_query(sock, "FETC?\n", &sock_fetch);
    if (std::count(block.begin(), block.end(), ',') != 4095)
        die("not a block of 4096: " + block.substr(0, 80));

    struct Figure {
        const char* name;
        std::vector<Step> steps;
        std::function<void()> run;
        int per_batch;
        double goal;
        double seconds = 0, floor = 0, in_process = 0, ratio = 0;
    };
    std::vector<Figure> figures = {
        {"lan_vxi11_idn", vxi_idn, [&] { plain_link.query("*IDN?\n"); }, 300, 1.5},
        {"lan_socket_idn", sock_idn, [&] { socket_query(plain_sock, "*IDN?\n"); }, 300, 1.3},
        {"lan_vxi11_fetch_4096", vxi_fetch, [&] { link.query("FETC?\n"); }, 20, 1.5},
        {"lan_socket_fetch_4096", sock_fetch, [&] { socket_query(sock, "FETC?\n"); }, 20, 1.3},
    };
    figures[0].in_process = figures[1].in_process = in_process_idn;
    figures[2].in_process = figures[3].in_process = in_process_fetch;
    // Floor and server batches alternate, so that a slower moment of the machine falls on
    // both; the ratio is the median of the batches' ratios.
    for (Figure& f : figures) {
        Mirror mirror(f.steps);
        std::vector<double> floors, servers, ratios;
        for (int b = 0; b < 9; ++b) {
            floors.push_back(seconds_per([&] { mirror.round(); }, f.per_batch, 1));
            servers.push_back(seconds_per(f.run, f.per_batch, 1));
            ratios.push_back(servers.back() / floors.back());
        }
        for (auto* v : {&floors, &servers, &ratios}) std::sort(v->begin(), v->end());
        f.floor = floors[4];
        f.seconds = servers[4];
        f.ratio = ratios[4];
    }

    // pyvisa-py on the same server and queries.
    const std::string script =
        "import pyvisa, time\n"
        "rm = pyvisa.ResourceManager('@py')\n"
        "def per(f, n):\n"
        "    f()\n"
        "    t = time.perf_counter()\n"
        "    for _ in range(n): f()\n"
        "    return (time.perf_counter() - t) / n\n"
        "for plain, name in (('inst1', 'inst0'), ('5026', '5025')):\n"
        "    kind = 'INSTR' if plain.startswith('inst') else 'SOCKET'\n"
        "    p, d = [rm.open_resource(f'TCPIP::127.0.0.1::{n}::{kind}', read_termination='\\n',\n"
        "                             write_termination='\\n', timeout=10000) for n in (plain, "
        "name)]\n"
        "    d.chunk_size = 1 << 20\n"
        "    print(per(lambda: p.query('*IDN?'), 300), per(lambda: d.query('FETC?'), 5))\n";
    std::string peer;
    if (FILE* p = popen(("/usr/bin/python3 -c \"" + script + "\" 2>&1").c_str(), "r")) {
        char buf[512];
        while (std::fgets(buf, sizeof buf, p)) peer += buf;
        pclose(p);
    }
    double py[4] = {0, 0, 0, 0};
    std::sscanf(peer.c_str(), "%lf %lf %lf %lf", &py[0], &py[2], &py[1], &py[3]);

    unlink(bus);
    kill(server, SIGTERM);
    int status = 0;
    waitpid(server, &status, 0);

    std::printf("# *IDN? reply %zu bytes, FETC? block %zu bytes; VXI-11 round trips: %zu and %zu\n",
                idn.size(), block.size(), vxi_idn.size(), vxi_fetch.size());
    for (std::size_t i = 0; i < figures.size(); ++i) {
        const Figure& f = figures[i];
        std::printf(
            "# %s: %.1f us, floor %.1f us, the same query in process %.1f us, pyvisa-py %.1f us\n",
            f.name, f.seconds * 1e6, f.floor * 1e6, f.in_process * 1e6, py[i] * 1e6);
        char goal[16];
        std::snprintf(goal, sizeof goal, "<= %.1f", f.goal);
        row(f.name, f.ratio, "x", goal, f.ratio <= f.goal);
    }
    for (std::size_t i = 0; i < figures.size(); ++i) {
        const std::string name = std::string(figures[i].name) + "_pyvisa_py";
        row(name.c_str(), py[i] / figures[i].floor, "x", "", true);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
