// What follows a configure call: the instrument has dropped settings the panels still show.
#pragma once

namespace gu {

// Sends the aperture shown, or reads it back where it cannot be set.
void send_aperture(int panel, int f);
// The trigger, sample, zero, impedance and math-state settings that the instrument forgets
// on a configure call, sent again (from either function ring: Cancel restores through one).
void resend_settings(int panel);

}  // namespace gu
