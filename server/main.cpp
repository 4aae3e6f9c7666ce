// visa-sim-server: the simulated bus served on the LAN (VXI-11, HiSLIP, raw SCPI sockets).
#include <malloc.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "bus.hpp"
#include "net.hpp"
#include "services.hpp"

namespace {

using namespace simserver;

bool is_loopback(const std::string& address) {
    return address.starts_with("127.") || address == "::1";
}

int fail(const std::string& message) {
    std::cerr << "visa-sim-server: " << message << "\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Memory a reply freed stays with the process for the next reply: handing it back to the
    // system after each block and faulting it in again costs more than the transfer itself.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
    std::string error;
    const auto options = parse_options(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "visa-sim-server: " << error << "\n" << kUsage;
        return 2;
    }
    if (options->help) {
        std::cout << kUsage;
        return 0;
    }
    if (options->version) {
        std::cout << "visa-sim-server " << GU_VERSION << "\n";
        return 0;
    }
    sockaddr_storage where{};
    socklen_t length = 0;
    if (!net::make_address(options->listen_address, 0, where, length, error)) return fail(error);

    // The bus description is checked here, so that a bad one is an error and not an empty bus.
    if (!options->bus_file.empty()) {
        std::ifstream in(options->bus_file, std::ios::binary);
        if (!in) return fail("cannot read " + options->bus_file + ": " + std::strerror(errno));
        std::stringstream text;
        text << in.rdbuf();
        const auto parsed = simvisa::parse_bus_description(text.str(), options->bus_file);
        if (!parsed.error.empty()) return fail(parsed.error);
        setenv("VISA_SIM_BUS", options->bus_file.c_str(), 1);
    } else {
        unsetenv("VISA_SIM_BUS");
    }

    // SIGINT and SIGTERM are taken by sigwait below, never by a service thread.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    ServerContext context;
    context.listen_address = options->listen_address;
    context.hislip_port = options->hislip_port;
    if (viOpenDefaultRM(&context.resource_manager) < 0)
        return fail("the simulated bus cannot be opened");
    std::vector<simvisa::DeviceDesc> descs;
    for (const auto& d : simvisa::bus()) descs.push_back(d->desc());
    auto devices = served_devices(descs, error);
    if (!devices) return fail(error);
    context.devices = std::move(*devices);

    if (!is_loopback(context.listen_address))
        std::cerr << "visa-sim-server: listening on " << context.listen_address
                  << ": anyone who can reach this address can control the instruments\n";

    std::vector<std::unique_ptr<Service>> running;
    std::string line = "listening";
    for (const ServedDevice& d : context.devices) {
        line += " " + d.names.front() + "=" + d.resource;
        for (std::size_t i = 1; i < d.names.size(); ++i) line += "," + d.names[i];
    }
    const auto start = [&](std::unique_ptr<Service> service, const char* off_text) {
        std::string description, why;
        if (service->start(description, why)) {
            if (description.empty()) return;  // nothing of it to serve (no socket ports)
            line += "; " + description;
            running.push_back(std::move(service));
        } else {
            std::cerr << "visa-sim-server: " << off_text << " is off: " << why << "\n";
        }
    };
    if (options->vxi11) start(make_vxi11_service(context), "VXI-11");
    start(make_hislip_service(context), "HiSLIP");
    start(make_socket_service(context), "the raw SCPI socket service");
    if (running.empty()) {
        std::cerr << "visa-sim-server: no service could be started\n";
        viClose(context.resource_manager);
        return 1;
    }
    std::cout << line << std::endl;

    int signal_number = 0;
    sigwait(&ending, &signal_number);
    for (auto it = running.rbegin(); it != running.rend(); ++it) (*it)->stop();
    running.clear();
    viClose(context.resource_manager);
    return 0;
}
