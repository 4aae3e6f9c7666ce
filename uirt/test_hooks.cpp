// Test hooks: scripted pop-ups, user actions through the run-time's own dispatch, idle
// events on demand and inspection.
#include "graph.hpp"
#include "panel.hpp"
#include "runtime.hpp"
#include "uirt_test.hpp"

namespace uirt::test {

using namespace detail;

namespace {

Control* control(int panel, int control) {
    int error = 0;
    return find_control(panel, control, error);
}

// Typed entry and choice controls take the value as the user would give it.
void user_value(int panel, int id, const Value& value) {
    Control* c = control(panel, id);
    if (!c) return;
    const int kind = c->kind();
    const bool typed = kind == CTRL_NUMERIC || kind == CTRL_NUMERIC_IND || kind == CTRL_STRING ||
                       kind == CTRL_TEXT_BOX;
    c->user_change(value, typed);
}

}  // namespace

void enable() {
    rt().scripted = true;
}
bool enabled() {
    return rt().scripted;
}

void push_answer(Answer answer) {
    rt().answers.push_back(std::move(answer));
}
void set_responder(std::function<Answer(const Popup&)> responder) {
    rt().responder = std::move(responder);
}
const std::vector<Popup>& popups() {
    return rt().popups_seen;
}
void clear_popups() {
    rt().popups_seen.clear();
}

void post(std::function<void()> step) {
    rt().steps.push_back(std::move(step));
    if (!rt().loops.empty()) schedule_steps();
}

void at_main_loop(std::function<void()> step) {
    rt().main_loop_steps.push_back(std::move(step));
    schedule_main_loop_steps();
}

void on_install_popup(std::function<void(int panel)> step) {
    rt().on_install_popup = std::move(step);
}

void set_value(int panel, int control, int value) {
    user_value(panel, control, Value{value});
}
void set_value(int panel, int control, double value) {
    user_value(panel, control, Value{value});
}
void set_value(int panel, int control, const char* value) {
    user_value(panel, control, Value{std::string(value ? value : "")});
}

void select_index(int panel, int id, int index) {
    if (Control* c = control(panel, id)) c->user_pick(index);
}

void press(int panel, int id) {
    if (Control* c = control(panel, id)) c->user_press();
}

void click(int panel, int id) {
    if (Control* c = control(panel, id)) c->user_click();
}

// A double click starts with a press, as with a real mouse.
void double_click(int panel, int id) {
    if (Control* c = control(panel, id)) c->user_click();
    if (Control* c = control(panel, id)) c->user_double_click();
}

void send_event(int panel, int control, int event, int eventData1, int eventData2) {
    if (control == 0)
        dispatch_panel_event(panel, event, eventData1, eventData2);
    else
        dispatch_control_event(panel, control, event, eventData1, eventData2);
}

void pick_menu(int menuBar, int item) {
    dispatch_menu_pick(menuBar, item);
}

void close_window(int panel) {
    if (Panel* p = find_panel(panel)) p->close_requested();
}

void resize(int panel, int width, int height) {
    Panel* p = find_panel(panel);
    if (p && accepts_user_input(panel)) p->user_resized(width, height);
}

bool idle() {
    return deliver_idle();
}
int idle_rate() {
    return rt().idle_rate;
}
int mouse_cursor() {
    return rt().cursor;
}

bool panel_visible(int panel) {
    Panel* p = find_panel(panel);
    return p && p->displayed();
}

bool panel_in_front(int panel) {
    Panel* p = find_panel(panel);
    return p && p->in_front();
}

bool ctrl_exists(int panel, int id) {
    return control(panel, id) != nullptr;
}

int plot_count(int panel, int id) {
    Control* c = control(panel, id);
    return c && c->graph() ? c->graph()->count() : 0;
}

std::vector<double> plot_y(int panel, int id, int plot) {
    Control* c = control(panel, id);
    return c && c->graph() ? c->graph()->y_values(plot) : std::vector<double>{};
}

bool axis_range(int panel, int id, bool y_axis, double& lo, double& hi) {
    Control* c = control(panel, id);
    if (!c || !c->graph()) return false;
    c->graph()->axis_range(y_axis, lo, hi);
    return true;
}

int plot_color(int panel, int id, int plot) {
    Control* c = control(panel, id);
    return c && c->graph() ? c->graph()->colour(plot) : -1;
}

int drawn_points(int panel, int id, int plot) {
    Control* c = control(panel, id);
    return c && c->graph() ? c->graph()->drawn_points(plot) : -1;
}

int drawn_plots(int panel, int id) {
    Control* c = control(panel, id);
    return c && c->graph() ? c->graph()->drawn_plots() : -1;
}

double tick_step(int panel, int id, bool y_axis) {
    Control* c = control(panel, id);
    return c && c->graph() ? c->graph()->tick_step(y_axis) : -1.0;
}

std::vector<std::string> list_labels(int panel, int id) {
    Control* c = control(panel, id);
    return c ? c->labels() : std::vector<std::string>{};
}

int text_box_line_color(int panel, int id, int line) {
    Control* c = control(panel, id);
    return c ? c->line_colour(line) : -1;
}

int top_level_panel() {
    // The frame: the first top-level panel that carries a menu bar, else the first one.
    int first = 0;
    for (const auto& [handle, p] : rt().panels) {
        if (!p->top_level()) continue;
        if (p->menu_bar_handle) return handle;
        if (!first) first = handle;
    }
    return first;
}

int last_quit_value() {
    return rt().last_quit;
}

void zoom_graph(int panel, int id, double x_lo, double x_hi, double y_lo, double y_hi) {
    if (Control* c = control(panel, id); c && c->graph()) c->graph()->zoom_in(x_lo, x_hi, y_lo, y_hi);
}

std::string graph_readout(int panel, int id, double x, double y) {
    Control* c = control(panel, id);
    if (!c || !c->graph()) return {};
    double lo = 0, hi = 0;
    c->graph()->axis_range(true, lo, hi);  // pending ranges applied first
    return c->graph()->readout_near(x, y);
}

}  // namespace uirt::test
