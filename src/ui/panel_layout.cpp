// The keyboard order of the panel, and the version label's text.
#include "ui/panel_layout.h"

#include "ui/Controls.h"

#ifndef TV_VERSION
#define TV_VERSION "1.0.0"
#endif

namespace tv {

std::string version_label_text() { return "v" TV_VERSION; }

const std::vector<Control*>& tab_order() {
    static const std::vector<Control*> order = {
        // Connection: interface and protocol; port, speed, time-out (or address, TCP port,
        // time-out); then the two buttons under them.
        gComb_Interface,
        gComb_Protocol,
        gComb_COM,
        gComb_Baudrate,
        g_IPaddress,
        gEdit_PortTCP,
        gComb_Timeout,
        gButt_ComDetect,
        gButt_ComTest,
        // Programming: the file, the slot, clear and send, the print option.
        gButt_File,
        gComb_Slot,
        gButt_Clear,
        gButt_Send,
        gCheck_Print,
        // Header and footer: both slots, then the button beside them and its test printout;
        // the report row.
        gComb_GrHdr,
        gComb_GrFoot,
        gButt_Set,
        gCheck_TestPrint,
        gButt_Rep,
        gComb_Rep,
    };
    return order;
}

}  // namespace tv
