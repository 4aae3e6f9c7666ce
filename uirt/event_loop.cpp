// The event loop, idle events, the main callback and the mouse cursor.
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <array>
#include <chrono>
#include <thread>

#include "runtime.hpp"

namespace uirt {

using namespace detail;

namespace {

struct CursorShape {
    int code;
    Qt::CursorShape shape;
};
constexpr std::array<CursorShape, 2> cursor_shapes{{
    {VAL_HOUR_GLASS_CURSOR, Qt::WaitCursor},
    {0, Qt::ArrowCursor},
}};

}  // namespace

int RunUserInterface() {
    if (!ensure_app()) return -1;
    Runtime& r = rt();
    if (r.pending_quit) {
        const int value = *r.pending_quit;
        r.pending_quit.reset();
        r.last_quit = value;
        return value;
    }
    QEventLoop loop;
    LoopLevel level{&loop};
    r.loops.push_back(&level);
    if (r.scripted && !r.steps.empty()) schedule_steps();
    if (r.scripted) schedule_main_loop_steps();
    loop.exec();
    std::erase(r.loops, &level);
    r.last_quit = level.value;
    return level.value;
}

int QuitUserInterface(int value) {
    Runtime& r = rt();
    for (auto it = r.loops.rbegin(); it != r.loops.rend(); ++it) {
        LoopLevel* level = *it;
        if (level->quitting) continue;
        level->quitting = true;
        level->value = value;
        level->loop->exit(value);
        return 0;
    }
    // No loop runs yet: the next RunUserInterface returns at once.
    r.pending_quit = value;
    return 0;
}

int InstallMainCallback(MainCallbackPtr callback, void* callbackData, int enableIdleEvents) {
    Runtime& r = rt();
    r.main_callback = callback;
    r.main_data = callbackData;
    r.idle_enabled = enableIdleEvents != 0;
    restart_idle_timer();
    return 0;
}

int SetIdleEventRate(int milliseconds) {
    if (milliseconds < 0) return UIE_BAD_VALUE;
    Runtime& r = rt();
    r.idle_rate = milliseconds;
    // A running timer keeps its phase; the new period applies from the next event.
    if (r.idle_timer && r.idle_timer->isActive())
        r.idle_timer->setInterval(milliseconds);
    else
        restart_idle_timer();
    return 0;
}

int ProcessSystemEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
    return 0;
}

void Delay(double seconds) {
    if (seconds > 0.0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

int SetMouseCursor(int cursor) {
    Runtime& r = rt();
    if (cursor == VAL_DEFAULT_CURSOR) {
        if (r.cursor_overridden && QGuiApplication::instance())
            QGuiApplication::restoreOverrideCursor();
        r.cursor_overridden = false;
        r.cursor = cursor;
        return 0;
    }
    const auto* found = std::find_if(cursor_shapes.begin(), cursor_shapes.end(),
                                     [&](const CursorShape& c) { return c.code == cursor; });
    if (found == cursor_shapes.end()) return UIE_BAD_VALUE;
    r.cursor = cursor;
    if (!ensure_app()) return 0;
    if (r.cursor_overridden)
        QGuiApplication::changeOverrideCursor(QCursor(found->shape));
    else
        QGuiApplication::setOverrideCursor(QCursor(found->shape));
    r.cursor_overridden = true;
    return 0;
}

int GetMouseCursor(int* cursor) {
    if (cursor) *cursor = rt().cursor;
    return 0;
}

}  // namespace uirt
