// The deferred event queue and the poll of a running measurement.
#include <algorithm>
#include <limits>

#include "framework.hpp"

namespace gu {

std::array<PendingEvent, PENDING_CAPACITY> pending_events{};

namespace {

// The control of a change that was not taken shows its widget's value again.
void show_widget_value(uirt::CtrlCallbackPtr callback) {
    for (const WidgetRegistryEntry& e : widget_registry) {
        if (!e.handler) break;
        if (e.callback != callback) continue;
        alignas(double) char value[NAME_SIZE]{};
        e.handler(0, MSG_GET, value);
        e.handler(0, MSG_SET, value);
        return;
    }
}

bool holds_value(int kind) {
    switch (kind) {
        case uirt::CTRL_NUMERIC:
        case uirt::CTRL_STRING:
        case uirt::CTRL_RING:
        case uirt::CTRL_BINARY_SWITCH:
        case uirt::CTRL_LIST_BOX:
        case uirt::CTRL_CHECK_BOX:
            return true;
        default:
            return false;
    }
}

void hold_value(PendingEvent& e) {
    int kind = 0;
    int type = 0;
    if (e.event != uirt::EVENT_COMMIT ||
        uirt::GetCtrlAttribute(e.panel, e.control, uirt::ATTR_CTRL_STYLE, &kind) < 0 ||
        !holds_value(kind))
        return;
    uirt::GetCtrlAttribute(e.panel, e.control, uirt::ATTR_DATA_TYPE, &type);
    if (type == uirt::VAL_STRING) {
        if (uirt::GetCtrlVal(e.panel, e.control, e.text, sizeof e.text) >= 0)
            e.held = PendingEvent::Held::text;
    } else if (uirt::GetCtrlVal(e.panel, e.control, &e.number) >= 0) {
        e.held = PendingEvent::Held::number;
    }
}

void give_back_value(const PendingEvent& e) {
    if (e.held == PendingEvent::Held::number)
        uirt::SetCtrlVal(e.panel, e.control, e.number);
    else if (e.held == PendingEvent::Held::text)
        uirt::SetCtrlVal(e.panel, e.control, e.text);
}

void change_not_taken(uirt::CtrlCallbackPtr callback) {
    show_widget_value(callback);
    uirt::SetMouseCursor(uirt::VAL_DEFAULT_CURSOR);
    uirt::MessagePopup("Message",
                       "Too many changes wait for the measurement in progress: "
                       "this one was not made.");
}

}  // namespace

int add_pending_event(uirt::CtrlCallbackPtr callback, int panel, int control, int event,
                      void* callback_data, int event_data1, int event_data2) {
    if (pending_count < 0) pending_count = 0;
    if (pending_count >= PENDING_CAPACITY) {
        change_not_taken(callback);
        return 0;
    }
    PendingEvent& e = pending_events[static_cast<std::size_t>(pending_count++)];
    e = {callback, panel, control, event, callback_data, event_data1, event_data2};
    hold_value(e);
    return 0;
}

// Oldest first: the changes reach the instrument in the order the user made them.
int process_pending_event() {
    if (pending_count <= 0) return 0;
    const PendingEvent e = pending_events[0];
    std::copy(pending_events.begin() + 1, pending_events.begin() + pending_count,
              pending_events.begin());
    --pending_count;
    give_back_value(e);
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

// A measurement given up: the instrument cleared of it, the wait's displays ended.
void give_up() {
    poll_count = 0;
    end_measurement_display();
    vo_dcl(instr_session);
    error_query_back_on();
    uirt::HidePanel(trigger_wait_panel);
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
        // Reported once: the measurement ends here rather than at every later poll.
        measuring = 0;
        display_error(instr_session, drv_status, "vo_readStatusByte");
        give_up();
        return -1;
    }
    if (stb & STB_MAV) {
        poll_count = 0;
        return 1;
    }
    const int earlier = poll_count;
    if (poll_count < std::numeric_limits<int>::max()) ++poll_count;
    if (earlier < limit) return 0;

    measuring = 0;
    give_up();
    uirt::MessagePopup("Error", "Measurement Timed Out.");
    disable_auto_update();
    return -1;
}

}  // namespace gu
