#include "control.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "graph.hpp"
#include "led.hpp"
#include "runtime.hpp"
#include "scale.hpp"

namespace uirt::detail {

namespace {

constexpr int default_caption_height = 16;
constexpr int max_precision = 15;

QColor qcolour(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// A caption's width in the font captions are drawn with, with a small margin, in model
// pixels (rounded up, so it still fits once scaled).
int text_width(const std::string& text) {
    const QFontMetrics metrics(QApplication::font("QLabel"));
    const int screen = metrics.horizontalAdvance(QString::fromStdString(text)) + 4;
    return static_cast<int>(std::ceil(screen / layout_scale()));
}

bool is_text_attribute(int attribute) {
    return attribute == ATTR_LABEL_TEXT || attribute == ATTR_ON_TEXT ||
           attribute == ATTR_OFF_TEXT || attribute == ATTR_YNAME || attribute == ATTR_XNAME ||
           attribute == ATTR_TEXT_IN_PLACE_OF_VALUE || attribute == ATTR_XUNITS ||
           attribute == ATTR_YUNITS;
}

int lines_in(const std::string& text) {
    return text.empty() ? 0 : static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
}

// Offset of the start of line `line` (the text's size past the last line).
std::size_t line_offset(const std::string& text, int line) {
    std::size_t at = 0;
    for (int i = 0; i < line; ++i) {
        const std::size_t nl = text.find('\n', at);
        if (nl == std::string::npos) return text.size();
        at = nl + 1;
    }
    return at;
}

}  // namespace

Control::Control(int panel, const ControlDesc& desc)
    : panel_(panel),
      id_(desc.id),
      kind_(desc.kind),
      type_(desc.type),
      value_(desc.type == DataType::text ? Value{std::string()} : convert(Value{0}, desc.type)),
      items_(desc.items),
      label_(desc.label),
      min_(desc.type == DataType::integer ? INT_MIN : std::numeric_limits<double>::lowest()),
      max_(desc.type == DataType::integer ? INT_MAX : std::numeric_limits<double>::max()),
      precision_(desc.type == DataType::real ? 2 : 0),
      indicator_(desc.indicator),
      visible_(desc.visible),
      dimmed_(desc.dimmed),
      left_(desc.left),
      top_(desc.top),
      width_(std::max(desc.width, 1)),
      height_(std::max(desc.height, 1)),
      text_size_(desc.text_size),
      bold_(desc.bold),
      centered_(desc.centered),
      shortcut_(desc.shortcut),
      tab_stop_(desc.tab_stop.value_or(!desc.indicator)),
      label_left_(desc.label_left.value_or(desc.left)),
      label_top_(desc.label_top.value_or(desc.top - default_caption_height - 1)),
      label_height_(default_caption_height) {
    if (desc.min) min_ = *desc.min;
    if (desc.max) max_ = *desc.max;
    if (desc.format) format_ = *desc.format;
    if (desc.precision) precision_ = std::clamp(*desc.precision, 0, max_precision);
    if (!desc.on_text.empty()) on_text_ = desc.on_text;
    if (!desc.off_text.empty()) off_text_ = desc.off_text;
    if (desc.on_color) on_color_ = *desc.on_color;
    if (desc.off_color) off_color_ = *desc.off_color;
    if (kind_ == CTRL_TEXT_MSG || kind_ == CTRL_COMMAND_BUTTON) value_ = label_;
    if (!items_.empty()) index_ = 0;
    if (desc.value) {
        if (is_list())
            index_ = std::max(index_, index_of(*desc.value));
        else
            value_ = clamp(convert(*desc.value, type_));
    }
    auto& reg = rt().callbacks;
    if (auto it = reg.find(desc.callback); !desc.callback.empty() && it != reg.end())
        callback_ = it->second;

    if (kind_ == CTRL_TEXT_BOX) text_lines_ = lines_in(to_text(value_));
    if (kind_ == CTRL_GRAPH) {
        graph_ = std::make_unique<Graph>();
        graph_->set_left_drag_zooms(callback_ == nullptr);  // a click takes nothing there
        if (!desc.y_name.empty()) graph_->set_axis_name(true, desc.y_name);
        if (!desc.x_name.empty()) graph_->set_axis_name(false, desc.x_name);
    }
}

void Control::attach(QWidget* canvas) {
    canvas_ = canvas;
    if (visible_) build();
}

void Control::build() {
    if (widget_ || !canvas_) return;
    build_widget(canvas_);
    widget_->setObjectName(QString("control %1").arg(id_));
    // Not a tab stop: still focused by a click (to copy a value), never by Tab.
    if (!tab_stop_ && (widget_->focusPolicy() & Qt::TabFocus))
        widget_->setFocusPolicy(Qt::ClickFocus);
    apply_geometry();
    if (text_size_ > 0 || bold_) widget_->setFont(designed_font());
    if (auto* label = qobject_cast<QLabel*>(widget_); label && centered_)
        label->setAlignment(Qt::AlignCenter);
    if (has_caption()) {
        caption_ = new QLabel(canvas_);
        caption_->setObjectName(QString("caption %1").arg(id_));
        watch(caption_);
    }
    refresh();
}

QFont Control::designed_font() const {
    QFont font = QApplication::font(widget_);
    if (text_size_ > 0) font.setPointSize(text_size_);
    font.setBold(bold_);
    return font;
}

// An indicator shows its whole text, first character first: a text wider than the field
// is drawn in a smaller font rather than scrolled.
void Control::fit_text(QLineEdit* edit) const {
    constexpr int smallest_point_size = 6;
    const QString text = edit->text();
    QFont font = designed_font();
    edit->setCursorPosition(0);
    if (text == fitted_text_ && edit->width() == fitted_width_ && font == fitted_font_) return;
    fitted_text_ = text;
    fitted_width_ = edit->width();
    fitted_font_ = font;
    const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
    const int room = edit->width() - 2 * frame - 4;  // the line edit's own side margins
    while (font.pointSize() > smallest_point_size &&
           QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPointSize(font.pointSize() - 1);
    if (font != edit->font()) edit->setFont(font);
}

int Control::label_width() const {
    if (label_width_ < 0) label_width_ = text_width(label_);
    return label_width_;
}

Control::~Control() {
    delete caption_;
    if (!graph_) delete widget_;
}

bool Control::has_caption() const {
    return kind_ != CTRL_TEXT_MSG && kind_ != CTRL_COMMAND_BUTTON && kind_ != CTRL_CHECK_BOX &&
           kind_ != CTRL_DECORATION;
}

void Control::build_widget(QWidget* canvas) {
    switch (kind_) {
        case CTRL_NUMERIC:
        case CTRL_NUMERIC_IND:
        case CTRL_STRING: {
            auto* edit = new QLineEdit(canvas);
            edit->setReadOnly(indicator_);
            if (numeric()) edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            connect(edit, &QLineEdit::editingFinished, this, [this] { on_text_edited(); });
            widget_ = edit;
            break;
        }
        case CTRL_TEXT_MSG: {
            auto* label = new QLabel(canvas);
            label->setWordWrap(true);
            widget_ = label;
            break;
        }
        case CTRL_RING: {
            auto* combo = new QComboBox(canvas);
            connect(combo, &QComboBox::activated, this, [this](int i) { user_pick(i); });
            widget_ = combo;
            break;
        }
        case CTRL_BINARY_SWITCH: {
            auto* button = new QPushButton(canvas);
            button->setCheckable(true);
            connect(button, &QPushButton::clicked, this,
                    [this](bool on) { user_change(Value{on ? 1 : 0}, false); });
            widget_ = button;
            break;
        }
        case CTRL_COMMAND_BUTTON: {
            auto* button = new QPushButton(canvas);
            // The press itself already sent the left click (eventFilter).
            connect(button, &QPushButton::clicked, this, [this] {
                if (accepts_input()) dispatch_control_event(panel_, id_, EVENT_COMMIT);
            });
            widget_ = button;
            break;
        }
        case CTRL_LIST_BOX: {
            auto* list = new QListWidget(canvas);
            connect(list, &QListWidget::currentRowChanged, this,
                    [this](int row) { user_pick(row); });
            widget_ = list;
            break;
        }
        case CTRL_GRAPH:
            widget_ = graph_->make_widget(canvas);
            break;
        case CTRL_TEXT_BOX: {
            auto* box = new QPlainTextEdit(canvas);
            box->setReadOnly(indicator_);
            widget_ = box;
            break;
        }
        case CTRL_CHECK_BOX: {
            auto* box = new QCheckBox(canvas);
            connect(box, &QCheckBox::clicked, this,
                    [this](bool on) { user_change(Value{on ? 1 : 0}, false); });
            widget_ = box;
            break;
        }
        case CTRL_ROUND_LED:
            widget_ = new Led(canvas);
            break;
        default: {
            auto* frame = new QFrame(canvas);
            frame->setFrameShape(QFrame::Box);
            widget_ = frame;
            break;
        }
    }
    watch(widget_);
}

void Control::watch(QWidget* w) {
    w->installEventFilter(this);
    for (QWidget* child : w->findChildren<QWidget*>()) child->installEventFilter(this);
}

bool Control::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            if (event->type() == QEvent::MouseButtonPress)
                user_click();
            else
                user_double_click();
        }
    }
    // Up and Down in a text field go to its callback: a command line's history.
    if (event->type() == QEvent::KeyPress && kind_ == CTRL_STRING && !indicator_ && callback_) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Up || key == Qt::Key_Down) && accepts_input()) {
            dispatch_control_event(panel_, id_, EVENT_KEYPRESS,
                                   key == Qt::Key_Up ? VAL_UP_ARROW_VKEY : VAL_DOWN_ARROW_VKEY);
            return true;
        }
    }
    // An indicator that is a tab stop takes Space or Return as a click.
    if (event->type() == QEvent::KeyPress && indicator_ && tab_stop_) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            user_click();
            return true;
        }
    }
    return false;
}

