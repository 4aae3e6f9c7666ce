#include "panel.hpp"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "runtime.hpp"
#include "scale.hpp"

namespace uirt::detail {

namespace {

// A panel's outer widget: Tab stays among the panel's own controls.
class PanelWindow : public QWidget {
public:
    PanelWindow(Panel* panel, QWidget* parent) : QWidget(parent), panel_(panel) {}

protected:
    bool focusNextPrevChild(bool next) override { return panel_->tab(next); }

private:
    Panel* panel_;
};

// A field the user types into: its Return commits it, and auto focus leaves it alone.
bool is_typing_field(const QWidget* w) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(w)) return !edit->isReadOnly();
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(w)) return !box->isReadOnly();
    return false;
}

unsigned next_stacking() {
    static unsigned counter = 0;
    return ++counter;
}

}  // namespace

Panel::Panel(int handle, Panel* parent, const PanelDesc& desc)
    : handle_(handle),
      parent_(parent),
      title_(desc.title),
      top_(desc.top),
      left_(desc.left),
      width_(std::max(desc.width, 1)),
      height_(std::max(desc.height, 1)),
      canvas_size_(width_, height_),
      close_control_(desc.close_control),
      escape_clicks_(desc.escape_clicks) {
    auto& reg = rt().callbacks;
    if (auto it = reg.find(desc.callback); !desc.callback.empty() && it != reg.end())
        callback = it->second;
    for (const ControlDesc& c : desc.controls)
        controls_[c.id] = std::make_unique<Control>(handle, c);
    if (parent_) parent_->children_.push_back(this);
}

Panel::~Panel() {
    if (parent_) std::erase(parent_->children_, this);
    controls_.clear();
    delete outer_;
}

bool Panel::on_screen() const {
    return displayed_ && (top_level() || popup_ || parent_->on_screen());
}

QWidget* Panel::canvas() {
    build_widgets();
    return canvas_;
}

QWidget* Panel::window() {
    build_widgets();
    return outer_;
}

void Panel::build_widgets() {
    if (outer_) return;
    outer_ = new PanelWindow(this, parent_ ? parent_->canvas() : nullptr);
    // A child panel is a widget inside its parent's canvas: it paints its own background,
    // so whatever lies beneath it never shows through.
    outer_->setAutoFillBackground(true);
    if (parent_) {
        title_strip_ = new QLabel(outer_);
        title_strip_->setObjectName("title strip");
        title_strip_->setAutoFillBackground(true);
        QPalette colours = title_strip_->palette();
        colours.setColor(QPalette::Window, QColor(0x1f, 0x3f, 0x7f));
        colours.setColor(QPalette::WindowText, Qt::white);
        title_strip_->setPalette(colours);
        QFont font = title_strip_->font();
        font.setBold(true);
        title_strip_->setFont(font);
        title_strip_->setIndent(4);
        title_strip_->setText(QString::fromStdString(title_));
    }
    if (!parent_) outer_->setWindowTitle(QString::fromStdString(title_));
    canvas_ = new QWidget(outer_);
    canvas_->setMinimumSize(to_screen(canvas_size_.width()), to_screen(canvas_size_.height()));
    apply_scroll_bars();
    outer_->installEventFilter(this);
    canvas_->installEventFilter(this);
    outer_->hide();
    apply_geometry();
    install_menu_bar();
    for (auto& [id, control] : controls_) control->attach(canvas_);
}

// Scroll bars need a scroll area around the canvas; panels without them go without.
void Panel::make_scroll_area() {
    scroll_ = new QScrollArea(outer_);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidget(canvas_);
    scroll_->setWidgetResizable(true);
    scroll_->show();
    layout_inside();
}

Control* Panel::control(int id) {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second.get();
}

int Panel::strip_height() const {
    return title_strip_ && !popup_ ? to_screen(child_title_height) : 0;
}

