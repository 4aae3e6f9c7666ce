// Baseline: QApplication and a QWidget of the given size, shown.
//   bench_baseline_window W H        marks the event loop's start, then leaves
//   bench_baseline_window W H idle   stays in the loop with a 100 ms timer
//   bench_baseline_window W H text   as the first, with one caption in the window: the least
//                                    any window showing text pays for fonts at start-up
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <cstring>

#include "ready_mark.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int w = argc > 1 ? std::atoi(argv[1]) : 640;
    const int h = argc > 2 ? std::atoi(argv[2]) : 480;
    const bool idle = argc > 3 && std::strcmp(argv[3], "idle") == 0;
    const bool text = argc > 3 && std::strcmp(argv[3], "text") == 0;
    QWidget window;
    window.resize(w, h);
    if (text) (new QLabel("Function", &window))->adjustSize();
    window.show();
    QTimer timer;
    if (idle) {
        int ticks = 0;
        QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start(100);
    }
    // Left the way the program leaves its main loop: the loop ends, the window stays.
    QEventLoop loop;
    if (!idle)
        QTimer::singleShot(0, &app, [&loop] {
            mark_ready();
            loop.exit(0);
        });
    return loop.exec();
}
