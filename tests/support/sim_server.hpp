// visa-sim-server run by a test in its private network namespace: started with a bus
// description, ready once it prints its "listening" line, killed when the test is done.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace gutest {

class SimServer {
public:
    SimServer(std::string program, std::string bus, std::string listen = {})
        : program_(std::move(program)), bus_(std::move(bus)), listen_(std::move(listen)) {
        start();
    }
    ~SimServer() { stop(); }
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    void start() {
        const std::string path = "/tmp/sim_server_bus_" + std::to_string(::getpid()) + ".txt";
        std::ofstream(path) << bus_;
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            if (listen_.empty())
                ::execl(program_.c_str(), program_.c_str(), "--bus", path.c_str(), static_cast<char*>(nullptr));
            else
                ::execl(program_.c_str(), program_.c_str(), "--bus", path.c_str(), "--listen", listen_.c_str(),
                        static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
        ::close(out[0]);
        ASSERT_EQ(line.rfind("listening", 0), 0u) << line;
        ASSERT_NE(line.find("portmapper"), std::string::npos) << line;
    }

    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    std::string program_, bus_, listen_;
    pid_t pid_ = -1;
};

}  // namespace gutest
