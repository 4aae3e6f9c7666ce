#include "sim/q7304.hpp"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "context.hpp"
#include "interpreter.hpp"
#include "measurement.hpp"

namespace sim {

// The instrument's state behind one lock, and its own clock: a thread that sleeps until the
// next moment something is due (a block completes, a reading pulses a TTL line), so that
// service requests and line pulses happen on time between calls, without polling.
struct Q7304::State {
    explicit State(const Q7304Input& input) : ctx(input), interpreter(ctx) {
        note_detector_path(ctx);  // the detector settles from power-on
        clock = std::thread([this] { run_clock(); });
    }
    ~State() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        clock.join();
    }

    // Every entry point first brings the measurement up to the present time.
    void catch_up() {
        ctx.now = Clock::now();
        interpreter.resolve();
    }

    // Under the lock: a rise of the master summary since the last look is a service
    // request. It sets RQS, which stays until a serial poll reads it or the summary falls.
    void update_request() {
        const bool mss = (ctx.status_byte() & 0x40) != 0;
        if (mss && !mss_seen) rqs = request_untold = true;
        if (!mss) rqs = false;
        mss_seen = mss;
    }

    // What is to be told outside the lock.
    struct Notices {
        std::function<void()> service_request;
        std::vector<LinePulse> pulses;
        std::function<void(int, TimePoint)> line_output;
    };
    Notices take_notices(bool with_pulses) {
        Notices n;
        update_request();
        if (std::exchange(request_untold, false)) n.service_request = on_service_request;
        if (with_pulses && !ctx.pulses.empty()) {
            n.pulses.swap(ctx.pulses);
            n.line_output = on_line_output;
        }
        return n;
    }
    static void deliver(const Notices& n) {
        if (n.service_request) n.service_request();
        if (n.line_output)
            for (const LinePulse& p : n.pulses) n.line_output(p.line, p.at);
    }

    // Runs an entry point's body under the lock, then the service-request handler outside it.
    template <class Body>
    auto serve(Body&& body, bool notify_here = true) {
        std::unique_lock lock(mutex);
        catch_up();
        auto after = [&] {
            Notices n;
            if (notify_here) n = take_notices(false);
            const bool wake = must_wake();
            lock.unlock();
            if (wake) changed.notify_all();
            deliver(n);
        };
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            after();
        } else {
            auto result = body();
            after();
            return result;
        }
    }

    // The next moment the clock must look: the next reading while TTL outputs pulse, else
    // the end of the block.
    std::optional<Clock::time_point> next_due() const {
        if (!ctx.measurement.armed) return std::nullopt;
        const auto& outputs = ctx.settings.ttl_outputs;
        const bool pulsing =
            ctx.drive_lines && std::find(outputs.begin(), outputs.end(), true) != outputs.end();
        return pulsing ? next_reading_time(ctx) : completion_time(ctx);
    }

    // Under the lock, after a change: whether the clock's plan or a waiting read is out of
    // date. Waking the clock for nothing would cost a thread switch on every call.
    bool must_wake() const {
        return readers > 0 || request_untold || !ctx.pulses.empty() || next_due() != planned;
    }

    void run_clock() {
        std::unique_lock lock(mutex);
        while (!stopping) {
            catch_up();
            const Notices n = take_notices(true);
            if (n.service_request || !n.pulses.empty()) {
                lock.unlock();
                changed.notify_all();
                deliver(n);
                lock.lock();
                continue;
            }
            planned = next_due();
            if (const auto due = planned) {
                changed.wait_until(lock, *due);
            } else {
                changed.wait(lock);
            }
        }
    }

    std::mutex mutex;
    std::condition_variable changed;  // the state changed: the clock plans again, readers look
    Context ctx;
    Interpreter interpreter;
    bool mss_seen = false;
    bool rqs = false;
    bool request_untold = false;  // a service request the handler has not been told of
    std::function<void()> on_service_request;
    std::function<void(int, TimePoint)> on_line_output;
    bool stopping = false;
    std::optional<Clock::time_point> planned;  // what the clock sleeps until, if anything
    int readers = 0;                           // reads waiting for a reply
    std::thread clock;  // last: started once everything above exists
};

