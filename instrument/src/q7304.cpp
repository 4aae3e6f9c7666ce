#include "sim/q7304.hpp"

#include <algorithm>
#include <mutex>
#include <thread>
#include <type_traits>

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

    // Under the lock: whether the request-service bit rose since the last look.
    bool service_request_rose() {
        const bool rqs = (ctx.status_byte() & 0x40) != 0;
        const bool rose = rqs && !rqs_seen;
        rqs_seen = rqs;
        return rose && static_cast<bool>(on_service_request);
    }

    // Runs an entry point's body under the lock, then the service-request handler outside it.
    template <class Body>
    auto serve(Body&& body) {
        std::unique_lock lock(mutex);
        catch_up();
        auto notify = [&] {
            auto handler = service_request_rose() ? on_service_request : nullptr;
            lock.unlock();
            if (handler) handler();
        };
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            notify();
        } else {
            auto result = body();
            notify();
            return result;
        }
    }

    std::mutex mutex;
    Context ctx;
    Interpreter interpreter;
    bool rqs_seen = false;
    std::function<void()> on_service_request;
};



namespace {
// Longest sleep in read(), so a trigger from another thread is noticed soon.
constexpr auto poll_period = std::chrono::milliseconds(10);
}  // namespace

Q7304::Q7304(const Q7304Input& input) : state_(std::make_unique<State>(input)) {}
Q7304::~Q7304() = default;

void Q7304::write(std::string_view bytes, bool end) {
    state_->serve([&] { state_->interpreter.write(bytes, end); });
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
    return state_->serve([&] { return state_->ctx.status_byte(); });
}

void Q7304::device_clear() {
    state_->serve([&] { state_->interpreter.device_clear(); });
}

void Q7304::trigger() {
    state_->serve([&] {
        bus_trigger(state_->ctx);
        state_->interpreter.resolve();
    });
}

void Q7304::set_service_request_handler(std::function<void()> handler) {
    std::lock_guard lock(state_->mutex);
    state_->on_service_request = std::move(handler);
    state_->rqs_seen = (state_->ctx.status_byte() & 0x40) != 0;
}

}  // namespace sim
