// Whole-process figures: start-up time and peak memory against a Qt window of the frame's
// size with one caption (and, for reference, the bare window), idle CPU against the bare
// window with a 100 ms timer, and the first show of each panel and of the graph. Runs with
// QT_QPA_PLATFORM=offscreen.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
const std::string ROOT = GU_BUILD_ROOT;
constexpr int RUNS = 21;

// Starts a program with stderr (and stdout, unless `out` takes it) on /dev/null.
pid_t spawn(const std::vector<std::string>& args, bool quiet, int out = -1) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (quiet) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(out >= 0 ? out : null, 1);
            ::dup2(null, 2);
        }
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    return pid;
}

struct Run {
    double seconds = 0;        // fork to the "ready" mark: the start of the event loop
    double whole_seconds = 0;  // fork to exit, teardown included
    long maxrss_kb = 0;
    int status = 0;
};

// The program writes "ready <CLOCK_MONOTONIC ns>" when its event loop starts; steady_clock
// is the same clock.
Run timed_run(const std::vector<std::string>& args) {
    Run r;
    int fds[2];
    if (::pipe(fds) != 0) return r;
    const auto t0 = Clock::now();
    const pid_t pid = spawn(args, true, fds[1]);
    ::close(fds[1]);
    std::string out;
    char buf[256];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        out.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    rusage usage{};
    ::wait4(pid, &r.status, 0, &usage);
    const auto t1 = Clock::now();
    r.whole_seconds = std::chrono::duration<double>(t1 - t0).count();
    r.maxrss_kb = usage.ru_maxrss;
    long long ready_ns = 0;
    if (const auto at = out.find("ready "); at != std::string::npos)
        ready_ns = std::atoll(out.c_str() + at + 6);
    const long long start_ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(t0.time_since_epoch()).count();
    r.seconds = ready_ns > start_ns ? static_cast<double>(ready_ns - start_ns) * 1e-9 : -1.0;
    return r;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const auto n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Figures {
    double seconds;
    double whole_seconds;
    double rss_kb;
    bool ok;
};

struct Subject {
    std::vector<std::string> args;
    bool at_ready;  // end the run at the start of the event loop, or quit through it
};

// Medians over RUNS runs of each subject. The subjects take turns run by run, so a slow
// spell of the machine falls on all of them alike.
std::vector<Figures> measure(const std::vector<Subject>& subjects) {
    const auto run = [](const Subject& s) {
        if (s.at_ready)
            ::setenv("BENCH_EXIT_AT_READY", "1", 1);
        else
            ::unsetenv("BENCH_EXIT_AT_READY");
        const Run r = timed_run(s.args);
        ::unsetenv("BENCH_EXIT_AT_READY");
        return r;
    };
    std::vector<std::vector<Run>> runs(subjects.size());
    for (const auto& s : subjects) run(s);  // warm the page cache
    for (int i = 0; i < RUNS; ++i)
        for (std::size_t k = 0; k < subjects.size(); ++k) runs[k].push_back(run(subjects[k]));
    std::vector<Figures> figures;
    for (const auto& rs : runs) {
        std::vector<double> t, w, m;
        bool ok = true;
        for (const Run& r : rs) {
            ok = ok && WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0 && r.seconds > 0;
            t.push_back(r.seconds);
            w.push_back(r.whole_seconds);
            m.push_back(static_cast<double>(r.maxrss_kb));
        }
        figures.push_back({median(t), median(w), median(m), ok});
    }
    return figures;
}

// utime + stime of a live process, in seconds.
double cpu_seconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    std::istringstream rest(all.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {  // fields 3.. after the name
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// CPU time on all threads in seconds, from the scheduler's ns counters.
double sched_seconds(pid_t pid) {
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    double total = 0;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            if (e->d_name[0] == '.') continue;
            std::ifstream in(dir + "/" + e->d_name + "/schedstat");
            unsigned long long ns = 0;
            if (in >> ns) total += static_cast<double>(ns) * 1e-9;
        }
        ::closedir(d);
    }
    return total;
}

struct Idle {
    double stat_per_s;   // utime+stime (clock ticks)
    double sched_per_s;  // scheduler run time (ns resolution)
    bool alive;
};

// CPU seconds per second over 5 s of idling, after 1 s to settle.
Idle idle_cpu(const std::vector<std::string>& args) {
    const pid_t pid = spawn(args, true);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double c0 = cpu_seconds(pid), s0 = sched_seconds(pid);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const double c1 = cpu_seconds(pid), s1 = sched_seconds(pid);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    int status = 0;
    const bool alive = ::waitpid(pid, &status, WNOHANG) == 0;
    ::kill(pid, SIGTERM);
    if (alive) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (::waitpid(pid, &status, WNOHANG) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
    }
    return {(c1 - c0) / wall, (s1 - s0) / wall, alive};
}

// The median over FIRST_SHOW_RUNS fresh runs of bench_first_show; -1 when one fails.
constexpr int FIRST_SHOW_RUNS = 11;
double first_show_ms(const char* shown) {
    std::vector<double> ms;
    for (int i = 0; i < FIRST_SHOW_RUNS; ++i) {
        FILE* p = ::popen((ROOT + "/bench_first_show " + shown + " 2>/dev/null").c_str(), "r");
        char name[32] = {};
        double seconds = -1;
        if (!p || std::fscanf(p, "first_show %31s %lf", name, &seconds) != 2) seconds = -1;
        if (p && ::pclose(p) != 0) seconds = -1;
        if (seconds < 0) return -1;
        ms.push_back(seconds * 1e3);
    }
    return median(ms);
}

void line(const char* name, double value, const char* unit, const char* goal, bool met) {
    std::printf("%-28s | %10.3f %-6s | %-10s | %s\n", name, value, unit, goal,
                met ? "met" : "NOT met");
}

}  // namespace

