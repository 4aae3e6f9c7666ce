// Small helpers the settings widgets share on top of the widget protocol.
#pragma once

#include "widgets.hpp"

namespace gu {

// A driver query through the live-mode rule into a local of the driver's reply type,
// which then becomes `value`; the reply starts from `value` (kept after a failed call).
template <class Reply, class T, class Fn, class... Lead>
int query_into(const char* label, Fn fn, T& value, Lead... lead) {
    if (!livemode) return 0;
    Reply reply = static_cast<Reply>(value);
    const int status = drv_call(label, fn, lead..., &reply);
    value = static_cast<T>(reply);
    return status;
}

// The same with the value cleared first: a failed call leaves 0.
template <class Reply, class T, class Fn, class... Lead>
int query_cleared(const char* label, Fn fn, T& value, Lead... lead) {
    if (livemode) value = T{};
    return query_into<Reply>(label, fn, value, lead...);
}

// Reads every queued error (the oldest shown by ErrorVal and ErrorMsg) before a clear.
void show_queued_errors(int panel);

// The instrument refused a setting (it queued an error): the caller reads its value back.
inline bool refused(int status) {
    return status == instr_error_detected;
}

// The flag sent to widgets with MSG_ENABLE and MSG_SHOW.
inline void send_flag(Handler widget, int panel, int msg, int flag) {
    widget(panel, msg, &flag);
}

}  // namespace gu
