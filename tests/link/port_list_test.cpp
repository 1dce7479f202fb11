// The serial port list: over a sysfs tree and /dev/serial/by-id made here (real USB
// adapters, an 8250 port with a UART and a placeholder without one, a virtual terminal),
// with and without ports/comN links of the start-up directory; and, on Windows, over the
// system's SERIALCOMM registry key.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "link/port_list.h"
#include "support/fixture.h"
#include "support/platform.h"

using namespace tv;
using namespace tv::test;
namespace fs = std::filesystem;

namespace {

using Row = std::tuple<std::string, std::string, std::string>;  // name, device, description

std::vector<Row> rows(const std::vector<PortInfo>& ports) {
    std::vector<Row> out;
    for (const auto& p : ports) out.emplace_back(port_name(p), p.device, p.description);
    return out;
}

#ifndef _WIN32
class PortList : public Test {
  protected:
    void SetUp() override {
        // Two USB adapters (FTDI and an Arduino's ACM), a 16550A on ttyS0, an 8250
        // placeholder on ttyS1, a USB adapter beyond the mapped range, a virtual tty0.
        usb("1-1", "0403", "6001", "FTDI", "FT232R USB UART", "ttyUSB0");
        usb("1-2", "2341", "0043", "", "Arduino Uno", "ttyACM0");
        usb("1-3", "067b", "2303", "Prolific", "", "ttyUSB40");
        uart("ttyS0", "4");
        uart("ttyS1", "0");
        fs::create_directories(dir.file("sys/devices/virtual/tty/tty0"));
        fs::create_directory_symlink(dir.file("sys/devices/virtual/tty/tty0"),
                                     dir.file("sys/class/tty/tty0"));
        fs::create_directories(dir.file("dev/serial/by-id"));
        for (const char* d : {"ttyS0", "ttyS1", "ttyUSB0", "ttyUSB40", "ttyACM0", "tty0"})
            write_file(dir.file(std::string("dev/") + d), "");
        fs::create_symlink("../../ttyUSB0",
                           dir.file("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"));
        fs::create_directories(dir.file("start/ports"));
        roots = {dir.file("sys/class/tty"), dir.file("dev/serial/by-id"), dir.file("dev")};
    }

    // A USB device with one interface whose tty is name.
    void usb(const std::string& bus, const std::string& vendor, const std::string& product,
             const std::string& maker, const std::string& model, const std::string& name) {
        const std::string device = dir.file("sys/devices/usb1/" + bus);
        const std::string iface = device + "/" + bus + ":1.0";
        fs::create_directories(iface + "/tty/" + name);
        write_file(device + "/idVendor", vendor + "\n");
        write_file(device + "/idProduct", product + "\n");
        if (!maker.empty()) write_file(device + "/manufacturer", maker + "\n");
        if (!model.empty()) write_file(device + "/product", model + "\n");
        fs::create_directory_symlink(iface, iface + "/tty/" + name + "/device");
        fs::create_directories(dir.file("sys/class/tty"));
        fs::create_directory_symlink(iface + "/tty/" + name, dir.file("sys/class/tty/" + name));
    }
    // A port of the 8250 driver; uart_type 0 is a placeholder without a UART.
    void uart(const std::string& name, const std::string& uart_type) {
        const std::string platform = dir.file("sys/devices/platform/serial8250");
        fs::create_directories(platform + "/tty/" + name);
        fs::create_directories(dir.file("sys/bus/platform/drivers/serial8250"));
        if (!fs::exists(platform + "/driver"))
            fs::create_directory_symlink(dir.file("sys/bus/platform/drivers/serial8250"),
                                         platform + "/driver");
        write_file(platform + "/tty/" + name + "/type", uart_type + "\n");
        fs::create_directory_symlink(platform, platform + "/tty/" + name + "/device");
        fs::create_directories(dir.file("sys/class/tty"));
        fs::create_directory_symlink(platform + "/tty/" + name, dir.file("sys/class/tty/" + name));
    }
    std::string start() const { return dir.file("start"); }
    std::string dev(const std::string& name) const { return dir.file("dev/" + name); }

