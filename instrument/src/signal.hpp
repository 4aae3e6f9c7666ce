// The simulated input as the converter sees it: each function's quantity over time,
// averaged over the integration time, loaded by the input, offset by drift, with noise.
#pragma once

#include "context.hpp"

namespace sim {

// The noiseless quantity function `f` sees at `at` (period: 1 / frequency).
double input_level(const Context& ctx, Function f, Clock::time_point at);
// The magnitude auto range looks at for a group at `at` (FREQ/PER: the signal's RMS).
double group_input(const Context& ctx, Group g, Clock::time_point at);

// The AC functions: their RMS detector of `bandwidth` Hz settles in this many seconds after
// a change of its signal path (function, range, bandwidth) before a reading counts.
bool ac_detected(Function f);
double detector_settling(double bandwidth);

// One raw reading of `f` on `range`, integrated over `aperture` seconds ending at `end`:
// before overload, resolution and math. AC readings of a signal below the detector's
// bandwidth carry the detector's ripple.
double sample_input(Context& ctx, Function f, double range, double aperture,
                    Clock::time_point end);

}  // namespace sim
