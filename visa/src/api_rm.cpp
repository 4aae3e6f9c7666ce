// The resource manager: sessions, find lists, resource names, opening and closing.
#include <algorithm>
#include <chrono>
#include <string>

#include "bus.hpp"
#include "call_support.hpp"
#include "search.hpp"
#include "net/discover.hpp"
#include "net/link.hpp"

using namespace simvisa;

namespace {

// A LAN resource's device: its section of the bus description, or one made for a name that
// is not there; its lock table serves the sessions of this process.
Device* lan_device(const ParsedName& name) {
    for (const auto& d : bus()) {
        const auto own = parse_resource_name(d->desc().name);
        if (own && names_device(name, *own)) return d.get();
    }
    static std::mutex mutex;
    static std::vector<std::unique_ptr<Device>> extra;
    std::lock_guard lock(mutex);
    for (const auto& d : extra)
        if (names_device(name, *parse_resource_name(d->desc().name))) return d.get();
    DeviceDesc desc;
    desc.name = canonical_name(name);
    desc.intf_type = VI_INTF_TCPIP;
    desc.intf_num = name.intf_num;
    return extra.emplace_back(std::make_unique<Device>(std::move(desc))).get();
}

// A session of a LAN resource, with its own link to the device.
ViStatus open_lan(ViSession rm, const ParsedName& name, ViAccessMode mode, ViUInt32 timeout, ViSession& vi) {
    // Reaching the host is bounded by the open time-out (2 s when none is given).
    std::unique_ptr<net::Link> link;
    if (const ViStatus st = net::open_link(name, timeout ? timeout : 2000, link); st != VI_SUCCESS) return st;
    auto s = std::make_shared<Session>();
    s->kind = Session::Kind::instrument;
    s->owner = rm;
    s->device = lan_device(name);
    s->link = std::move(link);
    if (name.socket) s->termchar_enabled = false;
    const ViSession handle = add_session(s);
    s->link->on_srq = [handle] {
        EventData e;
        e.type = VI_EVENT_SERVICE_REQ;
        post_event(handle, e);
    };
    if (mode & VI_EXCLUSIVE_LOCK) {
        std::string key;
        ViStatus st = s->device->locks.lock(handle, VI_EXCLUSIVE_LOCK, timeout, nullptr, key, stop_of(*s));
        if (st >= 0) st = s->link->lock({}, timeout);
        if (st < 0) {
            s->link->close(s->timeout_ms);
            for (const auto& gone : remove_session(handle)) gone->device->locks.release(handle);
            return st;
        }
        s->device_locks = 1;
    }
    vi = handle;
    return VI_SUCCESS;
}

}  // namespace

VISA_EXPORT ViStatus viOpenDefaultRM(ViPSession vi) {
    if (vi == nullptr) return finish("viOpenDefaultRM(NULL)", VI_ERROR_USER_BUF);
    bus();  // loads the bus description once
    auto s = std::make_shared<Session>();
    s->kind = Session::Kind::resource_manager;
    *vi = add_session(std::move(s));
    return finish("viOpenDefaultRM()", VI_SUCCESS, " session=" + hex(*vi));
}

VISA_EXPORT ViStatus viFindRsrc(ViSession sesn, ViConstString expr, ViPFindList list,
                                ViPUInt32 count, ViChar desc[]) {
    const std::string call = "viFindRsrc(" + hex(sesn) + ", " + text_or_null(expr) + ")";
    if (count) *count = 0;
    auto rm = find_session(sesn);
    if (!rm || rm->kind != Session::Kind::resource_manager) return finish(call, VI_ERROR_INV_OBJECT);
    if (expr == nullptr) return finish(call, VI_ERROR_INV_EXPR);
    const auto pattern = SearchPattern::compile(expr);
    if (!pattern) return finish(call, VI_ERROR_INV_EXPR);
    auto found = std::make_shared<Session>();
    found->kind = Session::Kind::find_list;
    found->owner = sesn;
    for (const auto& d : bus())
        if (pattern->matches(d->desc().name) && pattern->accepts(*d))
            found->found.push_back(d->desc().name);
    // Instruments that answer on the local network, when the description asks for them.
    if (lan_discovery()) {
        for (const auto& name : net::discover_vxi11(std::chrono::milliseconds(500))) {
            const auto parsed = parse_resource_name(name);
            if (!parsed || std::find(found->found.begin(), found->found.end(), name) != found->found.end())
                continue;
            if (pattern->matches(name) && pattern->accepts(*lan_device(*parsed))) found->found.push_back(name);
        }
    }
    if (count) *count = static_cast<ViUInt32>(found->found.size());
    if (found->found.empty()) return finish(call, VI_ERROR_RSRC_NFOUND);
    copy_name(desc, found->found.front());
    found->next = 1;
    const std::string first = found->found.front();
    const auto n = found->found.size();
    const ViFindList handle = add_session(std::move(found));
    if (list) *list = handle;
    return finish(call, VI_SUCCESS,
                  " list=" + hex(handle) + " count=" + std::to_string(n) + " first=" + quoted(first));
}

