// The resource file: panels, their controls and menu bars, read from JSON.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "value.hpp"

namespace uirt::detail {

struct ItemDesc {
    std::string label;
    Value value;
};

// A key that presses a control while its panel is the one in front.
enum class Shortcut { none, return_key, escape_key };

struct ControlDesc {
    int id = 0;
    int kind = 0;  // CTRL_ constant
    std::string label;
    std::string callback;
    int top = 0, left = 0, width = 0, height = 0;
    std::optional<int> label_left, label_top;
    DataType type = DataType::integer;
    std::optional<Value> value;
    std::vector<ItemDesc> items;
    std::optional<double> min, max;
    std::optional<int> format, precision;
    std::string on_text, off_text;
    std::optional<int> on_color, off_color;
    std::string y_name, x_name;
    bool indicator = false;
    bool visible = true;
    bool dimmed = false;
    int text_size = 0;  // points, 0 for the default
    bool bold = false;
    bool centered = false;
    Shortcut shortcut = Shortcut::none;
    std::optional<bool> tab_stop;  // default: every control but indicators and texts
};

struct PanelDesc {
    int id = 0;
    std::string title;
    std::string callback;
    int top = 0, left = 0, width = 400, height = 300;
    int close_control = 0;       // the control a close request presses, 0 for none
    bool escape_clicks = false;  // Escape gives the panel a left click (its own way out)
    std::vector<ControlDesc> controls;
};

struct MenuItemDesc {
    int id = 0;
    std::string caption;
    std::string callback;
    bool checkable = false;
    bool checked = false;
    bool dimmed = false;
    bool separator = false;
};

struct MenuDesc {
    std::string caption;
    std::vector<MenuItemDesc> items;
};

struct MenuBarDesc {
    int id = 0;
    std::vector<MenuDesc> menus;
};

struct ResourceFile {
    std::map<int, PanelDesc> panels;
    std::map<int, MenuBarDesc> menu_bars;
};

// Full path of a resource file: absolute names as given, bare ones in
// $UIRT_RESOURCE_DIR when set, else beside the executable.
std::string resolve_resource_path(const char* file);

// Reads and caches a resource file; on failure `error` is UIE_FILE_NOT_FOUND or
// UIE_BAD_FILE_FORMAT and the result is null.
const ResourceFile* load_resource_file(const char* file, int& error);

// Parses the text of a resource file; null when it is not one.
std::unique_ptr<ResourceFile> parse_resource_text(std::string_view text);

// Kind names as the file spells them, and back.
std::optional<int> kind_from_name(const std::string& name);

}  // namespace uirt::detail
