// A panel: a top-level window, or a child panel drawn inside its parent with its own
// title strip. Controls sit on a canvas, inside a scroll area once scroll bars are asked for. The
// model (geometry, title, controls) exists from loading; the Qt widgets are built when the panel
// first comes on screen: a child panel displayed inside a hidden parent waits for the parent.
#pragma once

#include <QObject>
#include <QSize>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "control.hpp"
#include "resource_file.hpp"
#include "uirt.hpp"

class QLabel;
class QMenuBar;
class QScrollArea;
class QWidget;

namespace uirt::detail {

class Panel : public QObject {
public:
    static constexpr int child_title_height = 20;
    static constexpr int menu_bar_height = 22;

    Panel(int handle, Panel* parent, const PanelDesc& desc);
    ~Panel() override;

    int handle() const { return handle_; }
    Panel* parent_panel() const { return parent_; }
    bool top_level() const { return parent_ == nullptr; }
    // The panel's widgets, built on first use.
    QWidget* canvas();
    QWidget* window();
    bool displayed() const { return displayed_; }

    Control* control(int id);
    const std::map<int, std::unique_ptr<Control>>& controls() const { return controls_; }

    void display();
    void hide();
    void make_popup(bool popup);

    int set_attribute(int attribute, const Value& value);
    int get_attribute(int attribute, Value& out) const;

    PanelCallbackPtr callback = nullptr;
    void* callback_data = nullptr;
    int active_control = 0;

    // The menu bar shown at the top of this (top-level) panel.
    void attach_menu_bar(QMenuBar* bar);
    int menu_bar_handle = 0;

    // A resize done by the user: the model follows, then EVENT_PANEL_SIZE goes out.
    void user_resized(int width, int height);
    void close_requested();

    // Keyboard focus. The panel in front of its window takes the focus when shown; Tab and
    // Shift+Tab move through its own controls in reading order, row by row.
    void set_active_control(int id);
    bool tab(bool next);
    void take_focus();
    // The displayed child panel shown last, which lies in front; null for none.
    Panel* front_child() const;
    bool in_front() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool on_screen() const;
    bool reaches_front() const;  // each panel from this one up is its parent's front child
    bool key_pressed(int key);
    std::vector<Control*> tab_stops() const;
    Control* shortcut_control(Shortcut key) const;
    void build_widgets();
    void install_menu_bar();
    void make_scroll_area();
    int strip_height() const;  // the title strip's, in screen pixels; 0 for none
    void apply_geometry();
    void layout_inside();
    void apply_scroll_bars();

    int handle_;
    Panel* parent_;
    std::string title_;
    int top_, left_, width_, height_;
    QSize canvas_size_;  // the size the panel was made with: what scrolling reaches
    int scroll_bars_ = VAL_NO_SCROLL_BARS;
    bool displayed_ = false;
    bool popup_ = false;
    bool resizing_ = false;  // our own geometry changes are not user resizes
    int close_control_;
    bool escape_clicks_;
    unsigned stacking_ = 0;  // when last shown: the highest of the displayed children is in front
    QWidget* outer_ = nullptr;
    QLabel* title_strip_ = nullptr;
    QScrollArea* scroll_ = nullptr;  // only while the panel has had scroll bars
    QWidget* canvas_ = nullptr;
    QMenuBar* menu_bar_ = nullptr;
    std::map<int, std::unique_ptr<Control>> controls_;
    std::vector<Panel*> children_;
};

}  // namespace uirt::detail
