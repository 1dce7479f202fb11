// The network scan: address sets, the parallel connects through the link layer, the
// identity read on every open port.
#include "jobs/net_scan.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <set>

#include "commands/printer/identity.h"
#include "commands/register/prt_ks.h"
#include "common/globals.h"
#include "jobs/diagnostics.h"
#include "link/link.h"
#include "link/tcp_socket.h"
#include "ui/trace.h"

namespace tv {

namespace {

// A whole decimal number in [lo, hi]; nothing else in the text.
bool number(std::string_view t, unsigned lo, unsigned hi, unsigned& v) {
    if (t.empty() || t.size() > 5) return false;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    return ec == std::errc() && end == t.data() + t.size() && v >= lo && v <= hi;
}

bool dotted_quad(std::string_view t, std::uint32_t& host) {
    host = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? t.find('.') : t.size();
        unsigned v = 0;
        if (dot == std::string_view::npos || dot > 3 || !number(t.substr(0, dot), 0, 255, v)) return false;
        host = (host << 8) | v;
        t.remove_prefix(std::min(t.size(), dot + 1));
    }
    return true;
}

// Not one device's address: "this network", the broadcast, multicast and the reserved range.
bool unicast(std::uint32_t host) { return (host >> 24) != 0 && (host >> 28) < 0xE; }

// Byte order of the link layer's addresses (network order in memory) and ours (host order).
std::uint32_t from_network(std::uint32_t v) {
    unsigned char b[4];
    std::memcpy(b, &v, 4);
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}
std::uint32_t to_network(std::uint32_t host) {
    const unsigned char b[4] = {static_cast<unsigned char>(host >> 24),
                                static_cast<unsigned char>(host >> 16), static_cast<unsigned char>(host >> 8),
                                static_cast<unsigned char>(host)};
    std::uint32_t v;
    std::memcpy(&v, b, 4);
    return v;
}

std::string trimmed(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r')) t.remove_suffix(1);
    return std::string(t);
}

// One item of an address set: first and last address (inclusive), host order.
bool parse_item(const std::string& item, std::uint32_t& first, std::uint32_t& last, std::string& error) {
    const std::size_t slash = item.find('/'), dash = item.find('-');
    const std::string head = item.substr(0, std::min(slash, dash));
    std::uint32_t a = 0;
    unsigned n = 0;
    if (!dotted_quad(head, a)) {
        error = "To nie jest adres IPv4, zakres ani blok: \"" + item + "\"";
        return false;
    }
    first = last = a;
    if (slash != std::string::npos) {
        if (!number(std::string_view(item).substr(slash + 1), 8, 32, n)) {
            error = "Niewłaściwa długość prefiksu w \"" + item + "\" (dozwolone /8 do /32)";
            return false;
        }
        const std::uint32_t mask = n == 0 ? 0 : 0xFFFFFFFFu << (32 - n);
        first = a & mask;
        last = first | ~mask;
        if (n < 31) ++first, --last;  // network and broadcast addresses are no devices
    } else if (dash != std::string::npos) {
        if (!number(std::string_view(item).substr(dash + 1), a & 0xFF, 255, n)) {
            error = "Niewłaściwy koniec zakresu w \"" + item + "\" (ostatnia część adresu, od " +
                    std::to_string(a & 0xFF) + " do 255)";
            return false;
        }
        last = (a & 0xFFFFFF00u) | n;
    }
    for (const std::uint32_t end : {first, last})
        if (!unicast(end)) {
            error = "Adres " + dotted(end) +
                    " nie jest adresem pojedynczego urządzenia (0.0.0.0, rozgłoszeniowy lub grupowy)";
            return false;
        }
    return true;
}

}  // namespace

std::string dotted(std::uint32_t host) {
    return std::to_string(host >> 24) + "." + std::to_string((host >> 16) & 0xFF) + "." +
           std::to_string((host >> 8) & 0xFF) + "." + std::to_string(host & 0xFF);
}

