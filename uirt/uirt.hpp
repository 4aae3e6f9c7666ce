// The user-interface run-time: panels, controls, graph, menus, pop-ups, event loop,
// external modules and files, addressed by integer handles. Implemented on Qt 6.
// All functions must be called on the user-interface thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace uirt {

// ---- callbacks -------------------------------------------------------------------
using CtrlCallbackPtr = int (*)(int panel, int control, int event, void* callbackData,
                                int eventData1, int eventData2);
using PanelCallbackPtr = CtrlCallbackPtr;  // control is 0 for panel events
using MainCallbackPtr = CtrlCallbackPtr;   // handle is a panel or a menu bar
using MenuCallbackPtr = void (*)(int menuBar, int menuItem, void* callbackData, int panel);

// Callbacks named in the resource file are resolved through these tables; a name that
// was not registered leaves its control (or item) without a callback.
void RegisterCallback(std::string_view name, CtrlCallbackPtr callback);
void RegisterMenuCallback(std::string_view name, MenuCallbackPtr callback);

// ---- events ----------------------------------------------------------------------
inline constexpr int EVENT_NONE = 0;
inline constexpr int EVENT_COMMIT = 1;
inline constexpr int EVENT_VAL_CHANGED = 2;
inline constexpr int EVENT_LEFT_CLICK = 3;
inline constexpr int EVENT_LEFT_DOUBLE_CLICK = 4;
inline constexpr int EVENT_GOT_FOCUS = 5;
inline constexpr int EVENT_LOST_FOCUS = 6;
inline constexpr int EVENT_KEYPRESS = 7;  // eventData1: the key
inline constexpr int VAL_UP_ARROW_VKEY = 0x0900, VAL_DOWN_ARROW_VKEY = 0x0A00;
inline constexpr int EVENT_IDLE = 10;
inline constexpr int EVENT_CLOSE = 11;
inline constexpr int EVENT_PANEL_SIZE = 12;
inline constexpr int EVENT_PANEL_MOVE = 13;

// ---- start-up ----------------------------------------------------------------------
// Returns 1 when the run-time is ready, 0 when it cannot start.
int InitCVIRTE(int argc, char** argv);
void CloseCVIRTE();

