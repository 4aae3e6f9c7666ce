// The window as a user meets it, headless: the keyboard (Tab in the panel in front, Return
// and Escape, the focus the program asks for), the layout at a larger font, and texts that
// must show whole.
#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>

#include "recorder.hpp"
#include "panel.hpp"
#include "runtime.hpp"
#include "support.hpp"

namespace uirt_tests {
namespace {

using namespace uirt;

// A frame with a main panel and a secondary panel that has OK and Cancel keys.
std::string window_uir() {
    return write_file("window.uir", R"({"panels": [
  {"id": 1, "title": "Frame", "width": 400, "height": 320, "controls": []},
  {"id": 2, "title": "Main", "top": 20, "width": 400, "height": 300, "controls": [
    {"id": 1, "kind": "numeric_ind", "callback": "Cb", "tab_stop": true, "top": 8, "left": 10, "width": 150, "height": 40, "type": "double", "format": "scientific", "precision": 7, "text_size": 24, "bold": true},
    {"id": 2, "kind": "ring", "label": "Function", "callback": "Cb", "type": "int", "top": 80, "left": 10, "width": 120, "height": 22,
     "items": [{"label": "DC Volts", "value": 0}, {"label": "AC Volts", "value": 1}]},
    {"id": 3, "kind": "numeric", "label": "Samples", "callback": "Cb", "type": "int", "top": 82, "left": 200, "width": 80, "height": 22},
    {"id": 4, "kind": "numeric_ind", "label": "Shown", "type": "int", "top": 130, "left": 200, "width": 80, "height": 22},
    {"id": 5, "kind": "command_button", "label": "Close", "callback": "Cb", "top": 130, "left": 10, "width": 80, "height": 24}
  ]},
  {"id": 3, "title": "Secondary", "top": 20, "width": 400, "height": 300, "controls": [
    {"id": 1, "kind": "numeric", "label": "Count", "callback": "Cb", "type": "int", "top": 50, "left": 200, "width": 80, "height": 22},
    {"id": 2, "kind": "ring", "label": "Source", "callback": "Cb", "type": "int", "top": 50, "left": 10, "width": 120, "height": 22,
     "items": [{"label": "Bus", "value": 0}, {"label": "Immediate", "value": 1}]},
    {"id": 30, "kind": "command_button", "label": "OK", "callback": "Cb", "shortcut": "return", "top": 250, "left": 40, "width": 90, "height": 24},
    {"id": 31, "kind": "command_button", "label": "Cancel", "callback": "Cb", "shortcut": "escape", "top": 250, "left": 160, "width": 90, "height": 24}
  ]}]})");
}

class Window : public Runtime {
protected:
    void SetUp() override {
        Runtime::SetUp();
        register_recorders();
        const std::string file = window_uir();
        frame = LoadPanel(0, file.c_str(), 1);
        main = LoadPanel(frame, file.c_str(), 2);
        secondary = LoadPanel(frame, file.c_str(), 3);
        DisplayPanel(main);
        DisplayPanel(frame);
        QWidget* window = QApplication::topLevelWidgets().front();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) window = w;
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    static QWidget* focus() { return QApplication::focusWidget(); }
    static bool focus_on(int panel, int control) {
        return focus() && focus()->objectName() == QString("control %1").arg(control) &&
               test::panel_visible(panel);
    }
    static void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(focus(), k, m);
    }
    int frame = 0, main = 0, secondary = 0;
};

TEST_F(Window, TabWalksThePanelInFrontInReadingOrderAndReturnAndEscapePressItsKeys) {
    // The main panel comes up with the focus on its first tab stop, the reading display;
    // rows from the top, each from the left, indicators that are no tab stops skipped.
    EXPECT_TRUE(focus_on(main, 1));
    for (int expected : {2, 3, 5, 1}) {
        key(Qt::Key_Tab);
        EXPECT_TRUE(focus_on(main, expected)) << expected;
    }
    key(Qt::Key_Backtab);
    EXPECT_TRUE(focus_on(main, 5));
    // Space on the reading display is a click.
    key(Qt::Key_Tab);
    events().clear();
    key(Qt::Key_Space);
    EXPECT_EQ(events(), (std::vector<Event>{{'C', main, 1, EVENT_LEFT_CLICK}}));

    // Over it the secondary panel takes the focus, and Tab never leaves it.
    DisplayPanel(secondary);
    EXPECT_TRUE(focus_on(secondary, 2));
    for (int expected : {1, 30, 31, 2}) {
        key(Qt::Key_Tab);
        EXPECT_TRUE(focus_on(secondary, expected)) << expected;
    }
    key(Qt::Key_Backtab);
    EXPECT_TRUE(focus_on(secondary, 31));

    // Return in a field commits it and nothing else; elsewhere it is OK, and on a button
    // it presses that button; Escape is Cancel.
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    ASSERT_TRUE(focus_on(secondary, 1));
    QTest::keyClicks(focus(), "7");
    events().clear();
    key(Qt::Key_Return);
    EXPECT_EQ(events(), (std::vector<Event>{{'C', secondary, 1, EVENT_VAL_CHANGED},
                                            {'C', secondary, 1, EVENT_COMMIT}}));
    events().clear();
    key(Qt::Key_Escape);
    EXPECT_EQ(events(), (std::vector<Event>{{'C', secondary, 31, EVENT_LEFT_CLICK},
                                            {'C', secondary, 31, EVENT_COMMIT}}));
    key(Qt::Key_Backtab);
    ASSERT_TRUE(focus_on(secondary, 2));
    events().clear();
    key(Qt::Key_Return);
    EXPECT_EQ(events().back(), (Event{'C', secondary, 30, EVENT_COMMIT}));
    key(Qt::Key_Backtab);
    ASSERT_TRUE(focus_on(secondary, 31));
    events().clear();
    key(Qt::Key_Return);
    EXPECT_EQ(events().back(), (Event{'C', secondary, 31, EVENT_COMMIT}));

    // Hidden again, it gives the focus back to the panel beneath.
    HidePanel(secondary);
    EXPECT_TRUE(focus() && main && focus()->parentWidget() &&
                focus()->objectName().startsWith("control "));
    EXPECT_FALSE(focus_on(secondary, 31));
}

