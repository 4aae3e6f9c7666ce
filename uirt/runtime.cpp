#include "runtime.hpp"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "control.hpp"
#include "font_config.hpp"
#include "menu_bar.hpp"
#include "panel.hpp"
#include "style.hpp"

namespace uirt::detail {

// Never destroyed: at process exit Qt's own statics may already be gone, so widgets
// are torn down only by CloseCVIRTE.
Runtime& rt() {
    static Runtime* runtime = new Runtime();
    return *runtime;
}

int new_handle() {
    return rt().next_handle++;
}

Panel* find_panel(int handle) {
    auto it = rt().panels.find(handle);
    return it == rt().panels.end() ? nullptr : it->second.get();
}

Control* find_control(int panel, int control, int& error) {
    Panel* p = find_panel(panel);
    if (!p) {
        error = UIE_BAD_HANDLE;
        return nullptr;
    }
    Control* c = p->control(control);
    error = c ? 0 : UIE_BAD_CONTROL;
    return c;
}

MenuBar* find_menu_bar(int handle) {
    auto it = rt().menu_bars.find(handle);
    return it == rt().menu_bars.end() ? nullptr : it->second.get();
}

QWidget* program_window() {
    Runtime& r = rt();
    if (!r.popup_panels.empty())
        if (Panel* p = find_panel(r.popup_panels.back()); p && p->displayed())
            return p->window()->window();
    // The window the user works in, when it is one of the program's: a pop-up comes over it.
    if (QWidget* active = QApplication::activeWindow())
        for (const auto& [handle, p] : r.panels)
            if (p->top_level() && p->displayed() && p->window() == active) return active;
    Panel* first = nullptr;
    for (const auto& [handle, p] : r.panels) {
        if (!p->top_level()) continue;
        if (p->displayed()) return p->window();
        if (!first) first = p.get();
    }
    return first ? first->window() : nullptr;
}

void centre_on(QWidget* window, QWidget* owner) {
    QRect over;
    if (owner && owner != window)
        over = owner->isVisible() ? owner->frameGeometry()
                                  : QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    if (over.isEmpty()) return;
    QPoint at = over.center() - QPoint(window->width() / 2, window->height() / 2);
    // Wholly on the screen, however near its edge the owner lies.
    const QScreen* screen = QGuiApplication::screenAt(over.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect room = screen->availableGeometry();
        const QSize size = window->frameGeometry().size().expandedTo(window->size());
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - size.width())));
        at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height())));
    }
    window->move(at);
}

bool accepts_user_input(int panel) {
    const Runtime& r = rt();
    if (r.modal_dialogs > 0) return false;
    if (r.popup_panels.empty()) return true;
    for (Panel* p = find_panel(panel); p != nullptr; p = p->parent_panel())
        if (p->handle() == r.popup_panels.back()) return true;
    return false;
}

bool idle_allowed() {
    const Runtime& r = rt();
    return r.main_callback != nullptr && r.idle_enabled && r.popup_panels.empty() &&
           r.modal_dialogs == 0 && !r.in_idle;
}

bool deliver_idle() {
    if (!idle_allowed()) return false;
    Runtime& r = rt();
    r.in_idle = true;
    r.main_callback(0, 0, EVENT_IDLE, r.main_data, 0, 0);
    r.in_idle = false;
    return true;
}

void restart_idle_timer() {
    Runtime& r = rt();
    if (!r.idle_timer) return;
    if (r.scripted || !r.main_callback || !r.idle_enabled) {
        r.idle_timer->stop();
        return;
    }
    r.idle_timer->start(r.idle_rate);
}

void dispatch_control_event(int panel, int control, int event, int data1, int data2) {
    if (MainCallbackPtr main = rt().main_callback)
        main(panel, control, event, rt().main_data, data1, data2);
    int error = 0;
    if (Control* c = find_control(panel, control, error); c && c->callback())
        c->callback()(panel, control, event, c->callback_data(), data1, data2);
}

void dispatch_panel_event(int panel, int event, int data1, int data2) {
    if (MainCallbackPtr main = rt().main_callback)
        main(panel, 0, event, rt().main_data, data1, data2);
    if (Panel* p = find_panel(panel); p && p->callback)
        p->callback(panel, 0, event, p->callback_data, data1, data2);
}

