// The resource file's geometry is in pixels of the font the panels were drawn for (the
// default 9-point sans serif at 96 dpi). On screen every position and size grows with the
// font in use, so a larger font (a higher font dpi without scaling) clips and overlaps
// nothing; with the designed font, or with Qt's own scaling, screen pixels are model pixels.
#pragma once

namespace uirt::detail {

// The factor, at least 1: the default font's line height over the designed one's.
double layout_scale();
// Model pixels to screen pixels and back.
int to_screen(int model);
int to_model(int screen);

}  // namespace uirt::detail
