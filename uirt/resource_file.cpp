#include "resource_file.hpp"

#include <QFile>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>

#include "json.hpp"
#include "paths.hpp"
#include "uirt.hpp"

namespace uirt::detail {

namespace {

constexpr std::array<std::pair<std::string_view, int>, 13> kind_names{{
    {"numeric", CTRL_NUMERIC},
    {"numeric_ind", CTRL_NUMERIC_IND},
    {"string", CTRL_STRING},
    {"text_msg", CTRL_TEXT_MSG},
    {"ring", CTRL_RING},
    {"binary_switch", CTRL_BINARY_SWITCH},
    {"command_button", CTRL_COMMAND_BUTTON},
    {"list_box", CTRL_LIST_BOX},
    {"graph", CTRL_GRAPH},
    {"text_box", CTRL_TEXT_BOX},
    {"check_box", CTRL_CHECK_BOX},
    {"decoration", CTRL_DECORATION},
    {"round_led", CTRL_ROUND_LED},
}};

constexpr std::array<std::pair<std::string_view, int>, 3> format_names{{
    {"decimal", VAL_DECIMAL_FORMAT},
    {"floating", VAL_FLOATING_PT_FORMAT},
    {"scientific", VAL_SCIENTIFIC_FORMAT},
}};

struct BadFormat {};

using JsonValue = json::Value;

// A number as an integer: whole and within range, else 0.
int whole_number(double d) {
    return std::trunc(d) == d && d >= std::numeric_limits<int>::min() &&
                   d <= std::numeric_limits<int>::max()
               ? static_cast<int>(d)
               : 0;
}

std::string text(const JsonValue& o, const char* key) {
    const JsonValue* v = o.find(key);
    if (!v) return {};
    if (!v->is_string()) throw BadFormat{};
    return v->text;
}

std::optional<double> opt_number(const JsonValue& o, const char* key) {
    const JsonValue* v = o.find(key);
    if (!v) return std::nullopt;
    if (!v->is_number()) throw BadFormat{};
    return v->number;
}

std::optional<int> opt_integer(const JsonValue& o, const char* key) {
    const std::optional<double> n = opt_number(o, key);
    if (!n) return std::nullopt;
    return whole_number(*n);
}

int integer(const JsonValue& o, const char* key, int fallback) {
    return opt_integer(o, key).value_or(fallback);
}

bool flag(const JsonValue& o, const char* key, bool fallback) {
    const JsonValue* v = o.find(key);
    if (!v) return fallback;
    if (!v->is_bool()) throw BadFormat{};
    return v->boolean;
}

// Colours are written "0xRRGGBB" or as numbers.
std::optional<int> colour(const JsonValue& o, const char* key) {
    const JsonValue* v = o.find(key);
    if (!v) return std::nullopt;
    if (v->is_number()) return whole_number(v->number);
    bool ok = false;
    const int c = QString::fromStdString(v->text).toInt(&ok, 0);
    if (!ok) throw BadFormat{};
    return c;
}

Value value_of(const JsonValue* v, DataType type) {
    if (v && v->is_string()) return convert(Value{v->text}, type);
    if (v && v->is_number()) return convert(Value{v->number}, type);
    throw BadFormat{};
}

// The elements of an array member; none when it is missing or no array.
const std::vector<JsonValue>& elements(const JsonValue& o, const char* key) {
    static const std::vector<JsonValue> none;
    const JsonValue* v = o.find(key);
    return v && v->is_array() ? v->items : none;
}

DataType type_of(const JsonValue& o, int kind) {
    const std::string name = text(o, "type");
    if (name == "int") return DataType::integer;
    if (name == "double") return DataType::real;
    if (name == "text") return DataType::text;
    if (!name.empty()) throw BadFormat{};
    switch (kind) {
        case CTRL_STRING:
        case CTRL_TEXT_MSG:
        case CTRL_TEXT_BOX:
        case CTRL_COMMAND_BUTTON:
            return DataType::text;
        case CTRL_NUMERIC:
        case CTRL_NUMERIC_IND:
            return DataType::real;
        default:
            return DataType::integer;
    }
}

ControlDesc control_of(const JsonValue& o) {
    ControlDesc c;
    c.id = integer(o, "id", -1);
    const auto kind = kind_from_name(text(o, "kind"));
    if (c.id <= 0 || !kind) throw BadFormat{};
    c.kind = *kind;
    c.label = text(o, "label");
    c.callback = text(o, "callback");
    c.top = integer(o, "top", 0);
    c.left = integer(o, "left", 0);
    c.width = integer(o, "width", 0);
    c.height = integer(o, "height", 0);
    c.label_left = opt_integer(o, "label_left");
    c.label_top = opt_integer(o, "label_top");
    c.type = type_of(o, c.kind);
    if (const JsonValue* v = o.find("value")) c.value = value_of(v, c.type);
    if (o.find("text")) c.value = Value{text(o, "text")};
    const JsonValue* items = o.find("items");
    if (items && !items->is_array()) throw BadFormat{};
    if (items)
        for (const JsonValue& item : items->items) {
            if (!item.is_object()) throw BadFormat{};
            c.items.push_back({text(item, "label"), value_of(item.find("value"), c.type)});
        }
    c.min = opt_number(o, "min");
    c.max = opt_number(o, "max");
    if (o.find("format")) {
        const std::string name = text(o, "format");
        const auto* it = std::find_if(format_names.begin(), format_names.end(),
                                      [&](const auto& f) { return f.first == name; });
        if (it == format_names.end()) throw BadFormat{};
        c.format = it->second;
    }
    c.precision = opt_integer(o, "precision");
    c.on_text = text(o, "on_text");
    c.off_text = text(o, "off_text");
    c.on_color = colour(o, "on_color");
    c.off_color = colour(o, "off_color");
    c.y_name = text(o, "yname");
    c.x_name = text(o, "xname");
    c.indicator = flag(o, "indicator", c.kind == CTRL_NUMERIC_IND);
    c.visible = flag(o, "visible", true);
    c.dimmed = flag(o, "dimmed", false);
    c.text_size = integer(o, "text_size", 0);
    c.bold = flag(o, "bold", false);
    c.centered = text(o, "align") == "center";
    if (o.find("shortcut")) {
        const std::string key = text(o, "shortcut");
        if (key == "return")
            c.shortcut = Shortcut::return_key;
        else if (key == "escape")
            c.shortcut = Shortcut::escape_key;
        else
            throw BadFormat{};
    }
    if (o.find("tab_stop")) c.tab_stop = flag(o, "tab_stop", true);
    return c;
}

PanelDesc panel_of(const JsonValue& o) {
    PanelDesc p;
    p.id = integer(o, "id", -1);
    if (p.id <= 0) throw BadFormat{};
    p.title = text(o, "title");
    p.callback = text(o, "callback");
    p.top = integer(o, "top", 0);
    p.left = integer(o, "left", 0);
    p.width = integer(o, "width", p.width);
    p.height = integer(o, "height", p.height);
    p.close_control = integer(o, "close_control", 0);
    if (o.find("escape")) {
        if (text(o, "escape") != "click") throw BadFormat{};
        p.escape_clicks = true;
    }
    for (const JsonValue& c : elements(o, "controls")) {
        if (!c.is_object()) throw BadFormat{};
        p.controls.push_back(control_of(c));
    }
    return p;
}

// A menu or item that is no object reads as an empty one.
MenuBarDesc menu_bar_of(const JsonValue& o) {
    MenuBarDesc bar;
    bar.id = integer(o, "id", -1);
    if (bar.id <= 0) throw BadFormat{};
    for (const JsonValue& m : elements(o, "menus")) {
        MenuDesc menu{text(m, "caption"), {}};
        for (const JsonValue& i : elements(m, "items")) {
            MenuItemDesc item;
            item.separator = flag(i, "separator", false);
            item.id = integer(i, "id", 0);
            if (!item.separator && item.id <= 0) throw BadFormat{};
            item.caption = text(i, "caption");
            item.callback = text(i, "callback");
            item.checkable = flag(i, "checkable", false);
            item.checked = flag(i, "checked", false);
            item.dimmed = flag(i, "dimmed", false);
            menu.items.push_back(std::move(item));
        }
        bar.menus.push_back(std::move(menu));
    }
    return bar;
}

std::unique_ptr<ResourceFile> parse(std::string_view bytes) {
    const std::optional<JsonValue> doc = json::parse(bytes);
    if (!doc || !doc->is_object()) return nullptr;
    auto file = std::make_unique<ResourceFile>();
    try {
        for (const JsonValue& p : elements(*doc, "panels")) {
            if (!p.is_object()) return nullptr;
            PanelDesc panel = panel_of(p);
            file->panels[panel.id] = std::move(panel);
        }
        for (const JsonValue& m : elements(*doc, "menubars")) {
            if (!m.is_object()) return nullptr;
            MenuBarDesc bar = menu_bar_of(m);
            file->menu_bars[bar.id] = std::move(bar);
        }
    } catch (const BadFormat&) {
        return nullptr;
    }
    return file;
}

}  // namespace

std::unique_ptr<ResourceFile> parse_resource_text(std::string_view text) {
    return parse(text);
}

std::optional<int> kind_from_name(const std::string& name) {
    for (const auto& [n, kind] : kind_names)
        if (n == name) return kind;
    return std::nullopt;
}

std::string resolve_resource_path(const char* file) {
    if (file == nullptr) return {};
    const std::string name(file);
    if (!name.empty() && name.front() == '/') return name;
    if (const char* dir = std::getenv("UIRT_RESOURCE_DIR"); dir != nullptr && *dir != '\0')
        return std::string(dir) + "/" + name;
    return executable_dir() + "/" + name;
}

const ResourceFile* load_resource_file(const char* file, int& error) {
    static std::map<std::string, std::unique_ptr<ResourceFile>> cache;
    const std::string path = resolve_resource_path(file);
    if (auto it = cache.find(path); it != cache.end()) return it->second.get();
    QFile f(QString::fromStdString(path));
    if (path.empty() || !f.open(QIODevice::ReadOnly)) {
        error = UIE_FILE_NOT_FOUND;
        return nullptr;
    }
    const QByteArray bytes = f.readAll();
    auto parsed = parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!parsed) {
        error = UIE_BAD_FILE_FORMAT;
        return nullptr;
    }
    return cache.emplace(path, std::move(parsed)).first->second.get();
}

}  // namespace uirt::detail
