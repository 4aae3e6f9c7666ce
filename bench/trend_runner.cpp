// CPU of Auto Update with the trend shown (bench_trend_program: the Readings window drawing the
// trend once a second) against Auto Update alone (bench_idle_program auto), the programs taking
// turns, median of the runs: a full trend; the first minute of a new trend; and a trend in its
// first seconds, whose time axis moves to a new range at nearly every frame (a figure).
// Runs with QT_QPA_PLATFORM=offscreen.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

const std::string ROOT = GU_BUILD_ROOT;
constexpr int RUNS = 5;

pid_t spawn(const std::vector<std::string>& args) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    return pid;
}

// CPU time on all threads, from the scheduler's ns counters.
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

// CPU seconds per second over `seconds`, after 2 s to start and settle; negative if it ended.
double cpu_per_second(const std::vector<std::string>& args, int seconds = 5) {
    const pid_t pid = spawn(args);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double s0 = sched_seconds(pid);
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double s1 = sched_seconds(pid);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    int status = 0;
    const bool alive = ::waitpid(pid, &status, WNOHANG) == 0;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return alive ? (s1 - s0) / wall : -1.0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    constexpr int MINUTE_RUNS = 3;
    std::vector<double> alone, full, young, alone_minute, minute, logged;
    for (int i = 0; i < RUNS; ++i) {
        alone.push_back(cpu_per_second({ROOT + "/bench_idle_program", "auto"}));
        logged.push_back(cpu_per_second({ROOT + "/bench_trend_program", "log"}));
        full.push_back(cpu_per_second({ROOT + "/bench_trend_program"}));
        young.push_back(cpu_per_second({ROOT + "/bench_trend_program", "young"}));
    }
    for (int i = 0; i < MINUTE_RUNS; ++i) {
        alone_minute.push_back(cpu_per_second({ROOT + "/bench_idle_program", "auto"}, 60));
        minute.push_back(cpu_per_second({ROOT + "/bench_trend_program", "young"}, 60));
    }
    for (const auto* runs : {&alone, &full, &young, &alone_minute, &minute, &logged})
        if (*std::min_element(runs->begin(), runs->end()) < 0) {
            std::fprintf(stderr, "bench_trend_runner: a program ended before it was measured\n");
            return 1;
        }
    const double a = median(alone), f = median(full), y = median(young);
    const double am = median(alone_minute), m = median(minute);
    std::printf("# auto update alone %.3f ms/s, with a full trend shown %.3f ms/s, with a trend in "
                "its first seconds %.3f ms/s; over the first minute %.3f ms/s alone, %.3f ms/s "
                "with a new trend shown\n", a * 1e3, f * 1e3, y * 1e3, am * 1e3, m * 1e3);
    for (auto [name, ratio] : {std::pair{"auto_update_trend_cpu_ratio", f / a},
                               std::pair{"auto_update_trend_first_minute", m / am}})
        std::printf("%-28s | %10.3f %-6s | %-10s | %s\n", name, ratio, "x", "<= 1.5",
                    ratio <= 1.5 ? "met" : "NOT met");
    std::printf("%-28s | %10.3f %-6s | %-10s | %s\n", "auto_update_trend_first_seconds", y / a,
                "x", "(figure)", "");
    const double l = median(logged);
    std::printf("# auto update with every reading logged to a file %.3f ms/s\n", l * 1e3);
    std::printf("%-28s | %10.3f %-6s | %-10s | %s\n", "auto_update_log_cpu_ratio", l / a, "x",
                "<= 1.05", l / a <= 1.05 ? "met" : "NOT met");
    return 0;
}
