// The network scan: which addresses of a block answer on a TCP port, and which fiscal
// device stands behind each. It connects to many addresses at once (a bounded number in
// flight, a time-out for each), then asks every open port who is there with the identity
// requests the connection test sends, and nothing else.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/tcp_probe.h"

namespace tv {

// The most addresses a scan visits unless the caller allows a larger block (a /22).
constexpr std::size_t kScanBlockLimit = 1024;
// The most addresses a scan visits at all (a /16).
constexpr std::size_t kScanHardLimit = 65536;

// Addresses to scan, host byte order, in the order given, and how they were written.
struct AddressSet {
    std::vector<std::uint32_t> hosts;
    std::string label;
};

// Reads "a.b.c.d", "a.b.c.d-e" (the last part running from d to e) or "a.b.c.d/n", or a
// comma-separated list of them. A block keeps its network and broadcast addresses out
// (below /31). Refuses, with a Polish message in error: text that is none of these, an
// address that is not one device's (0.0.0.0/8, 255.255.255.255, multicast and the
// reserved 240.0.0.0/4), more than kScanBlockLimit addresses unless allow_large, more
// than kScanHardLimit at all.
bool parse_address_set(const std::string& text, bool allow_large, AddressSet& out, std::string& error);
// "6666" or "6666,9100,4000-4003": ports 1..65535, at most 64 of them.
bool parse_ports(const std::string& text, std::vector<std::uint16_t>& out, std::string& error);
// Dotted text of a host-order address.
std::string dotted(std::uint32_t host);
// The /24 around a dotted address ("192.168.1.0/24"); empty when text is no address.
std::string block_around(const std::string& text);
// The machine's own networks from its interface list: each interface that is up and not
// loopback gives its block, narrowed to the /24 around its address when wider than
// that (an office /16 is no shop network to sweep). The interface's own address is left out.
AddressSet own_networks(const std::vector<net::Ipv4Interface>& interfaces);

enum class DeviceFamily { Printer, Register, Unknown };

struct FoundDevice {
    std::string address;
    std::uint16_t port = 0;
    DeviceFamily family = DeviceFamily::Unknown;
    std::string name, version, unique;
};

struct ScanOptions {
    std::vector<std::uint32_t> hosts;  // host byte order
    std::vector<std::uint16_t> ports;
    int in_flight = 64;
    int connect_timeout_ms = 300;
    bool printers_first = true;  // the family asked first on an open port
};

struct ScanResult {
    std::vector<FoundDevice> devices;  // in address order, then port
    std::size_t tried = 0;             // addresses whose every port was tried
    bool stopped = false;
};

// Runs the scan on the caller's thread. Stops when Stoper or job_abort is set (the
// attempts in flight abandoned, the identity read under way finished; Stoper is
// cleared); progress 0..100 through set_progress. Each identity read waits at most one
// receive time-out unit (1 s). Sends identity requests only.
ScanResult network_scan(const ScanOptions& options);

// The family's name as the scan shows it: "drukarka fiskalna", "kasa fiskalna",
// "nieznane urządzenie".
const char* family_text(DeviceFamily family);

// The window's network detection (work_mode WM_SCAN): the /24 around the IP field's
// address (or the machine's own networks when the field holds the default address) on the
// port field's port; fills the panel from the device found or chosen.
void scan_job();

}  // namespace tv
