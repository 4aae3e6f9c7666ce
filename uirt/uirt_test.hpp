// Test hooks of the run-time: a scripted pop-up responder, user actions injected through
// the same dispatch as a real user's, and manual idle events. Headless with Qt's
// offscreen platform.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace uirt::test {

// Turns scripted mode on (call before InitCVIRTE or any other run-time call): pop-ups
// do not block but are answered by the responder, idle events come only from idle(),
// and RunUserInterface runs the posted script.
void enable();
bool enabled();

struct Popup {
    std::string kind;  // "message", "confirm", "generic", "file"
    std::string title;
    std::string text;  // for "file": the default file pattern
    std::vector<std::string> buttons;
};
struct Answer {
    int result = 1;    // message: ignored; confirm: 1 yes / 0 no; generic: button 1..3;
                       // file: 0 cancel / 1 existing / 2 new
    std::string path;  // file pop-ups: the path chosen
};
// Answers are taken in order; with none queued a pop-up gets Answer{} (OK / yes /
// first button; a file pop-up is cancelled).
void push_answer(Answer answer);
void set_responder(std::function<Answer(const Popup&)> responder);  // overrides the queue
const std::vector<Popup>& popups();
void clear_popups();

// Runs `step` inside the next RunUserInterface (nested loops included), once.
void post(std::function<void()> step);
// Runs `step` once inside the next outermost RunUserInterface (loop depth 1), after any
// nested loops that come first.
void at_main_loop(std::function<void()> step);
// Runs `step` when the next modal panel is installed with InstallPopup, inside its loop.
void on_install_popup(std::function<void(int panel)> step);

// User actions, through the run-time's own dispatch to callbacks (value changed, then
// commit, as the toolkit delivers them).
void set_value(int panel, int control, int value);  // user edit + commit
void set_value(int panel, int control, double value);
void set_value(int panel, int control, const char* value);
void select_index(int panel, int control, int index);  // ring / list pick + commit
void press(int panel, int control);                    // button press (commit)
void click(int panel, int control);                    // left click
void double_click(int panel, int control);
void send_event(int panel, int control, int event, int eventData1 = 0, int eventData2 = 0);
void pick_menu(int menuBar, int item);          // menu item chosen
void close_window(int panel);                   // window close request
void resize(int panel, int width, int height);  // panel resized by the user

// Idle events: delivered only through this call in scripted mode (to the main callback,
// when idle events are enabled and no modal pop-up is up). Returns false if none was sent.
bool idle();
int idle_rate();     // last rate set with SetIdleEventRate
int mouse_cursor();  // last cursor set

// Inspection.
bool panel_visible(int panel);
bool panel_in_front(int panel);  // shown, with no panel of its window over it
bool ctrl_exists(int panel, int control);
int plot_count(int panel, int control);                        // plots on a graph
std::vector<double> plot_y(int panel, int control, int plot);  // y values of plot n (0 first)
int plot_color(int panel, int control, int plot);
// The range an axis of a graph is drawn with; false when the control is no graph.
bool axis_range(int panel, int control, bool y_axis, double& lo, double& hi);
// What the chart view of a graph draws: the points of plot n, the plots shown; -1 while
// the graph has no view (never shown, or the chart module missing).
int drawn_points(int panel, int control, int plot);
int drawn_plots(int panel, int control);
double tick_step(int panel, int control, bool y_axis);  // 0 off round numbers, -1 undrawn
std::vector<std::string> list_labels(int panel, int control);
int text_box_line_color(int panel, int control, int line);  // -1: the box's own
int top_level_panel();  // the frame window's handle, 0 when none
// Where a panel is drawn in its window, title strip included, in the window's pixels
// (device-independent); false when the panel has never been on screen.
bool panel_rect(int panel, int& left, int& top, int& width, int& height);
// The window a panel is drawn in (its own or its top-level parent's), as the platform's
// window id; 0 when it has none yet.
unsigned long window_id(int panel);
// What is wrong with the layout of a panel on screen, one line each: a visible text that
// does not fit its control or caption, visible controls or captions that overlap, a menu
// bar that cannot show all its menus. Empty when nothing is.
std::vector<std::string> layout_faults(int panel);
int last_quit_value();

// A rectangle dragged on a graph, in axis values (as the user's drag ends), and the pointer
// readout with the pointer at a value ("" away from every plot or with no chart view).
void zoom_graph(int panel, int control, double x_lo, double x_hi, double y_lo, double y_hi);
std::string graph_readout(int panel, int control, double x, double y);

}  // namespace uirt::test
