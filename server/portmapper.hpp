// The portmapper the VXI-11 core channel is found through: a registration with the
// system's rpcbind, or, where none runs, our own on port 111 (TCP and UDP).
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "net.hpp"

namespace simserver {

class Portmapper {
public:
    ~Portmapper() { stop(); }
    // Makes the core channel's TCP port known; false with why in `error`. `how` tells
    // which portmapper answers.
    bool start(const std::string& address, int core_port, std::string& how, std::string& error);
    void stop();

    // The reply to one portmapper call (empty: none is sent).
    static std::string answer(std::string_view call, const std::string& host, int core_port,
                              bool datagram);

private:
    void serve_udp();

    std::string host_;
    int core_port_ = 0;
    bool registered_ = false;
    int udp_fd_ = -1;
    int wake_[2] = {-1, -1};
    std::thread udp_thread_;
    net::Listener tcp_;
};

}  // namespace simserver
