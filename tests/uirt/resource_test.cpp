// The resource file: failures of bad files, and the program's own gu7304.uir holding
// every panel, control id and callback name the program relies on.
#include <array>
#include <cstdlib>
#include <map>
#include <set>
#include <string_view>
#include <utility>

#include "recorder.hpp"
#include "resource_file.hpp"
#include "support.hpp"

namespace uirt_tests {
namespace {

using namespace uirt;

TEST_F(Runtime, BadResourceFilesFailWithoutHarm) {
    EXPECT_EQ(LoadPanel(0, (scratch_dir() + "/none.uir").c_str(), 1), UIE_FILE_NOT_FOUND);
    EXPECT_EQ(LoadPanel(0, write_file("junk.uir", "{ panels: oops").c_str(), 1),
              UIE_BAD_FILE_FORMAT);
    EXPECT_EQ(LoadPanel(0,
                        write_file("kind.uir", R"({"panels": [{"id": 1, "controls": [
                            {"id": 2, "kind": "hologram"}]}]})")
                            .c_str(),
                        1),
              UIE_BAD_FILE_FORMAT);
    EXPECT_EQ(LoadPanel(0, sample_uir().c_str(), 42), UIE_RESOURCE_NOT_FOUND);
    EXPECT_EQ(LoadMenuBar(1, sample_uir().c_str(), 1), UIE_BAD_HANDLE);
    EXPECT_GT(LoadPanel(0, sample_uir().c_str(), 1), 0);  // the run-time still works
}

// The file's JSON: escapes to UTF-8, numbers as written, and what is not JSON refused.
TEST(ResourceText, ReadsTheJsonOfTheFileAndRefusesWhatIsNot) {
    using detail::parse_resource_text;
    const auto file = parse_resource_text(
        R"({"panels": [{"id": 3, "title": "\u00b5V \"in\" \ud83d\ude00\/", "width": 1e2,
            "controls": [{"id": 1, "kind": "numeric", "top": 2.5, "min": -0.5e1, "value": "7"}]}]})");
    ASSERT_TRUE(file);
    const detail::PanelDesc& panel = file->panels.at(3);
    EXPECT_EQ(panel.title, "\xc2\xb5V \"in\" \xf0\x9f\x98\x80/");
    EXPECT_EQ(panel.width, 100);
    ASSERT_EQ(panel.controls.size(), 1u);
    EXPECT_EQ(panel.controls[0].top, 0);  // not a whole number
    EXPECT_EQ(panel.controls[0].min, -5.0);
    EXPECT_EQ(panel.controls[0].value, detail::Value{7.0});
    const std::array<std::string, 6> refused{
        {R"({"panels": []} x)", R"({"panels": [}])", R"({"panels": "open)", R"({"t": "\udc00"})",
          std::string(R"({"t": ")") + "\xff\"}", "{\"x\": " + std::string(1100, '[') + std::string(1100, ']') + "}"}};
    for (const std::string& bad : refused) EXPECT_FALSE(parse_resource_text(bad)) << bad;
}

TEST_F(Runtime, BareNamesAreFoundBesideTheExecutableOrInTheResourceFolder) {
    ::unsetenv("UIRT_RESOURCE_DIR");
    EXPECT_GT(LoadPanel(0, "gu7304.uir", 9), 0);
    sample_uir();
    ::setenv("UIRT_RESOURCE_DIR", scratch_dir().c_str(), 1);
    EXPECT_GT(LoadPanel(0, "sample.uir", 2), 0);
    EXPECT_EQ(LoadPanel(0, "gu7304.uir", 9), UIE_FILE_NOT_FOUND);
}

