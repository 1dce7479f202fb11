// The two uploads that turn a checked picture into what a device takes: the printer's
// command sequence and the cash-register upload.
#pragma once

namespace tv {

// Builds the printer graphic sequence for the chosen picture into seq_tab (left empty when
// the picture cannot be used; the reason has then been shown).
void prepare_gr();

// Runs the cash-register graphic upload on the open link. Returns RC_OK when every command
// was accepted, a code for which gr_refused() holds when the picture failed its check or
// could not be read (shown here), RC_STOPPED on a stop request, or RC_DEVICE_ERROR when
// the register refused a command (device-error record filled).
unsigned prepare_gr_2(unsigned int& socket);

}  // namespace tv
