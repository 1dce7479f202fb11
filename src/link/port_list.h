// The serial ports present on this computer, each with the COM name that opens it and what
// it is, for the port selector and the console tool's "ports".
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tv {

struct PortInfo {
    int number = 0;           // n of the COMn name that opens it; 0 when no name does
    std::string device;       // what is opened: /dev/ttyUSB0, /dev/pts/3, \\.\COM3
    std::string description;  // what it is: adapter, driver, by-id name, link
};

// Every port present, by COM number (ports without a name last). On POSIX systems: the
// serial devices the kernel lists (/sys/class/tty), under the name the port mapping gives
// them unless start_dir/ports/comN takes that name, and every ports/comN link of start_dir
// whose target exists. On Windows: the ports the system lists (SERIALCOMM).
std::vector<PortInfo> list_serial_ports(std::string_view start_dir);

#ifndef _WIN32
// Where the POSIX lister looks; a test points it at a tree of its own.
struct PortRoots {
    std::string sys_tty = "/sys/class/tty";
    std::string by_id = "/dev/serial/by-id";
    std::string dev = "/dev";
};
std::vector<PortInfo> list_serial_ports(std::string_view start_dir, const PortRoots& roots);
#endif

// "COM5", or "-" for a port without a name.
std::string port_name(const PortInfo& port);
// The selector's note for a port: device and description ("/dev/ttyUSB0 – FTDI ...").
std::string port_note(const PortInfo& port);
// Orders by COM number, nameless ports last, then by device.
void sort_ports(std::vector<PortInfo>& ports);

}  // namespace tv
