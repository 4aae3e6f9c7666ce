// Without scripted mode: real Qt input and the idle timer reach the same callbacks.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "recorder.hpp"
#include "support.hpp"

namespace uirt_tests {
namespace {

using namespace uirt;

TEST(QtInput, MouseAndKeyboardGiveTheSameEventsAsTheHooks) {
    CloseCVIRTE();  // panels left by earlier tests would hold widgets of the same texts
    ASSERT_EQ(InitCVIRTE(0, nullptr), 1);
    register_recorders();
    const int panel = LoadPanel(0, sample_uir().c_str(), 1);
    ASSERT_GT(panel, 0);
    DisplayPanel(panel);
    events().clear();

    QPushButton* go = find_widget<QPushButton>("Go");
    ASSERT_NE(go, nullptr);
    QTest::mouseClick(go, Qt::LeftButton);
    EXPECT_EQ(events(), (std::vector<Event>{{'C', panel, BUTTON, EVENT_LEFT_CLICK},
                                            {'C', panel, BUTTON, EVENT_COMMIT}}));

    // Typing a number and Enter: value changed, then commit; the value is kept.
    SetCtrlVal(panel, NUM_DBL, 1.5);
    QLineEdit* delay = find_widget<QLineEdit>("1.50");
    ASSERT_NE(delay, nullptr);
    events().clear();
    delay->selectAll();
    QTest::keyClicks(delay, "2.25");
    QTest::keyClick(delay, Qt::Key_Return);
    ASSERT_GE(events().size(), 2u);
    EXPECT_EQ(events()[events().size() - 2], (Event{'C', panel, NUM_DBL, EVENT_VAL_CHANGED}));
    EXPECT_EQ(events().back(), (Event{'C', panel, NUM_DBL, EVENT_COMMIT}));
    double d = 0;
    GetCtrlVal(panel, NUM_DBL, &d);
    EXPECT_EQ(d, 2.25);

    // The switch toggles once per click, and shows its state text.
    QPushButton* toggle = find_widget<QPushButton>("Manual");
    ASSERT_NE(toggle, nullptr);
    events().clear();
    QTest::mouseClick(toggle, Qt::LeftButton);
    int on = 0;
    GetCtrlVal(panel, SWITCH, &on);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(toggle->text(), "Auto");
    EXPECT_EQ(events().back(), (Event{'C', panel, SWITCH, EVENT_COMMIT}));
}

int idles = 0;
int quit_after_three(int, int, int event, void*, int, int) {
    if (event == EVENT_IDLE && ++idles == 3) QuitUserInterface(4);
    return 0;
}

TEST(QtInput, TheIdleTimerDrivesTheMainCallback) {
    ASSERT_EQ(InitCVIRTE(0, nullptr), 1);
    InstallMainCallback(&quit_after_three, nullptr, 1);
    SetIdleEventRate(5);
    EXPECT_EQ(RunUserInterface(), 4);
    EXPECT_EQ(idles, 3);
}

}  // namespace
}  // namespace uirt_tests

namespace uirt_tests {
namespace {

TEST(QtStart, WithoutAnyDisplayTheRunTimeDoesNotStart) {
    ::unsetenv("QT_QPA_PLATFORM");
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(uirt::InitCVIRTE(0, nullptr), 0);
    EXPECT_LT(uirt::LoadPanel(0, sample_uir().c_str(), 1), 0);  // and nothing crashes
    EXPECT_FALSE(uirt::test::idle());
}

}  // namespace
}  // namespace uirt_tests