bool Control::takes_tab() const {
    return widget_ && tab_stop_ && widget_->isVisibleTo(canvas_) && widget_->isEnabled() &&
           (widget_->focusPolicy() & Qt::TabFocus);
}

bool Control::holds(const QWidget* w) const {
    return widget_ && w && (w == widget_ || widget_->isAncestorOf(w));
}

void Control::apply_geometry() {
    if (widget_)
        widget_->setGeometry(to_screen(left_), to_screen(top_), to_screen(width_),
                             to_screen(height_));
}

void Control::place_caption() {
    if (!caption_) return;
    caption_->setGeometry(to_screen(label_left_), to_screen(label_top_), to_screen(label_width()),
                          to_screen(label_height_));
    caption_->setVisible(visible_ && !label_.empty());
    caption_->setEnabled(!dimmed_);
}

Value Control::clamp(const Value& value) const {
    if (!numeric()) return value;
    if (type_ == DataType::integer) {
        const int v = to_int(value);
        const int lo = to_int(Value{min_}), hi = to_int(Value{max_});
        return lo <= hi ? std::clamp(v, lo, hi) : v;
    }
    const double v = to_double(value);
    return min_ <= max_ ? std::clamp(v, min_, max_) : v;
}

std::string Control::display_text() const {
    if (!numeric()) return to_text(value_);
    if (!text_in_place_.empty()) return text_in_place_;
    const double v = to_double(value_);
    if (format_ == VAL_SCIENTIFIC_FORMAT) return QString::number(v, 'e', precision_).toStdString();
    if (type_ == DataType::integer) return std::to_string(to_int(value_));
    return QString::number(v, 'f', precision_).toStdString();
}