// ---- attributes ------------------------------------------------------------------
// Panel and control geometry (pixels).
inline constexpr int ATTR_LEFT = 531;
inline constexpr int ATTR_TOP = 532;
inline constexpr int ATTR_WIDTH = 533;
inline constexpr int ATTR_HEIGHT = 534;
inline constexpr int ATTR_LABEL_LEFT = 670;
inline constexpr int ATTR_LABEL_TOP = 671;
inline constexpr int ATTR_LABEL_WIDTH = 672;
inline constexpr int ATTR_LABEL_HEIGHT = 673;
// Panel attributes.
inline constexpr int ATTR_TITLE = 501;
inline constexpr int ATTR_VISIBLE = 530;
inline constexpr int ATTR_HSCROLL_OFFSET = 560;
inline constexpr int ATTR_SCROLL_BARS = 561;
inline constexpr int ATTR_TITLEBAR_THICKNESS = 572;
inline constexpr int ATTR_MENU_HEIGHT = 590;
inline constexpr int ATTR_VSCROLL_OFFSET = 593;
inline constexpr int VAL_NO_SCROLL_BARS = 0;
inline constexpr int VAL_HORIZ_SCROLL_BAR = 1;
inline constexpr int VAL_VERT_SCROLL_BAR = 2;
inline constexpr int VAL_BOTH_SCROLL_BARS = 3;
// Control attributes.
inline constexpr int ATTR_DIMMED = 520;
inline constexpr int ATTR_CTRL_VISIBLE = 530;  // same number as the panel's
inline constexpr int ATTR_LABEL_TEXT = 640;
inline constexpr int ATTR_MIN_VALUE = 700;
inline constexpr int ATTR_MAX_VALUE = 701;
inline constexpr int ATTR_FORMAT = 720;
inline constexpr int ATTR_PRECISION = 721;
inline constexpr int ATTR_ON_TEXT = 800;
inline constexpr int ATTR_OFF_TEXT = 801;
inline constexpr int ATTR_ON_COLOR = 921;
inline constexpr int ATTR_OFF_COLOR = 922;
inline constexpr int ATTR_CTRL_STYLE = 950;  // read-only: the control's kind
inline constexpr int ATTR_DATA_TYPE = 951;   // read-only: VAL_INTEGER, VAL_DOUBLE, VAL_STRING
inline constexpr int ATTR_YNAME = 1093;      // graph y-axis name
inline constexpr int ATTR_XNAME = 1092;      // graph x-axis name
// Numeric controls: a text shown in place of the value until the value is next set
// (empty: the value is shown).
inline constexpr int ATTR_TEXT_IN_PLACE_OF_VALUE = 2001;
// Display formats of numeric controls (ATTR_FORMAT).
inline constexpr int VAL_DECIMAL_FORMAT = 65520;      // whole numbers / fixed point
inline constexpr int VAL_FLOATING_PT_FORMAT = 65521;  // fixed point with precision
inline constexpr int VAL_SCIENTIFIC_FORMAT = 65522;   // mantissa and exponent
// Menu attributes.
inline constexpr int ATTR_CHECKED = 1040;
inline constexpr int ATTR_MENU_DIMMED = 1041;
inline constexpr int ATTR_ITEM_NAME = 1042;
// Data types (ATTR_DATA_TYPE) and plot data type.
inline constexpr int VAL_INTEGER = 1;
inline constexpr int VAL_DOUBLE = 4;
inline constexpr int VAL_STRING = 7;
// Control kinds (ATTR_CTRL_STYLE), as the resource file names them.
inline constexpr int CTRL_NUMERIC = 1;
inline constexpr int CTRL_NUMERIC_IND = 2;
inline constexpr int CTRL_STRING = 3;
inline constexpr int CTRL_TEXT_MSG = 4;
inline constexpr int CTRL_RING = 5;
inline constexpr int CTRL_BINARY_SWITCH = 6;
inline constexpr int CTRL_COMMAND_BUTTON = 7;
inline constexpr int CTRL_LIST_BOX = 8;
inline constexpr int CTRL_GRAPH = 9;
inline constexpr int CTRL_TEXT_BOX = 10;
inline constexpr int CTRL_CHECK_BOX = 11;
inline constexpr int CTRL_DECORATION = 12;
inline constexpr int CTRL_ROUND_LED = 16;
// Colours are 0xRRGGBB.
inline constexpr int VAL_RED = 0xFF0000;
inline constexpr int VAL_GREEN = 0x00FF00;
inline constexpr int VAL_BLUE = 0x0000FF;
inline constexpr int VAL_YELLOW = 0xFFFF00;
inline constexpr int VAL_BLACK = 0x000000;
inline constexpr int VAL_WHITE = 0xFFFFFF;
inline constexpr int VAL_DK_GRAY = 0x808080;
constexpr int MakeColor(int red, int green, int blue) {
    return ((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF);
}

// Results: 0 or a handle for success, negative for failure.
inline constexpr int UIE_NO_ERROR = 0;
inline constexpr int UIE_BAD_HANDLE = -4;
inline constexpr int UIE_BAD_CONTROL = -5;
inline constexpr int UIE_BAD_ATTRIBUTE = -6;
inline constexpr int UIE_BAD_VALUE = -7;
inline constexpr int UIE_FILE_NOT_FOUND = -11;
inline constexpr int UIE_BAD_FILE_FORMAT = -12;
inline constexpr int UIE_RESOURCE_NOT_FOUND = -13;
inline constexpr int UIE_INDEX_OUT_OF_RANGE = -14;
inline constexpr int UIE_TYPE_MISMATCH = -15;

// ---- panels ------------------------------------------------------------------------
// Loads panel `resourceId` of the resource file `file` (a bare name is looked for beside
// the executable, or in $UIRT_RESOURCE_DIR when set); parent 0 makes a top-level window.
int LoadPanel(int parent, const char* file, int resourceId);
int NewPanel(int parent, const char* title, int top, int left, int height, int width);
int DiscardPanel(int panel);
int DisplayPanel(int panel);
int HidePanel(int panel);
int InstallPopup(int panel);  // modal; the panel stays on top of the others
int RemovePopup(int allPopups);
int GetPanelAttribute(int panel, int attribute, int* value);
int GetPanelAttribute(int panel, int attribute, char* value, std::size_t size);
int SetPanelAttribute(int panel, int attribute, int value);
int SetPanelAttribute(int panel, int attribute, const char* value);
int InstallPanelCallback(int panel, PanelCallbackPtr callback, void* callbackData);

// ---- controls ------------------------------------------------------------------------
// Values convert to the control's data type (a double into an int control is
// truncated toward zero); text controls take and give text.
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char* value);
int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, double* value);
int GetCtrlVal(int panel, int control, char* value, std::size_t size);
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, double value);
int SetCtrlAttribute(int panel, int control, int attribute, const char* value);
int GetCtrlAttribute(int panel, int control, int attribute, int* value);
int GetCtrlAttribute(int panel, int control, int attribute, double* value);
int GetCtrlAttribute(int panel, int control, int attribute, char* value, std::size_t size);
// Rings and list boxes: items are a label and a value (int, double or text).
int InsertListItem(int panel, int control, int index, const char* label, int value);
int InsertListItem(int panel, int control, int index, const char* label, double value);
int InsertListItem(int panel, int control, int index, const char* label, const char* value);
int DeleteListItem(int panel, int control, int index, int count);  // count -1: to the end
int ClearListCtrl(int panel, int control);
int GetNumListItems(int panel, int control, int* count);
int GetCtrlIndex(int panel, int control, int* index);  // -1 when the list is empty
int SetCtrlIndex(int panel, int control, int index);
int GetIndexFromValue(int panel, int control, int* index, int value);
int GetIndexFromValue(int panel, int control, int* index, double value);
int GetValueFromIndex(int panel, int control, int index, int* value);
int GetValueFromIndex(int panel, int control, int index, double* value);
int GetValueFromIndex(int panel, int control, int index, char* value, std::size_t size);
int GetLabelFromIndex(int panel, int control, int index, char* label, std::size_t size);
int SetActiveCtrl(int panel, int control);
int GetActiveCtrl(int panel);

