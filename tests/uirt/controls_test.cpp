// Values, list items and attributes of controls, read back as they were written.
#include <array>
#include <cstring>
#include <string>

#include "recorder.hpp"
#include "support.hpp"

namespace uirt_tests {
namespace {

using namespace uirt;

class Controls : public LoadedPanel {};

TEST_F(Controls, ValuesReadBackInTheControlsDataType) {
    int i = 0;
    double d = 0.0;
    char text[32] = {};

    // An int control truncates doubles toward zero.
    SetCtrlVal(panel, NUM_INT, 3.9);
    GetCtrlVal(panel, NUM_INT, &i);
    EXPECT_EQ(i, 3);
    SetCtrlVal(panel, NUM_INT, -3.9);
    GetCtrlVal(panel, NUM_INT, &i);
    EXPECT_EQ(i, -3);
    GetCtrlVal(panel, NUM_INT, &d);
    EXPECT_EQ(d, -3.0);

    // A double control keeps every bit; reading it as int truncates.
    SetCtrlVal(panel, NUM_DBL, 0.00035);
    GetCtrlVal(panel, NUM_DBL, &d);
    EXPECT_EQ(d, 0.00035);
    SetCtrlVal(panel, IND_DBL, -1.23456789e-7);
    GetCtrlVal(panel, IND_DBL, &d);
    EXPECT_EQ(d, -1.23456789e-7);
    SetCtrlVal(panel, NUM_DBL, 16777215);
    GetCtrlVal(panel, NUM_DBL, &i);
    EXPECT_EQ(i, 16777215);

    // Text controls: read back exactly, cut to the buffer and always terminated.
    SetCtrlVal(panel, TEXT, "VXI0::24::INSTR");
    GetCtrlVal(panel, TEXT, text, sizeof text);
    EXPECT_STREQ(text, "VXI0::24::INSTR");
    char small[5];
    std::memset(small, 'x', sizeof small);
    GetCtrlVal(panel, TEXT, small, sizeof small);
    EXPECT_STREQ(small, "VXI0");

    // Two-state controls hold 0 or 1.
    SetCtrlVal(panel, SWITCH, 5);
    GetCtrlVal(panel, SWITCH, &i);
    EXPECT_EQ(i, 1);
    SetCtrlVal(panel, LED, 0);
    GetCtrlVal(panel, LED, &i);
    EXPECT_EQ(i, 0);

    // Bad handles fail, and leave the caller's variable alone.
    i = 77;
    EXPECT_EQ(GetCtrlVal(panel + 100, NUM_INT, &i), UIE_BAD_HANDLE);
    EXPECT_EQ(GetCtrlVal(panel, 99, &i), UIE_BAD_CONTROL);
    EXPECT_EQ(i, 77);
    EXPECT_LT(SetCtrlVal(panel, 99, 1), 0);
    EXPECT_LT(SetCtrlVal(-5, NUM_INT, 1), 0);
}

TEST_F(Controls, LimitsClampValuesAndAttributesReadBack) {
    SetCtrlAttribute(panel, NUM_DBL, ATTR_MIN_VALUE, 0.0);
    SetCtrlAttribute(panel, NUM_DBL, ATTR_MAX_VALUE, 2100.0);
    SetCtrlVal(panel, NUM_DBL, 5000.0);
    double d = 0.0;
    GetCtrlVal(panel, NUM_DBL, &d);
    EXPECT_EQ(d, 2100.0);
    SetCtrlVal(panel, NUM_DBL, -1.0);
    GetCtrlVal(panel, NUM_DBL, &d);
    EXPECT_EQ(d, 0.0);
    GetCtrlAttribute(panel, NUM_DBL, ATTR_MAX_VALUE, &d);
    EXPECT_EQ(d, 2100.0);

    // A limit set below the present value pulls the value in.
    SetCtrlVal(panel, NUM_INT, 0);
    SetCtrlAttribute(panel, NUM_INT, ATTR_MIN_VALUE, 1);
    int i = 0;
    GetCtrlVal(panel, NUM_INT, &i);
    EXPECT_EQ(i, 1);

    SetCtrlAttribute(panel, IND_DBL, ATTR_FORMAT, VAL_SCIENTIFIC_FORMAT);
    SetCtrlAttribute(panel, IND_DBL, ATTR_PRECISION, 7);
    GetCtrlAttribute(panel, IND_DBL, ATTR_FORMAT, &i);
    EXPECT_EQ(i, VAL_SCIENTIFIC_FORMAT);
    GetCtrlAttribute(panel, IND_DBL, ATTR_PRECISION, &i);
    EXPECT_EQ(i, 7);
    EXPECT_LT(SetCtrlAttribute(panel, IND_DBL, ATTR_FORMAT, 12345), 0);
    EXPECT_LT(SetCtrlAttribute(panel, IND_DBL, ATTR_PRECISION, -1), 0);

    SetCtrlAttribute(panel, NUM_INT, ATTR_DIMMED, 1);
    SetCtrlAttribute(panel, TEXT, ATTR_CTRL_VISIBLE, 0);
    GetCtrlAttribute(panel, NUM_INT, ATTR_DIMMED, &i);
    EXPECT_EQ(i, 1);
    GetCtrlAttribute(panel, TEXT, ATTR_CTRL_VISIBLE, &i);
    EXPECT_EQ(i, 0);

    char text[40];
    SetCtrlAttribute(panel, SWITCH, ATTR_ON_TEXT, "Connected");
    SetCtrlAttribute(panel, SWITCH, ATTR_OFF_TEXT, "Open");
    GetCtrlAttribute(panel, SWITCH, ATTR_ON_TEXT, text, sizeof text);
    EXPECT_STREQ(text, "Connected");
    GetCtrlAttribute(panel, SWITCH, ATTR_OFF_TEXT, text, sizeof text);
    EXPECT_STREQ(text, "Open");
    SetCtrlAttribute(panel, MSG, ATTR_LABEL_TEXT, "Q7304A Math Panel");
    GetCtrlAttribute(panel, MSG, ATTR_LABEL_TEXT, text, sizeof text);
    EXPECT_STREQ(text, "Q7304A Math Panel");
    GetCtrlVal(panel, MSG, text, sizeof text);
    EXPECT_STREQ(text, "Q7304A Math Panel");

    SetCtrlAttribute(panel, LED, ATTR_ON_COLOR, MakeColor(0, 255, 0));
    GetCtrlAttribute(panel, LED, ATTR_ON_COLOR, &i);
    EXPECT_EQ(i, VAL_GREEN);

    // Geometry and label placement.
    SetCtrlAttribute(panel, TEXT, ATTR_LEFT, 33);
    SetCtrlAttribute(panel, TEXT, ATTR_WIDTH, 120);
    SetCtrlAttribute(panel, TEXT, ATTR_LABEL_LEFT, 33 + 120 - 40 - 5);
    SetCtrlAttribute(panel, TEXT, ATTR_LABEL_WIDTH, 40);
    const std::array<std::pair<int, int>, 4> geometry{
        {{ATTR_LEFT, 33}, {ATTR_WIDTH, 120}, {ATTR_LABEL_LEFT, 108}, {ATTR_LABEL_WIDTH, 40}}};
    for (const auto& [attribute, expected] : geometry) {
        GetCtrlAttribute(panel, TEXT, attribute, &i);
        EXPECT_EQ(i, expected) << attribute;
    }

    // The y-axis name belongs to graphs only.
    SetCtrlAttribute(panel, GRAPH, ATTR_YNAME, "VDC");
    GetCtrlAttribute(panel, GRAPH, ATTR_YNAME, text, sizeof text);
    EXPECT_STREQ(text, "VDC");
    EXPECT_LT(SetCtrlAttribute(panel, TEXT, ATTR_YNAME, "VDC"), 0);
    EXPECT_LT(SetCtrlAttribute(panel, TEXT, 4242, 1), 0);
    GetCtrlAttribute(panel, RING, ATTR_CTRL_STYLE, &i);
    EXPECT_EQ(i, CTRL_RING);
    GetCtrlAttribute(panel, LIST, ATTR_DATA_TYPE, &i);
    EXPECT_EQ(i, VAL_STRING);
}

TEST_F(Controls, RingValueIsTheSelectedItemsValue) {
    int i = -1;
    GetCtrlIndex(panel, RING, &i);
    EXPECT_EQ(i, 0);
    SetCtrlVal(panel, RING, 20);
    GetCtrlIndex(panel, RING, &i);
    EXPECT_EQ(i, 2);
    GetCtrlVal(panel, RING, &i);
    EXPECT_EQ(i, 20);

    // A value no item has is refused and the selection stays.
    EXPECT_LT(SetCtrlVal(panel, RING, 15), 0);
    GetCtrlVal(panel, RING, &i);
    EXPECT_EQ(i, 20);

    // Two items share 0.02: the value selects the first, the index tells them apart.
    SetCtrlIndex(panel, DBL_RING, 2);
    SetCtrlVal(panel, DBL_RING, 0.02);
    GetCtrlIndex(panel, DBL_RING, &i);
    EXPECT_EQ(i, 0);
    SetCtrlIndex(panel, DBL_RING, 1);
    double d = 0;
    GetCtrlVal(panel, DBL_RING, &d);
    EXPECT_EQ(d, 0.02);
    GetCtrlIndex(panel, DBL_RING, &i);
    EXPECT_EQ(i, 1);
    EXPECT_EQ(SetCtrlIndex(panel, DBL_RING, 3), UIE_INDEX_OUT_OF_RANGE);

    // Refilling: clear, append with -1, insert in front, delete to the end.
    ClearListCtrl(panel, RING);
    GetCtrlIndex(panel, RING, &i);
    EXPECT_EQ(i, -1);
    GetNumListItems(panel, RING, &i);
    EXPECT_EQ(i, 0);
    InsertListItem(panel, RING, -1, "1 A", 1);
    InsertListItem(panel, RING, -1, "3 A", 2);
    InsertListItem(panel, RING, 0, "Auto-Range", 0);
    EXPECT_EQ(test::list_labels(panel, RING),
              (std::vector<std::string>{"Auto-Range", "1 A", "3 A"}));
    EXPECT_LT(InsertListItem(panel, RING, 7, "far", 9), 0);
    GetIndexFromValue(panel, RING, &i, 2);
    EXPECT_EQ(i, 2);
    GetValueFromIndex(panel, RING, 1, &i);
    EXPECT_EQ(i, 1);
    char label[16];
    GetLabelFromIndex(panel, RING, 2, label, sizeof label);
    EXPECT_STREQ(label, "3 A");
    SetCtrlIndex(panel, RING, 2);
    DeleteListItem(panel, RING, 1, -1);
    GetNumListItems(panel, RING, &i);
    EXPECT_EQ(i, 1);
    GetCtrlIndex(panel, RING, &i);
    EXPECT_EQ(i, 0);

    // A list box whose values are resource names.
    InsertListItem(panel, LIST, -1, "Interface: VXI0  Log Addr 24", "VXI0::24::INSTR");
    InsertListItem(panel, LIST, -1, "Interface: VXI0  Log Addr 25", "VXI0::25::INSTR");
    SetCtrlIndex(panel, LIST, 1);
    char name[80];
    GetCtrlVal(panel, LIST, name, sizeof name);
    EXPECT_STREQ(name, "VXI0::25::INSTR");
    GetValueFromIndex(panel, LIST, 0, name, sizeof name);
    EXPECT_STREQ(name, "VXI0::24::INSTR");
    EXPECT_LT(GetValueFromIndex(panel, LIST, 2, name, sizeof name), 0);
}

TEST_F(Controls, PanelsPlaceAndReportTheirParts) {
    const int child = load(2, panel);
    ASSERT_GT(child, 0);
    int v = -1;
    GetPanelAttribute(child, ATTR_TITLEBAR_THICKNESS, &v);
    EXPECT_EQ(v, 20);
    GetPanelAttribute(panel, ATTR_MENU_HEIGHT, &v);
    EXPECT_EQ(v, 0);
    const int bar = LoadMenuBar(panel, sample_uir().c_str(), 1);
    ASSERT_GT(bar, 0);
    GetPanelAttribute(panel, ATTR_MENU_HEIGHT, &v);
    EXPECT_GT(v, 0);

    // The program puts a child panel's title bar right below the menu bar.
    int menu = 0, title = 0;
    GetPanelAttribute(panel, ATTR_MENU_HEIGHT, &menu);
    GetPanelAttribute(child, ATTR_TITLEBAR_THICKNESS, &title);
    SetPanelAttribute(child, ATTR_TOP, menu + title);
    GetPanelAttribute(child, ATTR_TOP, &v);
    EXPECT_EQ(v, menu + title);

    SetPanelAttribute(panel, ATTR_TITLE, "VO Q7304A Soft Front Panel");
    char text[64];
    GetPanelAttribute(panel, ATTR_TITLE, text, sizeof text);
    EXPECT_STREQ(text, "VO Q7304A Soft Front Panel");

    SetPanelAttribute(panel, ATTR_SCROLL_BARS, VAL_BOTH_SCROLL_BARS);
    GetPanelAttribute(panel, ATTR_SCROLL_BARS, &v);
    EXPECT_EQ(v, VAL_BOTH_SCROLL_BARS);
    SetPanelAttribute(panel, ATTR_VSCROLL_OFFSET, 0);
    GetPanelAttribute(panel, ATTR_VSCROLL_OFFSET, &v);
    EXPECT_EQ(v, 0);

    EXPECT_FALSE(test::panel_visible(child));
    DisplayPanel(child);
    EXPECT_TRUE(test::panel_visible(child));
    HidePanel(child);
    EXPECT_FALSE(test::panel_visible(child));
    EXPECT_LT(DisplayPanel(0), 0);
    EXPECT_LT(LoadPanel(9999, sample_uir().c_str(), 2), 0);

    // Discarding the parent takes the child with it.
    EXPECT_EQ(DiscardPanel(panel), 0);
    EXPECT_FALSE(test::ctrl_exists(child, 1));
    EXPECT_LT(SetCtrlVal(panel, NUM_INT, 1), 0);
}

}  // namespace
}  // namespace uirt_tests
