// Events: enabling, queues, waiting, handlers.
#include <chrono>
#include <string>
#include <utility>
#include <algorithm>

#include "call_support.hpp"
#include "net/link.hpp"

using namespace simvisa;

namespace {

constexpr ViUInt16 kMechanisms = VI_QUEUE | VI_HNDLR | VI_SUSPEND_HNDLR;

// The session an event call is for, and whether the event type is one it can have.
ViStatus event_session(ViSession vi, ViEventType type, bool all_allowed, std::shared_ptr<Session>& s) {
    s = instrument(vi);
    if (!s) return VI_ERROR_INV_OBJECT;
    if (type == VI_ALL_ENABLED_EVENTS) return all_allowed ? VI_SUCCESS : VI_ERROR_INV_EVENT;
    return event_supported(s->device->desc().intf_type, type) ? VI_SUCCESS : VI_ERROR_INV_EVENT;
}

std::string event_call(const char* name, ViSession vi, ViEventType type, ViUInt32 more) {
    return std::string(name) + "(" + hex(vi) + ", " + hex(type) + ", " + std::to_string(more) + ")";
}

}  // namespace

VISA_EXPORT ViStatus viEnableEvent(ViSession vi, ViEventType type, ViUInt16 mechanism,
                                   ViEventFilter context) {
    const std::string call = event_call("viEnableEvent", vi, type, mechanism);
    std::shared_ptr<Session> s;
    if (const ViStatus st = event_session(vi, type, false, s); st < 0) return finish(call, st);
    if (mechanism == 0 || (mechanism & ~kMechanisms) != 0 ||
        ((mechanism & VI_HNDLR) && (mechanism & VI_SUSPEND_HNDLR)))
        return finish(call, VI_ERROR_INV_MECH);
    if (context != VI_NULL) return finish(call, VI_ERROR_INV_CONTEXT);
    bool release = false;
    ViStatus st = VI_SUCCESS;
    {
        EventState& ev = s->events;
        std::lock_guard lock(ev.mutex);
        if ((mechanism & VI_HNDLR) || (mechanism & VI_SUSPEND_HNDLR)) {
            bool installed = false;
            for (const auto& h : ev.handlers) installed = installed || h.type == type;
            if (!installed) return finish(call, VI_ERROR_HNDLR_NINSTALLED);
        }
        ViUInt16& on = ev.enabled[type];
        if ((on & mechanism) != 0) st = VI_SUCCESS_EVENT_EN;
        release = (mechanism & VI_HNDLR) && (on & VI_SUSPEND_HNDLR);
        if (mechanism & VI_HNDLR) on &= static_cast<ViUInt16>(~VI_SUSPEND_HNDLR);
        if (mechanism & VI_SUSPEND_HNDLR) on &= static_cast<ViUInt16>(~VI_HNDLR);
        on |= mechanism;
    }
    if (release) release_suspended(*s, type);
    if (s->link && type == VI_EVENT_SERVICE_REQ) {
        // The device's service requests come over a channel of their own, opened once.
        std::lock_guard io(s->io);
        if (const ViStatus srq = s->link->enable_srq(s->timeout_ms); srq < 0) return finish(call, srq);
    }
    return finish(call, st);
}

VISA_EXPORT ViStatus viDisableEvent(ViSession vi, ViEventType type, ViUInt16 mechanism) {
    const std::string call = event_call("viDisableEvent", vi, type, mechanism);
    std::shared_ptr<Session> s;
    if (const ViStatus st = event_session(vi, type, true, s); st < 0) return finish(call, st);
    if (mechanism == 0 || (mechanism != VI_ALL_MECH && (mechanism & ~kMechanisms) != 0))
        return finish(call, VI_ERROR_INV_MECH);
    EventState& ev = s->events;
    std::lock_guard lock(ev.mutex);
    bool any = false;
    for (auto it = ev.enabled.begin(); it != ev.enabled.end();) {
        if (type == VI_ALL_ENABLED_EVENTS || it->first == type) {
            any = any || (it->second & mechanism) != 0;
            it->second &= static_cast<ViUInt16>(~mechanism);
        }
        it = it->second == 0 ? ev.enabled.erase(it) : std::next(it);
    }
    ev.arrived.notify_all();
    return finish(call, any ? VI_SUCCESS : VI_SUCCESS_EVENT_DIS);
}

