#include "resource_file.hpp"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>

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

std::string text(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(key);
    if (v.isUndefined()) return {};
    if (!v.isString()) throw BadFormat{};
    return v.toString().toStdString();
}

int integer(const QJsonObject& o, const char* key, int fallback) {
    const QJsonValue v = o.value(key);
    if (v.isUndefined()) return fallback;
    if (!v.isDouble()) throw BadFormat{};
    return v.toInt();
}

std::optional<int> opt_integer(const QJsonObject& o, const char* key) {
    if (!o.contains(key)) return std::nullopt;
    return integer(o, key, 0);
}

std::optional<double> opt_number(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(key);
    if (v.isUndefined()) return std::nullopt;
    if (!v.isDouble()) throw BadFormat{};
    return v.toDouble();
}

bool flag(const QJsonObject& o, const char* key, bool fallback) {
    const QJsonValue v = o.value(key);
    if (v.isUndefined()) return fallback;
    if (!v.isBool()) throw BadFormat{};
    return v.toBool();
}

// Colours are written "0xRRGGBB" or as numbers.
std::optional<int> colour(const QJsonObject& o, const char* key) {
    const QJsonValue v = o.value(key);
    if (v.isUndefined()) return std::nullopt;
    if (v.isDouble()) return v.toInt();
    bool ok = false;
    const int c = v.toString().toInt(&ok, 0);
    if (!ok) throw BadFormat{};
    return c;
}

Value value_of(const QJsonValue& v, DataType type) {
    if (v.isString()) return convert(Value{v.toString().toStdString()}, type);
    if (v.isDouble()) return convert(Value{v.toDouble()}, type);
    throw BadFormat{};
}

DataType type_of(const QJsonObject& o, int kind) {
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

ControlDesc control_of(const QJsonObject& o) {
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
    if (o.contains("value")) c.value = value_of(o.value("value"), c.type);
    if (o.contains("text")) c.value = Value{text(o, "text")};
    const QJsonValue items = o.value("items");
    if (!items.isUndefined() && !items.isArray()) throw BadFormat{};
    for (const QJsonValue& item : items.toArray()) {
        if (!item.isObject()) throw BadFormat{};
        const QJsonObject io = item.toObject();
        c.items.push_back({text(io, "label"), value_of(io.value("value"), c.type)});
    }
    c.min = opt_number(o, "min");
    c.max = opt_number(o, "max");
    if (o.contains("format")) {
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
    if (o.contains("shortcut")) {
        const std::string key = text(o, "shortcut");
        if (key == "return")
            c.shortcut = Shortcut::return_key;
        else if (key == "escape")
            c.shortcut = Shortcut::escape_key;
        else
            throw BadFormat{};
    }
    if (o.contains("tab_stop")) c.tab_stop = flag(o, "tab_stop", true);
    return c;
}

PanelDesc panel_of(const QJsonObject& o) {
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
    if (o.contains("escape")) {
        if (text(o, "escape") != "click") throw BadFormat{};
        p.escape_clicks = true;
    }
    for (const QJsonValue& c : o.value("controls").toArray()) {
        if (!c.isObject()) throw BadFormat{};
        p.controls.push_back(control_of(c.toObject()));
    }
    return p;
}

MenuBarDesc menu_bar_of(const QJsonObject& o) {
    MenuBarDesc bar;
    bar.id = integer(o, "id", -1);
    if (bar.id <= 0) throw BadFormat{};
    for (const QJsonValue& m : o.value("menus").toArray()) {
        const QJsonObject mo = m.toObject();
        MenuDesc menu{text(mo, "caption"), {}};
        for (const QJsonValue& i : mo.value("items").toArray()) {
            const QJsonObject io = i.toObject();
            MenuItemDesc item;
            item.separator = flag(io, "separator", false);
            item.id = integer(io, "id", 0);
            if (!item.separator && item.id <= 0) throw BadFormat{};
            item.caption = text(io, "caption");
            item.callback = text(io, "callback");
            item.checkable = flag(io, "checkable", false);
            item.checked = flag(io, "checked", false);
            item.dimmed = flag(io, "dimmed", false);
            menu.items.push_back(std::move(item));
        }
        bar.menus.push_back(std::move(menu));
    }
    return bar;
}

std::unique_ptr<ResourceFile> parse(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return nullptr;
    auto file = std::make_unique<ResourceFile>();
    try {
        const QJsonObject root = doc.object();
        for (const QJsonValue& p : root.value("panels").toArray()) {
            if (!p.isObject()) return nullptr;
            PanelDesc panel = panel_of(p.toObject());
            file->panels[panel.id] = std::move(panel);
        }
        for (const QJsonValue& m : root.value("menubars").toArray()) {
            if (!m.isObject()) return nullptr;
            MenuBarDesc bar = menu_bar_of(m.toObject());
            file->menu_bars[bar.id] = std::move(bar);
        }
    } catch (const BadFormat&) {
        return nullptr;
    }
    return file;
}

}  // namespace

std::unique_ptr<ResourceFile> parse_resource_text(std::string_view text) {
    return parse(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
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
    auto parsed = parse(f.readAll());
    if (!parsed) {
        error = UIE_BAD_FILE_FORMAT;
        return nullptr;
    }
    return cache.emplace(path, std::move(parsed)).first->second.get();
}

}  // namespace uirt::detail
