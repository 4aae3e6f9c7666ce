// Keeping and sharing readings: export to CSV, copy as text, pictures of graphs, and the
// two windows beside the front panel (readings, I/O monitor). Menu callbacks of the Data menu.
#pragma once

namespace gu {

void export_block();
void export_trend();
void copy_block();
void copy_trend();
void save_graph_image(int panel, int ctrl);

void MenuReadingsWindowCallback(int menuBar, int item, void* data, int panel);
void MenuExportBlockCallback(int menuBar, int item, void* data, int panel);
void MenuExportTrendCallback(int menuBar, int item, void* data, int panel);
void MenuCopyBlockCallback(int menuBar, int item, void* data, int panel);
void MenuCopyTrendCallback(int menuBar, int item, void* data, int panel);
void MenuSaveGraphCallback(int menuBar, int item, void* data, int panel);
void MenuClearTrendCallback(int menuBar, int item, void* data, int panel);
void MenuIoMonitorCallback(int menuBar, int item, void* data, int panel);
void MenuScpiConsoleCallback(int menuBar, int item, void* data, int panel);
void MenuLogReadingsCallback(int menuBar, int item, void* data, int panel);

// The callbacks of the Data menu and of its windows, under their resource-file names.
void register_data_callbacks();

// Events of its windows: a close hides, a resize lays the window out again (the size
// rule of the front panel's panels does not apply to them). True when the event was theirs.
bool data_window_event(int panel, int event);

}  // namespace gu