void Control::refresh() {
    if (!widget_) {
        if (visible_) build();  // once it has a canvas; build() shows the model
        return;
    }
    const QSignalBlocker block(widget_);
    const QString text = QString::fromStdString(display_text());
    switch (kind_) {
        case CTRL_NUMERIC:
        case CTRL_NUMERIC_IND:
        case CTRL_STRING: {
            auto* edit = static_cast<QLineEdit*>(widget_);
            // An indicator's unchanged text is left as it is: nobody types into it.
            if (!indicator_ || edit->text() != text) edit->setText(text);
            edit->setModified(false);
            if (indicator_) fit_text(edit);
            break;
        }
        case CTRL_TEXT_MSG:
            static_cast<QLabel*>(widget_)->setText(text);
            break;
        case CTRL_COMMAND_BUTTON:
            static_cast<QPushButton*>(widget_)->setText(text);
            break;
        case CTRL_RING: {
            auto* combo = static_cast<QComboBox*>(widget_);
            if (combo->count() != item_count()) {
                combo->clear();
                for (const ItemDesc& item : items_)
                    combo->addItem(QString::fromStdString(item.label));
            } else {
                for (int i = 0; i < item_count(); ++i)
                    combo->setItemText(i, QString::fromStdString(items_[i].label));
            }
            combo->setCurrentIndex(index_);
            break;
        }
        case CTRL_LIST_BOX: {
            // Rebuilt only when the items differ: this also runs inside the list's own
            // selection signal.
            auto* list = static_cast<QListWidget*>(widget_);
            bool same = list->count() == item_count();
            for (int i = 0; same && i < item_count(); ++i)
                same = list->item(i)->text().toStdString() == items_[i].label;
            if (!same) {
                list->clear();
                for (const ItemDesc& item : items_)
                    list->addItem(QString::fromStdString(item.label));
            }
            if (list->currentRow() != index_) list->setCurrentRow(index_);
            break;
        }
        case CTRL_BINARY_SWITCH: {
            auto* button = static_cast<QPushButton*>(widget_);
            const bool on = to_int(value_) != 0;
            button->setChecked(on);
            button->setText(QString::fromStdString(on ? on_text_ : off_text_));
            break;
        }
        case CTRL_CHECK_BOX: {
            auto* box = static_cast<QCheckBox*>(widget_);
            box->setChecked(to_int(value_) != 0);
            box->setText(QString::fromStdString(label_));
            break;
        }
        case CTRL_TEXT_BOX:
            static_cast<QPlainTextEdit*>(widget_)->setPlainText(text);
            for (int i = 0; i < static_cast<int>(line_colours_.size()); ++i)
                if (line_colours_[i] >= 0) paint_line(i);
            break;
        case CTRL_ROUND_LED:
            static_cast<Led*>(widget_)->set_colour(
                qcolour(to_int(value_) ? on_color_ : off_color_));
            break;
        default:
            break;
    }
    widget_->setVisible(visible_);
    widget_->setEnabled(!dimmed_);
    if (caption_) {
        caption_->setText(QString::fromStdString(label_));
        place_caption();
    }
}