bool parse_address_set(const std::string& text, bool allow_large, AddressSet& out, std::string& error) {
    out = {};
    std::set<std::uint32_t> seen;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = trimmed(std::string_view(text).substr(start, comma - start));
        start = comma + 1;
        std::uint32_t first = 0, last = 0;
        if (!parse_item(item, first, last, error)) return false;
        const std::size_t count = std::size_t{last} - first + 1;
        const std::size_t limit = allow_large ? kScanHardLimit : kScanBlockLimit;
        if (count + out.hosts.size() > limit) {
            error = allow_large ? "Za dużo adresów do przeszukania (najwięcej " + std::to_string(limit) + ")"
                                : "Blok \"" + item +
                                      "\" jest za duży: bez wyraźnej zgody sieć przeszukuje się "
                                      "najwyżej blokami /22 (1024 adresy)";
            return false;
        }
        for (std::uint64_t h = first; h <= last; ++h)
            if (seen.insert(static_cast<std::uint32_t>(h)).second)
                out.hosts.push_back(static_cast<std::uint32_t>(h));
        out.label += (out.label.empty() ? "" : ",") + item;
    }
    return true;
}

bool parse_ports(const std::string& text, std::vector<std::uint16_t>& out, std::string& error) {
    out.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = trimmed(std::string_view(text).substr(start, comma - start));
        start = comma + 1;
        const std::size_t dash = item.find('-');
        unsigned a = 0, b = 0;
        const bool ok = dash == std::string::npos
                            ? number(item, 1, 65535, a) && number(item, 1, 65535, b)
                            : number(std::string_view(item).substr(0, dash), 1, 65535, a) &&
                                  number(std::string_view(item).substr(dash + 1), a, 65535, b);
        if (!ok) {
            error = "Niewłaściwy port TCP: \"" + item + "\" (1..65535)";
            return false;
        }
        for (unsigned p = a; p <= b; ++p) {
            if (out.size() == 64) {
                error = "Za dużo portów do przeszukania (najwięcej 64)";
                return false;
            }
            if (std::find(out.begin(), out.end(), p) == out.end())
                out.push_back(static_cast<std::uint16_t>(p));
        }
    }
    return true;
}

std::string block_around(const std::string& text) {
    std::uint32_t a = 0;
    if (!dotted_quad(trimmed(text), a)) return {};
    return dotted(a & 0xFFFFFF00u) + "/24";
}

AddressSet own_networks(const std::vector<net::Ipv4Interface>& interfaces) {
    AddressSet out;
    std::set<std::uint32_t> seen, own;
    std::set<std::string> blocks;
    for (const net::Ipv4Interface& i : interfaces) own.insert(from_network(i.addr));
    for (const net::Ipv4Interface& i : interfaces) {
        const std::uint32_t addr = from_network(i.addr);
        std::uint32_t mask = from_network(i.mask);
        if (i.loopback || !i.up || !unicast(addr)) continue;
        if (mask < 0xFFFFFF00u) mask = 0xFFFFFF00u;  // wider than a /24: the /24 around the address
        const std::uint32_t first = addr & mask, last = first | ~mask;
        int prefix = 0;
        for (std::uint32_t m = mask; m & 0x80000000u; m <<= 1) ++prefix;
        const std::string label = dotted(first) + "/" + std::to_string(prefix);
        if (!blocks.insert(label).second) continue;
        out.label += (out.label.empty() ? "" : ",") + label;
        for (std::uint64_t h = first; h <= last; ++h) {
            const auto host = static_cast<std::uint32_t>(h);
            const bool edge = prefix < 31 && (host == first || host == last);
            if (!edge && !own.count(host) && seen.insert(host).second) out.hosts.push_back(host);
        }
    }
    return out;
}

const char* family_text(DeviceFamily family) {
    switch (family) {
        case DeviceFamily::Printer:
            return "drukarka fiskalna";
        case DeviceFamily::Register:
            return "kasa fiskalna";
        case DeviceFamily::Unknown:
            break;
    }
    return "nieznane urządzenie";
}

}  // namespace tv

