#include "menu_bar.hpp"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "runtime.hpp"

namespace uirt::detail {

MenuBar::MenuBar(int handle, int panel, const MenuBarDesc& desc)
    : handle_(handle), panel_(panel), bar_(new QMenuBar()) {
    for (const MenuDesc& menu_desc : desc.menus) {
        QMenu* menu = bar_->addMenu(QString::fromStdString(menu_desc.caption));
        for (const MenuItemDesc& d : menu_desc.items) {
            if (d.separator) {
                menu->addSeparator();
                continue;
            }
            Item item;
            item.action = menu->addAction(QString::fromStdString(d.caption));
            item.action->setCheckable(d.checkable || d.checked);
            item.checked = d.checked;
            item.dimmed = d.dimmed;
            auto& reg = rt().menu_callbacks;
            if (auto it = reg.find(d.callback); !d.callback.empty() && it != reg.end())
                item.callback = it->second;
            const int bar = handle_, id = d.id;
            QObject::connect(item.action, &QAction::triggered, bar_, [this, bar, id] {
                // Qt toggles a checkable action on its own; the program owns the mark.
                if (auto it = items_.find(id); it != items_.end()) show(it->second);
                dispatch_menu_pick(bar, id);
            });
            show(item);
            items_[d.id] = item;
        }
    }
}

void MenuBar::show(const Item& item) {
    const QSignalBlocker block(item.action);
    item.action->setChecked(item.checked);
    item.action->setEnabled(!item.dimmed);
}

int MenuBar::set_attribute(int item, int attribute, int value) {
    auto it = items_.find(item);
    if (it == items_.end()) return UIE_BAD_CONTROL;
    switch (attribute) {
        case ATTR_CHECKED:
            it->second.checked = value != 0;
            it->second.action->setCheckable(true);
            break;
        case ATTR_MENU_DIMMED:
            it->second.dimmed = value != 0;
            break;
        default:
            return UIE_BAD_ATTRIBUTE;
    }
    show(it->second);
    return 0;
}

int MenuBar::get_attribute(int item, int attribute, int& value) const {
    auto it = items_.find(item);
    if (it == items_.end()) return UIE_BAD_CONTROL;
    switch (attribute) {
        case ATTR_CHECKED:
            value = it->second.checked ? 1 : 0;
            return 0;
        case ATTR_MENU_DIMMED:
            value = it->second.dimmed ? 1 : 0;
            return 0;
        default:
            return UIE_BAD_ATTRIBUTE;
    }
}

bool MenuBar::item_callback(int item, MenuCallbackPtr& callback) const {
    auto it = items_.find(item);
    if (it == items_.end()) return false;
    callback = it->second.callback;
    return true;
}

bool MenuBar::item_enabled(int item) const {
    auto it = items_.find(item);
    return it != items_.end() && !it->second.dimmed;
}

}  // namespace uirt::detail
