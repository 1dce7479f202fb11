// What both systems' port lists share: names, notes and order.
#include "link/port_list.h"

#include <algorithm>
#include <tuple>

namespace tv {

std::string port_name(const PortInfo& port) {
    return port.number > 0 ? "COM" + std::to_string(port.number) : "-";
}

std::string port_note(const PortInfo& port) {
    return port.description.empty() ? port.device : port.device + " – " + port.description;
}

void sort_ports(std::vector<PortInfo>& ports) {
    std::sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
        return std::make_tuple(a.number == 0, a.number, a.device) <
               std::make_tuple(b.number == 0, b.number, b.device);
    });
}

}  // namespace tv