// ---- programmatic access ------------------------------------------------------------

int Control::set_value(const Value& value) {
    if (kind_ == CTRL_GRAPH || kind_ == CTRL_DECORATION) return UIE_TYPE_MISMATCH;
    // A button's only value is its caption: a number written to it changes nothing.
    if (kind_ == CTRL_COMMAND_BUTTON && !std::holds_alternative<std::string>(value)) return 0;
    if (is_list()) {
        const int i = index_of(value);
        if (i < 0) return UIE_BAD_VALUE;
        index_ = i;
    } else if (kind_ == CTRL_BINARY_SWITCH || kind_ == CTRL_CHECK_BOX || kind_ == CTRL_ROUND_LED) {
        value_ = convert(Value{to_int(value) != 0 ? 1 : 0}, type_);
    } else {
        value_ = clamp(convert(value, type_));
        text_in_place_.clear();
        if (kind_ == CTRL_TEXT_MSG || kind_ == CTRL_COMMAND_BUTTON) label_ = to_text(value_);
        if (kind_ == CTRL_TEXT_BOX) text_lines_ = lines_in(to_text(value_));
        line_colours_.clear();
    }
    refresh();
    return 0;
}

int Control::get_value(Value& out) const {
    if (kind_ == CTRL_GRAPH || kind_ == CTRL_DECORATION) return UIE_TYPE_MISMATCH;
    if (is_list()) {
        if (index_ < 0) {
            out = convert(Value{0}, type_);
            return UIE_INDEX_OUT_OF_RANGE;
        }
        out = items_[static_cast<std::size_t>(index_)].value;
        return 0;
    }
    out = value_;
    return 0;
}