// Every callback name, each registered as its own function so a hit tells the name.
constexpr std::array<std::string_view, 74> names{"VXISlotCallback",
                                                 "VXILogAddrCallback",
                                                 "ConfigRangeCallback",
                                                 "ConfigResolutionCallback",
                                                 "ReadingCallback",
                                                 "ReadingsCallback",
                                                 "UnitsCallback",
                                                 "FunctionCallback",
                                                 "SampleCountCallback",
                                                 "Abort2Callback",
                                                 "SyncButtonCallback",
                                                 "ResetButtonCallback",
                                                 "AboutButtonCallback",
                                                 "CloseButtonCallback",
                                                 "AbortCallback",
                                                 "FetchCallback",
                                                 "SingleTrigCallback",
                                                 "MultiTrigCallback",
                                                 "DriverVerCallback",
                                                 "VTLVerCallback",
                                                 "DLLVerCallback",
                                                 "PanelAboutCallback",
                                                 "TrigSourceCallback",
                                                 "TrigDelayCallback",
                                                 "TrigAutoDelayCallback",
                                                 "TrigCountCallback",
                                                 "Function2Callback",
                                                 "ConfigResolDispCallback",
                                                 "TimeoutCallback",
                                                 "ConfigAperCallback",
                                                 "CalAutoZeroCallback",
                                                 "CalLfrCallback",
                                                 "VXIDestCallback",
                                                 "CalcFunctionCallback",
                                                 "CalcStateCallback",
                                                 "dBRefCallback",
                                                 "dBmRefCallback",
                                                 "AverMinCallback",
                                                 "AverMaxCallback",
                                                 "AverAverageCallback",
                                                 "AverCountCallback",
                                                 "NullOffsCallback",
                                                 "LowerLimitCallback",
                                                 "UpperLimitCallback",
                                                 "ErrorValCallback",
                                                 "ErrorMsgCallback",
                                                 "ErrorBtnCallback",
                                                 "ClearStatusCallback",
                                                 "ReadStatusCallback",
                                                 "StatusByteCallback",
                                                 "EventVoltCallback",
                                                 "EventResistCallback",
                                                 "StbCallback",
                                                 "GetStatusCallback",
                                                 "CondVoltCallback",
                                                 "CondResistCallback",
                                                 "InpAutoImpCallback",
                                                 "TtlTrg0Callback",
                                                 "TtlTrg1Callback",
                                                 "TtlTrg2Callback",
                                                 "TtlTrg3Callback",
                                                 "TtlTrg4Callback",
                                                 "TtlTrg5Callback",
                                                 "TtlTrg6Callback",
                                                 "TtlTrg7Callback",
                                                 "SelfTestCallback",
                                                 "SelfTestResultsCallback",
                                                 "AutoListCallback",
                                                 "AutoOKCallback",
                                                 "AutoCancelCallback",
                                                 "SecOKButtonCallback",
                                                 "SecCancelButtonCallback",
                                                 "SecApplyButtonCallback",
                                                 "AutoDlgCallback"};

std::string_view hit;
template <std::size_t N>
int named(int, int, int, void*, int, int) {
    hit = names[N];
    return 0;
}

constexpr std::array<std::string_view, 17> menu_names{
    "MenuMainCallback",       "MenuAboutCallback",      "MenuTriggerCallback",
    "MenuConfigCallback",     "MenuStatusCallback",     "MenuInOutCallback",
    "MenuSampleCallback",     "MenuMathCallback",       "MenuErrorsCallback",
    "MenuSelfTestCallback",   "MenuUpdateCallback",     "MenuSyncCallback",
    "MenuResetCallback",      "MenuExitCallback",       "MenuHelp",
    "MenuStateStoreCallback", "MenuStateRecallCallback"};
std::string_view menu_hit;
template <std::size_t N>
void menu_named(int, int, void*, int) {
    menu_hit = menu_names[N];
}

template <std::size_t... I>
void register_all(std::index_sequence<I...>) {
    (RegisterCallback(names[I], &named<I>), ...);
}
template <std::size_t... I>
void register_menus(std::index_sequence<I...>) {
    (RegisterMenuCallback(menu_names[I], &menu_named<I>), ...);
}

