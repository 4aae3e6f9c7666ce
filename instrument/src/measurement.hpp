// The trigger and measurement model: readings become ready at computed times, without threads.
#pragma once

#include <optional>
#include <string>

#include "context.hpp"

namespace sim {

// After each command: a change of the AC detector's signal path starts its settling.
void note_detector_path(Context& ctx);
// INIT: arms a block; returns the error it queued, or 0. An AC block's first trigger waits
// until the detector has settled.
int initiate(Context& ctx);
void abort_measurement(Context& ctx);
// *TRG or a bus trigger: starts sample-count readings when armed with source BUS.
void bus_trigger(Context& ctx);
// An edge on TTL trigger line `line` at `at`.
void line_trigger(Context& ctx, int line, Clock::time_point at);
// Takes every reading that is due by ctx.now.
void advance(Context& ctx);
// When the armed block will be complete; empty while it waits for triggers that may never come.
std::optional<Clock::time_point> completion_time(const Context& ctx);
// When the next reading of the armed block ends, if that is known.
std::optional<Clock::time_point> next_reading_time(const Context& ctx);

// The range in use: the set range, or the one auto range picks for the present input.
double present_range(const Context& ctx, Group g);
// The range auto range picks for the present input.
double auto_picked_range(const Context& ctx, Group g);
// The resolution readings of `f` have, in the function's unit.
double present_resolution(const Context& ctx, Function f);

}  // namespace sim
