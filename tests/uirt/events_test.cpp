// User actions, callbacks by name, the nested event loop, idle events and pop-ups.
#include <QCursor>
#include <QGuiApplication>

#include "recorder.hpp"
#include "support.hpp"

namespace uirt_tests {
namespace {

using namespace uirt;

class Events : public LoadedPanel {
protected:
    void SetUp() override {
        LoadedPanel::SetUp();
        events().clear();
    }
};

TEST_F(Events, UserActionsReachTheMainCallbackThenTheControls) {
    InstallMainCallback(&record_main, nullptr, 0);

    test::set_value(panel, NUM_DBL, 2.5);
    EXPECT_EQ(events(), (std::vector<Event>{{'M', panel, NUM_DBL, EVENT_VAL_CHANGED},
                                            {'C', panel, NUM_DBL, EVENT_VAL_CHANGED},
                                            {'M', panel, NUM_DBL, EVENT_COMMIT},
                                            {'C', panel, NUM_DBL, EVENT_COMMIT}}));
    double d = 0;
    GetCtrlVal(panel, NUM_DBL, &d);
    EXPECT_EQ(d, 2.5);

    // A mouse press on a button: the click, then the commit.
    InstallMainCallback(nullptr, nullptr, 0);
    events().clear();
    test::press(panel, BUTTON);
    EXPECT_EQ(events(), (std::vector<Event>{{'C', panel, BUTTON, EVENT_LEFT_CLICK},
                                            {'C', panel, BUTTON, EVENT_COMMIT}}));

    // Picks commit only; the ring's value follows the pick.
    events().clear();
    test::select_index(panel, RING, 1);
    test::set_value(panel, SWITCH, 1);
    EXPECT_EQ(events(), (std::vector<Event>{{'C', panel, RING, EVENT_COMMIT},
                                            {'C', panel, SWITCH, EVENT_COMMIT}}));
    int i = 0;
    GetCtrlVal(panel, RING, &i);
    EXPECT_EQ(i, 10);

    // Indicators and the graph take clicks; a double click on a list item.
    events().clear();
    InsertListItem(panel, LIST, -1, "first", "A");
    test::click(panel, IND_DBL);
    test::click(panel, GRAPH);
    test::double_click(panel, LIST);
    EXPECT_EQ(events(), (std::vector<Event>{{'C', panel, IND_DBL, EVENT_LEFT_CLICK},
                                            {'C', panel, GRAPH, EVENT_LEFT_CLICK},
                                            {'C', panel, LIST, EVENT_LEFT_CLICK},
                                            {'C', panel, LIST, EVENT_LEFT_DOUBLE_CLICK}}));

    // Indicators cannot be edited, dimmed and hidden controls give nothing, and the
    // program's own writes send no events.
    events().clear();
    test::set_value(panel, IND_DBL, 9.0);
    SetCtrlAttribute(panel, BUTTON, ATTR_DIMMED, 1);
    test::press(panel, BUTTON);
    SetCtrlAttribute(panel, NUM_INT, ATTR_CTRL_VISIBLE, 0);
    test::set_value(panel, NUM_INT, 4);
    SetCtrlVal(panel, RING, 20);
    SetCtrlVal(panel, TEXT, "quiet");
    EXPECT_TRUE(events().empty());
    GetCtrlVal(panel, IND_DBL, &d);
    EXPECT_EQ(d, 0.0);
}

TEST_F(Events, PanelEventsAndUnregisteredNames) {
    InstallMainCallback(&record_main, nullptr, 0);
    test::close_window(panel);
    test::resize(panel, 500, 400);
    test::send_event(panel, 0, EVENT_LEFT_CLICK);
    EXPECT_EQ(events(), (std::vector<Event>{{'M', panel, 0, EVENT_CLOSE},
                                            {'C', panel, 0, EVENT_CLOSE},
                                            {'M', panel, 0, EVENT_PANEL_SIZE},
                                            {'C', panel, 0, EVENT_PANEL_SIZE},
                                            {'M', panel, 0, EVENT_LEFT_CLICK},
                                            {'C', panel, 0, EVENT_LEFT_CLICK}}));
    int w = 0, h = 0;
    GetPanelAttribute(panel, ATTR_WIDTH, &w);
    GetPanelAttribute(panel, ATTR_HEIGHT, &h);
    EXPECT_EQ(w, 500);
    EXPECT_EQ(h, 400);

    // The text message names a callback nobody registered: only the main callback hears.
    events().clear();
    test::click(panel, MSG);
    EXPECT_EQ(events(), (std::vector<Event>{{'M', panel, MSG, EVENT_LEFT_CLICK}}));

    // Menu items: callback by name, check marks owned by the program, dimmed items silent.
    const int bar = LoadMenuBar(panel, sample_uir().c_str(), 1);
    ASSERT_GT(bar, 0);
    InstallMainCallback(nullptr, nullptr, 0);
    events().clear();
    test::pick_menu(bar, 3);
    test::pick_menu(bar, 4);
    EXPECT_EQ(events(), (std::vector<Event>{{'N', bar, 3, panel}}));
    int checked = -1;
    GetMenuBarAttribute(bar, 3, ATTR_CHECKED, &checked);
    EXPECT_EQ(checked, 0);
    SetMenuBarAttribute(bar, 3, ATTR_CHECKED, 1);
    GetMenuBarAttribute(bar, 3, ATTR_CHECKED, &checked);
    EXPECT_EQ(checked, 1);
    SetMenuBarAttribute(bar, 1, ATTR_MENU_DIMMED, 1);
    events().clear();
    test::pick_menu(bar, 1);
    EXPECT_TRUE(events().empty());
    EXPECT_LT(SetMenuBarAttribute(bar, 99, ATTR_CHECKED, 1), 0);
    EXPECT_LT(LoadMenuBar(panel, sample_uir().c_str(), 2), 0);
}

TEST_F(Events, NestedLoopsReturnTheirOwnQuitValues) {
    int inner = -1;
    test::post([&] {
        test::post([] { QuitUserInterface(7); });
        inner = RunUserInterface();
        QuitUserInterface(3);
    });
    EXPECT_EQ(RunUserInterface(), 3);
    EXPECT_EQ(inner, 7);
    EXPECT_EQ(test::last_quit_value(), 3);

    // A quit asked for before any loop runs ends the next loop at once.
    QuitUserInterface(0);
    EXPECT_EQ(RunUserInterface(), 0);
}

TEST_F(Events, MainLoopStepsWaitForTheOutermostLoop) {
    std::vector<std::string> order;
    test::at_main_loop([&] {
        order.push_back("main");
        QuitUserInterface(9);
    });
    // A start-up dialog runs its own loop first, with its panel installed as a popup.
    const int dialog = load(2, panel);
    InstallPopup(dialog);
    test::post([&] {
        order.push_back("dialog");
        RemovePopup(0);
        QuitUserInterface(1);
    });
    EXPECT_EQ(RunUserInterface(), 1);
    EXPECT_EQ(RunUserInterface(), 9);
    EXPECT_EQ(order, (std::vector<std::string>{"dialog", "main"}));
}

int idle_count = 0;
int nested_idle_sent = -1;
int count_idle(int, int, int event, void*, int, int) {
    if (event == EVENT_IDLE) {
        ++idle_count;
        nested_idle_sent = test::idle() ? 1 : 0;  // never re-entrant
    }
    return 0;
}

TEST_F(Events, IdleEventsStopWhilePopupsAreUp) {
    EXPECT_FALSE(test::idle());  // no main callback yet
    InstallMainCallback(&count_idle, nullptr, 0);
    EXPECT_FALSE(test::idle());  // idle events off
    InstallMainCallback(&count_idle, nullptr, 1);
    SetIdleEventRate(100);
    EXPECT_TRUE(test::idle());
    EXPECT_EQ(idle_count, 1);
    EXPECT_EQ(nested_idle_sent, 0);
    SetIdleEventRate(1000000);
    EXPECT_EQ(test::idle_rate(), 1000000);

    bool idle_inside_popup = true;
    test::set_responder([&](const test::Popup&) {
        idle_inside_popup = test::idle();
        return test::Answer{};
    });
    MessagePopup("Error", "inside");
    EXPECT_FALSE(idle_inside_popup);

    const int child = load(2, panel);
    InstallPopup(child);
    EXPECT_FALSE(test::idle());
    RemovePopup(0);
    EXPECT_TRUE(test::idle());
    EXPECT_EQ(idle_count, 2);
}

int quit_with_five(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) {
        RemovePopup(0);
        QuitUserInterface(5);
    }
    return 0;
}

TEST_F(Events, APopupPanelTakesAllInput) {
    const int child = load(2, panel);
    InstallPopup(child);
    test::press(panel, BUTTON);
    test::close_window(panel);
    EXPECT_TRUE(events().empty());
    test::press(child, 1);
    EXPECT_EQ(events().size(), 2u);
    RemovePopup(0);
    EXPECT_FALSE(test::panel_visible(child));
    events().clear();
    test::press(panel, BUTTON);
    EXPECT_EQ(events().size(), 2u);

    // A step that acts inside the modal panel's own loop, as the user would.
    RegisterCallback("Cb", &quit_with_five);
    const int dialog = load(2, panel);
    bool was_visible = false;
    test::on_install_popup([&](int p) {
        was_visible = test::panel_visible(p);
        test::press(p, 1);
    });
    InstallPopup(dialog);
    EXPECT_EQ(RunUserInterface(), 5);
    EXPECT_TRUE(was_visible);
}

TEST_F(Events, ScriptedPopupsAreRecordedAndAnswered) {
    SetMouseCursor(VAL_HOUR_GLASS_CURSOR);
    EXPECT_EQ(test::mouse_cursor(), VAL_HOUR_GLASS_CURSOR);
    Qt::CursorShape shape_inside = Qt::WaitCursor;
    test::set_responder([&](const test::Popup& popup) {
        shape_inside = QGuiApplication::overrideCursor()->shape();
        if (popup.kind == "confirm") return test::Answer{0, {}};
        if (popup.kind == "generic") return test::Answer{2, "typed"};
        return test::Answer{2, scratch_dir() + "/state"};
    });
    EXPECT_EQ(MessagePopup("Initialize Message", "No Instruments Found.  Livemode Disabled"), 0);
    EXPECT_EQ(shape_inside, Qt::ArrowCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(ConfirmPopup("Exit VO Q7304A", "         OK to Quit?"), 0);
    char response[4];
    EXPECT_EQ(
        GenericMessagePopup("Q", "Which?", "One", "Two", "", response, sizeof response, 0, 0, 1, 2),
        2);
    EXPECT_STREQ(response, "typ");

    // The pattern's extension is added to a bare name; the path fits its buffer.
    char path[MAX_PATHNAME_LEN];
    EXPECT_EQ(FileSelectPopup("", "*.st", "", "Store State", VAL_SAVE_BUTTON, 0, 1, 1, 0, path),
              VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(std::string(path), scratch_dir() + "/state.st");

    const auto& seen = test::popups();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].kind, "message");
    EXPECT_EQ(seen[0].text, "No Instruments Found.  Livemode Disabled");
    EXPECT_EQ(seen[1].title, "Exit VO Q7304A");
    EXPECT_EQ(seen[2].buttons, (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(seen[3].text, "*.st");

    // Queued answers, and a path too long for the buffer, which is refused whole.
    test::set_responder(nullptr);
    test::push_answer({1, "/" + std::string(MAX_PATHNAME_LEN, 'a')});
    std::memset(path, 'x', sizeof path);
    EXPECT_EQ(FileSelectPopup("", "*.st", "", "Recall", VAL_LOAD_BUTTON, 0, 1, 1, 0, path),
              VAL_NO_FILE_SELECTED);
    EXPECT_STREQ(path, "");
    EXPECT_EQ(ConfirmPopup("t", "m"), 1);  // no answer queued: yes
    EXPECT_EQ(FileSelectPopup("", "*.st", "", "Recall", VAL_LOAD_BUTTON, 0, 1, 1, 0, path),
              VAL_NO_FILE_SELECTED);
    SetMouseCursor(VAL_DEFAULT_CURSOR);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace uirt_tests
