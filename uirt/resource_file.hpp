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
};

struct PanelDesc {
    int id = 0;
    std::string title;
    std::string callback;
    int top = 0, left = 0, width = 400, height = 300;
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
