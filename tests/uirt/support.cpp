#include "support.hpp"

#include "recorder.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace uirt_tests {

std::string scratch_dir() {
    static std::string dir;
    if (dir.empty()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "uirt_test_XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
        std::atexit([] { std::filesystem::remove_all(dir); });
    }
    return dir;
}

std::string write_file(const std::string& name, const std::string& contents) {
    const std::string path = scratch_dir() + "/" + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

std::string sample_uir() {
    return write_file("sample.uir", R"({"panels": [
  {"id": 1, "title": "Sample", "width": 400, "height": 300, "callback": "PanelCb", "controls": [
    {"id": 1, "kind": "numeric", "label": "Count", "callback": "Cb", "type": "int", "top": 20, "left": 10, "width": 80, "height": 20},
    {"id": 2, "kind": "numeric", "label": "Delay", "callback": "Cb", "type": "double", "top": 60, "left": 10, "width": 80, "height": 20},
    {"id": 3, "kind": "numeric_ind", "label": "Reading", "callback": "Cb", "type": "double", "top": 100, "left": 10, "width": 80, "height": 20},
    {"id": 4, "kind": "string", "label": "Name", "callback": "Cb", "top": 140, "left": 10, "width": 80, "height": 20},
    {"id": 5, "kind": "ring", "label": "Range", "callback": "Cb", "type": "int", "top": 180, "left": 10, "width": 80, "height": 20,
     "items": [{"label": "Auto", "value": 0}, {"label": "1 V", "value": 10}, {"label": "10 V", "value": 20}]},
    {"id": 6, "kind": "binary_switch", "label": "Auto", "callback": "Cb", "off_text": "Manual", "on_text": "Auto", "top": 220, "left": 10, "width": 80, "height": 20},
    {"id": 7, "kind": "command_button", "label": "Go", "callback": "Cb", "top": 260, "left": 10, "width": 80, "height": 20},
    {"id": 8, "kind": "list_box", "label": "Found", "callback": "Cb", "type": "text", "top": 20, "left": 200, "width": 150, "height": 80},
    {"id": 9, "kind": "graph", "callback": "Cb", "top": 110, "left": 200, "width": 190, "height": 100},
    {"id": 13, "kind": "text_box", "top": 220, "left": 200, "width": 190, "height": 60, "indicator": true},
    {"id": 10, "kind": "round_led", "label": "Live", "top": 220, "left": 200, "width": 20, "height": 20},
    {"id": 11, "kind": "ring", "label": "Aperture", "callback": "Cb", "type": "double", "top": 250, "left": 200, "width": 80, "height": 20,
     "items": [{"label": "20 mS", "value": 0.02}, {"label": "0.02 PLC", "value": 0.02}, {"label": "1 PLC", "value": 1.0}]},
    {"id": 12, "kind": "text_msg", "label": "Caption", "callback": "Unregistered", "top": 280, "left": 200, "width": 80, "height": 16}
  ]},
  {"id": 2, "title": "Child", "width": 200, "height": 100, "controls": [
    {"id": 1, "kind": "command_button", "label": "OK", "callback": "Cb", "top": 10, "left": 10, "width": 60, "height": 20}
  ]}],
  "menubars": [{"id": 1, "menus": [{"caption": "Panels", "items": [
    {"id": 1, "caption": "Main", "callback": "MenuCb"},
    {"id": 3, "caption": "Auto Update", "callback": "MenuCb", "checkable": true},
    {"id": 4, "caption": "Unbound", "callback": "NoSuchMenuCallback"}]}]}]
})");
}

void Runtime::SetUp() {
    uirt::test::enable();
    uirt::test::clear_popups();
    uirt::test::set_responder(nullptr);
    ASSERT_EQ(uirt::InitCVIRTE(0, nullptr), 1);
}

int Runtime::load(int resource, int parent) {
    return uirt::LoadPanel(parent, sample_uir().c_str(), resource);
}

void LoadedPanel::SetUp() {
    Runtime::SetUp();
    register_recorders();
    panel = load();
    ASSERT_GT(panel, 0);
}

}  // namespace uirt_tests