void Panel::apply_geometry() {
    if (!outer_) return;
    resizing_ = true;
    const int strip = strip_height();
    if (top_level() || popup_) {
        if (top_level()) outer_->move(to_screen(left_), to_screen(top_));
        outer_->resize(to_screen(width_), to_screen(height_) + strip);
    } else {
        outer_->setGeometry(to_screen(left_), to_screen(top_) - strip, to_screen(width_),
                            to_screen(height_) + strip);
    }
    layout_inside();
    resizing_ = false;
}

void Panel::layout_inside() {
    const int strip = strip_height();
    if (title_strip_) {
        title_strip_->setGeometry(0, 0, outer_->width(), strip);
        title_strip_->setVisible(strip > 0);
    }
    QWidget* area = scroll_ ? static_cast<QWidget*>(scroll_) : canvas_;
    area->setGeometry(0, strip, outer_->width(), std::max(outer_->height() - strip, 0));
    if (menu_bar_) {
        menu_bar_->setGeometry(0, 0, outer_->width(), to_screen(menu_bar_height));
        menu_bar_->raise();
    }
}

void Panel::apply_scroll_bars() {
    if (!outer_) return;
    if (!scroll_) {
        if (scroll_bars_ == VAL_NO_SCROLL_BARS) return;
        make_scroll_area();
    }
    const bool h = scroll_bars_ == VAL_HORIZ_SCROLL_BAR || scroll_bars_ == VAL_BOTH_SCROLL_BARS;
    const bool v = scroll_bars_ == VAL_VERT_SCROLL_BAR || scroll_bars_ == VAL_BOTH_SCROLL_BARS;
    scroll_->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void Panel::attach_menu_bar(QMenuBar* bar) {
    if (menu_bar_ != bar) delete menu_bar_;
    menu_bar_ = bar;
    install_menu_bar();
}

void Panel::install_menu_bar() {
    if (!outer_) return;
    if (menu_bar_) {
        menu_bar_->setParent(outer_);
        menu_bar_->setFixedHeight(to_screen(menu_bar_height));
        menu_bar_->show();
    }
    layout_inside();
}

void Panel::display() {
    displayed_ = true;
    if (!on_screen()) return;  // built and shown with its parent
    build_widgets();
    // Children that waited for this panel are shown first, so it is drawn once, whole.
    for (Panel* child : children_)
        if (child->displayed_ && !child->outer_) child->display();
    outer_->show();
    outer_->raise();
    stacking_ = next_stacking();
    if (top_level() || popup_) outer_->activateWindow();
    take_focus();
}

void Panel::hide() {
    displayed_ = false;
    if (!outer_) return;
    const bool had_focus = outer_->isAncestorOf(QApplication::focusWidget());
    outer_->hide();
    if (had_focus && parent_ && !popup_) parent_->take_focus();
}

Panel* Panel::front_child() const {
    Panel* front = nullptr;
    for (Panel* child : children_)
        if (child->displayed_ && !child->popup_ && child->outer_ &&
            (!front || child->stacking_ > front->stacking_))
            front = child;
    return front;
}

bool Panel::reaches_front() const {
    if (top_level() || popup_) return true;
    return parent_->front_child() == this && parent_->reaches_front();
}

bool Panel::in_front() const {
    return on_screen() && outer_ && front_child() == nullptr && reaches_front();
}

// Controls that Tab visits, in reading order: rows from the top, each from the left.
std::vector<Control*> Panel::tab_stops() const {
    constexpr int same_row = 12;  // tops this close (model pixels) share a row
    std::vector<Control*> stops;
    for (const auto& [id, c] : controls_)
        if (c->takes_tab()) stops.push_back(c.get());
    std::sort(stops.begin(), stops.end(),
              [](const Control* a, const Control* b) { return a->top() < b->top(); });
    std::vector<std::pair<int, Control*>> rows;
    int row = 0, row_top = 0;
    for (std::size_t i = 0; i < stops.size(); ++i) {
        if (i == 0 || stops[i]->top() >= row_top + same_row) {
            row = static_cast<int>(i);
            row_top = stops[i]->top();
        }
        rows.emplace_back(row, stops[i]);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second->left() < b.second->left();
    });
    for (std::size_t i = 0; i < rows.size(); ++i) stops[i] = rows[i].second;
    return stops;
}