int Control::set_attribute(int attribute, const Value& value) {
    const int i = is_text_attribute(attribute) ? 0 : to_int(value);
    switch (attribute) {
        case ATTR_DIMMED:
            dimmed_ = i != 0;
            break;
        case ATTR_CTRL_VISIBLE:
            visible_ = i != 0;
            break;
        case ATTR_LABEL_TEXT:
            // A caption widens for a longer text and never narrows.
            if (has_caption()) label_width_ = std::max(label_width(), text_width(to_text(value)));
            label_ = to_text(value);
            if (kind_ == CTRL_TEXT_MSG || kind_ == CTRL_COMMAND_BUTTON) value_ = label_;
            break;
        case ATTR_TEXT_IN_PLACE_OF_VALUE:
            if (!numeric()) return UIE_BAD_ATTRIBUTE;
            text_in_place_ = to_text(value);
            break;
        case ATTR_MIN_VALUE:
        case ATTR_MAX_VALUE:
            if (!numeric()) return UIE_BAD_ATTRIBUTE;
            (attribute == ATTR_MIN_VALUE ? min_ : max_) =
                type_ == DataType::integer ? to_int(value) : to_double(value);
            value_ = clamp(value_);
            break;
        case ATTR_FORMAT:
            if (i != VAL_DECIMAL_FORMAT && i != VAL_FLOATING_PT_FORMAT &&
                i != VAL_SCIENTIFIC_FORMAT)
                return UIE_BAD_VALUE;
            format_ = i;
            break;
        case ATTR_PRECISION:
            if (i < 0 || i > max_precision) return UIE_BAD_VALUE;
            precision_ = i;
            break;
        case ATTR_ON_TEXT:
            on_text_ = to_text(value);
            break;
        case ATTR_OFF_TEXT:
            off_text_ = to_text(value);
            break;
        case ATTR_ON_COLOR:
            on_color_ = i & 0xFFFFFF;
            break;
        case ATTR_OFF_COLOR:
            off_color_ = i & 0xFFFFFF;
            break;
        case ATTR_YNAME:
        case ATTR_XNAME:
            if (!graph_) return UIE_BAD_ATTRIBUTE;
            graph_->set_axis_name(attribute == ATTR_YNAME, to_text(value));
            break;
        case ATTR_XUNITS:
        case ATTR_YUNITS:
            if (!graph_) return UIE_BAD_ATTRIBUTE;
            graph_->set_units(attribute == ATTR_YUNITS, to_text(value));
            return 0;
        case ATTR_XWHOLE_TICKS:
            if (!graph_) return UIE_BAD_ATTRIBUTE;
            graph_->set_whole_x_ticks(i != 0);
            return 0;
        case ATTR_LEFT:
            left_ = i;
            apply_geometry();
            break;
        case ATTR_TOP:
            top_ = i;
            apply_geometry();
            break;
        case ATTR_WIDTH:
            width_ = std::max(i, 1);
            apply_geometry();
            break;
        case ATTR_HEIGHT:
            height_ = std::max(i, 1);
            apply_geometry();
            break;
        case ATTR_LABEL_LEFT:
            label_left_ = i;
            break;
        case ATTR_LABEL_TOP:
            label_top_ = i;
            break;
        case ATTR_LABEL_WIDTH:
            label_width_ = std::max(i, 0);
            break;
        case ATTR_LABEL_HEIGHT:
            label_height_ = std::max(i, 0);
            break;
        default:
            return UIE_BAD_ATTRIBUTE;
    }
    refresh();
    return 0;
}

int Control::get_attribute(int attribute, Value& out) const {
    switch (attribute) {
        case ATTR_DIMMED:
            out = dimmed_ ? 1 : 0;
            break;
        case ATTR_CTRL_VISIBLE:
            out = visible_ ? 1 : 0;
            break;
        case ATTR_LABEL_TEXT:
            out = label_;
            break;
        case ATTR_TEXT_IN_PLACE_OF_VALUE:
            if (!numeric()) return UIE_BAD_ATTRIBUTE;
            out = text_in_place_;
            break;
        case ATTR_MIN_VALUE:
        case ATTR_MAX_VALUE:
            if (!numeric()) return UIE_BAD_ATTRIBUTE;
            out = attribute == ATTR_MIN_VALUE ? min_ : max_;
            break;
        case ATTR_FORMAT:
            out = format_;
            break;
        case ATTR_PRECISION:
            out = precision_;
            break;
        case ATTR_ON_TEXT:
            out = on_text_;
            break;
        case ATTR_OFF_TEXT:
            out = off_text_;
            break;
        case ATTR_ON_COLOR:
            out = on_color_;
            break;
        case ATTR_OFF_COLOR:
            out = off_color_;
            break;
        case ATTR_CTRL_STYLE:
            out = kind_;
            break;
        case ATTR_DATA_TYPE:
            out = data_type_code(type_);
            break;
        case ATTR_YNAME:
        case ATTR_XNAME:
            if (!graph_) return UIE_BAD_ATTRIBUTE;
            out = graph_->axis_name(attribute == ATTR_YNAME);
            break;
        case ATTR_XUNITS:
        case ATTR_YUNITS:
            if (!graph_) return UIE_BAD_ATTRIBUTE;
            out = graph_->units(attribute == ATTR_YUNITS);
            break;
        case ATTR_XWHOLE_TICKS:
            if (!graph_) return UIE_BAD_ATTRIBUTE;
            out = graph_->whole_x_ticks() ? 1 : 0;
            break;
        case ATTR_LEFT:
            out = left_;
            break;
        case ATTR_TOP:
            out = top_;
            break;
        case ATTR_WIDTH:
            out = width_;
            break;
        case ATTR_HEIGHT:
            out = height_;
            break;
        case ATTR_LABEL_LEFT:
            out = label_left_;
            break;
        case ATTR_LABEL_TOP:
            out = label_top_;
            break;
        case ATTR_LABEL_WIDTH:
            out = label_width();
            break;
        case ATTR_LABEL_HEIGHT:
            out = label_height_;
            break;
        default:
            return UIE_BAD_ATTRIBUTE;
    }
    return 0;
}

