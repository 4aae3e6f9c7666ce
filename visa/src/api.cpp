// The exported VISA C API over the simulated bus.
#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "bus.hpp"
#include "search.hpp"
#include "sessions.hpp"
#include "trace.hpp"
#include "trigger_lines.hpp"
#include "visa.h"

#define VISA_EXPORT extern "C" __attribute__((visibility("default")))

using namespace simvisa;

namespace {

constexpr ViUInt16 kImplManufacturer = 0x3FFF;  // our own implementation id
constexpr ViUInt32 kImplVersion = 0x00100000;

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

void copy_name(ViChar* dst, const std::string& src) {
    if (dst == nullptr) return;
    const std::size_t n = std::min<std::size_t>(src.size(), VI_FIND_BUFLEN - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

std::string text_or_null(const char* s) { return s ? quoted(s) : std::string("NULL"); }

template <class T>
void put(void* dst, T v) {
    std::memcpy(dst, &v, sizeof v);
}

ViStatus finish(const std::string& call, ViStatus status, const std::string& extra = {}) {
    trace(call, status, extra);
    return status;
}

std::shared_ptr<Session> instrument(ViSession vi) {
    auto s = find_session(vi);
    return s && s->kind == Session::Kind::instrument ? s : nullptr;
}

ViStatus read_all(Session& s, std::string& reply) {
    // A whole reply, up to END, for the formatted calls.
    reply = std::move(s.unread);
    s.unread.clear();
    if (!reply.empty() && s.unread_end) return VI_SUCCESS;
    for (;;) {
        std::string chunk;
        bool end = false;
        const ViStatus st = s.device->read(chunk, 65536, s.timeout_ms, end);
        if (st < 0) return st;
        reply += chunk;
        if (end || chunk.empty()) return VI_SUCCESS;
    }
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
    auto rm = find_session(sesn);
    if (!rm || rm->kind != Session::Kind::resource_manager) return finish(call, VI_ERROR_INV_OBJECT);
    if (expr == nullptr) return finish(call, VI_ERROR_INV_EXPR);
    const auto pattern = SearchPattern::compile(expr);
    if (!pattern) return finish(call, VI_ERROR_INV_EXPR);
    auto found = std::make_shared<Session>();
    found->kind = Session::Kind::find_list;
    found->owner = sesn;
    for (const auto& d : bus())
        if (pattern->matches(d->desc().name)) found->found.push_back(d->desc().name);
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
    if (rsrc_class) copy_name(rsrc_class, "INSTR");
    if (expanded) {
        std::string upper(name);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        copy_name(expanded, upper);
    }
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
    if (name == nullptr || !parse_resource_name(name)) return finish(call, VI_ERROR_INV_RSRC_NAME);
    if ((mode & ~static_cast<ViAccessMode>(VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK | VI_LOAD_CONFIG)) != 0)
        return finish(call, VI_ERROR_INV_ACC_MODE);
    for (const auto& d : bus()) {
        if (!same_name(d->desc().name, name)) continue;
        // A device that does not answer cannot be found on the bus.
        if (d->desc().open_fails) return finish(call, VI_ERROR_RSRC_NFOUND);
        auto s = std::make_shared<Session>();
        s->kind = Session::Kind::instrument;
        s->owner = sesn;
        s->device = d.get();
        *vi = add_session(std::move(s));
        return finish(call, VI_SUCCESS, " session=" + hex(*vi));
    }
    return finish(call, VI_ERROR_RSRC_NFOUND);
}

VISA_EXPORT ViStatus viClose(ViObject vi) {
    const std::string call = "viClose(" + hex(vi) + ")";
    const auto s = find_session(vi);
    // A device's close fault is reported, but the session is closed all the same.
    const ViStatus st = s && s->device ? s->device->close() : VI_SUCCESS;
    return finish(call, remove_session(vi) ? st : VI_ERROR_INV_OBJECT);
}

VISA_EXPORT ViStatus viSetAttribute(ViObject vi, ViAttr attr, ViAttrState value) {
    const std::string call = "viSetAttribute(" + hex(vi) + ", " + hex(attr) + ", " +
                             std::to_string(value) + ")";
    auto s = find_session(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    if (attr == VI_ATTR_TRIG_ID && s->device) return finish(call, set_trigger_id(*s, value));
    switch (attr) {
        case VI_ATTR_TMO_VALUE: s->timeout_ms = static_cast<ViUInt32>(value); break;
        case VI_ATTR_TERMCHAR:
            if (value > 0xFF) return finish(call, VI_ERROR_NSUP_ATTR_STATE);
            s->termchar = static_cast<ViUInt8>(value);
            break;
        case VI_ATTR_TERMCHAR_EN: s->termchar_enabled = value != 0; break;
        case VI_ATTR_SEND_END_EN: s->send_end = value != 0; break;
        case VI_ATTR_INTF_TYPE: case VI_ATTR_INTF_NUM: case VI_ATTR_RSRC_NAME:
        case VI_ATTR_RSRC_CLASS: case VI_ATTR_MANF_ID: case VI_ATTR_MODEL_CODE:
        case VI_ATTR_VXI_LA: case VI_ATTR_SLOT: case VI_ATTR_GPIB_PRIMARY_ADDR:
        case VI_ATTR_RSRC_SPEC_VERSION: case VI_ATTR_RSRC_MANF_ID: case VI_ATTR_RSRC_IMPL_VERSION:
            return finish(call, VI_ERROR_ATTR_READONLY);
        default: return finish(call, VI_ERROR_NSUP_ATTR);
    }
    return finish(call, VI_SUCCESS);
}

VISA_EXPORT ViStatus viGetAttribute(ViObject vi, ViAttr attr, void* value) {
    const std::string call = "viGetAttribute(" + hex(vi) + ", " + hex(attr) + ")";
    auto s = find_session(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    if (value == nullptr) return finish(call, VI_ERROR_USER_BUF);
    // Attributes of every session.
    switch (attr) {
        case VI_ATTR_RSRC_SPEC_VERSION:
            put<ViUInt32>(value, s->device ? s->device->desc().spec_version : 0x00300000);
            return finish(call, VI_SUCCESS);
        case VI_ATTR_RSRC_IMPL_VERSION: put<ViUInt32>(value, kImplVersion); return finish(call, VI_SUCCESS);
        case VI_ATTR_RSRC_MANF_ID: put<ViUInt16>(value, kImplManufacturer); return finish(call, VI_SUCCESS);
        case VI_ATTR_TMO_VALUE: put<ViUInt32>(value, s->timeout_ms); return finish(call, VI_SUCCESS);
        default: break;
    }
    if (!s->device) return finish(call, VI_ERROR_NSUP_ATTR);
    const DeviceDesc& d = s->device->desc();
    if (std::find(d.failing_attributes.begin(), d.failing_attributes.end(), attr) !=
        d.failing_attributes.end())
        return finish(call, VI_ERROR_NSUP_ATTR);
    if (attr == VI_ATTR_TRIG_ID) {
        get_trigger_id(*s, value);
        return finish(call, VI_SUCCESS);
    }
    const bool vxi = d.intf_type != VI_INTF_GPIB;
    switch (attr) {
        case VI_ATTR_INTF_TYPE: put<ViUInt16>(value, d.intf_type); break;
        case VI_ATTR_INTF_NUM: put<ViUInt16>(value, d.intf_num); break;
        case VI_ATTR_RSRC_NAME: copy_name(static_cast<ViChar*>(value), d.name); break;
        case VI_ATTR_RSRC_CLASS: copy_name(static_cast<ViChar*>(value), "INSTR"); break;
        case VI_ATTR_TERMCHAR: put<ViUInt8>(value, s->termchar); break;
        case VI_ATTR_TERMCHAR_EN: put<ViBoolean>(value, s->termchar_enabled); break;
        case VI_ATTR_SEND_END_EN: put<ViBoolean>(value, s->send_end); break;
        case VI_ATTR_GPIB_PRIMARY_ADDR:
            if (d.intf_type == VI_INTF_VXI) return finish(call, VI_ERROR_NSUP_ATTR);
            put<ViUInt16>(value, d.primary_address);
            break;
        case VI_ATTR_MANF_ID:
            if (!vxi) return finish(call, VI_ERROR_NSUP_ATTR);
            put<ViUInt16>(value, d.manufacturer);
            break;
        case VI_ATTR_MODEL_CODE:
            if (!vxi) return finish(call, VI_ERROR_NSUP_ATTR);
            put<ViUInt16>(value, d.model);
            break;
        case VI_ATTR_VXI_LA:
            if (!vxi) return finish(call, VI_ERROR_NSUP_ATTR);
            put<ViInt16>(value, d.logical_address);
            break;
        case VI_ATTR_SLOT:
            if (!vxi) return finish(call, VI_ERROR_NSUP_ATTR);
            put<ViInt16>(value, d.slot);
            break;
        default: return finish(call, VI_ERROR_NSUP_ATTR);
    }
    return finish(call, VI_SUCCESS);
}

VISA_EXPORT ViStatus viStatusDesc(ViObject, ViStatus status, ViChar desc[]) {
    if (desc == nullptr) return VI_ERROR_USER_BUF;
    std::snprintf(desc, 256, "%s", status_text(status));
    return VI_SUCCESS;
}

VISA_EXPORT ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 ret) {
    const std::string bytes = buf ? std::string(reinterpret_cast<const char*>(buf), cnt) : "";
    const std::string call = "viWrite(" + hex(vi) + ", " + quoted(bytes) + ", " + std::to_string(cnt) + ")";
    if (ret) *ret = 0;
    auto s = instrument(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    if (buf == nullptr && cnt > 0) return finish(call, VI_ERROR_USER_BUF);
    std::lock_guard lock(s->io);
    const ViStatus st = s->device->write(bytes, s->send_end, s->timeout_ms);
    if (st == VI_SUCCESS && ret) *ret = cnt;
    return finish(call, st, " count=" + std::to_string(st == VI_SUCCESS ? cnt : 0));
}

VISA_EXPORT ViStatus viRead(ViSession vi, ViBuf buf, ViUInt32 cnt, ViPUInt32 ret) {
    const std::string call = "viRead(" + hex(vi) + ", " + std::to_string(cnt) + ")";
    if (ret) *ret = 0;
    auto s = instrument(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    if (buf == nullptr) return finish(call, VI_ERROR_USER_BUF);
    std::lock_guard lock(s->io);
    std::string got;
    bool end = false;
    ViStatus st = VI_SUCCESS;
    if (!s->unread.empty()) {
        got = s->unread.substr(0, cnt);
        s->unread.erase(0, got.size());
        end = s->unread.empty() && s->unread_end;
    } else {
        st = s->device->read(got, cnt, s->timeout_ms, end);
        if (st < 0) return finish(call, st);
    }
    if (s->termchar_enabled) {
        const auto at = got.find(static_cast<char>(s->termchar));
        if (at != std::string::npos && at + 1 < got.size()) {
            // The rest waits for the next read.
            if (s->unread.empty()) s->unread_end = end;
            s->unread.insert(0, got.substr(at + 1));
            got.resize(at + 1);
            end = false;
        }
    }
    std::memcpy(buf, got.data(), got.size());
    if (ret) *ret = static_cast<ViUInt32>(got.size());
    if (end) st = VI_SUCCESS;
    else if (s->termchar_enabled && !got.empty() && got.back() == static_cast<char>(s->termchar))
        st = VI_SUCCESS_TERM_CHAR;
    else st = VI_SUCCESS_MAX_CNT;
    return finish(call, st, " count=" + std::to_string(got.size()) + " data=" + quoted(got));
}

VISA_EXPORT ViStatus viReadSTB(ViSession vi, ViPUInt16 status) {
    const std::string call = "viReadSTB(" + hex(vi) + ")";
    auto s = instrument(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    if (status == nullptr) return finish(call, VI_ERROR_USER_BUF);
    ViUInt16 stb = 0;
    const ViStatus st = s->device->read_stb(stb);
    if (st == VI_SUCCESS) *status = stb;
    return finish(call, st, " stb=" + std::to_string(stb));
}

VISA_EXPORT ViStatus viClear(ViSession vi) {
    auto s = instrument(vi);
    if (!s) return finish("viClear(" + hex(vi) + ")", VI_ERROR_INV_OBJECT);
    {
        std::lock_guard lock(s->io);
        s->unread.clear();
    }
    return finish("viClear(" + hex(vi) + ")", s->device->clear());
}

VISA_EXPORT ViStatus viAssertTrigger(ViSession vi, ViUInt16 protocol) {
    const std::string call = "viAssertTrigger(" + hex(vi) + ", " + std::to_string(protocol) + ")";
    auto s = instrument(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    if (s->trig_id != VI_TRIG_SW) return finish(call, assert_line(*s, protocol));
    if (protocol != VI_TRIG_PROT_DEFAULT && protocol != VI_TRIG_PROT_SYNC &&
        protocol != VI_TRIG_PROT_ON)
        return finish(call, VI_ERROR_INV_PROT);
    s->device->trigger();
    return finish(call, VI_SUCCESS);
}

VISA_EXPORT ViStatus viFlush(ViSession vi, ViUInt16 mask) {
    const std::string call = "viFlush(" + hex(vi) + ", " + std::to_string(mask) + ")";
    if (!instrument(vi)) return finish(call, VI_ERROR_INV_OBJECT);
    if (mask == 0) return finish(call, VI_ERROR_INV_MASK);
    return finish(call, VI_SUCCESS);
}

VISA_EXPORT ViStatus viVPrintf(ViSession vi, ViConstString fmt, va_list params) {
    if (fmt == nullptr) return VI_ERROR_INV_FMT;
    va_list copy;
    va_copy(copy, params);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n < 0) return VI_ERROR_INV_FMT;
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), fmt, params);
    out.resize(static_cast<std::size_t>(n));
    ViUInt32 sent = 0;
    return viWrite(vi, reinterpret_cast<ViConstBuf>(out.data()), static_cast<ViUInt32>(out.size()), &sent);
}

VISA_EXPORT ViStatus viPrintf(ViSession vi, ViConstString fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const ViStatus st = viVPrintf(vi, fmt, ap);
    va_end(ap);
    return st;
}

VISA_EXPORT ViStatus viVScanf(ViSession vi, ViConstString fmt, va_list params) {
    const std::string call = "viScanf(" + hex(vi) + ", " + text_or_null(fmt) + ")";
    auto s = instrument(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    if (fmt == nullptr) return finish(call, VI_ERROR_INV_FMT);
    std::string reply;
    {
        std::lock_guard lock(s->io);
        if (const ViStatus st = read_all(*s, reply); st < 0) return finish(call, st);
    }
    const int fields = std::vsscanf(reply.c_str(), fmt, params);
    return finish(call, fields < 0 && !reply.empty() ? VI_ERROR_INV_FMT : VI_SUCCESS,
                  " data=" + quoted(reply));
}

VISA_EXPORT ViStatus viScanf(ViSession vi, ViConstString fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const ViStatus st = viVScanf(vi, fmt, ap);
    va_end(ap);
    return st;
}

VISA_EXPORT ViStatus viVQueryf(ViSession vi, ViConstString write_fmt, ViConstString read_fmt,
                               va_list params) {
    // The write format takes no arguments here: queries are fixed texts; the arguments
    // all belong to the read format.
    if (const ViStatus st = viPrintf(vi, "%s", write_fmt ? write_fmt : ""); st < 0) return st;
    return viVScanf(vi, read_fmt, params);
}

VISA_EXPORT ViStatus viQueryf(ViSession vi, ViConstString write_fmt, ViConstString read_fmt, ...) {
    va_list ap;
    va_start(ap, read_fmt);
    const ViStatus st = viVQueryf(vi, write_fmt, read_fmt, ap);
    va_end(ap);
    return st;
}
