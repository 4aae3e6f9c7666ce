// Attributes of sessions, resources and events; status descriptions.
#include <algorithm>
#include <cstdio>
#include <string>

#include "attributes.hpp"
#include "call_support.hpp"
#include "trigger_lines.hpp"
#include "net/link.hpp"
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

using namespace simvisa;

namespace {

constexpr ViUInt32 kRmSpecVersion = 0x00300000;

bool is_boolean(ViAttrState v) { return v == VI_TRUE || v == VI_FALSE; }

// Attributes every session and object answers; false when the attribute is not one of them.
bool common_attribute(const Session& s, ViAttr attr, void* value) {
    switch (attr) {
        case VI_ATTR_RSRC_SPEC_VERSION:
            put<ViUInt32>(value, s.device ? s.device->desc().spec_version : kRmSpecVersion);
            return true;
        case VI_ATTR_RSRC_IMPL_VERSION:
        case VI_ATTR_RSRC_MANF_ID:
        case VI_ATTR_RSRC_MANF_NAME: {
            const auto v = implementation_attribute(attr);
            if (v->kind == AttrValue::Kind::text) copy_name(static_cast<ViChar*>(value), v->text);
            else if (v->size == 4) put<ViUInt32>(value, static_cast<ViUInt32>(v->number));
            else put<ViUInt16>(value, static_cast<ViUInt16>(v->number));
            return true;
        }
        case VI_ATTR_TMO_VALUE:
            if (s.kind == Session::Kind::event || s.kind == Session::Kind::find_list) return false;
            put<ViUInt32>(value, s.timeout_ms);
            return true;
        case VI_ATTR_USER_DATA_32: put<ViUInt32>(value, static_cast<ViUInt32>(s.user_data)); return true;
        case VI_ATTR_USER_DATA_64: put<ViUInt64>(value, s.user_data); return true;
        case VI_ATTR_MAX_QUEUE_LENGTH:
            if (s.kind != Session::Kind::instrument && s.kind != Session::Kind::resource_manager)
                return false;
            put<ViUInt32>(value, s.events.max_queue);
            return true;
        default: return false;
    }
}

ViStatus event_attribute(const EventData& e, ViAttr attr, void* value) {
    const bool io = e.type == VI_EVENT_IO_COMPLETION;
    switch (attr) {
        case VI_ATTR_EVENT_TYPE: put<ViEventType>(value, e.type); return VI_SUCCESS;
        case VI_ATTR_STATUS: if (!io) break; put<ViStatus>(value, e.status); return VI_SUCCESS;
        case VI_ATTR_JOB_ID: if (!io) break; put<ViJobId>(value, e.job); return VI_SUCCESS;
        case VI_ATTR_RET_COUNT_32: if (!io) break; put<ViUInt32>(value, static_cast<ViUInt32>(e.ret_count)); return VI_SUCCESS;
        case VI_ATTR_RET_COUNT_64: if (!io) break; put<ViUInt64>(value, e.ret_count); return VI_SUCCESS;
        case VI_ATTR_BUFFER: if (!io) break; put<ViBuf>(value, e.buffer); return VI_SUCCESS;
        case VI_ATTR_OPER_NAME: if (!io) break; copy_name(static_cast<ViChar*>(value), e.oper_name); return VI_SUCCESS;
        case VI_ATTR_RECV_TRIG_ID:
            if (e.type != VI_EVENT_TRIG) break;
            put<ViInt16>(value, e.trig_id);
            return VI_SUCCESS;
        case VI_ATTR_SIGP_STATUS_ID:
            if (e.type != VI_EVENT_VXI_SIGP) break;
            put<ViUInt16>(value, e.sigp_status_id);
            return VI_SUCCESS;
        default: break;
    }
    return VI_ERROR_NSUP_ATTR;
}

// Attributes of an instrument session itself (not of its resource).
ViStatus session_attribute(const Session& s, ViAttr attr, void* value) {
    const DeviceDesc& d = s.device->desc();
    const bool vxi = d.intf_type != VI_INTF_GPIB;
    switch (attr) {
        case VI_ATTR_TERMCHAR: put<ViUInt8>(value, s.termchar); break;
        case VI_ATTR_TERMCHAR_EN: put<ViBoolean>(value, s.termchar_enabled); break;
        case VI_ATTR_SEND_END_EN: put<ViBoolean>(value, s.send_end); break;
        case VI_ATTR_SUPPRESS_END_EN: put<ViBoolean>(value, s.suppress_end); break;
        case VI_ATTR_IO_PROT: put<ViUInt16>(value, s.io_prot); break;
        case VI_ATTR_FILE_APPEND_EN: put<ViBoolean>(value, s.file_append); break;
        case VI_ATTR_DMA_ALLOW_EN: put<ViBoolean>(value, VI_FALSE); break;
        case VI_ATTR_RD_BUF_OPER_MODE: put<ViUInt16>(value, s.fmt.rd_mode); break;
        case VI_ATTR_WR_BUF_OPER_MODE: put<ViUInt16>(value, s.fmt.wr_mode); break;
        case VI_ATTR_RD_BUF_SIZE: put<ViUInt32>(value, s.fmt.rd_size); break;
        case VI_ATTR_WR_BUF_SIZE: put<ViUInt32>(value, s.fmt.wr_size); break;
        case VI_ATTR_GPIB_UNADDR_EN:
        case VI_ATTR_GPIB_READDR_EN:
            if (d.intf_type != VI_INTF_GPIB) return VI_ERROR_NSUP_ATTR;
            put<ViBoolean>(value, attr == VI_ATTR_GPIB_READDR_EN ? VI_TRUE : VI_FALSE);
            break;
        case VI_ATTR_SRC_INCREMENT:
        case VI_ATTR_DEST_INCREMENT:
            if (!vxi) return VI_ERROR_NSUP_ATTR;
            put<ViInt32>(value, attr == VI_ATTR_SRC_INCREMENT ? s.src_increment : s.dest_increment);
            break;
        case VI_ATTR_WIN_ACCESS:
            if (!vxi) return VI_ERROR_NSUP_ATTR;
            put<ViUInt16>(value, s.mapped ? VI_USE_OPERS : VI_NMAPPED);
            break;
        case VI_ATTR_WIN_BASE_ADDR_32: case VI_ATTR_WIN_BASE_ADDR_64:
        case VI_ATTR_WIN_SIZE_32: case VI_ATTR_WIN_SIZE_64: {
            if (!vxi) return VI_ERROR_NSUP_ATTR;
            if (!s.mapped) return VI_ERROR_WINDOW_NMAPPED;
            const bool base = attr == VI_ATTR_WIN_BASE_ADDR_32 || attr == VI_ATTR_WIN_BASE_ADDR_64;
            const ViUInt64 v = base ? s.map_offset : s.map_size;
            if (attr == VI_ATTR_WIN_BASE_ADDR_32 || attr == VI_ATTR_WIN_SIZE_32)
                put<ViUInt32>(value, static_cast<ViUInt32>(v));
            else
                put<ViUInt64>(value, v);
            break;
        }
        case VI_ATTR_SRC_BYTE_ORDER: case VI_ATTR_DEST_BYTE_ORDER: case VI_ATTR_WIN_BYTE_ORDER:
            if (!vxi) return VI_ERROR_NSUP_ATTR;
            put<ViUInt16>(value, VI_BIG_ENDIAN);
            break;
        case VI_ATTR_SRC_ACCESS_PRIV: case VI_ATTR_DEST_ACCESS_PRIV: case VI_ATTR_WIN_ACCESS_PRIV:
            if (!vxi) return VI_ERROR_NSUP_ATTR;
            put<ViUInt16>(value, VI_DATA_PRIV);
            break;
        default: return VI_ERROR_NSUP_ATTR;
    }
    return VI_SUCCESS;
}

// The TCPIP attributes of a session of a LAN resource.
ViStatus tcpip_attribute(const Session& s, ViAttr attr, void* value) {
    const net::Link& l = *s.link;
    const auto name = parse_resource_name(s.device->desc().name);
    switch (attr) {
        case VI_ATTR_TCPIP_ADDR: copy_name(static_cast<ViChar*>(value), l.address); break;
        case VI_ATTR_TCPIP_HOSTNAME: copy_name(static_cast<ViChar*>(value), name ? name->host : ""); break;
        case VI_ATTR_TCPIP_NODELAY:
        case VI_ATTR_TCPIP_KEEPALIVE:
            put<ViBoolean>(value, l.main && (attr == VI_ATTR_TCPIP_NODELAY ? l.main->option(IPPROTO_TCP, TCP_NODELAY)
                                                                            : l.main->option(SOL_SOCKET, SO_KEEPALIVE)));
            break;
        case VI_ATTR_TCPIP_PORT:
            if (!name || !name->socket) return VI_ERROR_NSUP_ATTR;
            put<ViUInt16>(value, name->port);
            break;
        case VI_ATTR_TCPIP_DEVICE_NAME:
            if (!name || name->socket) return VI_ERROR_NSUP_ATTR;
            copy_name(static_cast<ViChar*>(value), name->device);
            break;
        case VI_ATTR_TCPIP_IS_HISLIP:
            if (!name || name->socket) return VI_ERROR_NSUP_ATTR;
            put<ViBoolean>(value, l.hislip);
            break;
        case VI_ATTR_TCPIP_HISLIP_VERSION:
            if (!l.hislip) return VI_ERROR_NSUP_ATTR;
            put<ViUInt32>(value, ViUInt32{l.hislip_version} << 16);
            break;
        case VI_ATTR_TCPIP_HISLIP_OVERLAP_EN:
            if (!l.hislip) return VI_ERROR_NSUP_ATTR;
            put<ViBoolean>(value, l.overlap);
            break;
        case VI_ATTR_TCPIP_HISLIP_MAX_MESSAGE_KB:
            if (!l.hislip) return VI_ERROR_NSUP_ATTR;
            put<ViUInt32>(value, l.max_message_kb);
            break;
        default: return VI_ERROR_NSUP_ATTR;
    }
    return VI_SUCCESS;
}

}  // namespace

