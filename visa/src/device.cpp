#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "bus.hpp"
#include "sessions.hpp"
#include "trigger_lines.hpp"
#include "events.hpp"

namespace simvisa {

namespace {

using Clock = std::chrono::steady_clock;
constexpr ViUInt32 kMaxFaultWaitMs = 2000;  // a timeout fault never stalls longer
constexpr auto kPoll = std::chrono::milliseconds(5);

// Sleeps until the deadline; false when the call is to end first.
bool wait_until(Clock::time_point deadline, Stop stop) {
    for (;;) {
        if (stop.requested()) return false;
        const auto now = Clock::now();
        if (now >= deadline) return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(deadline - now, kPoll));
    }
}

std::string upper_trimmed(std::string_view s) {
    std::string out;
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return out;
    for (char c : s.substr(b)) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

DeviceDesc default_q7304() {
    DeviceDesc d;
    d.name = "VXI0::24::INSTR";
    d.intf_type = VI_INTF_VXI;
    d.manufacturer = 3674;
    d.model = 705;
    d.logical_address = 24;
    d.slot = 3;
    d.q7304 = true;
    return d;
}

}  // namespace

Device::Device(DeviceDesc desc) : desc_(std::move(desc)), matched_(desc_.faults.size(), 0) {
    const auto request_service = [this] {
        EventData e;
        e.type = VI_EVENT_SERVICE_REQ;
        post_event(this, e);
    };
    if (desc_.q7304) {
        instrument_ = std::make_unique<sim::Q7304>(desc_.input);
        instrument_->set_service_request_handler(request_service);
        if (has_trigger_lines(desc_))
            instrument_->set_line_output_handler(
                [this](int line, sim::Q7304::TimePoint at) { pulse_line(*this, line, at); });
    }
    if (desc_.loopback) {
        loopback_ = std::make_unique<Loopback>(desc_.idn);
        loopback_->set_service_request_handler(request_service);
    }
    attach_to_lines(*this);
}

Device::~Device() {
    detach_from_lines(*this);
    if (instrument_) instrument_->set_service_request_handler({});
    if (loopback_) loopback_->set_service_request_handler({});
}

// The first fault that matches, past its skipped calls and not spent, strikes.
std::optional<FaultKind> Device::fault_for(Fault::Where where, std::string_view command) {
    std::lock_guard lock(mutex_);
    const bool transfer = where == Fault::Where::write || where == Fault::Where::read;
    const long n = transfer ? ++transfers_ : transfers_;
    for (std::size_t i = 0; i < desc_.faults.size(); ++i) {
        const Fault& f = desc_.faults[i];
        const bool matches = f.where == Fault::Where::after
                                 ? transfer && n > f.after
                                 : f.where == where &&
                                       command.substr(0, f.prefix.size()) == f.prefix;
        if (!matches) continue;
        const long m = ++matched_[i];
        if (m <= f.skip || (f.times >= 0 && m > f.skip + f.times)) continue;
        return f.kind;
    }
    return std::nullopt;
}

ViStatus Device::strike(FaultKind kind, ViUInt32 timeout_ms, Stop stop) {
    if (kind == FaultKind::fail) return VI_ERROR_IO;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::min(timeout_ms, kMaxFaultWaitMs));
    return wait_until(deadline, stop) ? VI_ERROR_TMO : VI_ERROR_ABORT;
}

ViStatus Device::write(std::string_view bytes, bool end, ViUInt32 timeout_ms, Stop stop) {
    const std::string command = upper_trimmed(bytes);
    {
        std::lock_guard lock(mutex_);
        last_command_ = command;
    }
    if (const auto fault = fault_for(Fault::Where::write, command))
        return strike(*fault, timeout_ms, stop);
    if (instrument_) {
        instrument_->write(bytes, end);
    } else if (loopback_) {
        loopback_->write(bytes, end);
    } else {
        std::lock_guard lock(mutex_);
        plain_reply_.clear();
        if (command.rfind("*IDN?", 0) == 0) plain_reply_ = desc_.idn + "\n";
    }
    return VI_SUCCESS;
}

bool session_reply_pending(ViSession vi) {
    const auto session = find_session(vi);
    return session && session->device && session->device->reply_pending();
}

bool Device::reply_pending() const {
    if (instrument_) return instrument_->reply_pending();
    if (loopback_) return loopback_->reply_pending();
    std::lock_guard lock(mutex_);
    return !plain_reply_.empty();
}

