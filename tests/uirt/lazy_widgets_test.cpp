// A panel's widgets are built when it is first shown; until then its model answers
// everything, and the widgets built later show what was set.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "recorder.hpp"
#include "support.hpp"

namespace uirt_tests {
namespace {

using namespace uirt;

class LazyWidgets : public Runtime {
protected:
    void SetUp() override {
        CloseCVIRTE();  // no widgets left from an earlier test in this process
        Runtime::SetUp();
        register_recorders();
    }
    static qsizetype widgets() { return QApplication::allWidgets().size(); }
};

TEST_F(LazyWidgets, AHiddenPanelAnswersFromItsModelAndShowsItWhenDisplayed) {
    const qsizetype before = widgets();
    const int panel = load();
    ASSERT_GT(panel, 0);
    EXPECT_EQ(widgets(), before);

    SetCtrlVal(panel, NUM_DBL, 1.5);
    SetCtrlAttribute(panel, NUM_DBL, ATTR_LEFT, 31);
    SetCtrlAttribute(panel, NUM_DBL, ATTR_TOP, 47);
    SetCtrlAttribute(panel, NUM_DBL, ATTR_WIDTH, 0);  // at least one pixel
    SetCtrlAttribute(panel, NUM_DBL, ATTR_WIDTH, 77);
    InsertListItem(panel, RING, -1, "100 V", 30);
    SetCtrlIndex(panel, RING, 3);
    SetCtrlAttribute(panel, BUTTON, ATTR_DIMMED, 1);
    SetPanelAttribute(panel, ATTR_TITLE, "Renamed");
    SetCtrlVal(panel, TEXT, "kept out of sight");
    SetCtrlAttribute(panel, TEXT, ATTR_CTRL_VISIBLE, 0);
    const std::vector<double> y{1.0, 2.0, 3.0};
    EXPECT_GT(PlotY(panel, GRAPH, y.data(), y.size(), VAL_DOUBLE, VAL_THIN_LINE, VAL_SOLID_SQUARE,
                    VAL_SOLID, 1, VAL_RED),
              0);

    int v = 0;
    GetCtrlAttribute(panel, NUM_DBL, ATTR_LEFT, &v);
    EXPECT_EQ(v, 31);
    GetCtrlAttribute(panel, NUM_DBL, ATTR_WIDTH, &v);
    EXPECT_EQ(v, 77);
    GetCtrlVal(panel, RING, &v);
    EXPECT_EQ(v, 30);
    EXPECT_EQ(test::plot_y(panel, GRAPH, 0), y);
    // A user action on a panel never shown still reaches its callbacks.
    events().clear();
    test::set_value(panel, NUM_INT, 12);
    EXPECT_EQ(events().back(), (Event{'C', panel, NUM_INT, EVENT_COMMIT}));
    EXPECT_EQ(widgets(), before);

    DisplayPanel(panel);
    EXPECT_GT(widgets(), before);
    QLineEdit* delay = find_widget<QLineEdit>("1.50");
    ASSERT_NE(delay, nullptr);
    EXPECT_EQ(delay->geometry(), QRect(31, 47, 77, 20));
    ASSERT_NE(find_widget<QLineEdit>("12"), nullptr);
    QComboBox* range = nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->count() == 4) range = combo;
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->currentText(), "100 V");
    QPushButton* go = find_widget<QPushButton>("Go");
    ASSERT_NE(go, nullptr);
    EXPECT_FALSE(go->isEnabled());
    EXPECT_EQ(go->window()->windowTitle(), "Renamed");

    // A hidden control gets its widget when it is first made visible.
    EXPECT_EQ(find_widget<QLineEdit>("kept out of sight"), nullptr);
    SetCtrlAttribute(panel, TEXT, ATTR_CTRL_VISIBLE, 1);
    QLineEdit* name = find_widget<QLineEdit>("kept out of sight");
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(name->isVisible());
    ASSERT_NE(find_widget<QLabel>("Name"), nullptr);
    EXPECT_TRUE(find_widget<QLabel>("Name")->isVisible());
}