// ---- lists ------------------------------------------------------------------------------

int Control::insert_item(int index, const std::string& label, const Value& value) {
    if (!is_list()) return UIE_TYPE_MISMATCH;
    if (index < -1 || index > item_count()) return UIE_INDEX_OUT_OF_RANGE;
    const int at = index == -1 ? item_count() : index;
    items_.insert(items_.begin() + at, ItemDesc{label, convert(value, type_)});
    if (index_ < 0)
        index_ = 0;
    else if (at <= index_ && item_count() > 1)
        ++index_;  // the selected item stays selected
    refresh();
    return 0;
}

int Control::delete_items(int index, int count) {
    if (!is_list()) return UIE_TYPE_MISMATCH;
    if (index < 0 || index >= item_count()) return UIE_INDEX_OUT_OF_RANGE;
    const int end = count < 0 ? item_count() : std::min(item_count(), index + count);
    items_.erase(items_.begin() + index, items_.begin() + end);
    if (items_.empty())
        index_ = -1;
    else if (index_ >= end)
        index_ -= end - index;
    else if (index_ >= index)
        index_ = std::min(index, item_count() - 1);
    refresh();
    return 0;
}

int Control::set_index(int index) {
    if (!is_list()) return UIE_TYPE_MISMATCH;
    if (index < 0 || index >= item_count()) return UIE_INDEX_OUT_OF_RANGE;
    index_ = index;
    refresh();
    return 0;
}

int Control::index_of(const Value& value) const {
    const Value wanted = convert(value, type_);
    for (int i = 0; i < item_count(); ++i)
        if (items_[static_cast<std::size_t>(i)].value == wanted) return i;
    return -1;
}

const ItemDesc* Control::item(int index) const {
    if (index < 0 || index >= item_count()) return nullptr;
    return &items_[static_cast<std::size_t>(index)];
}

std::vector<std::string> Control::labels() const {
    std::vector<std::string> out;
    for (const ItemDesc& item : items_) out.push_back(item.label);
    return out;
}

int Control::insert_line(int index, const std::string& text) {
    if (kind_ != CTRL_TEXT_BOX) return UIE_TYPE_MISMATCH;
    if (index < -1 || index > text_lines_) return UIE_INDEX_OUT_OF_RANGE;
    if (!std::holds_alternative<std::string>(value_)) value_ = to_text(value_);
    const std::string line = text.substr(0, text.find('\n'));
    if (index == -1 || index == text_lines_) {
        // Appended where it is: a log of thousands of lines is not copied for each one.
        std::string& all = std::get<std::string>(value_);
        if (text_lines_ > 0) all += '\n';
        all += line;
        if (widget_) static_cast<QPlainTextEdit*>(widget_)->appendPlainText(QString::fromStdString(line));
        ++text_lines_;
        if (!line_colours_.empty()) line_colours_.push_back(-1);
        return 0;
    }
    if (!line_colours_.empty()) line_colours_.insert(line_colours_.begin() + index, -1);
    std::string all = to_text(value_);
    all.insert(line_offset(all, index), line + "\n");
    value_ = std::move(all);
    ++text_lines_;
    refresh();
    return 0;
}

