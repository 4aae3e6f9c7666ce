// The Readings window: the last block or the trend on a graph that grows with the window,
// their statistics, and buttons to clear the trend, export, copy and save the graph.
#pragma once

namespace gu {

void open_readings_window();
int readings_window();  // its panel handle, 0 until first opened
void readings_window_resized();
// The block or the trend changed: drawn again when the window shows it.
void readings_view_block_changed();
void readings_view_trend_changed();  // drawn at most once a second
void readings_window_idle();         // draws what waited
void readings_window_draw();         // draws what the window shows, now
void readings_window_log_changed();  // the log of readings started or stopped

int ReadingsViewCallback(int panel, int control, int event, void* data, int e1, int e2);
int ReadingsFullViewCallback(int panel, int control, int event, void* data, int e1, int e2);
int ReadingsClearTrendCallback(int panel, int control, int event, void* data, int e1, int e2);
int ReadingsExportCallback(int panel, int control, int event, void* data, int e1, int e2);
int ReadingsCopyCallback(int panel, int control, int event, void* data, int e1, int e2);
int ReadingsSaveGraphCallback(int panel, int control, int event, void* data, int e1, int e2);

}  // namespace gu