void dispatch_menu_pick(int menu_bar, int item) {
    MenuBar* bar = find_menu_bar(menu_bar);
    if (!bar || !bar->item_enabled(item) || !accepts_user_input(bar->panel())) return;
    const int panel = bar->panel();
    MenuCallbackPtr callback = nullptr;
    bar->item_callback(item, callback);
    if (MainCallbackPtr main = rt().main_callback)
        main(menu_bar, item, EVENT_COMMIT, rt().main_data, panel, 0);
    if (callback) callback(menu_bar, item, nullptr, panel);
}

ModalScope::ModalScope() {
    ++rt().modal_dialogs;
    if (rt().cursor_overridden && QGuiApplication::instance()) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        cursor_pushed_ = true;
    }
}

ModalScope::~ModalScope() {
    --rt().modal_dialogs;
    if (cursor_pushed_) QGuiApplication::restoreOverrideCursor();
}

static void run_next_step() {
    Runtime& r = rt();
    if (r.steps.empty()) return;
    std::function<void()> step = std::move(r.steps.front());
    r.steps.pop_front();
    step();
    if (!r.steps.empty() && !r.loops.empty()) schedule_steps();
}

void schedule_steps() {
    QTimer::singleShot(0, &run_next_step);
}

static bool in_main_loop() {
    return rt().loops.size() == 1 && rt().popup_panels.empty();
}

static void run_main_loop_step() {
    Runtime& r = rt();
    if (r.main_loop_steps.empty() || !in_main_loop()) return;
    std::function<void()> step = std::move(r.main_loop_steps.front());
    r.main_loop_steps.pop_front();
    step();
    schedule_main_loop_steps();
}

void schedule_main_loop_steps() {
    if (!rt().main_loop_steps.empty() && in_main_loop()) QTimer::singleShot(0, &run_main_loop_step);
}

// ---- application ------------------------------------------------------------------------

namespace {

struct Arguments {
    std::vector<std::string> texts;
    std::vector<char*> pointers;
    int count = 0;
};

Arguments& arguments() {
    static Arguments args;
    return args;
}

std::unique_ptr<QApplication>& application() {
    static auto* app = new std::unique_ptr<QApplication>();
    return *app;
}

bool platform_available() {
    if (const char* p = std::getenv("QT_QPA_PLATFORM"); p != nullptr && *p != '\0') return true;
    if (rt().scripted) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return true;
    }
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

}  // namespace

namespace {

std::string program_name() {
    const std::vector<std::string>& texts = arguments().texts;
    return texts.empty() ? std::string("uirt") : texts.front();
}

QtMessageHandler previous_handler = nullptr;

// While Qt starts, a fatal error (no display to connect to, no usable platform) ends the
// process with the run-time's failure code and a plain message, not with an abort.
void startup_messages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        if (previous_handler) previous_handler(type, context, text);
        return;
    }
    std::fprintf(stderr, "%s: the user interface cannot start: %s\n", program_name().c_str(),
                 text.toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(-1);
}

}  // namespace

bool start_app(int argc, char** argv) {
    if (QCoreApplication::instance())
        return qobject_cast<QApplication*>(QCoreApplication::instance());
    // The program takes no options, so none reaches Qt: only the program's name.
    Arguments& args = arguments();
    args.texts.assign(1, argc > 0 && argv != nullptr && argv[0] != nullptr ? argv[0] : "uirt");
    if (!platform_available()) {
        std::fprintf(stderr,
                     "%s: the user interface cannot start: no display (DISPLAY is not set)\n",
                     program_name().c_str());
        return false;
    }
    begin_loading_fonts();
    args.pointers = {args.texts.front().data(), nullptr};
    args.count = 1;
    previous_handler = qInstallMessageHandler(startup_messages);
    application() = std::make_unique<QApplication>(args.count, args.pointers.data());
    qInstallMessageHandler(previous_handler);
    QApplication::setQuitOnLastWindowClosed(false);
    install_style();
    Runtime& r = rt();
    r.idle_timer = new QTimer();
    QObject::connect(r.idle_timer, &QTimer::timeout, [] { deliver_idle(); });
    restart_idle_timer();
    return true;
}

bool ensure_app() {
    if (QCoreApplication::instance()) return true;
    return start_app(0, nullptr);
}

void stop_app() {
    Runtime& r = rt();
    // Children first: a child panel's window lives inside its parent's.
    while (!r.panels.empty()) {
        auto it = std::prev(r.panels.end());
        r.panels.erase(it);
    }
    r.menu_bars.clear();
    delete r.idle_timer;
    r.idle_timer = nullptr;
    r.popup_panels.clear();
    finish_loading_fonts();  // the application's font database ends the configuration
    application().reset();
}

}  // namespace uirt::detail