TEST_F(Window, TheFocusTheProgramAsksForLeavesAControlTheUserWorksIn) {
    // From the reading display (an indicator) it moves at once.
    ASSERT_TRUE(focus_on(main, 1));
    SetActiveCtrl(main, 2);
    EXPECT_TRUE(focus_on(main, 2));
    // A field being typed into, or another control, keeps it; the active control is noted.
    key(Qt::Key_Tab);
    ASSERT_TRUE(focus_on(main, 3));
    QTest::keyClicks(focus(), "1");
    SetActiveCtrl(main, 2);
    EXPECT_TRUE(focus_on(main, 3));
    EXPECT_EQ(GetActiveCtrl(main), 2);
    EXPECT_EQ(static_cast<QLineEdit*>(focus())->text().right(1), "1");
    // A panel behind another never takes it.
    DisplayPanel(secondary);
    SetActiveCtrl(main, 5);
    EXPECT_TRUE(focus_on(secondary, 2));
}

TEST_F(Window, AnIndicatorShowsItsWholeTextSignFirst) {
    SetCtrlVal(main, 1, -1.9876543e+02);
    SetCtrlVal(main, 4, -1234567);
    EXPECT_TRUE(test::layout_faults(main).empty());
    auto* reading = static_cast<QLineEdit*>(focus());
    ASSERT_TRUE(focus_on(main, 1));
    EXPECT_EQ(reading->text(), "-1.9876543e+02");
    EXPECT_EQ(reading->cursorPosition(), 0);
    EXPECT_LT(reading->font().pointSize(), 24);  // smaller than designed, so it fits
    // The check itself sees a control too narrow for its text.
    SetCtrlAttribute(main, 2, ATTR_WIDTH, 30);
    EXPECT_FALSE(test::layout_faults(main).empty());
}

class LargerFont : public Window {
protected:
    void SetUp() override {
        CloseCVIRTE();
        ::setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
        ::setenv("QT_FONT_DPI", "144", 1);
        Window::SetUp();
    }
};

TEST_F(LargerFont, PanelsGrowWithTheFontAndTheProgramStillSeesTheirResourceGeometry) {
    DisplayPanel(secondary);
    int width = 0, left = 0;
    GetCtrlAttribute(secondary, 1, ATTR_WIDTH, &width);
    GetCtrlAttribute(secondary, 1, ATTR_LEFT, &left);
    EXPECT_EQ(width, 80);
    EXPECT_EQ(left, 200);
    const QWidget* count = focus()->parentWidget()->findChild<QWidget*>("control 1");
    ASSERT_NE(count, nullptr);
    EXPECT_NEAR(count->width(), 120, 2);
    EXPECT_NEAR(count->x(), 300, 3);
    EXPECT_TRUE(test::layout_faults(secondary).empty());
    EXPECT_TRUE(test::layout_faults(frame).empty());
    HidePanel(secondary);
    SetCtrlVal(main, 1, -1.9876543e+02);
    EXPECT_TRUE(test::layout_faults(main).empty());
}

// A pop-up comes up over the window the user works in, wholly on the screen even when that
// window lies at the screen's edge.
TEST_F(Window, PopUpsComeUpOverTheirWindowWhollyOnTheScreen) {
    const std::string file = window_uir();
    const int other = LoadPanel(0, file.c_str(), 3);
    DisplayPanel(other);
    ASSERT_NE(detail::find_panel(other), nullptr);
    QWidget* window = detail::find_panel(other)->window();
    QApplication::setActiveWindow(window);
    EXPECT_EQ(detail::program_window(), window);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QPoint corner : {screen.bottomRight() - QPoint(60, 40), screen.topLeft()}) {
        window->move(corner);
        QDialog dialog(detail::program_window());
        dialog.resize(420, 300);
        detail::centre_on(&dialog, detail::program_window());
        EXPECT_TRUE(screen.contains(QRect(dialog.pos(), dialog.size()))) << corner.x();
    }
    window->move(screen.center() - QPoint(50, 50));
    QDialog dialog(detail::program_window());
    dialog.resize(120, 80);
    detail::centre_on(&dialog, window);
    EXPECT_LE((QRect(dialog.pos(), dialog.size()).center() - window->frameGeometry().center())
                  .manhattanLength(),
              2);
}

}  // namespace
}  // namespace uirt_tests
