#include "panel.hpp"

#include <QEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPalette>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "runtime.hpp"
#include "scale.hpp"

namespace uirt::detail {

Panel::Panel(int handle, Panel* parent, const PanelDesc& desc)
    : handle_(handle),
      parent_(parent),
      title_(desc.title),
      top_(desc.top),
      left_(desc.left),
      width_(std::max(desc.width, 1)),
      height_(std::max(desc.height, 1)),
      canvas_size_(width_, height_) {
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
    outer_ = new QWidget(parent_ ? parent_->canvas() : nullptr);
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
    if (active_control)
        if (Control* c = control(active_control)) c->focus();
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
    if (top_level() || popup_) outer_->activateWindow();
}

void Panel::hide() {
    displayed_ = false;
    if (outer_) outer_->hide();
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
            if (accepts_user_input(handle)) dispatch_panel_event(handle, EVENT_CLOSE);
        });
        return true;
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