VISA_EXPORT ViStatus viDiscardEvents(ViSession vi, ViEventType type, ViUInt16 mechanism) {
    const std::string call = event_call("viDiscardEvents", vi, type, mechanism);
    std::shared_ptr<Session> s;
    if (const ViStatus st = event_session(vi, type, true, s); st < 0) return finish(call, st);
    if (mechanism == 0 || (mechanism != VI_ALL_MECH && (mechanism & ~kMechanisms) != 0))
        return finish(call, VI_ERROR_INV_MECH);
    EventState& ev = s->events;
    std::lock_guard lock(ev.mutex);
    std::size_t dropped = 0;
    const auto drop = [&](std::deque<EventData>& q) {
        dropped += static_cast<std::size_t>(std::erase_if(q, [&](const EventData& e) {
            return type == VI_ALL_ENABLED_EVENTS || e.type == type;
        }));
    };
    if (mechanism & VI_QUEUE) drop(ev.queue);
    if (mechanism & (VI_SUSPEND_HNDLR | VI_HNDLR)) drop(ev.suspended);
    return finish(call, dropped > 0 ? VI_SUCCESS : VI_SUCCESS_QUEUE_EMPTY,
                  " dropped=" + std::to_string(dropped));
}

VISA_EXPORT ViStatus viWaitOnEvent(ViSession vi, ViEventType type, ViUInt32 timeout,
                                   ViPEventType out_type, ViPEvent out_context) {
    const std::string call = event_call("viWaitOnEvent", vi, type, timeout);
    if (out_type) *out_type = 0;
    if (out_context) *out_context = VI_NULL;
    std::shared_ptr<Session> s;
    if (const ViStatus st = event_session(vi, type, true, s); st < 0) return finish(call, st);
    EventState& ev = s->events;
    const Stop stop = stop_of(*s);
    const auto wanted = [&](const EventData& e) {
        const auto it = ev.enabled.find(e.type);
        return (type == VI_ALL_ENABLED_EVENTS || e.type == type) && it != ev.enabled.end() &&
               (it->second & VI_QUEUE);
    };
    std::unique_lock lock(ev.mutex);
    if (type == VI_ALL_ENABLED_EVENTS) {
        bool queued = false;
        for (const auto& [t, m] : ev.enabled) queued = queued || (m & VI_QUEUE);
        if (!queued) return finish(call, VI_ERROR_NENABLED);
    } else if (const auto it = ev.enabled.find(type); it == ev.enabled.end() || !(it->second & VI_QUEUE)) {
        return finish(call, VI_ERROR_NENABLED);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    for (;;) {
        const auto it = std::find_if(ev.queue.begin(), ev.queue.end(), wanted);
        if (it != ev.queue.end()) {
            const EventData e = *it;
            ev.queue.erase(it);
            const bool more = std::any_of(ev.queue.begin(), ev.queue.end(),
                                          [&](const EventData& x) { return x.type == e.type; });
            const bool overflowed = std::exchange(ev.overflowed, false);
            lock.unlock();
            if (out_type) *out_type = e.type;
            if (out_context) {
                auto context = std::make_shared<Session>();
                context->kind = Session::Kind::event;
                context->owner = vi;
                context->event = e;
                *out_context = add_session(std::move(context));
            }
            const ViStatus st = overflowed ? VI_WARN_QUEUE_OVERFLOW : more ? VI_SUCCESS_QUEUE_NEMPTY : VI_SUCCESS;
            return finish(call, st, " event=" + hex(e.type));
        }
        if (ev.closed || stop.requested()) return finish(call, VI_ERROR_ABORT);
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return finish(call, VI_ERROR_TMO);
        ev.arrived.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(20)));
    }
}

VISA_EXPORT ViStatus viInstallHandler(ViSession vi, ViEventType type, ViHndlr handler, ViAddr user) {
    const std::string call = event_call("viInstallHandler", vi, type, 0);
    std::shared_ptr<Session> s;
    if (const ViStatus st = event_session(vi, type, false, s); st < 0) return finish(call, st);
    if (handler == nullptr) return finish(call, VI_ERROR_INV_HNDLR_REF);
    std::lock_guard lock(s->events.mutex);
    s->events.handlers.push_back({type, handler, user});
    return finish(call, VI_SUCCESS);
}

VISA_EXPORT ViStatus viUninstallHandler(ViSession vi, ViEventType type, ViHndlr handler, ViAddr user) {
    const std::string call = event_call("viUninstallHandler", vi, type, 0);
    std::shared_ptr<Session> s;
    if (const ViStatus st = event_session(vi, type, false, s); st < 0) return finish(call, st);
    std::lock_guard lock(s->events.mutex);
    auto& hs = s->events.handlers;
    const auto removed = std::erase_if(hs, [&](const EventState::Handler& h) {
        return h.type == type && (handler == VI_ANY_HNDLR || (h.fn == handler && h.user == user));
    });
    return finish(call, removed > 0 ? VI_SUCCESS : VI_ERROR_INV_HNDLR_REF);
}
