#include "loopback.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>

namespace simvisa {

namespace {

constexpr std::size_t kMaxMessage = 16u << 20;  // beyond it input is dropped
constexpr std::size_t kMaxReplies = 16;         // queued and coming; later ones are dropped

// Bits of the standard event status register and of the status byte.
constexpr std::uint8_t kOperationComplete = 0x01, kQueryError = 0x04, kDeviceError = 0x08,
                       kExecutionError = 0x10, kCommandError = 0x20;
constexpr std::uint8_t kMav = 0x10, kEsb = 0x20, kRqs = 0x40;

std::string_view trimmed(std::string_view s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// A register value 0..255 in any decimal form; nullopt when it is not a number.
std::optional<long> register_value(std::string_view arg, bool& in_range) {
    const std::string text(arg);
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
    const long n = std::lround(v);
    in_range = n >= 0 && n <= 255;
    return n;
}

}  // namespace

Loopback::Loopback(std::string idn) : idn_(std::move(idn)), clock_([this] { run_clock(); }) {}

Loopback::~Loopback() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    clock_.join();
}

void Loopback::write(std::string_view bytes, bool end) {
    std::function<void()> tell;
    {
        std::lock_guard lock(mutex_);
        while (!bytes.empty()) {
            const auto lf = bytes.find('\n');
            const auto piece =
                bytes.substr(0, lf == std::string_view::npos ? bytes.size() : lf + 1);
            bytes.remove_prefix(piece.size());
            const std::size_t room = kMaxMessage - std::min(kMaxMessage, input_.size());
            if (piece.size() > room) esr_ |= kDeviceError;
            input_.append(piece.substr(0, room));
            if (lf != std::string_view::npos) take_message(std::exchange(input_, {}));
        }
        if (end && !input_.empty()) take_message(std::exchange(input_, {}));
        if (update_request()) tell = on_service_request_;
    }
    changed_.notify_all();
    if (tell) tell();
}

void Loopback::take_message(std::string message) {
    if (!std::exchange(receive_next_, false)) {
        execute(message);
        return;
    }
    if (std::exchange(receive_slow_, false)) {
        if (slow_.size() + output_.size() < kMaxReplies)
            slow_.push_back({Clock::now() + kSlowDelay, message});
        else
            esr_ |= kDeviceError;
    }
    stored_ = std::move(message);
}

// Program message units separated by ';'; the responses of the queries in one reply.
void Loopback::execute(std::string_view message) {
    std::string response;
    while (!message.empty()) {
        const auto semi = message.find(';');
        const std::string_view unit = trimmed(message.substr(0, semi));
        message.remove_prefix(semi == std::string_view::npos ? message.size() : semi + 1);
        if (unit.empty()) continue;
        const auto space = unit.find_first_of(" \t");
        const std::string header = upper(unit.substr(0, space));
        const std::string_view argument =
            space == std::string_view::npos ? std::string_view{} : trimmed(unit.substr(space));
        if (header == "RECEIVE" || header == "RCVSLOWSRQ") {
            receive_next_ = true;
            receive_slow_ = header == "RCVSLOWSRQ";
        } else if (header == "SEND" || header == "SENDSLOWSRQ") {
            if (stored_.empty() || slow_.size() + output_.size() >= kMaxReplies)
                esr_ |= kExecutionError;
            else if (header == "SEND")
                output_.push_back(stored_);
            else
                slow_.push_back({Clock::now() + kSlowDelay, stored_});
        } else {
            bool known = false;
            const std::string text = common_command(header, argument, known);
            if (!known) esr_ |= kCommandError;
            if (!text.empty()) response += (response.empty() ? "" : ";") + text;
        }
    }
    if (!response.empty()) queue_reply(response + "\n");
}

std::string Loopback::common_command(std::string_view header, std::string_view argument,
                                     bool& known) {
    known = true;
    // The register settings need their value, and nothing else takes one.
    if ((header == "*ESE" || header == "*SRE") == argument.empty()) {
        known = false;
        return {};
    }
    if (header == "*IDN?") return idn_;
    if (header == "*OPC?") return "1";
    if (header == "*STB?") return std::to_string(status_byte());
    if (header == "*ESE?") return std::to_string(ese_);
    if (header == "*SRE?") return std::to_string(sre_);
    if (header == "*ESR?") return std::to_string(std::exchange(esr_, 0));
    if (header == "*OPC") {
        esr_ |= kOperationComplete;
    } else if (header == "*CLS") {
        esr_ = 0;
        slow_request_ = false;
    } else if (header == "*RST") {
        stored_.clear();
        receive_next_ = receive_slow_ = false;
        slow_.clear();
    } else if (header == "*ESE" || header == "*SRE") {
        bool in_range = false;
        const auto value = register_value(argument, in_range);
        if (!value) {
            known = false;
        } else if (!in_range) {
            esr_ |= kExecutionError;
        } else {
            (header == "*ESE" ? ese_ : sre_) =
                static_cast<std::uint8_t>(header == "*SRE" ? *value & ~kRqs : *value);
        }
    } else {
        known = false;
    }
    return {};
}

void Loopback::queue_reply(std::string reply) {
    if (output_.size() + slow_.size() >= kMaxReplies) {
        esr_ |= kDeviceError;
        return;
    }
    output_.push_back(std::move(reply));
}

std::uint8_t Loopback::status_byte() const {
    std::uint8_t stb = output_.empty() ? 0 : kMav;
    if ((esr_ & ese_) != 0) stb |= kEsb;
    if ((stb & sre_) != 0 || slow_request_) stb |= kRqs;  // the master summary
    return stb;
}

// A rise of the master summary is a request for service; it is withdrawn when the summary
// falls before a poll.
bool Loopback::update_request() {
    const bool mss = (status_byte() & kRqs) != 0;
    const bool rose = mss && !mss_seen_;
    if (rose) rqs_ = true;
    if (!mss) rqs_ = false;
    mss_seen_ = mss;
    return rose;
}

ViStatus Loopback::read(std::string& out, std::size_t max, Clock::time_point deadline, bool& end,
                        int term, std::stop_token stop) {
    out.clear();
    end = false;
    // Before the lock: a stop requested already runs the callback here, at once.
    std::stop_callback wake(stop, [this] {
        std::lock_guard lock(mutex_);
        changed_.notify_all();
    });
    std::unique_lock lock(mutex_);
    bool unanswerable_told = false;
    while (output_.empty()) {
        if (stop.stop_requested()) return VI_ERROR_ABORT;
        // Nothing is owed: a query error, and silence until the controller gives up.
        if (slow_.empty() && !std::exchange(unanswerable_told, true)) esr_ |= kQueryError;
        if (Clock::now() >= deadline) return VI_ERROR_TMO;
        changed_.wait_until(lock, deadline);
    }
    std::string& reply = output_.front();
    std::size_t n = std::min(max, reply.size());
    if (term >= 0)
        if (const auto at = reply.find(static_cast<char>(term)); at < n) n = at + 1;
    out = reply.substr(0, n);
    reply.erase(0, n);
    if (reply.empty()) {
        output_.pop_front();
        end = true;
    }
    update_request();
    return VI_SUCCESS;
}

bool Loopback::reply_pending() {
    std::lock_guard lock(mutex_);
    return !output_.empty() || !slow_.empty();
}

std::uint8_t Loopback::serial_poll() {
    std::lock_guard lock(mutex_);
    update_request();  // a rise just now is reported by this poll
    const std::uint8_t stb = static_cast<std::uint8_t>((status_byte() & ~kRqs) | (rqs_ ? kRqs : 0));
    rqs_ = false;
    slow_request_ = false;
    update_request();
    return stb;
}

void Loopback::device_clear() {
    std::lock_guard lock(mutex_);
    input_.clear();
    output_.clear();
    slow_.clear();
    receive_next_ = receive_slow_ = false;
    slow_request_ = false;
    update_request();
    changed_.notify_all();
}

void Loopback::set_service_request_handler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    on_service_request_ = std::move(handler);
}

// Makes each slow reply ready when it falls due and requests service for it.
void Loopback::run_clock() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (slow_.empty()) {
            changed_.wait(lock);
            continue;
        }
        if (Clock::now() < slow_.front().due) {
            changed_.wait_until(lock, slow_.front().due);
            continue;
        }
        output_.push_back(std::move(slow_.front().message));
        slow_.erase(slow_.begin());
        slow_request_ = true;
        const std::function<void()> tell = update_request() ? on_service_request_ : nullptr;
        changed_.notify_all();
        if (!tell) continue;
        lock.unlock();
        tell();
        lock.lock();
    }
}

}  // namespace simvisa
