// The quit sequence of the Close button, the Exit command and the window's close request.
#include "framework.hpp"
#include "widgets.hpp"

namespace gu {

void quit_sequence() {
    if (!uirt::ConfirmPopup("Exit VO Q7304A", "         OK to Quit?")) return;
    if (livemode) {
        livemode = 0;
        vo_close(instr_session);
    }
    if (visa_module != 0) uirt::UnloadExternalModule(visa_module);
    uirt::Delay(0.1);
    if (module != 0) uirt::UnloadExternalModule(module);
    quit_confirmed = 1;  // the close request must not clear `closing` again
    uirt::QuitUserInterface(0);
}

}  // namespace gu
