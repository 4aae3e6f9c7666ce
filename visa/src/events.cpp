#include "events.hpp"

#include <thread>

#include "sessions.hpp"

namespace simvisa {

namespace {

// Runs handlers on a thread of its own, one occurrence after another, in the order posted.
class Dispatcher {
public:
    void post(ViSession vi, const EventData& e) {
        std::lock_guard lock(mutex_);
        if (!thread_started_) {
            std::thread([this] { run(); }).detach();  // lives as long as the process
            thread_started_ = true;
        }
        pending_.push_back({vi, e});
        wake_.notify_one();
    }

private:
    struct Item {
        ViSession vi;
        EventData event;
    };

    void run() {
        for (;;) {
            Item item;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return !pending_.empty(); });
                item = std::move(pending_.front());
                pending_.pop_front();
            }
            call_handlers(item.vi, item.event);
        }
    }

    // The handlers of the event type, the last installed first, until one asks to stop.
    static void call_handlers(ViSession vi, const EventData& e) {
        const auto s = find_session(vi);
        if (!s) return;
        std::vector<EventState::Handler> handlers;
        {
            std::lock_guard lock(s->events.mutex);
            const auto it = s->events.enabled.find(e.type);
            if (s->events.closed || it == s->events.enabled.end() || !(it->second & VI_HNDLR))
                return;
            for (auto h = s->events.handlers.rbegin(); h != s->events.handlers.rend(); ++h)
                if (h->type == e.type) handlers.push_back(*h);
        }
        auto context = std::make_shared<Session>();
        context->kind = Session::Kind::event;
        context->owner = vi;
        context->event = e;
        const ViEvent handle = add_session(std::move(context));
        for (const auto& h : handlers)
            if (h.fn(vi, e.type, handle, h.user) == VI_SUCCESS_NCHAIN) break;
        remove_session(handle);
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Item> pending_;
    bool thread_started_ = false;
};

Dispatcher& dispatcher() {
    static auto* d = new Dispatcher;  // never destroyed: its thread may still run at exit
    return *d;
}

void deliver(Session& s, const EventData& e) {
    EventState& ev = s.events;
    std::lock_guard lock(ev.mutex);
    const auto it = ev.enabled.find(e.type);
    if (ev.closed || it == ev.enabled.end()) return;
    const ViUInt16 mech = it->second;
    const auto push = [&](std::deque<EventData>& q) {
        if (q.size() >= ev.max_queue) ev.overflowed = true;
        else q.push_back(e);
    };
    if (mech & VI_QUEUE) {
        push(ev.queue);
        ev.arrived.notify_all();
    }
    if (mech & VI_HNDLR) dispatcher().post(s.handle, e);
    else if (mech & VI_SUSPEND_HNDLR) push(ev.suspended);
}

}  // namespace

bool event_supported(ViUInt16 intf_type, ViEventType type) {
    switch (type) {
        case VI_EVENT_SERVICE_REQ:
        case VI_EVENT_IO_COMPLETION: return true;
        case VI_EVENT_TRIG:
        case VI_EVENT_VXI_SIGP: return intf_type == VI_INTF_VXI || intf_type == VI_INTF_GPIB_VXI;
        default: return false;
    }
}

void post_event(const Device* device, const EventData& event) {
    for (const auto& s : sessions_of(device)) deliver(*s, event);
}

void post_event(ViSession vi, const EventData& event) {
    if (const auto s = find_session(vi)) deliver(*s, event);
}

// Handlers of occurrences that were suspended, once the handler mechanism is enabled.
void release_suspended(Session& s, ViEventType type) {
    std::deque<EventData> out;
    {
        std::lock_guard lock(s.events.mutex);
        auto& q = s.events.suspended;
        for (auto it = q.begin(); it != q.end();) {
            if (it->type == type) {
                out.push_back(*it);
                it = q.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& e : out) dispatcher().post(s.handle, e);
}

}  // namespace simvisa