struct Expected {
    int panel, control;
    std::string_view callback;  // empty: a control without a callback
};
constexpr Expected controls[] = {
    {5, 9, "VXISlotCallback"},
    {5, 10, "VXILogAddrCallback"},
    {5, 7, ""},
    {5, 3, "ConfigRangeCallback"},
    {5, 2, "ConfigResolutionCallback"},
    {5, 4, "ReadingCallback"},
    {5, 8, "ReadingsCallback"},
    {5, 5, "UnitsCallback"},
    {5, 6, "FunctionCallback"},
    {5, 21, ""},
    {5, 11, "SampleCountCallback"},
    {5, 12, "Abort2Callback"},
    {10, 5, "AbortCallback"},
    {10, 4, "FetchCallback"},
    {10, 3, "SingleTrigCallback"},
    {10, 2, "MultiTrigCallback"},
    {1, 4, "DriverVerCallback"},
    {1, 2, "VTLVerCallback"},
    {1, 3, "DLLVerCallback"},
    {11, 2, "TrigSourceCallback"},
    {11, 4, "TrigDelayCallback"},
    {11, 5, "TrigAutoDelayCallback"},
    {11, 3, "TrigCountCallback"},
    {3, 4, "Function2Callback"},
    {3, 5, "ConfigResolDispCallback"},
    {3, 2, "TimeoutCallback"},
    {3, 3, "ConfigAperCallback"},
    {3, 6, "CalAutoZeroCallback"},
    {3, 7, "CalLfrCallback"},
    {6, 3, "CalcFunctionCallback"},
    {6, 12, "CalcStateCallback"},
    {6, 8, "dBRefCallback"},
    {6, 2, "dBmRefCallback"},
    {6, 7, "AverMinCallback"},
    {6, 4, "AverMaxCallback"},
    {6, 6, "AverAverageCallback"},
    {6, 5, "AverCountCallback"},
    {6, 11, "NullOffsCallback"},
    {6, 10, "LowerLimitCallback"},
    {6, 9, "UpperLimitCallback"},
    {6, 15, ""},
    {6, 16, ""},
    {6, 17, ""},
    {6, 18, ""},
    {6, 19, ""},
    {6, 20, ""},
    {6, 21, ""},
    {6, 22, ""},
    {6, 23, ""},
    {6, 24, ""},
    {6, 25, ""},
    {6, 27, ""},
    {7, 2, "ErrorValCallback"},
    {7, 3, "ErrorMsgCallback"},
    {7, 5, "ErrorBtnCallback"},
    {7, 4, "ClearStatusCallback"},
    {7, 13, "EventVoltCallback"},  // a click re-reads the event indicators that have one
    {7, 12, "ReadStatusCallback"},
    {7, 11, "ReadStatusCallback"},
    {7, 10, "EventResistCallback"},
    {7, 9, "ReadStatusCallback"},
    {7, 8, "ReadStatusCallback"},
    {7, 14, "ReadStatusCallback"},
    {7, 7, "StatusByteCallback"},
    {7, 23, "StatusByteCallback"},
    {4, 2, "InpAutoImpCallback"},
    {4, 10, "TtlTrg0Callback"},
    {4, 9, "TtlTrg1Callback"},
    {4, 8, "TtlTrg2Callback"},
    {4, 7, "TtlTrg3Callback"},
    {4, 6, "TtlTrg4Callback"},
    {4, 5, "TtlTrg5Callback"},
    {4, 4, "TtlTrg6Callback"},
    {4, 3, "TtlTrg7Callback"},
    {8, 2, "SelfTestCallback"},
    {8, 3, "SelfTestResultsCallback"},
    {2, 2, "AutoListCallback"},
    {2, 3, "AutoOKCallback"},
    {2, 4, "AutoCancelCallback"},
};