    PortRoots roots;
};

const std::string kFtdi = "FTDI FT232R USB UART (USB 0403:6001), usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";

TEST_F(PortList, DevicesTakeTheirMappedNamesAndPlaceholdersAreLeftOut) {
    EXPECT_EQ(rows(list_serial_ports(start(), roots)),
              (std::vector<Row>{
                  {"COM1", dev("ttyS0"), "port szeregowy (serial8250)"},
                  {"COM33", dev("ttyUSB0"), kFtdi},
                  {"COM65", dev("ttyACM0"), "Arduino Uno (USB 2341:0043)"},
                  {"-", dev("ttyUSB40"), "Prolific (USB 067b:2303)"},  // past COM64: no name
              }));
}

TEST_F(PortList, PortsLinksTakeTheirNamesAndDanglingOnesHideTheName) {
    write_file(dir.file("start/standin"), "");  // what a pseudo-terminal would be
    fs::create_symlink(dev("ttyUSB0"), dir.file("start/ports/com5"));
    fs::create_symlink(dir.file("start/standin"), dir.file("start/ports/com9"));
    fs::create_symlink(dir.file("start/nothing"), dir.file("start/ports/com1"));  // dangling
    fs::create_symlink(dev("ttyUSB40"), dir.file("start/ports/com40"));
    const std::string standin = fs::canonical(dir.file("start/standin")).string();
    EXPECT_EQ(rows(list_serial_ports(start(), roots)),
              (std::vector<Row>{
                  // ttyS0's own name COM1 is taken by a link that leads nowhere: COM1 opens
                  // nothing, and ttyS0 is listed without a name.
                  {"COM5", fs::canonical(dev("ttyUSB0")).string(), kFtdi},
                  {"COM9", standin, "dowiązanie ports/com9"},
                  {"COM33", dev("ttyUSB0"), kFtdi},  // its mapped name still opens it
                  {"COM40", fs::canonical(dev("ttyUSB40")).string(), "Prolific (USB 067b:2303)"},
                  {"COM65", dev("ttyACM0"), "Arduino Uno (USB 2341:0043)"},
                  {"-", dev("ttyS0"), "port szeregowy (serial8250)"},
              }));
}
#endif  // sysfs and /dev/serial/by-id: POSIX only, not built on Windows

TEST(PortNames, NameNoteAndOrder) {
    std::vector<PortInfo> ports = {{0, "/dev/ttyUSB40", "x"},
                                   {33, "/dev/ttyUSB0", "FTDI"},
                                   {5, "/dev/pts/3", ""},
                                   {0, "/dev/ttyAMA0", ""}};
    sort_ports(ports);
    EXPECT_EQ(rows(ports), (std::vector<Row>{{"COM5", "/dev/pts/3", ""},
                                             {"COM33", "/dev/ttyUSB0", "FTDI"},
                                             {"-", "/dev/ttyAMA0", ""},
                                             {"-", "/dev/ttyUSB40", "x"}}));
    EXPECT_EQ(port_note(ports[1]), "/dev/ttyUSB0 – FTDI");
    EXPECT_EQ(port_note(ports[0]), "/dev/pts/3");
}

#ifdef _WIN32
// Windows lists the ports its drivers entered under SERIALCOMM; one is added here.
TEST(PortListWindows, SerialcommValuesAreThePorts) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t com[] = L"COM42";
    ASSERT_EQ(
        RegSetValueExW(key, L"\\Device\\TvTest42", 0, REG_SZ, reinterpret_cast<const BYTE*>(com), sizeof com),
        ERROR_SUCCESS);
    const std::vector<PortInfo> ports = list_serial_ports("");
    RegDeleteValueW(key, L"\\Device\\TvTest42");
    RegCloseKey(key);
    std::vector<Row> found;
    for (const auto& r : rows(ports))
        if (std::get<0>(r) == "COM42") found.push_back(r);
    EXPECT_EQ(found, (std::vector<Row>{{"COM42", "\\\\.\\COM42", "\\Device\\TvTest42"}}));
}
#endif  // the registry key: Windows only, not built elsewhere

}  // namespace