// ---- graph --------------------------------------------------------------------------
inline constexpr int VAL_THIN_LINE = 0;  // plot styles
inline constexpr int VAL_SCATTER = 4;
inline constexpr int VAL_CONNECTED_POINTS = 5;
inline constexpr int VAL_EMPTY_SQUARE = 0;  // point styles
inline constexpr int VAL_SOLID_SQUARE = 16;
inline constexpr int VAL_SMALL_SOLID_SQUARE = 17;
inline constexpr int VAL_SOLID = 0;   // line style
inline constexpr int VAL_MANUAL = 0;  // axis scaling
inline constexpr int VAL_AUTOSCALE = 1;
inline constexpr int VAL_LOCK = 2;
inline constexpr int VAL_IMMEDIATE_DRAW = 1;
inline constexpr int VAL_DELAYED_DRAW = 0;
// Plot handles are positive; -1 as a plot handle means every plot.
int PlotY(int panel, int control, const double* y, std::size_t count, int dataType, int plotStyle,
          int pointStyle, int lineStyle, int pointFrequency, int color);
int PlotWaveform(int panel, int control, const double* y, std::size_t count, int dataType,
                 double gain, double offset, double initialX, double xIncrement, int plotStyle,
                 int pointStyle, int lineStyle, int pointFrequency, int color);
int DeleteGraphPlot(int panel, int control, int plotHandle, int refresh);
int SetAxisRange(int panel, int control, int xScaling, double xMin, double xMax, int yScaling,
                 double yMin, double yMax);

// ---- menus --------------------------------------------------------------------------
int LoadMenuBar(int panel, const char* file, int resourceId);
int GetMenuBarAttribute(int menuBar, int item, int attribute, int* value);
int SetMenuBarAttribute(int menuBar, int item, int attribute, int value);

// ---- pop-ups ------------------------------------------------------------------------
int MessagePopup(const char* title, const char* message);
int ConfirmPopup(const char* title, const char* message);  // 1 yes, 0 no
// Returns the number (1 to 3) of the button chosen.
int GenericMessagePopup(const char* title, const char* message, const char* button1,
                        const char* button2, const char* button3, char* response,
                        int maxResponseLength, int buttonAlignment, int activeControl,
                        int enterButton, int escapeButton);