namespace tv {

namespace {

// One family's identity read on a connection of its own (what the other family was sent
// stays out of it). False when the device did not answer as one of that family.
bool ask_family(DeviceFamily family, const net::Endpoint& to, int connect_ms, FoundDevice& d) {
    unsigned int sock = net::kNoSocket;
    if (!net::create(sock)) return false;
    net::set_send_timeout(sock, 2000);
    char name[64] = {}, version[16] = {}, unique[16] = {};
    bool ok = false;
    if (net::connect(sock, to, connect_ms)) {
        // A printer that answers with no type name is no printer's answer (garbage ending in ETX).
        ok = family == DeviceFamily::Printer
                 ? printer_identity(tcp_link, sock, unique, name, version, false) == RC_OK && name[0]
                 : KS_CASHREGSTATUSGET(sock, name, version, unique, &tcp_link) == RC_OK;
    }
    net::close(sock);
    if (ok) {
        d.family = family;
        d.name = name;
        d.version = version;
        d.unique = unique;
    }
    return ok;
}

bool stop_asked() { return Stoper.load() || job_abort.load(); }

struct Progress {
    int shown = -1;
    void to(int p) {
        if (p != shown) set_progress(shown = p);
    }
};

}  // namespace

ScanResult network_scan(const ScanOptions& options) {
    ScanResult result;
    // Test runs set TV_SCAN_LOOPBACK_ONLY (tests/support does, for every test program and
    // the tools they start): an address outside 127.0.0.0/8 is then never visited, whatever
    // a test's settings name.
    std::vector<std::uint32_t> hosts = options.hosts;
    if (std::getenv("TV_SCAN_LOOPBACK_ONLY"))
        std::erase_if(hosts, [](std::uint32_t h) { return (h >> 24) != 127; });
    const std::int32_t kept_timeout = RCV_TIMEOUT;
    RCV_TIMEOUT = 1;
    net::startup();
    std::vector<net::Endpoint> targets;
    for (const std::uint32_t h : hosts)
        for (const std::uint16_t p : options.ports) targets.push_back({to_network(h), p});
    std::vector<std::size_t> open;
    std::size_t settled = 0;
    const std::size_t ports = std::max<std::size_t>(options.ports.size(), 1);
    Progress progress;
    result.stopped = !net::probe_connect(
        targets, options.in_flight, options.connect_timeout_ms, stop_asked, [&](std::size_t i, bool is_open) {
            if (is_open) open.push_back(i);
            ++settled;
            progress.to(static_cast<int>(90 * settled / std::max<std::size_t>(targets.size(), 1)));
        });
    result.tried = settled / ports;
    std::sort(open.begin(), open.end());
    const DeviceFamily first = options.printers_first ? DeviceFamily::Printer : DeviceFamily::Register;
    const DeviceFamily second = options.printers_first ? DeviceFamily::Register : DeviceFamily::Printer;
    const int connect_ms = std::max(options.connect_timeout_ms, 1000);
    for (std::size_t n = 0; n < open.size() && !result.stopped; ++n) {
        const net::Endpoint& to = targets[open[n]];
        FoundDevice d;
        d.address = dotted(from_network(to.addr));
        d.port = to.port;
        s("\r\n" + d.address + ":" + std::to_string(d.port) + " ?\r\n");
        if (!ask_family(first, to, connect_ms, d) && !(result.stopped = stop_asked()))
            ask_family(second, to, connect_ms, d);
        s("\r\n" + d.address + ":" + std::to_string(d.port) + " = " + family_text(d.family) + " " + d.name +
          "\r\n");
        result.devices.push_back(d);
        progress.to(90 + static_cast<int>(10 * (n + 1) / open.size()));
        result.stopped = result.stopped || stop_asked();
    }
    net::cleanup();
    Stoper = false;
    RCV_TIMEOUT = kept_timeout;
    return result;
}

}  // namespace tv
