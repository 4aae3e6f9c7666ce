// Command handlers, one per row of the command table.
#pragma once

#include "context.hpp"
#include "functions.hpp"
#include "params.hpp"

namespace sim {

using Handler = void (*)(Context&, const Call&);

// Common commands
void idn_q(Context&, const Call&);
void rst(Context&, const Call&);
void cls(Context&, const Call&);
void ese(Context&, const Call&);
void ese_q(Context&, const Call&);
void esr_q(Context&, const Call&);
void sre(Context&, const Call&);
void sre_q(Context&, const Call&);
void stb_q(Context&, const Call&);
void opc(Context&, const Call&);
void opc_q(Context&, const Call&);
void trg(Context&, const Call&);
void tst_q(Context&, const Call&);
void wai(Context&, const Call&);
void lrn_q(Context&, const Call&);

// Function and configuration
void function_set(Context&, const Call&);
void function_q(Context&, const Call&);
void configure_q(Context&, const Call&);
void configure(Context&, const Call&, Function f);
void measure_q(Context&, const Call&, Function f);
void range_set(Context&, const Call&, Group g);
void range_q(Context&, const Call&, Group g);
void range_auto_set(Context&, const Call&, Group g);
void range_auto_q(Context&, const Call&, Group g);
void resolution_set(Context&, const Call&, Group g);
void resolution_q(Context&, const Call&, Group g);
void aperture_set(Context&, const Call&, Group g);
void aperture_q(Context&, const Call&, Group g);
void nplc_set(Context&, const Call&, Group g);
void nplc_q(Context&, const Call&, Group g);
void bandwidth_set(Context&, const Call&);
void bandwidth_q(Context&, const Call&);
void input_auto_impedance_set(Context&, const Call&);
void input_auto_impedance_q(Context&, const Call&);
void auto_zero_set(Context&, const Call&);
void auto_zero_q(Context&, const Call&);
void line_frequency_set(Context&, const Call&);
void line_frequency_q(Context&, const Call&);

template <Function f>
void configure_as(Context& c, const Call& k) {
    configure(c, k, f);
}
template <Function f>
void measure_as(Context& c, const Call& k) {
    measure_q(c, k, f);
}
template <Group g>
void range_set_of(Context& c, const Call& k) {
    range_set(c, k, g);
}
template <Group g>
void range_q_of(Context& c, const Call& k) {
    range_q(c, k, g);
}
template <Group g>
void range_auto_set_of(Context& c, const Call& k) {
    range_auto_set(c, k, g);
}
template <Group g>
void range_auto_q_of(Context& c, const Call& k) {
    range_auto_q(c, k, g);
}
template <Group g>
void resolution_set_of(Context& c, const Call& k) {
    resolution_set(c, k, g);
}
template <Group g>
void resolution_q_of(Context& c, const Call& k) {
    resolution_q(c, k, g);
}
template <Group g>
void aperture_set_of(Context& c, const Call& k) {
    aperture_set(c, k, g);
}
template <Group g>
void aperture_q_of(Context& c, const Call& k) {
    aperture_q(c, k, g);
}
template <Group g>
void nplc_set_of(Context& c, const Call& k) {
    nplc_set(c, k, g);
}
template <Group g>
void nplc_q_of(Context& c, const Call& k) {
    nplc_q(c, k, g);
}

// Triggering and readings
void trigger_source_set(Context&, const Call&);
void trigger_source_q(Context&, const Call&);
void trigger_count_set(Context&, const Call&);
void trigger_count_q(Context&, const Call&);
void trigger_delay_set(Context&, const Call&);
void trigger_delay_q(Context&, const Call&);
void trigger_delay_auto_set(Context&, const Call&);
void trigger_delay_auto_q(Context&, const Call&);
void sample_count_set(Context&, const Call&);
void sample_count_q(Context&, const Call&);
void initiate_cmd(Context&, const Call&);
void fetch_q(Context&, const Call&);
void read_q(Context&, const Call&);
void abort_cmd(Context&, const Call&);
void ttl_output_set(Context&, const Call&);
void ttl_output_q(Context&, const Call&);
// The reply of a FETCh? whose measurement is over: the readings, or -230 when there are none.
void respond_readings(Context&);

// Math
void calc_state_set(Context&, const Call&);
void calc_state_q(Context&, const Call&);
void calc_function_set(Context&, const Call&);
void calc_function_q(Context&, const Call&);
void null_offset_set(Context&, const Call&);
void null_offset_q(Context&, const Call&);
void average_min_q(Context&, const Call&);
void average_max_q(Context&, const Call&);
void average_average_q(Context&, const Call&);
void average_count_q(Context&, const Call&);
void limit_lower_set(Context&, const Call&);
void limit_lower_q(Context&, const Call&);
void limit_upper_set(Context&, const Call&);
void limit_upper_q(Context&, const Call&);
void dbm_reference_set(Context&, const Call&);
void dbm_reference_q(Context&, const Call&);
void db_reference_set(Context&, const Call&);
void db_reference_q(Context&, const Call&);

// Status and system
void system_error_q(Context&, const Call&);
void system_version_q(Context&, const Call&);
void ques_condition_q(Context&, const Call&);
void ques_event_q(Context&, const Call&);
void ques_enable_set(Context&, const Call&);
void ques_enable_q(Context&, const Call&);
void status_preset(Context&, const Call&);
void oper_condition_q(Context&, const Call&);
void oper_event_q(Context&, const Call&);
void oper_enable_set(Context&, const Call&);
void oper_enable_q(Context&, const Call&);
void system_error_count_q(Context&, const Call&);
void system_error_all_q(Context&, const Call&);

// Shared reply helpers
void respond_bool(Context& ctx, bool v);
void respond_int(Context& ctx, long long v);
void respond_nr3(Context& ctx, double v);
// A query takes no parameters: -108 otherwise.
bool no_params(Context& ctx, const Call& call);

}  // namespace sim