Q7304::Q7304(const Q7304Input& input) : state_(std::make_unique<State>(input)) {}
Q7304::~Q7304() = default;

void Q7304::write(std::string_view bytes, bool end) {
    state_->serve([&] { state_->interpreter.write(bytes, end); });
}

Q7304::ReadResult Q7304::read(std::string& out, std::size_t max, std::chrono::milliseconds timeout,
                              bool& end, std::stop_token stop, int term) {
    State& st = *state_;
    const auto deadline = Clock::now() + timeout;
    out.clear();
    end = false;
    // Declared before the lock so that it is gone only once the lock is released: a stop
    // request wakes the wait below under the lock, so that it cannot be missed.
    std::stop_callback wake_on_stop(stop, [&st] {
        std::lock_guard lock(st.mutex);
        st.changed.notify_all();
    });
    std::unique_lock lock(st.mutex);
    bool unanswerable_told = false;
    for (;;) {
        st.catch_up();
        Interpreter& in = st.interpreter;
        if (in.reply_ready()) {
            end = in.take(out, max, term);
            const auto at_term = [&] {
                return term >= 0 && !out.empty() && out.back() == static_cast<char>(term);
            };
            // A response longer than the output queue: the parser goes on as it empties.
            while (!end && out.size() < max && !at_term()) {
                in.resolve();
                if (!in.reply_ready()) break;
                std::string more;
                end = in.take(more, max - out.size(), term);
                out += more;
            }
            // A read that empties the output queue lets the summary fall, so that the next
            // reply is a new service request.
            const State::Notices n = st.take_notices(false);
            const bool wake = st.must_wake();
            lock.unlock();
            if (wake) st.changed.notify_all();
            State::deliver(n);
            return ReadResult::ok;
        }
        if (stop.stop_requested()) return ReadResult::aborted;
        const auto now = st.ctx.now;
        // Nothing to answer: a real device notes it and stays silent until the controller
        // gives up.
        if (!in.reply_owed() && !std::exchange(unanswerable_told, true)) {
            st.ctx.error(err::query_unterminated);
            st.changed.notify_all();  // the clock tells of a service request it raises
        }
        if (now >= deadline) return ReadResult::timeout;
        auto wake = deadline;
        if (in.reply_owed())
            if (const auto done = completion_time(st.ctx)) wake = std::min(wake, *done);
        ++st.readers;
        st.changed.wait_until(lock, wake);
        --st.readers;
    }
}

bool Q7304::reply_pending() {
    return state_->serve([&] {
        const Interpreter& in = state_->interpreter;
        return in.reply_ready() || in.reply_owed();
    });
}

std::uint8_t Q7304::status_byte() {
    return state_->serve([&] {
        State& st = *state_;
        st.update_request();  // a rise just now is reported by this poll
        const std::uint8_t stb = static_cast<std::uint8_t>((st.ctx.status_byte() & ~0x40) |
                                                           (st.rqs ? 0x40 : 0));
        st.rqs = false;
        return stb;
    });
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

void Q7304::line_trigger(int line, TimePoint at) {
    // Called while the bus drives a line: the clock tells of what follows.
    state_->serve(
        [&] {
            sim::line_trigger(state_->ctx, line, std::min(at, state_->ctx.now));
            state_->interpreter.resolve();
        },
        false);
}

void Q7304::set_service_request_handler(std::function<void()> handler) {
    std::lock_guard lock(state_->mutex);
    state_->update_request();  // a summary already set is not a new request
    state_->request_untold = false;
    state_->on_service_request = std::move(handler);
}

void Q7304::set_line_output_handler(std::function<void(int, TimePoint)> handler) {
    {
        std::lock_guard lock(state_->mutex);
        state_->ctx.drive_lines = static_cast<bool>(handler);
        state_->ctx.pulses.clear();
        state_->on_line_output = std::move(handler);
    }
    state_->changed.notify_all();
}

}  // namespace sim
