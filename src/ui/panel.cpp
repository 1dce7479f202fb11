// The panel's rules, applied to the panel model.
#include "ui/panel.h"

#include <filesystem>

#include "ui/Controls.h"
#include "common/globals.h"
#include "common/paths.h"
#include "common/text.h"
#include "ui/host.h"

namespace tv {

void mk_interface() {
    reset_controls();
    std::error_code ec;
    localDir = utf8_path(std::filesystem::current_path(ec));
    enable_ctrls(1);
}

void destroy_interface() {}

void enable_ctrls(unsigned short on) {
    const bool b = on != 0;
    enable(gButt_ComDetect, b);
    enable(gButt_ComTest, b);
    enable(gButt_File, b);
    enable(gButt_Send, b && sel(gComb_Slot) != 6 && !gr_filename().empty());
    for (Control* c : {gButt_Clear, gButt_Set, gButt_Rep, gCheck_Print, gCheck_TestPrint, gComb_COM,
                       gComb_Baudrate, gComb_Timeout, gComb_Interface, gComb_Protocol, gComb_Slot,
                       gComb_GrHdr, gComb_GrFoot, gComb_Rep, g_IPaddress, gEdit_PortTCP, gEdit_File})
        enable(c, b);
    change_protocol();
    if (!b) {
        // The printer-only controls stay disabled with the rest while a job runs.
        enable(gCheck_TestPrint, false);
        enable(gButt_Rep, false);
        enable(gComb_Rep, false);
    }
}

void change_protocol() {
    const bool printers = sel(gComb_Protocol) == 0;
    PROTOCOL = printers ? 0 : 2;
    enable(gCheck_TestPrint, printers);
    enable(gButt_Rep, printers);
    enable(gComb_Rep, printers);
    if (Gr_xmax == 0)
        set_text(gEdit_File, printers ? "Bitmapa monochromatyczna\r\nMaksymalny rozmiar 640 x 640 pikseli"
                                      : "Bitmapa monochromatyczna\r\nMaksymalny rozmiar 384 x 384 pikseli");
}

void change_interface() {
    const int i = sel(gComb_Interface);
    if (i != 0 && i != 1) return;
    const bool serial = i == 0;
    for (Control* c : {gComb_COM, gComb_Baudrate, gStat_COM, gStat_Baudrate, gButt_ComDetect})
        show(c, serial);
    for (Control* c : {g_IPaddress, gEdit_PortTCP, gStat_Address, gStat_TCPPort}) show(c, !serial);
    show(gComb_Timeout, true);
    show(gStat_Timeout, true);
}

void clear_bmp() { host().repaint_preview(); }

}  // namespace tv