TEST_F(Runtime, TheProgramsResourceFileHoldsEveryPanelControlAndCallback) {
    register_all(std::make_index_sequence<names.size()>{});
    register_menus(std::make_index_sequence<menu_names.size()>{});
    const int frame = LoadPanel(0, GU_SOURCE_UIR, 9);
    ASSERT_GT(frame, 0);
    char text[80];
    GetPanelAttribute(frame, ATTR_TITLE, text, sizeof text);
    EXPECT_STREQ(text, "VO Q7304A Soft Front Panel");
    std::map<int, int> handles{{9, frame}};
    for (int id : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11}) {
        handles[id] = LoadPanel(frame, GU_SOURCE_UIR, id);
        ASSERT_GT(handles[id], 0) << "panel " << id;
        int w = 0, h = 0;
        GetPanelAttribute(handles[id], ATTR_WIDTH, &w);
        GetPanelAttribute(handles[id], ATTR_HEIGHT, &h);
        EXPECT_LE(w, 400) << "panel " << id;
        // Below the menu bar and title; the About panel is placed higher, at 16.
        EXPECT_LE(h, 316 - (id == 1 ? 16 : 22 + 20)) << "panel " << id;
    }
    for (const Expected& e : controls) {
        const int panel = handles[e.panel];
        ASSERT_TRUE(test::ctrl_exists(panel, e.control)) << e.panel << "/" << e.control;
        hit = {};
        test::send_event(panel, e.control, EVENT_COMMIT);
        EXPECT_EQ(hit, e.callback) << e.panel << "/" << e.control;
    }
    // The secondary panels' buttons.
    for (int id : {11, 3, 6, 7, 4, 8}) {
        std::vector<std::string_view> found;
        for (int control = 1; control < 40; ++control) {
            hit = {};
            if (test::ctrl_exists(handles[id], control))
                test::send_event(handles[id], control, EVENT_COMMIT);
            if (hit.starts_with("Sec")) found.push_back(hit);
        }
        EXPECT_EQ(found,
                  (std::vector<std::string_view>{"SecOKButtonCallback", "SecCancelButtonCallback",
                                                 "SecApplyButtonCallback"}))
            << "panel " << id;
    }
    // The main panel's buttons and the panel callback of the About panel.
    std::set<std::string_view> main_buttons;
    for (int control = 1; control < 40; ++control) {
        hit = {};
        if (test::ctrl_exists(handles[5], control)) test::send_event(handles[5], control, 1);
        if (hit.ends_with("ButtonCallback")) main_buttons.insert(hit);
    }
    EXPECT_EQ(main_buttons,
              (std::set<std::string_view>{"SyncButtonCallback", "ResetButtonCallback",
                                          "AboutButtonCallback", "CloseButtonCallback"}));
    hit = {};
    test::send_event(handles[1], 0, EVENT_LEFT_CLICK);
    EXPECT_EQ(hit, "PanelAboutCallback");

    // Kinds and lists that the program's code depends on.
    int v = 0;
    GetCtrlAttribute(handles[5], 7, ATTR_CTRL_STYLE, &v);
    EXPECT_EQ(v, CTRL_ROUND_LED);
    GetCtrlAttribute(handles[5], 8, ATTR_CTRL_STYLE, &v);
    EXPECT_EQ(v, CTRL_GRAPH);
    GetCtrlAttribute(handles[5], 4, ATTR_DATA_TYPE, &v);
    EXPECT_EQ(v, VAL_DOUBLE);
    GetCtrlAttribute(handles[5], 11, ATTR_DATA_TYPE, &v);
    EXPECT_EQ(v, VAL_DOUBLE);
    GetCtrlAttribute(handles[5], 12, ATTR_CTRL_VISIBLE, &v);
    EXPECT_EQ(v, 0);
    GetCtrlAttribute(handles[3], 3, ATTR_DATA_TYPE, &v);
    EXPECT_EQ(v, VAL_DOUBLE);
    GetCtrlAttribute(handles[2], 2, ATTR_CTRL_STYLE, &v);
    EXPECT_EQ(v, CTRL_LIST_BOX);
    EXPECT_EQ(test::list_labels(handles[11], 2),
              (std::vector<std::string>{"Bus (software)", "External", "Immediate", "TTL Trigger 0",
                                        "TTL Trigger 1", "TTL Trigger 2", "TTL Trigger 3",
                                        "TTL Trigger 4", "TTL Trigger 5", "TTL Trigger 6",
                                        "TTL Trigger 7"}));
    for (int code = 0; code <= 10; ++code) {
        EXPECT_EQ(SetCtrlVal(handles[11], 2, code), 0);
        GetCtrlIndex(handles[11], 2, &v);
        EXPECT_EQ(v, code);
    }
    for (int f = 0; f <= 8; ++f) {
        EXPECT_EQ(SetCtrlVal(handles[5], 6, f), 0) << f;
        EXPECT_EQ(SetCtrlVal(handles[3], 4, f), 0) << f;
    }
    for (int code = 0; code <= 4; ++code) EXPECT_EQ(SetCtrlVal(handles[6], 3, code), 0);
    EXPECT_EQ(test::list_labels(handles[3], 7),
              (std::vector<std::string>{"50 Hz", "60 Hz", "400 Hz"}));
    GetValueFromIndex(handles[3], 7, 2, &v);
    EXPECT_EQ(v, 400);
    GetCtrlVal(handles[3], 1, text, sizeof text);
    EXPECT_STREQ(text, "Q7304A Config Panel");
    GetCtrlVal(handles[6], 1, text, sizeof text);
    EXPECT_STREQ(text, "Q7304A Math Panel");
    GetCtrlAttribute(handles[8], 2, ATTR_LABEL_TEXT, text, sizeof text);
    EXPECT_STREQ(text, "Perform Self Test");

    // Menu bar 1: every menu callback by name, item 3 the check item.
    const int bar = LoadMenuBar(frame, GU_SOURCE_UIR, 1);
    ASSERT_GT(bar, 0);
    std::set<std::string_view> menus;
    for (int item = 1; item < 40; ++item) {
        menu_hit = {};
        test::pick_menu(bar, item);
        if (!menu_hit.empty()) menus.insert(menu_hit);
    }
    EXPECT_EQ(menus, std::set<std::string_view>(menu_names.begin(), menu_names.end()));
    menu_hit = {};
    test::pick_menu(bar, 3);
    EXPECT_EQ(menu_hit, "MenuUpdateCallback");
    EXPECT_EQ(SetMenuBarAttribute(bar, 3, ATTR_CHECKED, 1), 0);
    GetMenuBarAttribute(bar, 3, ATTR_CHECKED, &v);
    EXPECT_EQ(v, 1);
}

}  // namespace
}  // namespace uirt_tests
