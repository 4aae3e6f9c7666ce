// Attributes of a resource, as viGetAttribute gives them and attribute expressions test them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "bus.hpp"

namespace simvisa {

struct AttrValue {
    enum class Kind { number, text } kind = Kind::number;
    ViInt64 number = 0;
    std::string text;
    unsigned size = 2;  // bytes a number takes in the client's variable
};

// What the resource answers for the attribute, or nullopt when it has no such attribute.
std::optional<AttrValue> resource_attribute(const Device& device, ViAttr attr);

// What every session tells of the library: VI_ATTR_RSRC_IMPL_VERSION, VI_ATTR_RSRC_MANF_ID,
// VI_ATTR_RSRC_MANF_NAME.
std::optional<AttrValue> implementation_attribute(ViAttr attr);

// "VI_ATTR_MANF_ID" and the other names of the attributes resources answer.
std::optional<ViAttr> attribute_id(std::string_view name);

// The maker and model names of a device, from its identification.
std::string maker_name(const DeviceDesc& d);
std::string model_name(const DeviceDesc& d);

// The REN line of a GPIB board.
ViInt16 ren_state(ViUInt16 board);
void set_ren_state(ViUInt16 board, ViInt16 state);

}  // namespace simvisa
