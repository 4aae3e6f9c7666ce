#include "sim/q7304.hpp"

#include <algorithm>
#include <mutex>
#include <thread>

#include "context.hpp"
#include "interpreter.hpp"
#include "measurement.hpp"

namespace sim {

struct Q7304::State {
    explicit State(const Q7304Input& input) : ctx(input), interpreter(ctx) {}

    // Every entry point first brings the measurement up to the present time.
    void catch_up() {
        ctx.now = Clock::now();
        interpreter.resolve();
    }

    std::mutex mutex;
    Context ctx;
    Interpreter interpreter;
};

namespace {
// Longest sleep in read(), so a trigger from another thread is noticed soon.
constexpr auto poll_period = std::chrono::milliseconds(10);
}  // namespace

Q7304::Q7304(const Q7304Input& input) : state_(std::make_unique<State>(input)) {}
Q7304::~Q7304() = default;

void Q7304::write(std::string_view bytes, bool end) {
    std::lock_guard lock(state_->mutex);
    state_->catch_up();
    state_->interpreter.write(bytes, end);
}

Q7304::ReadResult Q7304::read(std::string& out, std::size_t max, std::chrono::milliseconds timeout,
                              bool& end) {
    const auto deadline = Clock::now() + timeout;
    out.clear();
    end = false;
    std::unique_lock lock(state_->mutex);
    for (;;) {
        state_->catch_up();
        Interpreter& in = state_->interpreter;
        if (in.reply_ready()) {
            end = in.take(out, max);
            return ReadResult::ok;
        }
        const auto now = state_->ctx.now;
        if (!in.reply_owed()) {
            // Nothing to answer: a real device stays silent until the controller gives up.
            state_->ctx.error(err::query_unterminated);
            lock.unlock();
            std::this_thread::sleep_until(deadline);
            return ReadResult::timeout;
        }
        if (now >= deadline) return ReadResult::timeout;
        auto wake = std::min(deadline, now + poll_period);
        if (const auto done = completion_time(state_->ctx)) wake = std::min(wake, *done);
        lock.unlock();
        std::this_thread::sleep_until(wake);
        lock.lock();
    }
}

std::uint8_t Q7304::status_byte() {
    std::lock_guard lock(state_->mutex);
    state_->catch_up();
    return state_->ctx.status_byte();
}

void Q7304::device_clear() {
    std::lock_guard lock(state_->mutex);
    state_->catch_up();
    state_->interpreter.device_clear();
}

void Q7304::trigger() {
    std::lock_guard lock(state_->mutex);
    state_->catch_up();
    bus_trigger(state_->ctx);
    state_->interpreter.resolve();
}

}  // namespace sim
