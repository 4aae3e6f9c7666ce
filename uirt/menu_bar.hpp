// A menu bar loaded from the resource file: items by id, their callbacks and states.
#pragma once

#include <map>
#include <string>

#include "resource_file.hpp"
#include "uirt.hpp"

class QAction;
class QMenuBar;

namespace uirt::detail {

class MenuBar {
public:
    MenuBar(int handle, int panel, const MenuBarDesc& desc);
    QMenuBar* widget() const { return bar_; }
    int panel() const { return panel_; }

    int set_attribute(int item, int attribute, int value);
    int get_attribute(int item, int attribute, int& value) const;
    // The item's callback, or null; false when there is no such item.
    bool item_callback(int item, MenuCallbackPtr& callback) const;
    bool item_enabled(int item) const;

private:
    struct Item {
        QAction* action = nullptr;
        MenuCallbackPtr callback = nullptr;
        bool checked = false;
        bool dimmed = false;
    };
    void show(const Item& item);

    int handle_;
    int panel_;
    QMenuBar* bar_;
    std::map<int, Item> items_;
};

}  // namespace uirt::detail