int main() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string program = ROOT + "/bench_startup_program";
    const std::string baseline = ROOT + "/bench_baseline_window";

    // The frame panel's size, and a check that the run is live.
    int w = 0, h = 0, live = 0;
    {
        ::setenv("BENCH_PRINT_SIZE", "1", 1);
        FILE* p = ::popen((program + " 2>/dev/null").c_str(), "r");
        if (!p || std::fscanf(p, "%d %d %d", &w, &h, &live) != 3) w = h = 0;
        if (p) ::pclose(p);
        ::unsetenv("BENCH_PRINT_SIZE");
    }
    if (w <= 0 || h <= 0) {
        std::fprintf(stderr, "bench_runner: could not read the frame panel's size\n");
        return 1;
    }
    if (!live) std::fprintf(stderr, "bench_runner: warning: the program did not reach live mode\n");
    const std::string ws = std::to_string(w), hs = std::to_string(h);

    // Runs that quit through the event loop at its first pass, as a user's run goes on;
    // and runs that end right at the loop, for the memory of start-up alone.
    const std::vector<Figures> f = measure({{{program}, false},
                                            {{baseline, ws, hs}, false},
                                            {{program}, true},
                                            {{baseline, ws, hs}, true},
                                            {{baseline, ws, hs, "text"}, false},
                                            {{baseline, ws, hs, "text"}, true}});
    const Figures &prog = f[0], &base = f[1], &prog_loop = f[2], &base_loop = f[3], &text = f[4],
                  &text_loop = f[5];
    if (!std::all_of(f.begin(), f.end(), [](const Figures& x) { return x.ok; }))
        std::fprintf(stderr, "bench_runner: a run did not reach its event loop or exit with 0\n");

    // Goals against the window with one caption, which loads fonts as any window with text
    // must; the bare window's ratios stay as reference lines.
    const double t_ratio = prog.seconds / text.seconds;
    const double m_ratio = prog.rss_kb / text.rss_kb;
    const double l_ratio = prog_loop.rss_kb / text_loop.rss_kb;
    std::printf(
        "# frame %dx%d, live %d; to the event loop %.1f ms vs %.1f ms with one caption, %.1f ms"
        " bare (to the exit %.1f ms); peak RSS %.0f KiB vs %.0f KiB (bare %.0f KiB), ending at"
        " the loop %.0f KiB vs %.0f KiB (bare %.0f KiB)\n",
        w, h, live, prog.seconds * 1e3, text.seconds * 1e3, base.seconds * 1e3,
        prog.whole_seconds * 1e3, prog.rss_kb, text.rss_kb, base.rss_kb, prog_loop.rss_kb,
        text_loop.rss_kb, base_loop.rss_kb);
    line("startup_time_ratio", t_ratio, "x", "<= 1.25", t_ratio <= 1.25);
    line("startup_peak_rss_ratio", m_ratio, "x", "<= 1.25", m_ratio <= 1.25);
    line("startup_rss_at_loop_ratio", l_ratio, "x", "<= 1.25", l_ratio <= 1.25);
    std::printf("%-28s | %10.3f %-6s | %-10s | %s\n", "ref_bare_startup_time",
                prog.seconds / base.seconds, "x", "(reference)", "");
    std::printf("%-28s | %10.3f %-6s | %-10s | %s\n", "ref_bare_peak_rss",
                prog.rss_kb / base.rss_kb, "x", "(reference)", "");
    std::printf("%-28s | %10.3f %-6s | %-10s | %s\n", "ref_bare_rss_at_loop",
                prog_loop.rss_kb / base_loop.rss_kb, "x", "(reference)", "");

    // First show of each secondary panel and of the graph, each the first in its run.
    for (const char* shown :
         {"trigger", "config", "math", "status", "inout", "selftest", "about", "graph"}) {
        const double ms = first_show_ms(shown);
        const std::string name = std::string("first_show_") + shown;
        line(name.c_str(), ms, "ms", "< 16 ms", ms > 0 && ms < 16);
    }

    const Idle idle_prog = idle_cpu({ROOT + "/bench_idle_program"});
    const Idle idle_base = idle_cpu({baseline, ws, hs, "idle"});
    if (!idle_prog.alive || !idle_base.alive)
        std::fprintf(stderr, "bench_runner: an idle process ended before it was measured\n");
    std::printf(
        "# idle CPU (scheduler) gu7304 %.3f ms/s, baseline %.3f ms/s;"
        " (utime+stime) %.1f ms/s vs %.1f ms/s\n",
        idle_prog.sched_per_s * 1e3, idle_base.sched_per_s * 1e3, idle_prog.stat_per_s * 1e3,
        idle_base.stat_per_s * 1e3);
    // The ratio uses the scheduler's counters: 10 ms clock ticks are too coarse here.
    const double i_ratio = idle_prog.sched_per_s / idle_base.sched_per_s;
    line("idle_cpu_ratio", i_ratio, "x", "<= 1.5",
         idle_prog.alive && idle_base.alive && i_ratio <= 1.5);

    // With Auto Update on, every idle event takes a reading: a figure, with no goal.
    const Idle updating = idle_cpu({ROOT + "/bench_idle_program", "auto"});
    if (!updating.alive) std::fprintf(stderr, "bench_runner: the auto update run ended early\n");
    std::printf("%-28s | %10.3f %-6s | %-10s | %s\n", "auto_update_cpu", updating.sched_per_s * 1e3,
                "ms/s", "(figure)", updating.alive ? "measured" : "NOT measured");
    return 0;
}
