// Steps shared by the single reading and the block of readings.
#pragma once

#include <algorithm>
#include <cstdint>

#include "messages.hpp"

namespace gu {

inline constexpr int FETCH_TIMEOUT_MS = 500;
// Bound of the fetch left pending while the trigger-wait panel still has triggers to give:
// it cannot complete before they are given, so the query is only handed to the instrument.
inline constexpr int PENDING_FETCH_TIMEOUT_MS = 10;
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

// Readings a fetch returned: the count the driver wrote back, none when it failed.
inline ViInt32 readings_returned(int status, ViInt32 count, int capacity) {
    const bool data = status >= 0 || status == instr_error_detected;
    return data ? bounded_count(count, capacity) : 0;
}

// The fetch of a measurement: bounded in time, so the window never waits longer.
inline int timed_fetch(int timeout_ms, ViReal64* buffer, ViInt32& count) {
    if (!livemode) {
        count = 0;
        return 0;
    }
    return drv_status = vo_timedFetch_Q(instr_session, timeout_ms, buffer, &count);
}

// A fetch that failed may leave its reply in the instrument, where the next command would
// interrupt it (-410, blamed on that command): a device clear lets the next action start
// clean. A time-out while the measurement waits is no failure and keeps its reply owed.
inline void clear_failed_fetch(int status) {
    if (status < 0 && status != instr_error_detected) drv_call_quiet(vo_dcl);
}

// What the instrument returns for a reading beyond its range (negative: below it).
inline constexpr double OVERLOAD = 9.9e37;

// A failed measurement step: `measuring` is clear while the failure is reported.
inline int report_failure(int status, const char* label) {
    measuring = 0;
    return display_error(instr_session, status, label);
}

void busy_cursor_unless_auto_update();
// Sets the triggers the trigger-wait panel may still give (none unless bus-triggered).
void count_triggers(int source, int trigger_count);
// Enables the trigger-wait buttons for the triggers left, shows the panel.
void arm_trigger_buttons(int panel);
// A serial poll: whether the instrument has a reply waiting (message available). Reports
// nothing; a failed poll counts as no reply.
bool message_waiting();
// Whether the wait can end only by triggers the user has still to give.
bool triggers_pending(int panel);
// Every exit from a wait: default cursor, abort button and trigger-wait panel hidden.
void end_wait(int panel);
// The 4096-point refusal.
void too_many_points();

// What the displays show while a measurement waits (on) and once the wait is over (off):
// never a value the instrument has not returned. Called with the abort button's showing.
void show_waiting(bool on);
void reading_shows_waiting(bool on);
void block_shows_waiting(bool on);
// The reading display after its reading was thrown away (abort, function change).
void reading_shows_none(int panel);

}  // namespace gu