bool Panel::tab(bool next) {
    if (Panel* front = front_child()) return front->tab(next);
    const std::vector<Control*> stops = tab_stops();
    if (stops.empty()) return true;  // nowhere to go, and never behind this panel
    const QWidget* focus = QApplication::focusWidget();
    const int n = static_cast<int>(stops.size());
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (stops[i]->holds(focus)) at = i;
    const int to = at < 0 ? (next ? 0 : n - 1) : (at + (next ? 1 : n - 1)) % n;
    stops[to]->widget()->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

// The active control if it can take the focus, else the first tab stop; a panel without
// any gives it to the panel in front inside it.
void Panel::take_focus() {
    if (!on_screen() || !outer_) return;
    if (Panel* front = front_child()) return front->take_focus();
    Control* target = control(active_control);
    if (!target || !target->widget() || !target->widget()->isVisibleTo(canvas_) ||
        !target->widget()->isEnabled()) {
        const std::vector<Control*> stops = tab_stops();
        target = stops.empty() ? nullptr : stops.front();
    }
    // A panel without a control to focus holds the focus itself, so that keys stay with it.
    if (target)
        target->widget()->setFocus(Qt::OtherFocusReason);
    else
        outer_->setFocus(Qt::OtherFocusReason);
}

// The program names the control that should have the focus; it gets it at once unless
// the panel lies behind another or the user is at work in another control (typing into a
// field, on a ring or a button): only an indicator's focus, or none, is taken over.
void Panel::set_active_control(int id) {
    active_control = id;
    Control* c = control(id);
    if (!c || !c->widget() || !in_front()) return;
    const QWidget* focus = QApplication::focusWidget();
    if (is_typing_field(focus)) return;
    for (const auto& [other, held] : controls_)
        if (held->holds(focus) && !held->indicator()) return;
    c->focus();
}

// The window's close box: a panel with a close control has it pressed, others get
// EVENT_CLOSE.
void Panel::close_requested() {
    const int handle = handle_;
    if (!accepts_user_input(handle)) return;
    if (Control* c = control(close_control_))
        c->user_press();
    else
        dispatch_panel_event(handle, EVENT_CLOSE);
}

Control* Panel::shortcut_control(Shortcut key) const {
    for (const auto& [id, c] : controls_)
        if (c->shortcut() == key) return c.get();
    return nullptr;
}

// Return presses the button with the focus, else the panel's Return button, except in a
// field, which its Return commits; Escape presses the panel's Escape button.
bool Panel::key_pressed(int key) {
    const int handle = handle_;
    if (!accepts_user_input(handle)) return false;
    QWidget* focus = QApplication::focusWidget();
    Control* pressed = nullptr;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (is_typing_field(focus)) return true;
        for (const auto& [id, c] : controls_)
            if (c->kind() == CTRL_COMMAND_BUTTON && c->holds(focus)) pressed = c.get();
        if (!pressed) pressed = shortcut_control(Shortcut::return_key);
    } else if (key == Qt::Key_Escape) {
        pressed = shortcut_control(Shortcut::escape_key);
        if (!pressed && escape_clicks_) {
            dispatch_panel_event(handle, EVENT_LEFT_CLICK);
            return true;
        }
    }
    if (!pressed) return false;
    pressed->user_press();
    return true;
}

void Panel::make_popup(bool popup) {
    if (popup) build_widgets();
    if (popup == popup_) {
        if (popup) display();
        return;
    }
    popup_ = popup;
    if (!outer_) return;  // never shown: nothing to undo
    if (popup) {
        if (!top_level()) {
            QWidget* owner = parent_->window()->window();
            outer_->setParent(owner, Qt::Dialog);
            outer_->setWindowTitle(QString::fromStdString(title_));
        }
        outer_->setWindowModality(Qt::ApplicationModal);
        apply_geometry();
        centre_on(outer_, top_level() ? program_window() : parent_->window()->window());
        display();
    } else {
        hide();
        outer_->setWindowModality(Qt::NonModal);
        if (!top_level()) outer_->setParent(parent_->canvas(), Qt::Widget);
        apply_geometry();
    }
}

