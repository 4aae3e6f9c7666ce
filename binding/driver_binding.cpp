// Driver binding: the driver module is loaded by name and every entry point looked up.
#include <string>

#include "driver_slots.hpp"
#include "widgets.hpp"

namespace gu {

namespace {

constexpr int MISSES_SHOWN = 6;  // later misses are only counted

// Looks every name up in order; returns the number of misses.
int look_up_all() {
    int lookup_errors = 0;
    int status = 0;
    for (const Slot& s : looked_up_slots) {
        void* address = uirt::GetExternalModuleAddr(module, s.name, &status);
        s.fill(address);
        if (address != nullptr) continue;
        if (++lookup_errors <= MISSES_SHOWN) {
            uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
            uirt::MessagePopup("Error", (std::string("Error finding ") + s.name).c_str());
        }
    }
    return lookup_errors;
}

void look_up_optional() {
    int status = 0;
    for (const Slot& s : optional_slots) s.fill(uirt::GetExternalModuleAddr(module, s.name, &status));
}

}  // namespace

void bind_driver() {
    if (!livemode) return;
    int status = 0;
    module = uirt::LoadExternalModule("voq7304.lib");
    vo_init = reinterpret_cast<decltype(vo_init)>(
        uirt::GetExternalModuleAddr(module, "voq7304_init", &status));
    if (module < 0 || vo_init == nullptr) {
        vo_init = voe_init;  // never a null entry point
        livemode = 0;
        uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
        uirt::MessagePopup("Library Error", "VOQ7304.lib Not loaded. Livemode disabled.");
        return;
    }
    vo_findRsrc = &voex_findRsrc;
    look_up_optional();
    if (look_up_all() > 0) {
        uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
        uirt::MessagePopup("Message", "Possible DLL Version mismatch.");
        livemode = 0;
    }
}

}  // namespace gu
