// Reads every instrument setting back into the panels, and the idle-time reading refresh.
#include "widgets.hpp"

namespace gu {

void Sync() {
    MathGet(0);
    ConfigGet(0);
    SampGet(0);
    InpGet(0);
    OutGet(0);
    TrigGet(0);
    AboutGet(0);
}

int update() {
    constexpr int IDLE_RATE_MS = 100;
    constexpr int IDLE_HELD_MS = 1000000;  // no idle events while the reading is taken
    if (shown_panel != 0) {
        uirt::SetIdleEventRate(IDLE_RATE_MS);
        return 0;
    }
    uirt::SetIdleEventRate(IDLE_HELD_MS);
    int samples = 0;
    int triggers = 0;
    SampleCount(0, MSG_GET, &samples);
    TrigCount(0, MSG_GET, &triggers);
    double value = 0.0;
    // In 64 bits, as a click decides: no product of two counts wraps below the block limit.
    if (static_cast<long long>(triggers) * samples > 1)
        Readings(0, MSG_QUERY, &value);
    else
        Reading(0, MSG_QUERY, &value);
    uirt::SetIdleEventRate(IDLE_RATE_MS);
    return 0;
}

}  // namespace gu
