// The panel's rules: building and tearing down, the enabling rules around jobs, and the
// switches of interface and protocol.
#pragma once
#include <string>

namespace tv {

void mk_interface();       // builds the panel (initial state), then enable_ctrls(1)
void destroy_interface();  // tears it down
// on 0 locks the panel: every job control is disabled and stays so, whatever runs
// meanwhile, until enable_ctrls(1) unlocks it.
void enable_ctrls(unsigned short on);
bool controls_locked();
void change_interface();  // shows the controls of the selected interface
// The detection button's caption while no scan runs: the serial port scan, or the network scan.
std::string detect_caption();
void change_protocol();  // sets PROTOCOL and the protocol-dependent controls
// Whether the selected device takes a logo of w x h (within the check's own limits): a
// cash register none over 384 x 384, which it would refuse after the upload began.
bool device_takes(int w, int h);
// "Wyślij >>" by its rules: the panel not locked, a picture chosen, a slot other than
// "all", and a picture the selected device takes.
void enable_send();
void clear_bmp();  // makes the preview area repaint
// For technicians: F12 shows the trace pane, and hides it again.
void toggle_trace_pane();

}  // namespace tv
