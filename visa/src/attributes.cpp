#include "attributes.hpp"

#include <cctype>
#include <map>
#include <mutex>

namespace simvisa {

namespace {

constexpr ViUInt16 kImplManufacturer = 0x3FFF;  // our own implementation id
constexpr ViUInt32 kImplVersion = 0x00100000;
constexpr const char* kImplManufacturerName = "Simulated bus VISA";
constexpr const char* kQ7304Maker = "VANTREL-OSSMARK";
constexpr const char* kQ7304Model = "Q7304A";

struct NamedAttr {
    std::string_view name;
    ViAttr id;
};

constexpr NamedAttr kNames[] = {
    {"VI_ATTR_RSRC_CLASS", VI_ATTR_RSRC_CLASS},
    {"VI_ATTR_RSRC_NAME", VI_ATTR_RSRC_NAME},
    {"VI_ATTR_RSRC_IMPL_VERSION", VI_ATTR_RSRC_IMPL_VERSION},
    {"VI_ATTR_RSRC_LOCK_STATE", VI_ATTR_RSRC_LOCK_STATE},
    {"VI_ATTR_RSRC_SPEC_VERSION", VI_ATTR_RSRC_SPEC_VERSION},
    {"VI_ATTR_RSRC_MANF_NAME", VI_ATTR_RSRC_MANF_NAME},
    {"VI_ATTR_RSRC_MANF_ID", VI_ATTR_RSRC_MANF_ID},
    {"VI_ATTR_INTF_TYPE", VI_ATTR_INTF_TYPE},
    {"VI_ATTR_INTF_NUM", VI_ATTR_INTF_NUM},
    {"VI_ATTR_INTF_INST_NAME", VI_ATTR_INTF_INST_NAME},
    {"VI_ATTR_4882_COMPLIANT", VI_ATTR_4882_COMPLIANT},
    {"VI_ATTR_GPIB_PRIMARY_ADDR", VI_ATTR_GPIB_PRIMARY_ADDR},
    {"VI_ATTR_GPIB_SECONDARY_ADDR", VI_ATTR_GPIB_SECONDARY_ADDR},
    {"VI_ATTR_GPIB_REN_STATE", VI_ATTR_GPIB_REN_STATE},
    {"VI_ATTR_MANF_ID", VI_ATTR_MANF_ID},
    {"VI_ATTR_MODEL_CODE", VI_ATTR_MODEL_CODE},
    {"VI_ATTR_MANF_NAME", VI_ATTR_MANF_NAME},
    {"VI_ATTR_MODEL_NAME", VI_ATTR_MODEL_NAME},
    {"VI_ATTR_VXI_LA", VI_ATTR_VXI_LA},
    {"VI_ATTR_SLOT", VI_ATTR_SLOT},
    {"VI_ATTR_MAINFRAME_LA", VI_ATTR_MAINFRAME_LA},
    {"VI_ATTR_CMDR_LA", VI_ATTR_CMDR_LA},
    {"VI_ATTR_VXI_DEV_CLASS", VI_ATTR_VXI_DEV_CLASS},
    {"VI_ATTR_IMMEDIATE_SERV", VI_ATTR_IMMEDIATE_SERV},
    {"VI_ATTR_MEM_SPACE", VI_ATTR_MEM_SPACE},
    {"VI_ATTR_MEM_BASE", VI_ATTR_MEM_BASE_64},
    {"VI_ATTR_MEM_SIZE", VI_ATTR_MEM_SIZE_64},
};

AttrValue number(ViInt64 v, unsigned size) { return {AttrValue::Kind::number, v, {}, size}; }
AttrValue text(std::string s) { return {AttrValue::Kind::text, 0, std::move(s), 0}; }

// The field of an identification reply "maker,model,serial,firmware".
std::string idn_field(const std::string& idn, int field) {
    std::size_t from = 0;
    for (int i = 0; i < field; ++i) {
        from = idn.find(',', from);
        if (from == std::string::npos) return {};
        ++from;
    }
    return idn.substr(from, idn.find(',', from) - from);
}

std::mutex ren_mutex;
std::map<ViUInt16, ViInt16> ren_lines;

}  // namespace

std::string maker_name(const DeviceDesc& d) {
    if (d.q7304) return kQ7304Maker;
    return d.idn.empty() ? "Manufacturer " + std::to_string(d.manufacturer) : idn_field(d.idn, 0);
}

std::string model_name(const DeviceDesc& d) {
    if (d.q7304) return kQ7304Model;
    return d.idn.empty() ? "Model " + std::to_string(d.model) : idn_field(d.idn, 1);
}

ViInt16 ren_state(ViUInt16 board) {
    std::lock_guard lock(ren_mutex);
    const auto it = ren_lines.find(board);
    return it == ren_lines.end() ? ViInt16{VI_STATE_ASSERTED} : it->second;
}

void set_ren_state(ViUInt16 board, ViInt16 state) {
    std::lock_guard lock(ren_mutex);
    ren_lines[board] = state;
}

std::optional<AttrValue> implementation_attribute(ViAttr attr) {
    switch (attr) {
        case VI_ATTR_RSRC_IMPL_VERSION: return number(kImplVersion, 4);
        case VI_ATTR_RSRC_MANF_NAME: return text(kImplManufacturerName);
        case VI_ATTR_RSRC_MANF_ID: return number(kImplManufacturer, 2);
        default: return std::nullopt;
    }
}

std::optional<AttrValue> resource_attribute(const Device& device, ViAttr attr) {
    if (auto v = implementation_attribute(attr)) return v;
    const DeviceDesc& d = device.desc();
    const bool vxi = d.intf_type == VI_INTF_VXI || d.intf_type == VI_INTF_GPIB_VXI;
    const bool gpib = d.intf_type == VI_INTF_GPIB || d.intf_type == VI_INTF_GPIB_VXI;
    const ViInt64 base = 0xC000 + 64 * static_cast<ViInt64>(d.logical_address);
    switch (attr) {
        case VI_ATTR_RSRC_CLASS: return text(d.name.ends_with("::SOCKET") ? "SOCKET" : "INSTR");
        case VI_ATTR_RSRC_NAME: return text(d.name);
        case VI_ATTR_RSRC_SPEC_VERSION: return number(d.spec_version, 4);
        case VI_ATTR_RSRC_LOCK_STATE: return number(device.locks.state(), 4);
        case VI_ATTR_INTF_TYPE: return number(d.intf_type, 2);
        case VI_ATTR_INTF_NUM: return number(d.intf_num, 2);
        case VI_ATTR_INTF_INST_NAME:
            if (d.intf_type == VI_INTF_TCPIP) return text("TCPIP" + std::to_string(d.intf_num));
            return text((d.intf_type == VI_INTF_GPIB ? "GPIB" : d.intf_type == VI_INTF_VXI ? "VXI" : "GPIB-VXI") +
                        std::to_string(d.intf_num) + " (simulated)");
        case VI_ATTR_4882_COMPLIANT: return number(d.q7304 || d.loopback ? VI_TRUE : VI_FALSE, 2);
        default: break;
    }
    if (gpib) {
        switch (attr) {
            case VI_ATTR_GPIB_PRIMARY_ADDR: return number(d.primary_address, 2);
            case VI_ATTR_GPIB_SECONDARY_ADDR: return number(d.secondary_address, 2);
            default: break;
        }
    }
    if (d.intf_type == VI_INTF_GPIB && attr == VI_ATTR_GPIB_REN_STATE)
        return number(ren_state(d.intf_num), 2);
    if (!vxi) return std::nullopt;
    switch (attr) {
        case VI_ATTR_MANF_ID: return number(d.manufacturer, 2);
        case VI_ATTR_MODEL_CODE: return number(d.model, 2);
        case VI_ATTR_MANF_NAME: return text(maker_name(d));
        case VI_ATTR_MODEL_NAME: return text(model_name(d));
        case VI_ATTR_VXI_LA: return number(d.logical_address, 2);
        case VI_ATTR_SLOT: return number(d.slot, 2);
        case VI_ATTR_MAINFRAME_LA: return number(0, 2);  // the slot-0 controller's
        case VI_ATTR_CMDR_LA: return number(0, 2);
        case VI_ATTR_VXI_DEV_CLASS:
            return number(device.message_based() ? VI_VXI_CLASS_MESSAGE : VI_VXI_CLASS_REGISTER, 2);
        case VI_ATTR_IMMEDIATE_SERV: return number(VI_FALSE, 2);
        case VI_ATTR_MEM_SPACE: return number(VI_A16_SPACE, 2);
        case VI_ATTR_MEM_BASE_32: return number(base, 4);
        case VI_ATTR_MEM_BASE_64: return number(base, 8);
        case VI_ATTR_MEM_SIZE_32: return number(64, 4);
        case VI_ATTR_MEM_SIZE_64: return number(64, 8);
        default: return std::nullopt;
    }
}

std::optional<ViAttr> attribute_id(std::string_view name) {
    for (const auto& n : kNames) {
        if (n.name.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = std::toupper(static_cast<unsigned char>(name[i])) == n.name[i];
        if (same) return n.id;
    }
    return std::nullopt;
}

}  // namespace simvisa
