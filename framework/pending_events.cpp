// The deferred event queue and the poll of a running measurement.
#include <limits>

#include "framework.hpp"

namespace gu {

std::array<PendingEvent, PENDING_CAPACITY> pending_events{};

int add_pending_event(uirt::CtrlCallbackPtr callback, int panel, int control, int event,
                      void* callback_data, int event_data1, int event_data2) {
    if (pending_count < 0) pending_count = 0;
    if (pending_count >= PENDING_CAPACITY) return 0;  // queue full: the event is lost
    pending_events[static_cast<std::size_t>(pending_count++)] = {
        callback, panel, control, event, callback_data, event_data1, event_data2};
    return 0;
}

// Newest first.
int process_pending_event() {
    if (pending_count <= 0) return 0;
    const PendingEvent e = pending_events[static_cast<std::size_t>(--pending_count)];
    if (e.callback)
        e.callback(e.panel, e.control, e.event, e.callback_data, e.event_data1, e.event_data2);
    return 1;
}

namespace {

std::int64_t saturating_mul(std::int64_t a, std::int64_t b) {
    std::int64_t product = 0;
    if (!__builtin_mul_overflow(a, b, &product)) return product;
    return (a < 0) != (b < 0) ? std::numeric_limits<std::int64_t>::min()
                              : std::numeric_limits<std::int64_t>::max();
}

constexpr int IDLE_PERIOD_MS = 100;
constexpr ViUInt16 STB_MAV = 0x10;  // message available

void end_measurement_display() {
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    int hide = 0;
    Abort2(main_panel, MSG_SHOW, &hide);
}

// A measurement given up here never reaches the fetch that turns the driver's error
// query back on; without it later instrument errors would pass unreported.
void error_query_back_on() {
    drv_call_quiet(vo_errorQueryDetect, static_cast<ViBoolean>(1));
}

}  // namespace

std::int64_t poll_limit(int timeout_ms, int trig_count, int sample_count) {
    return saturating_mul(timeout_ms / IDLE_PERIOD_MS, saturating_mul(trig_count, sample_count));
}

int message_available() {
    int timeout_ms = 0;
    int trig_count = 0;
    int sample_count = 0;
    Timeout(main_panel, MSG_GET, &timeout_ms);
    TrigCount(main_panel, MSG_GET, &trig_count);
    SampleCount(main_panel, MSG_GET, &sample_count);
    const std::int64_t limit = poll_limit(timeout_ms, trig_count, sample_count);

    ViUInt16 stb = 0;
    drv_status = vo_readStatusByte(instr_session, &stb);
    if (drv_status != 0) {
        measuring = 0;
        if (display_error(instr_session, drv_status, "vo_readStatusByte") == 0) {
            error_query_back_on();
            end_measurement_display();
            uirt::HidePanel(trigger_wait_panel);
            return -1;
        }
        measuring = 1;
        stb = 0;
    }
    if (stb & STB_MAV) {
        poll_count = 0;
        return 1;
    }
    const int earlier = poll_count;
    if (poll_count < std::numeric_limits<int>::max()) ++poll_count;
    if (earlier < limit) return 0;

    poll_count = 0;
    end_measurement_display();
    measuring = 0;
    vo_dcl(instr_session);
    error_query_back_on();
    uirt::MessagePopup("Error", "Measurement Timed Out.");
    disable_auto_update();
    uirt::HidePanel(trigger_wait_panel);
    return -1;
}

}  // namespace gu
