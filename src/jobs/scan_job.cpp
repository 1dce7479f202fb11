// The window's network detection: which block to scan, and what the panel takes from it.
#include <cstring>
#include <string>

#include "common/globals.h"
#include "common/text.h"
#include "jobs/Worker.h"
#include "jobs/net_scan.h"
#include "ui/Controls.h"
#include "ui/host.h"
#include "ui/panel.h"
#include "ui/settings.h"
#include "ui/trace.h"

namespace tv {

namespace {

// The IP field's address as the window starts with it: a technician who has not typed an
// address asks for the machine's own networks.
constexpr const char* kFieldDefault = "192.168.1.100";

// Fills the panel from a device found: address, port and protocol (the worker's end
// applies the protocol to the rest of the panel).
void take(const FoundDevice& d) {
    set_text(g_IPaddress, d.address);
    set_text(gEdit_PortTCP, std::to_string(d.port));
    set_sel(gComb_Protocol, d.family == DeviceFamily::Printer ? 0 : 1);
}

// The device the panel takes: the one device of the selected family when it is the only
// one found, else the one the user chooses from the list; nullptr for none.
const FoundDevice* chosen(const std::vector<FoundDevice>& known, DeviceFamily selected) {
    if (known.size() == 1 && known[0].family == selected) return &known[0];
    std::vector<std::vector<std::string>> rows;
    for (const FoundDevice& d : known)
        rows.push_back({d.address, std::to_string(d.port), family_text(d.family), d.name, d.version});
    const int row =
        host().choose_row("Urządzenia w sieci", {"Adres", "Port", "Rodzaj", "Nazwa", "Wersja"}, rows);
    return row >= 0 && static_cast<std::size_t>(row) < known.size() ? &known[static_cast<std::size_t>(row)]
                                                                    : nullptr;
}

void report(const ScanResult& r, const std::string& block, bool printers) {
    std::vector<FoundDevice> known;
    for (const FoundDevice& d : r.devices)
        if (d.family != DeviceFamily::Unknown) known.push_back(d);
    if (known.empty()) {
        job_failed();
        if (r.stopped)
            message("Zatrzymano proces detekcji połączenia!", "Komunikat", Icon::Information);
        else
            message("Nie wykryto urządzenia w sieci " + block, "Błąd", Icon::Warning);
        return;
    }
    const FoundDevice* d = chosen(known, printers ? DeviceFamily::Printer : DeviceFamily::Register);
    if (!d) {
        job_failed();  // devices found, none taken: the panel stays as it was
        return;
    }
    take(*d);
    message(std::string(d->family == DeviceFamily::Printer ? "Wykryto połączenie z drukarką fiskalną\n"
                                                           : "Wykryto połączenie z kasą fiskalną\n") +
                d->name + "\n" + d->address + ":" + std::to_string(d->port),
            "Komunikat", Icon::Information);
}

}  // namespace

void scan_job() {
    save_and_use_cfg();
    const bool printers = PROTOCOL == 0;
    const std::string field(gServerName, strnlen(gServerName, sizeof gServerName));
    AddressSet set;
    std::string error;
    if (field == kFieldDefault)
        set = own_networks(net::ipv4_interfaces());
    else if (!parse_address_set(block_around(field), false, set, error))
        set = {};
    if (set.hosts.empty()) {
        job_failed();
        message(error.empty() ? "Brak sieci do przeszukania: wpisz adres IP z sieci urządzenia" : error,
                "Błąd", Icon::Warning);
    } else {
        ScanOptions o;
        o.hosts = set.hosts;
        o.ports = {static_cast<std::uint16_t>(PortTCP.load() & 0xFFFF)};
        o.printers_first = printers;
        s("\r\nSzukanie w sieci " + set.label + "\r\n");
        report(network_scan(o), set.label, printers);
    }
    Stoper = false;
    bAction = false;
    set_text(gButt_ComDetect, detect_caption());
    set_progress(0);
}

}  // namespace tv
