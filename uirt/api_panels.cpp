// Panels, menu bars, callback registration and start-up.
#include <QTimer>
#include <algorithm>

#include "app_state.hpp"
#include "menu_bar.hpp"
#include "panel.hpp"
#include "resource_file.hpp"
#include "runtime.hpp"

namespace uirt {

using namespace detail;

void RegisterCallback(std::string_view name, CtrlCallbackPtr callback) {
    rt().callbacks[std::string(name)] = callback;
}

void RegisterMenuCallback(std::string_view name, MenuCallbackPtr callback) {
    rt().menu_callbacks[std::string(name)] = callback;
}

int InitCVIRTE(int argc, char** argv) {
    return start_app(argc, argv) ? 1 : 0;
}

void CloseCVIRTE() {
    stop_app();
}

namespace {

int add_panel(int parent, const PanelDesc& desc) {
    if (!ensure_app()) return UIE_BAD_HANDLE;
    Panel* parent_panel = nullptr;
    if (parent != 0 && !(parent_panel = find_panel(parent))) return UIE_BAD_HANDLE;
    const int handle = new_handle();
    rt().panels[handle] = std::make_unique<Panel>(handle, parent_panel, desc);
    return handle;
}

void collect_descendants(int panel, std::vector<int>& out) {
    for (const auto& [handle, p] : rt().panels)
        if (p->parent_panel() && p->parent_panel()->handle() == panel) {
            collect_descendants(handle, out);
            out.push_back(handle);
        }
}

}  // namespace

int LoadPanel(int parent, const char* file, int resourceId) {
    if (!ensure_app()) return UIE_BAD_HANDLE;
    int error = 0;
    const ResourceFile* resources = load_resource_file(file, error);
    if (!resources) return error;
    auto it = resources->panels.find(resourceId);
    if (it == resources->panels.end()) return UIE_RESOURCE_NOT_FOUND;
    return add_panel(parent, it->second);
}

int NewPanel(int parent, const char* title, int top, int left, int height, int width) {
    PanelDesc desc;
    desc.title = title ? title : "";
    desc.top = top;
    desc.left = left;
    desc.height = height;
    desc.width = width;
    return add_panel(parent, desc);
}

int DiscardPanel(int panel) {
    if (!find_panel(panel)) return UIE_BAD_HANDLE;
    std::vector<int> doomed;
    collect_descendants(panel, doomed);
    doomed.push_back(panel);
    Runtime& r = rt();
    for (int handle : doomed) {
        std::erase(r.popup_panels, handle);
        std::erase_if(r.menu_bars, [&](const auto& m) { return m.second->panel() == handle; });
        auto it = r.panels.find(handle);
        Panel* p = it->second.release();
        r.panels.erase(it);
        p->hide();
        // Deleted from the event loop: the discard may come from one of its own events.
        p->deleteLater();
    }
    return 0;
}

int DisplayPanel(int panel) {
    Panel* p = find_panel(panel);
    if (!p) return UIE_BAD_HANDLE;
    p->display();
    return 0;
}

int HidePanel(int panel) {
    Panel* p = find_panel(panel);
    if (!p) return UIE_BAD_HANDLE;
    p->hide();
    return 0;
}

int InstallPopup(int panel) {
    Panel* p = find_panel(panel);
    if (!p) return UIE_BAD_HANDLE;
    Runtime& r = rt();
    std::erase(r.popup_panels, panel);
    r.popup_panels.push_back(panel);
    p->make_popup(true);
    if (r.on_install_popup) {
        auto step = std::move(r.on_install_popup);
        r.on_install_popup = nullptr;
        QTimer::singleShot(0, [step, panel] { step(panel); });
    }
    return 0;
}

int RemovePopup(int allPopups) {
    Runtime& r = rt();
    if (r.popup_panels.empty()) return UIE_BAD_HANDLE;
    do {
        const int handle = r.popup_panels.back();
        r.popup_panels.pop_back();
        if (Panel* p = find_panel(handle)) p->make_popup(false);
    } while (allPopups && !r.popup_panels.empty());
    return 0;
}

int GetPanelAttribute(int panel, int attribute, int* value) {
    Panel* p = find_panel(panel);
    if (!p) return UIE_BAD_HANDLE;
    Value v;
    if (const int error = p->get_attribute(attribute, v); error) return error;
    if (value) *value = to_int(v);
    return 0;
}

int GetPanelAttribute(int panel, int attribute, char* value, std::size_t size) {
    Panel* p = find_panel(panel);
    if (!p) return UIE_BAD_HANDLE;
    Value v;
    if (const int error = p->get_attribute(attribute, v); error) return error;
    copy_text(to_text(v), value, size);
    return 0;
}

int SetPanelAttribute(int panel, int attribute, int value) {
    Panel* p = find_panel(panel);
    return p ? p->set_attribute(attribute, Value{value}) : UIE_BAD_HANDLE;
}

int SetPanelAttribute(int panel, int attribute, const char* value) {
    Panel* p = find_panel(panel);
    if (!p) return UIE_BAD_HANDLE;
    return p->set_attribute(attribute, Value{std::string(value ? value : "")});
}

int InstallPanelCallback(int panel, PanelCallbackPtr callback, void* callbackData) {
    Panel* p = find_panel(panel);
    if (!p) return UIE_BAD_HANDLE;
    p->callback = callback;
    p->callback_data = callbackData;
    return 0;
}

// ---- menu bars -------------------------------------------------------------------------

int LoadMenuBar(int panel, const char* file, int resourceId) {
    Panel* p = find_panel(panel);
    if (!p) return UIE_BAD_HANDLE;
    int error = 0;
    const ResourceFile* resources = load_resource_file(file, error);
    if (!resources) return error;
    auto it = resources->menu_bars.find(resourceId);
    if (it == resources->menu_bars.end()) return UIE_RESOURCE_NOT_FOUND;
    Runtime& r = rt();
    if (p->menu_bar_handle) r.menu_bars.erase(p->menu_bar_handle);
    const int handle = new_handle();
    auto bar = std::make_unique<MenuBar>(handle, panel, it->second);
    p->attach_menu_bar(bar->widget());
    p->menu_bar_handle = handle;
    r.menu_bars[handle] = std::move(bar);
    return handle;
}

int GetMenuBarAttribute(int menuBar, int item, int attribute, int* value) {
    MenuBar* bar = find_menu_bar(menuBar);
    if (!bar) return UIE_BAD_HANDLE;
    int v = 0;
    if (const int error = bar->get_attribute(item, attribute, v); error) return error;
    if (value) *value = v;
    return 0;
}

int SetMenuBarAttribute(int menuBar, int item, int attribute, int value) {
    MenuBar* bar = find_menu_bar(menuBar);
    return bar ? bar->set_attribute(item, attribute, value) : UIE_BAD_HANDLE;
}

}  // namespace uirt
