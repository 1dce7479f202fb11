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
void clear_bmp();        // makes the preview area repaint
// For technicians: F12 shows the trace pane, and hides it again.
void toggle_trace_pane();

}  // namespace tv