VISA_EXPORT ViStatus viFindNext(ViFindList list, ViChar desc[]) {
    const std::string call = "viFindNext(" + hex(list) + ")";
    auto f = find_session(list);
    if (!f || f->kind != Session::Kind::find_list) return finish(call, VI_ERROR_INV_OBJECT);
    std::lock_guard lock(f->io);
    if (f->next >= f->found.size()) return finish(call, VI_ERROR_RSRC_NFOUND);
    copy_name(desc, f->found[f->next]);
    return finish(call, VI_SUCCESS, " name=" + quoted(f->found[f->next++]));
}

VISA_EXPORT ViStatus viParseRsrcEx(ViSession rm, ViConstRsrc name, ViPUInt16 type, ViPUInt16 num,
                                   ViChar rsrc_class[], ViChar expanded[], ViChar alias[]) {
    const std::string call = "viParseRsrcEx(" + hex(rm) + ", " + text_or_null(name) + ")";
    auto s = find_session(rm);
    if (!s || s->kind != Session::Kind::resource_manager) return finish(call, VI_ERROR_INV_OBJECT);
    const auto parsed = name ? parse_resource_name(name) : std::nullopt;
    if (!parsed) return finish(call, VI_ERROR_INV_RSRC_NAME);
    if (type) *type = parsed->intf_type;
    if (num) *num = parsed->intf_num;
    if (rsrc_class) copy_name(rsrc_class, parsed->socket ? "SOCKET" : "INSTR");
    if (expanded) copy_name(expanded, canonical_name(*parsed));
    if (alias) alias[0] = '\0';
    return finish(call, VI_SUCCESS);
}

VISA_EXPORT ViStatus viParseRsrc(ViSession rm, ViConstRsrc name, ViPUInt16 type, ViPUInt16 num) {
    return viParseRsrcEx(rm, name, type, num, nullptr, nullptr, nullptr);
}

VISA_EXPORT ViStatus viOpen(ViSession sesn, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout,
                            ViPSession vi) {
    const std::string call = "viOpen(" + hex(sesn) + ", " + text_or_null(name) + ", " +
                             std::to_string(mode) + ", " + std::to_string(timeout) + ")";
    auto rm = find_session(sesn);
    if (!rm || rm->kind != Session::Kind::resource_manager) return finish(call, VI_ERROR_INV_OBJECT);
    if (vi == nullptr) return finish(call, VI_ERROR_USER_BUF);
    *vi = VI_NULL;
    const auto parsed = name ? parse_resource_name(name) : std::nullopt;
    if (!parsed) return finish(call, VI_ERROR_INV_RSRC_NAME);
    if ((mode & ~static_cast<ViAccessMode>(VI_EXCLUSIVE_LOCK | VI_LOAD_CONFIG)) != 0)
        return finish(call, VI_ERROR_INV_ACC_MODE);
    if (parsed->intf_type == VI_INTF_TCPIP) {
        ViSession handle = VI_NULL;
        const ViStatus st = open_lan(sesn, *parsed, mode, timeout, handle);
        if (st < 0) return finish(call, st);
        *vi = handle;
        return finish(call, VI_SUCCESS, " session=" + hex(handle));
    }
    for (const auto& d : bus()) {
        const auto own = parse_resource_name(d->desc().name);
        if (!own || !names_device(*parsed, *own)) continue;
        // A device that does not answer cannot be found on the bus.
        if (d->desc().open_fails)
            return finish(call, VI_ERROR_RSRC_NFOUND);
        auto s = std::make_shared<Session>();
        s->kind = Session::Kind::instrument;
        s->owner = sesn;
        s->device = d.get();
        const ViSession handle = add_session(s);
        if (mode & VI_EXCLUSIVE_LOCK) {
            std::string key;
            const ViStatus st =
                d->locks.lock(handle, VI_EXCLUSIVE_LOCK, timeout, nullptr, key, stop_of(*s));
            if (st < 0) {
                remove_session(handle);
                return finish(call, st);
            }
        }
        *vi = handle;
        return finish(call, VI_SUCCESS, " session=" + hex(handle));
    }
    return finish(call, VI_ERROR_RSRC_NFOUND);
}

namespace {

// What a closed session leaves: its locks, waits on its events, calls still pending.
ViStatus let_go(Session& s) {
    {
        std::lock_guard lock(s.events.mutex);
        s.events.closed = true;
        s.events.arrived.notify_all();
    }
    if (s.kind != Session::Kind::instrument) return VI_SUCCESS;
    ViStatus st = VI_SUCCESS;
    {
        auto io = abort_pending(s);
        if (!s.fmt.wr.empty()) flush_write_buffer(s, true);
        if (s.link) s.link->close(s.timeout_ms);
    }
    s.device->locks.release(s.handle);
    return st;
}

}  // namespace

VISA_EXPORT ViStatus viClose(ViObject vi) {
    const std::string call = "viClose(" + hex(vi) + ")";
    if (vi == VI_NULL) return finish(call, VI_WARN_NULL_OBJECT);
    const auto s = find_session(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    // A device's close fault is reported, but the session is closed all the same.
    const ViStatus st = s->device ? s->device->close() : VI_SUCCESS;
    for (const auto& gone : remove_session(vi)) let_go(*gone);
    return finish(call, st);
}
