// VISA binding: the library is loaded by name and its entry points looked up.
#include <array>

#include "driver_table.hpp"
#include "slots.hpp"
#include "widgets.hpp"

namespace gu {

decltype(&::viOpenDefaultRM) OpenDefaultRM = nullptr;
decltype(&::viFindRsrc) FindRsrc = nullptr;
decltype(&::viFindNext) FindNext = nullptr;
decltype(&::viOpen) ViOpen = nullptr;
decltype(&::viClose) ViClose = nullptr;
decltype(&::viPrintf) ViPrintf = nullptr;
decltype(&::viScanf) ViScanf = nullptr;
decltype(&::viRead) ViRead = nullptr;
decltype(&::viWrite) ViWrite = nullptr;
decltype(&::viGetAttribute) GetAttribute = nullptr;

namespace {

// Bound once viGetAttribute is found; no fallbacks, so a miss stays null.
constexpr std::array<Slot, 9> visa_slots{{
    {"viOpenDefaultRM", &fill_slot<OpenDefaultRM, nullptr>},
    {"viFindRsrc", &fill_slot<FindRsrc, nullptr>},
    {"viFindNext", &fill_slot<FindNext, nullptr>},
    {"viOpen", &fill_slot<ViOpen, nullptr>},
    {"viClose", &fill_slot<ViClose, nullptr>},
    {"viPrintf", &fill_slot<ViPrintf, nullptr>},
    {"viScanf", &fill_slot<ViScanf, nullptr>},
    {"viRead", &fill_slot<ViRead, nullptr>},
    {"viWrite", &fill_slot<ViWrite, nullptr>},
}};

}  // namespace

void bind_visa() {
    int status = 0;
    visa_module = uirt::LoadExternalModule("visa32.lib");
    GetAttribute = reinterpret_cast<decltype(GetAttribute)>(
        uirt::GetExternalModuleAddr(visa_module, "viGetAttribute", &status));
    if (visa_module < 0 || GetAttribute == nullptr) {
        livemode = 0;
        uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
        uirt::MessagePopup("Library Error", "VISA32 Not loaded. Livemode disabled.");
        return;
    }
    for (const Slot& s : visa_slots)
        s.fill(uirt::GetExternalModuleAddr(visa_module, s.name, &status));
}

}  // namespace gu
