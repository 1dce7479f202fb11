// The console tool's network scan.
#include "scan_run.h"

#include <chrono>
#include <fstream>

#include "common/globals.h"
#include "common/paths.h"
#include "jobs/net_scan.h"
#include "json_report.h"
#include "ui/settings.h"

namespace tv::cli {
namespace {

const char* family_word(DeviceFamily f) {
    return f == DeviceFamily::Printer ? "printer" : f == DeviceFamily::Register ? "register" : "unknown";
}

// A device list --devices reads: one row per printer or cash register found, named after
// its family, address and port; its name, version and unique number in a comment above it.
std::string device_list(const ScanResult& r) {
    std::string t = "name,interface,protocol,address,port\n";
    for (const FoundDevice& d : r.devices) {
        if (d.family == DeviceFamily::Unknown) continue;
        std::string name =
            std::string(family_word(d.family)) + "-" + d.address + "-" + std::to_string(d.port);
        for (char& c : name)
            if (c == '.') c = '-';
        t += "# " + d.name + " " + d.version + " " + d.unique + "\n";
        t += name + ",ethernet," + family_word(d.family) + "," + d.address + "," + std::to_string(d.port) +
             "\n";
    }
    return t;
}

void print_lines(const ScanResult& r, const AddressSet& set, std::FILE* out) {
    for (const FoundDevice& d : r.devices)
        std::fprintf(out, "%-21s %-19s %s %s %s\n", (d.address + ":" + std::to_string(d.port)).c_str(),
                     family_text(d.family), d.name.c_str(), d.version.c_str(), d.unique.c_str());
    std::fprintf(out, "%s %zu z %zu adresów sieci %s, urządzeń: %zu\n",
                 r.stopped ? "Przerwano po" : "Przeszukano", r.tried, set.hosts.size(), set.label.c_str(),
                 r.devices.size());
    std::fflush(out);
}

Json scan_document(const ScanResult& r, const AddressSet& set, int status, double seconds,
                   const std::string& reason) {
    Json doc = single_document("scan", status, {}, seconds,
                               r.stopped     ? OUTCOME_INTERRUPTED
                               : status == 0 ? OUTCOME_SUCCEEDED
                                             : OUTCOME_FAILED,
                               reason);
    Json found = Json::array();
    for (const FoundDevice& d : r.devices)
        found.push_back({{"address", d.address},
                         {"port", d.port},
                         {"family", family_word(d.family)},
                         {"name", d.name},
                         {"version", d.version},
                         {"unique", d.unique}});
    doc["found"] = std::move(found);
    doc["tried"] = r.tried;
    doc["block"] = set.label;
    return doc;
}

}  // namespace

int scan_network(const Options& o, ConsoleHost& console, std::FILE* out, std::string& usage) {
    // Every usage error comes before anything is written or sent.
    AddressSet set;
    if (o.file.empty())
        set = own_networks(net::ipv4_interfaces());
    else if (!parse_address_set(o.file, o.large, set, usage))
        return 2;
    if (set.hosts.empty()) {
        usage = "Brak sieci do przeszukania: podaj ADRESY (adres, zakres a.b.c.d-e albo blok a.b.c.d/n)";
        return 2;
    }
    ScanOptions so;
    so.hosts = set.hosts;
    if (!o.ports.empty() && !parse_ports(o.ports, so.ports, usage)) return 2;
    so.in_flight = o.parallel;
    so.connect_timeout_ms = o.connect_timeout_ms;
    // The list is opened before the scan, so that one that cannot be written stops the run
    // before anything is sent.
    std::ofstream list;
    if (!o.devices_out.empty()) {
        list.open(fs_path(o.devices_out), std::ios::binary | std::ios::trunc);
        if (!list) {
            usage = "Nie można zapisać listy urządzeń: " + o.devices_out;
            return 2;
        }
    }
    save_and_use_cfg();  // the panel's port and protocol into the link settings
    if (so.ports.empty()) so.ports = {static_cast<std::uint16_t>(PortTCP.load() & 0xFFFF)};
    so.printers_first = PROTOCOL == 0;
    work_mode = WM_SCAN;
    Stoper = false;
    bAction = true;  // from here Ctrl-C stops the scan
    const auto began = std::chrono::steady_clock::now();
    const ScanResult r = network_scan(so);
    bAction = false;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    console.end_progress();
    bool known = false;
    for (const FoundDevice& d : r.devices) known = known || d.family != DeviceFamily::Unknown;
    const int status = known && !r.stopped ? 0 : 1;
    const std::string reason = r.stopped ? "przerwano (Ctrl-C)"
                               : known   ? ""
                                         : "Nie wykryto urządzenia w sieci " + set.label;
    if (list.is_open()) {
        list << device_list(r);
        list.close();
        if (!list)
            std::fprintf(stderr, "tarvix-vizaze-cli: Nie można zapisać listy urządzeń: %s\n",
                         o.devices_out.c_str());
    }
    if (o.json)
        print_document(scan_document(r, set, status, seconds, reason), out);
    else
        print_lines(r, set, out);
    return status;
}

}  // namespace tv::cli
