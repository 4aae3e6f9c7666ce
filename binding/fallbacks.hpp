// The no-op fallbacks voe_<op>: same argument list as the driver operation, write
// nothing and report success.
#pragma once

#include "driver_table.hpp"

namespace gu {

template <class Fn>
struct NoOp;
template <class... Args>
struct NoOp<ViStatus (*)(Args...)> {
    static ViStatus call(Args...) { return 0; }
};

#define GU_FALLBACK(op) inline constexpr GU_OP_TYPE(op) voe_##op = &NoOp<GU_OP_TYPE(op)>::call;
#define GU_FALLBACK_N(op, exported) \
    inline constexpr GU_OP_TYPE_N(op, exported) voe_##op = &NoOp<GU_OP_TYPE_N(op, exported)>::call;
GU_LOOKED_UP_OPS(GU_FALLBACK, GU_FALLBACK_N)
GU_OPTIONAL_OPS(GU_FALLBACK)
GU_FALLBACK(init)
#undef GU_FALLBACK
#undef GU_FALLBACK_N

// False while `entry` (a vo_ pointer) holds a fallback: every fallback of one argument
// list is the same function.
template <class Fn>
bool is_bound(Fn entry) {
    return entry != &NoOp<Fn>::call;
}

}  // namespace gu