// Bytes of the reply as they come, waiting up to the deadline for the first one: one read
// of the instrument, which the stop ends at once.
ViStatus Device::take(std::string& out, std::size_t max, Clock::time_point deadline, bool& end,
                      int term, Stop stop) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        std::max<Clock::duration>(deadline - Clock::now(), Clock::duration::zero()));
    switch (instrument_->read(out, max, left, end, stop.token, term)) {
        case sim::Q7304::ReadResult::ok: return VI_SUCCESS;
        case sim::Q7304::ReadResult::aborted: return VI_ERROR_ABORT;
        case sim::Q7304::ReadResult::timeout: break;
    }
    return VI_ERROR_TMO;
}

ViStatus Device::read(std::string& out, std::size_t max, ViUInt32 timeout_ms, bool& end, int term,
                      Stop stop) {
    std::string command;
    {
        std::lock_guard lock(mutex_);
        command = last_command_;
    }
    out.clear();
    end = false;
    if (const auto fault = fault_for(Fault::Where::read, command))
        return strike(*fault, timeout_ms, stop);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    const char stop_at = static_cast<char>(term);
    if (loopback_) return loopback_->read(out, max, deadline, end, term, stop.token);
    if (!instrument_) {
        std::unique_lock lock(mutex_);
        while (plain_reply_.empty()) {
            lock.unlock();
            const auto fault_deadline = std::min(
                deadline, Clock::now() + std::chrono::milliseconds(kMaxFaultWaitMs));
            if (!wait_until(fault_deadline, stop)) return VI_ERROR_ABORT;
            return VI_ERROR_TMO;
        }
        std::size_t n = std::min(max, plain_reply_.size());
        if (term >= 0)
            if (const auto at = plain_reply_.find(stop_at); at < n) n = at + 1;
        out = plain_reply_.substr(0, n);
        plain_reply_.erase(0, n);
        end = plain_reply_.empty();
        return VI_SUCCESS;
    }
    // The reply as it comes, up to the termination character when there is one: what follows
    // it stays in the device.
    std::string piece;
    while (out.size() < max && !end) {
        std::string& into = out.empty() ? out : piece;
        const ViStatus st = take(into, max - out.size(), deadline, end, term, stop);
        if (st < 0) {
            if (out.empty()) return st;
            break;
        }
        if (into.empty()) break;
        const bool at_term = term >= 0 && into.back() == stop_at;
        if (&into == &piece) out += piece;
        if (at_term) break;
    }
    return VI_SUCCESS;
}

ViStatus Device::read_stb(ViUInt16& stb) {
    if (fault_for(Fault::Where::stb, {})) return VI_ERROR_IO;
    if (instrument_) {
        stb = instrument_->status_byte();
    } else if (loopback_) {
        stb = loopback_->serial_poll();
    } else {
        std::lock_guard lock(mutex_);
        stb = plain_reply_.empty() ? 0 : 0x10;
    }
    return VI_SUCCESS;
}

ViStatus Device::clear() {
    if (fault_for(Fault::Where::clear, {})) return VI_ERROR_IO;
    if (instrument_) instrument_->device_clear();
    if (loopback_) loopback_->device_clear();
    std::lock_guard lock(mutex_);
    plain_reply_.clear();
    return VI_SUCCESS;
}

ViStatus Device::close() {
    return fault_for(Fault::Where::close, {}) ? VI_ERROR_CLOSING_FAILED : VI_SUCCESS;
}

void Device::trigger() {
    if (instrument_) instrument_->trigger();
}

void Device::line_trigger(int line, sim::Q7304::TimePoint at) {
    if (instrument_) instrument_->line_trigger(line, at);
}

namespace {

std::optional<std::string> read_file(const char* path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path, "rb"), std::fclose);
    if (!f) return std::nullopt;
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f.get())) > 0;) text.append(buf, n);
    if (std::ferror(f.get())) return std::nullopt;
    return text;
}

}  // namespace

namespace {
bool discovery_asked = false;
}

bool lan_discovery() {
    bus();
    return discovery_asked;
}

std::vector<std::unique_ptr<Device>>& bus() {
    static std::vector<std::unique_ptr<Device>> devices = [] {
        std::vector<std::unique_ptr<Device>> out;
        const char* path = std::getenv("VISA_SIM_BUS");
        if (path == nullptr || *path == '\0') {
            out.push_back(std::make_unique<Device>(default_q7304()));
            return out;
        }
        const auto text = read_file(path);
        if (!text) {
            std::fprintf(stderr, "%s:0: cannot read the bus description\n", path);
            return out;
        }
        ParseResult parsed = parse_bus_description(*text, path);
        if (!parsed.error.empty()) {
            std::fprintf(stderr, "%s\n", parsed.error.c_str());
            return out;
        }
        for (auto& d : parsed.devices) out.push_back(std::make_unique<Device>(std::move(d)));
        discovery_asked = parsed.discover;
        return out;
    }();
    return devices;
}

}  // namespace simvisa
