// The driver's exported names in lookup order, each with the entry point it fills.
#pragma once

#include <array>

#include "driver_table.hpp"
#include "fallbacks.hpp"
#include "slots.hpp"

namespace gu {

#define GU_SLOT(op) Slot{"voq7304_" #op, &fill_slot<vo_##op, voe_##op>},
#define GU_SLOT_N(op, exported) Slot{"voq7304_" #exported, &fill_slot<vo_##op, voe_##op>},

inline constexpr auto looked_up_slots = std::to_array<Slot>({GU_LOOKED_UP_OPS(GU_SLOT, GU_SLOT_N)});
static_assert(looked_up_slots.size() == 119);
// Looked up after those; a miss only keeps the fallback.
inline constexpr auto optional_slots = std::to_array<Slot>({GU_OPTIONAL_OPS(GU_SLOT)});

#undef GU_SLOT
#undef GU_SLOT_N

}  // namespace gu