int Control::delete_lines(int first, int count) {
    if (kind_ != CTRL_TEXT_BOX) return UIE_TYPE_MISMATCH;
    if (first < 0 || first >= text_lines_) return UIE_INDEX_OUT_OF_RANGE;
    const int end = count < 0 ? text_lines_ : std::min(text_lines_, first + count);
    std::string all = to_text(value_);
    std::size_t from = line_offset(all, first), to = line_offset(all, end);
    if (end == text_lines_ && from > 0) --from;  // the line end before the first one goes
    all.erase(from, to - from);
    value_ = std::move(all);
    text_lines_ -= end - first;
    if (!line_colours_.empty())
        line_colours_.erase(line_colours_.begin() + std::min<std::size_t>(first, line_colours_.size()),
                            line_colours_.begin() + std::min<std::size_t>(end, line_colours_.size()));
    if (widget_ && first == 0 && end < text_lines_ + (end - first)) {
        // The oldest lines of a log: removed from the document without laying it out again.
        auto* box = static_cast<QPlainTextEdit*>(widget_);
        QTextCursor cursor(box->document());
        cursor.movePosition(QTextCursor::Start);
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, end);
        cursor.removeSelectedText();
        return 0;
    }
    refresh();
    return 0;
}

int Control::set_line_colour(int line, int colour) {
    if (kind_ != CTRL_TEXT_BOX) return UIE_TYPE_MISMATCH;
    if (line < 0 || line >= text_lines_) return UIE_INDEX_OUT_OF_RANGE;
    line_colours_.resize(static_cast<std::size_t>(text_lines_), -1);
    line_colours_[static_cast<std::size_t>(line)] = colour < 0 ? -1 : colour & 0xFFFFFF;
    if (widget_) paint_line(line);
    return 0;
}

int Control::line_colour(int line) const {
    return line >= 0 && line < static_cast<int>(line_colours_.size()) ? line_colours_[line] : -1;
}

void Control::paint_line(int line) {
    auto* box = static_cast<QPlainTextEdit*>(widget_);
    const QTextBlock block = box->document()->findBlockByNumber(line);
    if (!block.isValid()) return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    const int colour = line_colour(line);
    format.setForeground(colour < 0 ? box->palette().text() : QBrush(qcolour(colour)));
    cursor.mergeCharFormat(format);
}

void Control::focus() {
    if (widget_) widget_->setFocus(Qt::OtherFocusReason);
}

// ---- user actions -------------------------------------------------------------------------

bool Control::accepts_input() const {
    return visible_ && !dimmed_ && accepts_user_input(panel_);
}

void Control::on_text_edited() {
    auto* edit = static_cast<QLineEdit*>(widget_);
    if (!edit->isModified()) return;
    const std::string text = edit->text().toStdString();
    if (!numeric()) {
        user_change(Value{text}, true);
        return;
    }
    double parsed = 0.0;
    if (!parse_number(text, parsed)) {
        refresh();
        return;
    }
    user_change(Value{parsed}, true);
}

void Control::user_change(const Value& value, bool value_changed_event) {
    if (!accepts_input() || indicator_) {
        refresh();
        return;
    }
    if (is_list()) {
        user_pick(index_of(value));
        return;
    }
    set_value(value);
    const int panel = panel_, control = id_;
    if (value_changed_event) dispatch_control_event(panel, control, EVENT_VAL_CHANGED);
    dispatch_control_event(panel, control, EVENT_COMMIT);
}

void Control::user_pick(int index) {
    if (!accepts_input() || indicator_ || index < 0 || index >= item_count()) {
        refresh();
        return;
    }
    index_ = index;
    refresh();
    dispatch_control_event(panel_, id_, EVENT_COMMIT);
}

void Control::user_press() {
    if (!accepts_input()) return;
    const int panel = panel_, control = id_;
    user_click();
    int error = 0;
    Control* still = find_control(panel, control, error);
    if (still && still->accepts_input()) dispatch_control_event(panel, control, EVENT_COMMIT);
}

void Control::user_click() {
    if (accepts_input()) dispatch_control_event(panel_, id_, EVENT_LEFT_CLICK);
}

void Control::user_double_click() {
    if (accepts_input()) dispatch_control_event(panel_, id_, EVENT_LEFT_DOUBLE_CLICK);
}

}  // namespace uirt::detail
