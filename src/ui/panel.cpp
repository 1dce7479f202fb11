// The panel's rules, applied to the panel model.
#include "ui/panel.h"

#include <atomic>
#include <filesystem>

#include "common/globals.h"
#include "common/paths.h"
#include "common/text.h"
#include "ui/Controls.h"
#include "ui/host.h"

namespace tv {
namespace {

// Set by enable_ctrls(0), cleared by enable_ctrls(1): while it is set no rule may enable a
// job control, whatever a job reloads meanwhile (its settings round trip ends in
// change_protocol).
std::atomic<bool> g_locked{false};

}  // namespace

bool controls_locked() { return g_locked; }

void mk_interface() {
    reset_controls();
    std::error_code ec;
    localDir = utf8_path(std::filesystem::current_path(ec));
    enable_ctrls(1);
}

void destroy_interface() {}

void enable_ctrls(unsigned short on) {
    const bool b = on != 0;
    g_locked = !b;
    enable(gButt_ComDetect, b);
    enable(gButt_ComTest, b);
    enable(gButt_File, b);
    for (Control* c :
         {gButt_Clear, gButt_Set, gCheck_Print, gComb_COM, gComb_Baudrate, gComb_Timeout, gComb_Interface,
          gComb_Protocol, gComb_Slot, gComb_GrHdr, gComb_GrFoot, g_IPaddress, gEdit_PortTCP, gEdit_File})
        enable(c, b);
    // "wydruk testowy", "Raport grafik" and the report selector: by the protocol, and
    // never while locked.
    change_protocol();
}

void change_protocol() {
    const bool printers = sel(gComb_Protocol) == 0;
    PROTOCOL = printers ? 0 : 2;
    // The printer-only controls stay disabled with the rest while the panel is locked.
    const bool usable = printers && !g_locked;
    enable(gCheck_TestPrint, usable);
    enable(gButt_Rep, usable);
    enable(gComb_Rep, usable);
    enable_send();
    if (Gr_xmax == 0)
        set_text(gEdit_File, printers ? "Bitmapa monochromatyczna\r\nMaksymalny rozmiar 640 x 640 pikseli"
                                      : "Bitmapa monochromatyczna\r\nMaksymalny rozmiar 384 x 384 pikseli");
}

bool device_takes(int w, int h) {
    constexpr int kRegisterSide = 384;
    return PROTOCOL != 2 || (w <= kRegisterSide && h <= kRegisterSide);
}

void enable_send() {
    enable(gButt_Send,
           !g_locked && sel(gComb_Slot) != 6 && !gr_filename().empty() && device_takes(Gr_xmax, Gr_ymax));
}

std::string detect_caption() { return sel(gComb_Interface) == 0 ? "Szukaj połączenia" : "Szukaj w sieci"; }

void change_interface() {
    const int i = sel(gComb_Interface);
    if (i != 0 && i != 1) return;
    const bool serial = i == 0;
    for (Control* c : {gComb_COM, gComb_Baudrate, gStat_COM, gStat_Baudrate}) show(c, serial);
    // The detection button serves both interfaces: the port scan, or the network scan.
    show(gButt_ComDetect, true);
    if (!bAction) set_text(gButt_ComDetect, detect_caption());
    for (Control* c : {g_IPaddress, gEdit_PortTCP, gStat_Address, gStat_TCPPort}) show(c, !serial);
    show(gComb_Timeout, true);
    show(gStat_Timeout, true);
}

void clear_bmp() { host().repaint_preview(); }

void toggle_trace_pane() { show(gEdit_Info, !visible(gEdit_Info)); }

}  // namespace tv