TEST_F(LazyWidgets, CaptionsKeepTheirWidthRulesBeforeAndAfterShowing) {
    const int panel = load();
    int first = 0, wider = 0, after = 0, shown = 0;
    GetCtrlAttribute(panel, NUM_INT, ATTR_LABEL_WIDTH, &first);
    EXPECT_GT(first, 4);
    SetCtrlAttribute(panel, NUM_INT, ATTR_LABEL_TEXT, "A much longer caption than Count");
    GetCtrlAttribute(panel, NUM_INT, ATTR_LABEL_WIDTH, &wider);
    EXPECT_GT(wider, first);
    SetCtrlAttribute(panel, NUM_INT, ATTR_LABEL_TEXT, "C");  // never narrows
    GetCtrlAttribute(panel, NUM_INT, ATTR_LABEL_WIDTH, &after);
    EXPECT_EQ(after, wider);

    // A caption changed before it was ever measured still widens from the original text.
    SetCtrlAttribute(panel, NUM_DBL, ATTR_LABEL_TEXT, "D");
    int delay = 0;
    GetCtrlAttribute(panel, NUM_DBL, ATTR_LABEL_WIDTH, &delay);
    EXPECT_GT(delay, QFontMetrics(QApplication::font("QLabel")).horizontalAdvance("D") + 4);

    DisplayPanel(panel);
    QLabel* caption = find_widget<QLabel>("C");
    ASSERT_NE(caption, nullptr);
    shown = caption->width();
    EXPECT_EQ(shown, wider);
}

TEST_F(LazyWidgets, ChildAndPopupPanelsAreBuiltWhenFirstShown) {
    const int parent = load();
    const int child = load(2, parent);
    const int popup = load(2, parent);
    ASSERT_GT(popup, 0);
    SetPanelAttribute(parent, ATTR_VSCROLL_OFFSET, 0);
    const qsizetype before = widgets();

    // A child displayed inside a hidden parent is built and shown with the parent.
    DisplayPanel(child);
    EXPECT_TRUE(test::panel_visible(child));
    EXPECT_EQ(widgets(), before);
    DisplayPanel(parent);
    QPushButton* inside = find_widget<QPushButton>("OK");
    ASSERT_NE(inside, nullptr);
    EXPECT_TRUE(inside->isVisible());
    EXPECT_EQ(inside->window()->windowTitle(), "Sample");

    // A panel first shown as a pop-up is its own modal window.
    InstallPopup(popup);
    QWidget* window = nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* ok = qobject_cast<QPushButton*>(w); ok && ok->text() == "OK" && ok->isVisible())
            if (ok->window()->windowModality() == Qt::ApplicationModal) window = ok->window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle(), "Child");
    events().clear();
    test::press(child, 1);  // input outside the pop-up is refused
    EXPECT_TRUE(events().empty());
    RemovePopup(0);
    EXPECT_FALSE(test::panel_visible(popup));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(LazyWidgets, ScrollBarsAskedForLaterScrollTheShownCanvas) {
    const int panel = load();
    DisplayPanel(panel);
    SetPanelAttribute(panel, ATTR_WIDTH, 200);
    SetPanelAttribute(panel, ATTR_HEIGHT, 150);
    int v = -1;
    SetPanelAttribute(panel, ATTR_VSCROLL_OFFSET, 50);  // no scroll bars: nothing moves
    GetPanelAttribute(panel, ATTR_VSCROLL_OFFSET, &v);
    EXPECT_EQ(v, 0);
    QPushButton* go = find_widget<QPushButton>("Go");
    ASSERT_NE(go, nullptr);
    const int top = go->mapTo(go->window(), QPoint(0, 0)).y();

    SetPanelAttribute(panel, ATTR_SCROLL_BARS, VAL_BOTH_SCROLL_BARS);
    SetPanelAttribute(panel, ATTR_VSCROLL_OFFSET, 50);
    GetPanelAttribute(panel, ATTR_VSCROLL_OFFSET, &v);
    EXPECT_EQ(v, 50);
    EXPECT_EQ(go->mapTo(go->window(), QPoint(0, 0)).y(), top - 50);
    EXPECT_TRUE(go->isVisible());
    events().clear();
    test::press(panel, BUTTON);
    EXPECT_EQ(events().back(), (Event{'C', panel, BUTTON, EVENT_COMMIT}));
}

}  // namespace
}  // namespace uirt_tests
