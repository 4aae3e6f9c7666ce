// The application style: the platform's own, with the few icons it would read from image
// files drawn in code instead (reading one loads every image-format plug-in).
#pragma once

namespace uirt::detail {

// Installs the style on the running application.
void install_style();

}  // namespace uirt::detail
