// Steps shared by the single reading and the block of readings.
#pragma once

#include <algorithm>
#include <cstdint>

#include "messages.hpp"

namespace gu {

inline constexpr int FETCH_TIMEOUT_MS = 500;
inline constexpr int TRIGGER_SOURCE_BUS = 0;  // the program triggers the instrument itself
inline constexpr int FUNCTION_RING = 6;       // main panel control focused around a reading

// A reading count as the driver takes it, bounded by the buffer it writes into.
inline ViInt32 bounded_count(std::int64_t count, int capacity) {
    return static_cast<ViInt32>(std::clamp<std::int64_t>(count, 0, capacity));
}

// The driver's own error query after each call, off while a measurement runs.
inline void error_query_detect(bool on) {
    drv_call_quiet(vo_errorQueryDetect, static_cast<ViBoolean>(on ? 1 : 0));
}

// A failed measurement step: `measuring` is clear while the failure is reported.
inline int report_failure(int status, const char* label) {
    measuring = 0;
    return display_error(instr_session, status, label);
}

void busy_cursor_unless_auto_update();
// Enables the trigger-wait buttons for the triggers after the first, shows the panel.
void arm_trigger_buttons(int panel, int trigger_count);
// Every exit from a wait: default cursor, abort button and trigger-wait panel hidden.
void end_wait(int panel);
// The 4096-point refusal.
void too_many_points();

}  // namespace gu
