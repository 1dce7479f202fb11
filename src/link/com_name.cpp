// Port names: the display name of "\\.\COMn" and the device it leads to on POSIX systems.
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/paths.h"
#include "common/text.h"
#include "link/serial_port.h"

namespace tv {

const char* com_display_name(const char* nr_com) {
    if (!nr_com) return "";
    return std::strncmp(nr_com, "\\\\.\\", 4) == 0 ? nr_com + 4 : nr_com;
}

namespace {
// The n of "COMn" (1..99, any letter case), or 0 for anything else.
int com_number(const char* name) {
    if (std::strlen(name) < 4 || std::strlen(name) > 5) return 0;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
    if (name[3] == '0') return 0;
    int n = 0;
    for (const char* p = name + 3; *p; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p))) return 0;
        n = n * 10 + (*p - '0');
    }
    return n;
}
}  // namespace

std::string com_device_path(const char* nr_com, std::string_view start_dir) {
    const int n = com_number(com_display_name(nr_com));
    if (n == 0) return {};
    // A link the user (or a test) placed in the ports folder points the name anywhere.
    const std::string own = path_join(start_dir, "ports/com" + std::to_string(n));
    std::error_code ec;
    if (std::filesystem::symlink_status(fs_path(own), ec).type() != std::filesystem::file_type::not_found &&
        !ec)
        return own;
    if (n <= 32) return "/dev/ttyS" + std::to_string(n - 1);
    if (n <= 64) return "/dev/ttyUSB" + std::to_string(n - 33);
    return "/dev/ttyACM" + std::to_string(n - 65);
}

}  // namespace tv
