// A table's driver call through the live-mode rule.
#pragma once

#include "config_tables.hpp"

namespace gu {

// True when the call was made (live, and the function has one) and succeeded; a failed
// call is reported under the call's label and its outputs are not to be used.
template <class Fn, class... Args>
bool call_ok(const Call<Fn>& call, Args... args) {
    if (!livemode || !call.fn) return false;
    return drv_call(call.label, *call.fn, args...) == 0;
}

}  // namespace gu
