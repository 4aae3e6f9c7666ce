// A table's driver call through the live-mode rule.
#pragma once

#include "config_tables.hpp"
#include "fallbacks.hpp"

namespace gu {

// True when the call was made (live, and the function has one the module exports) and
// succeeded; a failed call is reported under the call's label and its outputs are not to
// be used. A call through a fallback is not made: its outputs would be invented.
template <class Fn, class... Args>
bool call_ok(const Call<Fn>& call, Args... args) {
    if (!livemode || !call.fn || !is_bound(*call.fn)) return false;
    return drv_call(call.label, *call.fn, args...) == 0;
}

// Whether a setting with this call can be made: off line every setting works on its own
// value; live, only through an entry point the module exports.
template <class Fn>
bool settable(const Call<Fn>& call) {
    return call.fn && (!livemode || is_bound(*call.fn));
}

// The controls of function `f` that can take a user's choice.
inline bool range_settable(int f) {
    return settable(range_row(f).set);
}
inline bool resolution_settable(int f, int range) {
    return resolution_usable(f, range) && settable(resolution_row(f).set);
}
inline bool aperture_settable(int f) {
    const FunctionInfo* info = function_info(f);
    return info && info->aperture && settable(aperture_row(f).seconds);
}

}  // namespace gu
