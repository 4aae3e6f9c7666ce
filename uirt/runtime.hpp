// The run-time's state and its one dispatch path: every user action, whether it comes
// from a Qt signal or from a test hook, reaches the callbacks through these functions.
#pragma once

#include <QPointer>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "uirt.hpp"
#include "uirt_test.hpp"

class QEventLoop;
class QTimer;
class QWidget;

namespace uirt::detail {

class Panel;
class Control;
class MenuBar;

struct LoopLevel {
    QEventLoop* loop = nullptr;
    int value = 0;
    bool quitting = false;
};

struct Runtime {
    std::map<int, std::unique_ptr<Panel>> panels;
    std::map<int, std::unique_ptr<MenuBar>> menu_bars;
    int next_handle = 1;  // panels and menu bars share one handle space

    std::map<std::string, CtrlCallbackPtr, std::less<>> callbacks;
    std::map<std::string, MenuCallbackPtr, std::less<>> menu_callbacks;

    MainCallbackPtr main_callback = nullptr;
    void* main_data = nullptr;
    bool idle_enabled = false;
    int idle_rate = 100;  // ms
    QTimer* idle_timer = nullptr;
    bool in_idle = false;

    std::vector<int> popup_panels;  // InstallPopup stack, last on top
    int modal_dialogs = 0;          // message, confirm, generic and file pop-ups up

    std::vector<LoopLevel*> loops;
    std::optional<int> pending_quit;  // QuitUserInterface with no loop running
    int last_quit = 0;

    int cursor = VAL_DEFAULT_CURSOR;
    bool cursor_overridden = false;

    // Scripted mode.
    bool scripted = false;
    std::deque<test::Answer> answers;
    std::function<test::Answer(const test::Popup&)> responder;
    std::vector<test::Popup> popups_seen;
    std::deque<std::function<void()>> steps;
    std::deque<std::function<void()>> main_loop_steps;
    std::function<void(int)> on_install_popup;
};

Runtime& rt();

// Creates the QApplication when none exists; false when Qt cannot start.
bool ensure_app();

Panel* find_panel(int handle);
// The control, or null with `error` set to UIE_BAD_HANDLE / UIE_BAD_CONTROL.
Control* find_control(int panel, int control, int& error);
MenuBar* find_menu_bar(int handle);
int new_handle();

// The window pop-ups belong to and open centred on: the topmost pop-up panel, else the
// program's top-level window (built, though maybe not yet shown); null when there is none.
QWidget* program_window();
// Moves a window so that it is centred on `owner` (on the screen when `owner` is null) and
// wholly on the screen.
void centre_on(QWidget* window, QWidget* owner);

// A panel takes user input unless a popup panel other than it (or its ancestors) is up.
bool accepts_user_input(int panel);
bool idle_allowed();
// Sends one idle event when allowed; returns whether it was sent.
bool deliver_idle();
void restart_idle_timer();

// Event delivery: the main callback first, then the control's or panel's own.
void dispatch_control_event(int panel, int control, int event, int data1 = 0, int data2 = 0);
void dispatch_panel_event(int panel, int event, int data1 = 0, int data2 = 0);
void dispatch_menu_pick(int menu_bar, int item);

// Brackets a modal pop-up: no idle events, default cursor while it is up.
class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    bool cursor_pushed_ = false;
};

// Runs posted test steps inside the innermost loop.
void schedule_steps();
// Runs the steps kept for the main loop: an outermost loop with no popup panel up.
void schedule_main_loop_steps();

}  // namespace uirt::detail
