// Loads the chart module once per process, on the first graph shown.
#pragma once

#include <memory>

#include "chart_view.hpp"

namespace uirt::detail {

// A new view filling `parent`; null when the module cannot be loaded (told once on stderr).
std::unique_ptr<ChartView> make_chart_view(QWidget* parent);

}  // namespace uirt::detail
