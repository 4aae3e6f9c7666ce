// The font configuration, loaded on a thread of its own while the application starts.
#pragma once

namespace uirt::detail {

// Starts loading the system's font configuration (the files every first text waits for)
// on another core, while Qt starts and the program loads its panels and instrument. Qt
// finds it loaded when it first needs a font.
void begin_loading_fonts();

// Waits until the loading begun is done; returns at once when none is under way.
void finish_loading_fonts();

}  // namespace uirt::detail
