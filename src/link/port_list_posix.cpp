// The serial ports of a POSIX system: the tty devices sysfs lists with a device behind
// them (an 8250 placeholder without a UART is no port), described by their USB adapter,
// their /dev/serial/by-id name or their driver; and the ports/comN links of the start-up
// directory.
#include <filesystem>
#include <fstream>
#include <set>

#include "common/paths.h"
#include "common/text.h"
#include "link/port_list.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

// The first line of a small sysfs file, or "".
std::string first_line(const fs::path& p) {
    std::ifstream in(p);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// The number the port mapping gives a kernel name (ttyS0 -> 1, ttyUSB0 -> 33, ttyACM0 ->
// 65), or 0 outside its ranges.
int mapped_number(const std::string& name) {
    struct Range {
        const char* prefix;
        int first;
        int count;
    };
    for (const Range r : {Range{"ttyS", 1, 32}, Range{"ttyUSB", 33, 32}, Range{"ttyACM", 65, 35}}) {
        const std::string p = r.prefix;
        if (name.size() <= p.size() || name.compare(0, p.size(), p) != 0) continue;
        const std::string digits = name.substr(p.size());
        long long k = 0;
        if (digits.size() > 2 || !decimal_value(digits, k)) return 0;
        return k < r.count ? r.first + static_cast<int>(k) : 0;
    }
    return 0;
}

struct TtyDevice {
    std::string name;  // ttyUSB0
    std::string path;  // /dev/ttyUSB0
    std::string description;
};

// "Manufacturer Product (USB vvvv:pppp)" from the USB device above a tty, or "".
std::string usb_description(const fs::path& device) {
    std::error_code ec;
    fs::path at = fs::canonical(device, ec);
    for (int up = 0; !ec && up < 5 && at.has_relative_path(); ++up, at = at.parent_path()) {
        const std::string vendor = first_line(at / "idVendor");
        const std::string product = first_line(at / "idProduct");
        if (vendor.empty() || product.empty()) continue;
        std::string text = first_line(at / "manufacturer");
        const std::string name = first_line(at / "product");
        if (!name.empty()) text += (text.empty() ? "" : " ") + name;
        return text + (text.empty() ? "" : " ") + "(USB " + vendor + ":" + product + ")";
    }
    return {};
}

std::vector<TtyDevice> tty_devices(const PortRoots& roots) {
    std::vector<TtyDevice> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs_path(roots.sys_tty), ec)) {
        const fs::path dir = entry.path();
        const std::string name = utf8_path(dir.filename());
        std::error_code e2;
        if (!fs::exists(dir / "device", e2)) continue;  // a virtual terminal, no hardware
        // The 8250 driver keeps placeholders for ports that may not be there; one without
        // a UART has the type 0.
        if (first_line(dir / "type") == "0") continue;
        TtyDevice d{name, path_join(roots.dev, name), {}};
        std::string text = usb_description(dir / "device");
        for (const auto& link : fs::directory_iterator(fs_path(roots.by_id), e2)) {
            std::error_code e3;
            if (fs::read_symlink(link.path(), e3).filename() == dir.filename()) {
                text += (text.empty() ? "" : ", ") + utf8_path(link.path().filename());
                break;
            }
        }
        if (text.empty()) {
            const std::string driver = utf8_path(fs::read_symlink(dir / "device" / "driver", e2).filename());
            text = "port szeregowy" + (driver.empty() ? "" : " (" + driver + ")");
        }
        d.description = text;
        out.push_back(d);
    }
    return out;
}

}  // namespace

std::vector<PortInfo> list_serial_ports(std::string_view start_dir, const PortRoots& roots) {
    const std::vector<TtyDevice> devices = tty_devices(roots);
    std::vector<PortInfo> ports;
    std::set<int> taken;           // names a ports/ link holds, existing target or not
    std::set<std::string> linked;  // devices a working link leads to
    for (int n = 1; n <= 99; ++n) {
        const fs::path link = fs_path(path_join(start_dir, "ports/com" + std::to_string(n)));
        std::error_code ec;
        if (fs::symlink_status(link, ec).type() == fs::file_type::not_found) continue;
        taken.insert(n);
        const fs::path target = fs::canonical(link, ec);
        if (ec) continue;  // dangling: COMn opens nothing
        PortInfo p{n, utf8_path(target), {}};
        for (const TtyDevice& d : devices) {
            std::error_code e2;
            if (fs::equivalent(target, fs_path(d.path), e2)) {
                p.description = d.description;
                linked.insert(d.path);
            }
        }
        if (p.description.empty()) p.description = "dowiązanie ports/com" + std::to_string(n);
        ports.push_back(p);
    }
    for (const TtyDevice& d : devices) {
        const int n = mapped_number(d.name);
        if (n > 0 && !taken.count(n))
            ports.push_back({n, d.path, d.description});
        else if (!linked.count(d.path))
            ports.push_back({0, d.path, d.description});
    }
    sort_ports(ports);
    return ports;
}

std::vector<PortInfo> list_serial_ports(std::string_view start_dir) {
    return list_serial_ports(start_dir, PortRoots{});
}

}  // namespace tv
