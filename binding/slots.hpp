// Entry-point slots as table rows: an exported name and the code that fills its pointer.
#pragma once

#include <type_traits>

namespace gu {

// Stores `address` in `slot`, or `fallback` when the address is null.
template <auto& slot, auto fallback>
void fill_slot(void* address) {
    using Fn = std::remove_reference_t<decltype(slot)>;
    slot = address ? reinterpret_cast<Fn>(address) : Fn{fallback};
}

struct Slot {
    const char* name;             // exported name looked up
    void (*fill)(void* address);  // null address: the slot's fallback
};

}  // namespace gu
