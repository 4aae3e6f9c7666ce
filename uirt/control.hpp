// One control of a panel: its model (value, items, attributes, geometry), which is the
// truth that reads come from, and the Qt widget that shows it and turns user actions into
// events. The widget is built only when its panel is first shown.
#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "resource_file.hpp"
#include "uirt.hpp"
#include "value.hpp"

class QFont;
class QLabel;
class QLineEdit;
class QWidget;

namespace uirt::detail {

class Graph;

class Control : public QObject {
public:
    Control(int panel, const ControlDesc& desc);
    ~Control() override;

    // Gives the control its panel's canvas; the widget (and caption) is built there when
    // the control is first visible.
    void attach(QWidget* canvas);

    int id() const { return id_; }
    int kind() const { return kind_; }
    QWidget* widget() const { return widget_; }
    Graph* graph() const { return graph_.get(); }
    CtrlCallbackPtr callback() const { return callback_; }
    void* callback_data() const { return callback_data_; }
    bool is_list() const { return kind_ == CTRL_RING || kind_ == CTRL_LIST_BOX; }
    Shortcut shortcut() const { return shortcut_; }
    bool indicator() const { return indicator_; }
    int left() const { return left_; }
    int top() const { return top_; }
    // Whether Tab stops here: the widget is built, shown, enabled and a tab stop.
    bool takes_tab() const;
    // Whether the widget is, or holds, `w`.
    bool holds(const QWidget* w) const;

    // Programmatic access: no events.
    int set_value(const Value& value);
    int get_value(Value& out) const;
    int set_attribute(int attribute, const Value& value);
    int get_attribute(int attribute, Value& out) const;

    // Rings and list boxes.
    int insert_item(int index, const std::string& label, const Value& value);
    int delete_items(int index, int count);
    int item_count() const { return static_cast<int>(items_.size()); }
    int index() const { return index_; }
    int set_index(int index);
    int index_of(const Value& value) const;  // -1 when no item has it
    const ItemDesc* item(int index) const;
    std::vector<std::string> labels() const;

    void focus();

    // Text boxes: the text as lines, appended without drawing the whole text again.
    int insert_line(int index, const std::string& text);
    int delete_lines(int first, int count);
    int line_count() const { return text_lines_; }
    int set_line_colour(int line, int colour);  // 0xRRGGBB, or -1 for the box's own
    int line_colour(int line) const;

    // User actions: the Qt signal handlers and the test hooks both land here.
    bool accepts_input() const;
    void user_change(const Value& value, bool value_changed_event);
    void user_pick(int index);
    void user_press();
    void user_click();
    void user_double_click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void paint_line(int line);  // a text box line in its colour
    void build();
    void build_widget(QWidget* canvas);
    void watch(QWidget* w);
    void apply_geometry();
    void place_caption();
    int label_width() const;      // the caption's width, measured on first need
    void refresh();               // shows the model in the widget, signals blocked
    QFont designed_font() const;  // the font the resource file gives the control
    void fit_text(QLineEdit* edit) const;
    Value clamp(const Value& value) const;
    std::string display_text() const;
    bool numeric() const { return kind_ == CTRL_NUMERIC || kind_ == CTRL_NUMERIC_IND; }
    bool has_caption() const;
    void on_text_edited();

    int panel_;
    int id_;
    int kind_;
    DataType type_;
    Value value_;
    std::vector<ItemDesc> items_;
    int index_ = -1;
    std::string label_;
    std::string text_in_place_;  // shown instead of a numeric value, until the value is set
    int text_lines_ = 0;         // lines of a text box
    std::vector<int> line_colours_;  // per line, -1 plain; empty while no line has one
    double min_, max_;
    int format_ = VAL_DECIMAL_FORMAT;
    int precision_;
    std::string on_text_ = "On", off_text_ = "Off";
    int on_color_ = VAL_RED, off_color_ = 0x400000;
    bool indicator_;
    bool visible_;
    bool dimmed_;
    int left_, top_, width_, height_;
    int text_size_;
    bool bold_;
    bool centered_;
    Shortcut shortcut_;
    bool tab_stop_;
    int label_left_ = 0, label_top_ = 0, label_height_ = 0;
    mutable int label_width_ = -1;  // -1 until measured or set
    // What fit_text last fitted: the text, the field's width and the designed font.
    mutable QString fitted_text_;
    mutable int fitted_width_ = -1;
    mutable QFont fitted_font_;
    CtrlCallbackPtr callback_ = nullptr;
    void* callback_data_ = nullptr;
    QWidget* canvas_ = nullptr;
    QWidget* widget_ = nullptr;
    QLabel* caption_ = nullptr;
    std::unique_ptr<Graph> graph_;
};

}  // namespace uirt::detail
