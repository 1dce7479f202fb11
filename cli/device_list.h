// A list of devices for one run over many: a CSV file with the header
// name,interface,protocol,address,port and one line per device. The whole list is checked
// before anything is sent, and a fault is reported with its line number.
#pragma once
#include <string>
#include <vector>

namespace tv::cli {

struct Device {
    int line = 0;         // line of the list, from 1
    std::string name;     // also the name of its working directory
    bool serial = false;  // interface: serial (true) or Ethernet
    bool printer = true;  // protocol: fiscal printer (true) or cash register
    std::string address;  // "COM3" or "192.168.1.20"
    std::string port;     // serial: the speed; Ethernet: the TCP port
};

// Reads a list from its text. On a fault returns false with a Polish message that begins
// with "wiersz N: " where a line is at fault.
bool parse_device_list(const std::string& text, std::vector<Device>& out, std::string& error);

// Reads the list file (at most 1 MiB). The message names the file.
bool read_device_list(const std::string& path, std::vector<Device>& out, std::string& error);

}  // namespace tv::cli