VISA_EXPORT ViStatus viGetAttribute(ViObject vi, ViAttr attr, void* value) {
    const std::string call = "viGetAttribute(" + hex(vi) + ", " + hex(attr) + ")";
    auto s = find_session(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    if (value == nullptr) return finish(call, VI_ERROR_USER_BUF);
    if (s->kind == Session::Kind::event) return finish(call, event_attribute(s->event, attr, value));
    if (common_attribute(*s, attr, value)) return finish(call, VI_SUCCESS);
    if (!s->device) return finish(call, VI_ERROR_NSUP_ATTR);
    const DeviceDesc& d = s->device->desc();
    if (std::find(d.failing_attributes.begin(), d.failing_attributes.end(), attr) !=
        d.failing_attributes.end())
        return finish(call, VI_ERROR_NSUP_ATTR);
    if (attr == VI_ATTR_TRIG_ID && s->kind == Session::Kind::instrument) {
        get_trigger_id(*s, value);
        return finish(call, VI_SUCCESS);
    }
    if (s->link && tcpip_attribute(*s, attr, value) == VI_SUCCESS) return finish(call, VI_SUCCESS);
    if (session_attribute(*s, attr, value) == VI_SUCCESS) return finish(call, VI_SUCCESS);
    if (attr == VI_ATTR_WIN_BASE_ADDR_32 || attr == VI_ATTR_WIN_BASE_ADDR_64 ||
        attr == VI_ATTR_WIN_SIZE_32 || attr == VI_ATTR_WIN_SIZE_64)
        return finish(call, session_attribute(*s, attr, value));
    const auto v = resource_attribute(*s->device, attr);
    if (!v) return finish(call, VI_ERROR_NSUP_ATTR);
    if (v->kind == AttrValue::Kind::text) {
        copy_name(static_cast<ViChar*>(value), v->text);
    } else {
        switch (v->size) {
            case 1: put<ViUInt8>(value, static_cast<ViUInt8>(v->number)); break;
            case 2: put<ViUInt16>(value, static_cast<ViUInt16>(v->number)); break;
            case 4: put<ViUInt32>(value, static_cast<ViUInt32>(v->number)); break;
            default: put<ViUInt64>(value, static_cast<ViUInt64>(v->number)); break;
        }
    }
    return finish(call, VI_SUCCESS);
}

VISA_EXPORT ViStatus viSetAttribute(ViObject vi, ViAttr attr, ViAttrState value) {
    const std::string call = "viSetAttribute(" + hex(vi) + ", " + hex(attr) + ", " +
                             std::to_string(value) + ")";
    auto s = find_session(vi);
    if (!s) return finish(call, VI_ERROR_INV_OBJECT);
    const bool instr = s->kind == Session::Kind::instrument;
    const bool vxi = instr && s->device->desc().intf_type != VI_INTF_GPIB;
    const auto state = [&](bool ok) { return finish(call, ok ? VI_SUCCESS : VI_ERROR_NSUP_ATTR_STATE); };
    switch (attr) {
        case VI_ATTR_USER_DATA_32: s->user_data = static_cast<ViUInt32>(value); return state(true);
        case VI_ATTR_USER_DATA_64: s->user_data = value; return state(true);
        default: break;
    }
    if (s->kind == Session::Kind::resource_manager || instr) {
        switch (attr) {
            case VI_ATTR_TMO_VALUE: s->timeout_ms = static_cast<ViUInt32>(value); return state(true);
            case VI_ATTR_MAX_QUEUE_LENGTH: {
                std::lock_guard lock(s->events.mutex);
                if (!s->events.enabled.empty()) return finish(call, VI_ERROR_ATTR_READONLY);
                if (value == 0 || value > 0xFFFFFFFFull) return state(false);
                s->events.max_queue = static_cast<ViUInt32>(value);
                return state(true);
            }
            default: break;
        }
    }
    if (!instr) {
        if (s->kind == Session::Kind::event) return finish(call, VI_ERROR_ATTR_READONLY);
        return finish(call, common_attribute(*s, attr, &value) ? VI_ERROR_ATTR_READONLY : VI_ERROR_NSUP_ATTR);
    }
    if (attr == VI_ATTR_TRIG_ID) return finish(call, set_trigger_id(*s, value));
    if (s->link) {
        const bool sock = parse_resource_name(s->device->desc().name).value_or(ParsedName{}).socket;
        switch (attr) {
            case VI_ATTR_TCPIP_NODELAY:
            case VI_ATTR_TCPIP_KEEPALIVE:
                if (!is_boolean(value)) return state(false);
                if (s->link->main) {
                    if (attr == VI_ATTR_TCPIP_NODELAY) s->link->main->set_option(IPPROTO_TCP, TCP_NODELAY, value);
                    else s->link->main->set_option(SOL_SOCKET, SO_KEEPALIVE, value);
                }
                return state(true);
            case VI_ATTR_IO_PROT:
                if (value != VI_PROT_NORMAL && !(sock && value == VI_PROT_4882_STRS)) return state(false);
                s->io_prot = static_cast<ViUInt16>(value);
                return state(true);
            case VI_ATTR_TCPIP_HISLIP_OVERLAP_EN:
            case VI_ATTR_TCPIP_HISLIP_MAX_MESSAGE_KB:
                return finish(call, s->link->hislip ? VI_ERROR_ATTR_READONLY : VI_ERROR_NSUP_ATTR);
            default: {
                ViUInt64 scratch[VI_FIND_BUFLEN / sizeof(ViUInt64)] = {};
                if (tcpip_attribute(*s, attr, scratch) == VI_SUCCESS) return finish(call, VI_ERROR_ATTR_READONLY);
                break;
            }
        }
    }
    switch (attr) {
        case VI_ATTR_TERMCHAR:
            if (value > 0xFF) return state(false);
            s->termchar = static_cast<ViUInt8>(value);
            return state(true);
        case VI_ATTR_TERMCHAR_EN: if (!is_boolean(value)) return state(false); s->termchar_enabled = value; return state(true);
        case VI_ATTR_SEND_END_EN: if (!is_boolean(value)) return state(false); s->send_end = value; return state(true);
        case VI_ATTR_SUPPRESS_END_EN: if (!is_boolean(value)) return state(false); s->suppress_end = value; return state(true);
        case VI_ATTR_FILE_APPEND_EN: if (!is_boolean(value)) return state(false); s->file_append = value; return state(true);
        case VI_ATTR_DMA_ALLOW_EN: return state(is_boolean(value));
        case VI_ATTR_IO_PROT: return state(value == VI_PROT_NORMAL);
        case VI_ATTR_RD_BUF_OPER_MODE:
            if (value != VI_FLUSH_ON_ACCESS && value != VI_FLUSH_DISABLE) return state(false);
            s->fmt.rd_mode = static_cast<ViUInt16>(value);
            return state(true);
        case VI_ATTR_WR_BUF_OPER_MODE:
            if (value != VI_FLUSH_ON_ACCESS && value != VI_FLUSH_WHEN_FULL) return state(false);
            s->fmt.wr_mode = static_cast<ViUInt16>(value);
            return state(true);
        case VI_ATTR_GPIB_UNADDR_EN:
        case VI_ATTR_GPIB_READDR_EN:
            if (s->device->desc().intf_type != VI_INTF_GPIB) return finish(call, VI_ERROR_NSUP_ATTR);
            return state(value == (attr == VI_ATTR_GPIB_READDR_EN ? VI_TRUE : VI_FALSE));
        case VI_ATTR_SRC_INCREMENT:
        case VI_ATTR_DEST_INCREMENT:
            if (!vxi) return finish(call, VI_ERROR_NSUP_ATTR);
            if (value > 1) return state(false);
            (attr == VI_ATTR_SRC_INCREMENT ? s->src_increment : s->dest_increment) =
                static_cast<ViUInt16>(value);
            return state(true);
        case VI_ATTR_SRC_BYTE_ORDER: case VI_ATTR_DEST_BYTE_ORDER: case VI_ATTR_WIN_BYTE_ORDER:
            if (!vxi) return finish(call, VI_ERROR_NSUP_ATTR);
            return state(value == VI_BIG_ENDIAN);
        case VI_ATTR_SRC_ACCESS_PRIV: case VI_ATTR_DEST_ACCESS_PRIV: case VI_ATTR_WIN_ACCESS_PRIV:
            if (!vxi) return finish(call, VI_ERROR_NSUP_ATTR);
            return state(value <= VI_D64_NPRIV);
        default: break;
    }
    // What the session or its resource answers but does not let a client change.
    ViUInt64 scratch[VI_FIND_BUFLEN / sizeof(ViUInt64)] = {};
    if (common_attribute(*s, attr, scratch) || session_attribute(*s, attr, scratch) != VI_ERROR_NSUP_ATTR ||
        resource_attribute(*s->device, attr))
        return finish(call, VI_ERROR_ATTR_READONLY);
    return finish(call, VI_ERROR_NSUP_ATTR);
}

VISA_EXPORT ViStatus viStatusDesc(ViObject, ViStatus status, ViChar desc[]) {
    if (desc == nullptr) return VI_ERROR_USER_BUF;
    if (!status_known(status)) {
        std::snprintf(desc, VI_FIND_BUFLEN, "Unknown status code 0x%08X", static_cast<ViUInt32>(status));
        return VI_WARN_UNKNOWN_STATUS;
    }
    std::snprintf(desc, VI_FIND_BUFLEN, "%s", status_text(status));
    return VI_SUCCESS;
}
