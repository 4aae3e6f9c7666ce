// Painting inside a benchmark that runs in the program's first pass of the event loop: a
// window shown there is not exposed until the window system's events are processed, and
// repainting an unexposed window paints nothing.
#pragma once

#include <QApplication>
#include <QWidget>
#include <QWindow>

namespace bench {

// Processes events until every visible window is exposed (bounded), outside any timing.
inline bool expose_windows() {
    for (int pass = 0; pass < 100; ++pass) {
        bool all = true;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !(w->windowHandle() && w->windowHandle()->isExposed()))
                all = false;
        if (all) return true;
        QCoreApplication::processEvents();
    }
    return false;
}

// What the action left for the event loop done, then every visible window painted now.
inline void paint_windows() {
    QCoreApplication::sendPostedEvents();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) w->repaint();
}

}  // namespace bench