inline constexpr int VAL_OK_BUTTON = 0;  // FileSelectPopup button labels
inline constexpr int VAL_SAVE_BUTTON = 1;
inline constexpr int VAL_SELECT_BUTTON = 2;
inline constexpr int VAL_LOAD_BUTTON = 3;
inline constexpr int VAL_NO_FILE_SELECTED = 0;
inline constexpr int VAL_EXISTING_FILE_SELECTED = 1;
inline constexpr int VAL_NEW_FILE_SELECTED = 2;
// `pathName` receives the chosen path: it must hold MAX_PATHNAME_LEN characters (the
// longest path the system opens, with terminator); a longer path is refused.
inline constexpr int MAX_PATHNAME_LEN = 4096;
int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                    const char* fileTypeList, const char* title, int buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* pathName);

// ---- event loop -----------------------------------------------------------------------
int RunUserInterface();  // nestable; returns the value given to QuitUserInterface
int QuitUserInterface(int value);
int InstallMainCallback(MainCallbackPtr callback, void* callbackData, int enableIdleEvents);
int SetIdleEventRate(int milliseconds);
int ProcessSystemEvents();
void Delay(double seconds);
inline constexpr int VAL_DEFAULT_CURSOR = -1;
inline constexpr int VAL_HOUR_GLASS_CURSOR = 17;
int SetMouseCursor(int cursor);
int GetMouseCursor(int* cursor);

// ---- external modules -------------------------------------------------------------------
// A bare module name is looked for in each folder of $UIRT_MODULE_PATH, then beside the
// executable, then through the system's library path; never in the current directory.
int LoadExternalModule(const char* name);  // module id, negative on failure
void* GetExternalModuleAddr(int moduleId, const char* name, int* status);
int UnloadExternalModule(int moduleId);

// ---- files ------------------------------------------------------------------------------
// readWrite: 0 read/write, 1 read only, 2 write only. action: 0 truncate, 1 append,
// 2 open as is. type: 0 binary, 1 ASCII. Returns a file handle, -1 on failure.
int CVI_OpenFile(const char* path, int readWrite, int action, int type);
int CVI_ReadFile(int handle, char* buffer, int count);         // bytes read, -1 on error
int CVI_WriteFile(int handle, const char* buffer, int count);  // bytes written, -1 on error
int CVI_CloseFile(int handle);

// ---- graph: plots over x, pointer readout, zoom and pictures ------------------------------
int PlotXY(int panel, int control, const double* x, const double* y, std::size_t count,
           int xDataType, int yDataType, int plotStyle, int pointStyle, int lineStyle,
           int pointFrequency, int color);
// Graph attributes: units the pointer readout writes after x and after y (y with an
// engineering prefix), and x ticks at whole numbers only (1) for sample indices.
inline constexpr int ATTR_XUNITS = 2002;
inline constexpr int ATTR_YUNITS = 2003;
inline constexpr int ATTR_XWHOLE_TICKS = 2004;
// The user zooms a graph by dragging a rectangle; this undoes one zoom, or every one (all 1).
int ZoomGraphBack(int panel, int control, int all);
int GetGraphZoomDepth(int panel, int control, int* depth);
// The graph as drawn, as PNG or SVG bytes; a graph never shown is drawn at its size.
inline constexpr int VAL_PNG = 1;
inline constexpr int VAL_SVG = 2;
int GetGraphImage(int panel, int control, int format, std::string& bytes);

// ---- text boxes: lines ------------------------------------------------------------------
int InsertTextBoxLine(int panel, int control, int index, const char* text);  // -1: at the end
// A line's text colour (0xRRGGBB; -1 the box's own); it moves with the line.
int SetTextBoxLineColor(int panel, int control, int line, int color);
int DeleteTextBoxLines(int panel, int control, int firstLine, int count);   // count -1: to the end
int GetNumTextBoxLines(int panel, int control, int* count);
int ResetTextBox(int panel, int control, const char* text);

// ---- clipboard ----------------------------------------------------------------------------
int ClipboardPutText(const char* text);
int ClipboardGetText(std::string& text);

}  // namespace uirt
