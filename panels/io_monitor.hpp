// The I/O monitor: the VISA calls the program makes, one line each as they return, with
// pause and clear. The lines come from the VISA library's trace handler, on any thread;
// the window takes them in on idle events.
#pragma once

namespace gu {

void open_io_monitor();
int io_monitor();  // its panel handle, 0 until first opened
void io_monitor_resized();
void io_monitor_idle();  // shows the lines that came since the last call

int IoMonitorPauseCallback(int panel, int control, int event, void* data, int e1, int e2);
int IoMonitorClearCallback(int panel, int control, int event, void* data, int e1, int e2);
// The commands and queries recorded, as a Python script on pyvisa or as a list of commands.
int IoMonitorSaveScriptCallback(int panel, int control, int event, void* data, int e1, int e2);
int IoMonitorSaveScpiCallback(int panel, int control, int event, void* data, int e1, int e2);

}  // namespace gu
