// Start and end of the Qt application behind the run-time.
#pragma once

namespace uirt::detail {

bool start_app(int argc, char** argv);
void stop_app();

}  // namespace uirt::detail
