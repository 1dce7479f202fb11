// Where a COM port name leads on a POSIX system.
#include <gtest/gtest.h>

#include <filesystem>

#include "link/serial_port.h"
#include "support/platform.h"
#include "support/recording_host.h"

using namespace tv;
using namespace tv::test;

TEST(ComName, DisplayNameIsThePartAfterTheDevicePrefix) {
    EXPECT_STREQ(com_display_name("\\\\.\\COM12"), "COM12");
    EXPECT_STREQ(com_display_name("COM3"), "COM3");
}

TEST(ComName, NumbersMapToTheStandardDevices) {
    TempDir dir;  // no ports folder
    const char* d = dir.path().c_str();
    EXPECT_EQ(com_device_path("\\\\.\\COM1", d), "/dev/ttyS0");
    EXPECT_EQ(com_device_path("\\\\.\\COM32", d), "/dev/ttyS31");
    EXPECT_EQ(com_device_path("\\\\.\\COM33", d), "/dev/ttyUSB0");
    EXPECT_EQ(com_device_path("\\\\.\\COM64", d), "/dev/ttyUSB31");
    EXPECT_EQ(com_device_path("\\\\.\\COM65", d), "/dev/ttyACM0");
    EXPECT_EQ(com_device_path("\\\\.\\COM99", d), "/dev/ttyACM34");
    EXPECT_EQ(com_device_path("\\\\.\\com5", d), "/dev/ttyS4");
    for (const char* bad :
         {"\\\\.\\COM0", "\\\\.\\COM100", "\\\\.\\COM", "\\\\.\\LPT1", "\\\\.\\COM1x", "\\\\.\\COM01", ""})
        EXPECT_EQ(com_device_path(bad, d), "") << bad;
}

TEST(ComName, LinkInThePortsFolderWins) {
    TV_POSIX_ONLY("ports/comN links name devices on POSIX systems");
    TempDir dir;
    std::filesystem::create_directory(dir.file("ports"));
    std::filesystem::create_symlink("/dev/null", dir.file("ports/com5"));
    std::filesystem::create_symlink(dir.file("nowhere"), dir.file("ports/com40"));
    std::filesystem::create_symlink("/dev/null", dir.file("ports/COM6"));  // names are lower case
    const char* d = dir.path().c_str();
    EXPECT_EQ(com_device_path("\\\\.\\COM5", d), dir.file("ports/com5"));
    // A dangling link still decides: the open fails instead of reaching another device.
    EXPECT_EQ(com_device_path("\\\\.\\COM40", d), dir.file("ports/com40"));
    EXPECT_EQ(com_device_path("\\\\.\\COM6", d), "/dev/ttyS5");
}