void Panel::user_resized(int width, int height) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
    apply_geometry();
    dispatch_panel_event(handle_, EVENT_PANEL_SIZE);
}

bool Panel::eventFilter(QObject* watched, QEvent* event) {
    const int handle = handle_;
    if (watched == outer_ && event->type() == QEvent::Close) {
        // The program decides whether the window goes away.
        event->ignore();
        QTimer::singleShot(0, [handle] {
            if (Panel* p = find_panel(handle)) p->close_requested();
        });
        return true;
    }
    if (watched == outer_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers == Qt::NoModifier && key_pressed(key->key())) return true;
    }
    if (watched == outer_ && event->type() == QEvent::Resize) {
        layout_inside();
        const auto* resize = static_cast<QResizeEvent*>(event);
        const int w = to_model(resize->size().width());
        const int h = to_model(resize->size().height() - strip_height());
        if ((top_level() || popup_) && !resizing_ && displayed_ && (w != width_ || h != height_)) {
            width_ = w;
            height_ = h;
            QTimer::singleShot(0, [handle] { dispatch_panel_event(handle, EVENT_PANEL_SIZE); });
        }
        return false;
    }
    if (watched == canvas_ && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // Presses that a control let through come here too; only bare background counts.
        if (mouse->button() == Qt::LeftButton &&
            canvas_->childAt(mouse->position().toPoint()) == nullptr && accepts_user_input(handle))
            dispatch_panel_event(handle, EVENT_LEFT_CLICK);
    }
    return false;
}

int Panel::set_attribute(int attribute, const Value& value) {
    const int i = attribute == ATTR_TITLE ? 0 : to_int(value);
    switch (attribute) {
        case ATTR_TITLE:
            title_ = to_text(value);
            if (outer_) outer_->setWindowTitle(QString::fromStdString(title_));
            if (title_strip_) title_strip_->setText(QString::fromStdString(title_));
            return 0;
        case ATTR_LEFT:
            left_ = i;
            break;
        case ATTR_TOP:
            top_ = i;
            break;
        case ATTR_WIDTH:
            width_ = std::max(i, 1);
            break;
        case ATTR_HEIGHT:
            height_ = std::max(i, 1);
            break;
        case ATTR_VISIBLE:
            i ? display() : hide();
            return 0;
        case ATTR_HSCROLL_OFFSET:
            if (scroll_) scroll_->horizontalScrollBar()->setValue(i);
            return 0;
        case ATTR_VSCROLL_OFFSET:
            if (scroll_) scroll_->verticalScrollBar()->setValue(i);
            return 0;
        case ATTR_SCROLL_BARS:
            if (i < VAL_NO_SCROLL_BARS || i > VAL_BOTH_SCROLL_BARS) return UIE_BAD_VALUE;
            scroll_bars_ = i;
            apply_scroll_bars();
            return 0;
        default:
            return UIE_BAD_ATTRIBUTE;
    }
    apply_geometry();
    return 0;
}

int Panel::get_attribute(int attribute, Value& out) const {
    switch (attribute) {
        case ATTR_TITLE:
            out = title_;
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
        case ATTR_VISIBLE:
            out = displayed_ ? 1 : 0;
            break;
        case ATTR_HSCROLL_OFFSET:
            out = scroll_ ? scroll_->horizontalScrollBar()->value() : 0;
            break;
        case ATTR_VSCROLL_OFFSET:
            out = scroll_ ? scroll_->verticalScrollBar()->value() : 0;
            break;
        case ATTR_SCROLL_BARS:
            out = scroll_bars_;
            break;
        case ATTR_TITLEBAR_THICKNESS:
            out = parent_ ? child_title_height : 0;
            break;
        case ATTR_MENU_HEIGHT:
            out = menu_bar_ ? menu_bar_height : 0;
            break;
        default:
            return UIE_BAD_ATTRIBUTE;
    }
    return 0;
}

}  // namespace uirt::detail
