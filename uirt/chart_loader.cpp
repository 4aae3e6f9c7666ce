#include "chart_loader.hpp"

#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "paths.hpp"

namespace uirt::detail {

namespace {

// Never unloaded: its series and meta-types live as long as the process.
ChartViewFactory load_factory() {
    const std::string path = executable_dir() + "/" + chart_module_name;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        std::fprintf(stderr, "uirt: graphs are not drawn: %s\n", why ? why : path.c_str());
        return nullptr;
    }
    auto factory = reinterpret_cast<ChartViewFactory>(::dlsym(handle, chart_factory_name));
    if (!factory)
        std::fprintf(stderr, "uirt: graphs are not drawn: %s has no %s\n", path.c_str(),
                     chart_factory_name);
    return factory;
}

}  // namespace

std::unique_ptr<ChartView> make_chart_view(QWidget* parent) {
    static const ChartViewFactory factory = load_factory();
    return std::unique_ptr<ChartView>(factory ? factory(parent) : nullptr);
}

}  // namespace uirt::detail
