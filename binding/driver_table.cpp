// The driver entry-point table: every pointer starts at its no-op fallback.
#include "driver_table.hpp"

#include "driver_slots.hpp"
#include "fallbacks.hpp"
#include "widgets.hpp"

namespace gu {

#define GU_DEFINE_OP(op) GU_OP_TYPE(op) vo_##op = voe_##op;
#define GU_DEFINE_OP_N(op, exported) GU_OP_TYPE_N(op, exported) vo_##op = voe_##op;
GU_LOOKED_UP_OPS(GU_DEFINE_OP, GU_DEFINE_OP_N)
GU_OPTIONAL_OPS(GU_DEFINE_OP)
GU_DEFINE_OP(init)
#undef GU_DEFINE_OP
#undef GU_DEFINE_OP_N

FindRsrcFn vo_findRsrc = &voex_findRsrc;

void set_fallbacks() {
    for (const Slot& s : looked_up_slots) s.fill(nullptr);
    for (const Slot& s : optional_slots) s.fill(nullptr);
    vo_init = voe_init;
    vo_findRsrc = &voex_findRsrc;
}

}  // namespace gu
