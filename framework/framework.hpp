// Framework routines shared inside framework/ and with its tests.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "callbacks.hpp"

namespace gu {

// ---- deferred events ------------------------------------------------------------------
inline constexpr int PENDING_CAPACITY = 10;
struct PendingEvent {
    uirt::CtrlCallbackPtr callback;
    int panel;
    int control;
    int event;
    void* callback_data;
    int event_data1;
    int event_data2;
    // A commit's value as the control held it when the event was parked, given back to
    // the control before the replay (the control may have changed meanwhile, for example
    // a range list refilled by a function change replayed before it).
    enum class Held { none, number, text } held = Held::none;
    double number = 0.0;
    char text[NAME_SIZE]{};
};
extern std::array<PendingEvent, PENDING_CAPACITY> pending_events;

// Idle polls a measurement may take: (timeout / 100) x triggers x samples, computed
// exactly in 64 bits and saturated at the ends of the range.
std::int64_t poll_limit(int timeout_ms, int trig_count, int sample_count);

// ---- error reporting --------------------------------------------------------------------
inline constexpr int ERROR_TEXT_SIZE = 256 + 1;
extern char error_text[ERROR_TEXT_SIZE];

// ---- panels and control tables ------------------------------------------------------------
struct ctrl_desc {
    int kind;   // control kind 1 to 16, 0 for none, CTRL_END ends a table
    int panel;  // filled in by the panel's loader
    int top, left, height, width;
    int label_placement;  // 0 or 1
    int text_size;        // points, 0 for the default
    const char* label;
    uirt::CtrlCallbackPtr callback;
    int ctrl;  // control id in the resource file
};
inline constexpr int CTRL_END = 99;

int init_widgets(std::span<const ctrl_desc> table);

// While a measurement waits on the trigger-wait panel, that panel comes in front again
// whenever the main panel is brought back over it.
void wait_panel_to_front();

// ---- quit -----------------------------------------------------------------------------------
// Set by the quit sequence once the user has confirmed and the event loop is ending.
inline int quit_confirmed = 0;

// ---- state files ------------------------------------------------------------------------------
inline constexpr int STATE_TEXT_SIZE = 1000;
extern char state_text[STATE_TEXT_SIZE + 1];

}  // namespace gu
