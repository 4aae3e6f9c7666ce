// The SCPI console: a command line with a history, each line sent through the driver's
// pass-through calls, the reply of a query shown, then the instrument's error queue read
// and every error shown in red under its line. After a command the panels are read back.
#pragma once

namespace gu {

void open_scpi_console();
int scpi_console();  // its panel handle, 0 until first opened
void scpi_console_resized();

int ConsoleLineCallback(int panel, int control, int event, void* data, int e1, int e2);
int ConsoleSendCallback(int panel, int control, int event, void* data, int e1, int e2);

}  // namespace gu
