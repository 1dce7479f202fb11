// The settings file: defaults on first start, the nine lines written, what each key does
// to the variables and the selectors, and files of any content.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "common/globals.h"
#include "common/text.h"
#include "support/fixture.h"
#include "support/platform.h"
#include "ui/Controls.h"
#include "ui/panel.h"
#include "ui/settings.h"

using namespace tv;
using namespace tv::test;

namespace {

class Settings : public Test {
  protected:
    void write_cfg(const std::string& body) { write_file(dir.file("settings.cfg"), body); }
};

const char* kDefaults =
    "[Interface]=0\n[Protocol]=0\n[COM]=COM1\n[Baudrate]=9600\n[Tiemout]=10\n"
    "[IP_Address]=10.10.10.10\n[TCP_Port]=6666\n[GR_Print]=0\n[GR_Test_Print]=0\n";

}  // namespace

TEST_F(Settings, FirstStartShowsDefaultsAndWritesTheNineDefaultLines) {
    load_cfg("settings.cfg");
    EXPECT_EQ(text(gComb_Interface), "RS232 / USB");
    EXPECT_EQ(text(gComb_Protocol), "TARVIX - drukarki");
    EXPECT_EQ(text(gComb_COM), "COM1");
    EXPECT_EQ(text(gComb_Baudrate), "9600");
    EXPECT_EQ(text(gComb_Timeout), "10");
    EXPECT_EQ(text(g_IPaddress), "10.10.10.10");
    EXPECT_EQ(text(gEdit_PortTCP), "6666");
    EXPECT_TRUE(host.boxes().empty());
    ASSERT_TRUE(save_cfg());
    // A text file of the system: CR LF line ends on Windows.
    EXPECT_EQ(read_file(dir.file("settings.cfg")), native_lines(kDefaults));
    EXPECT_FALSE(std::filesystem::exists(dir.file("settings.cfg.new")));
}

TEST_F(Settings, ValuesReachVariablesAndSelectors) {
    write_cfg(
        "[Interface]=1\r\n[Protocol]=2\r\n[COM]=COM12\r\n[Baudrate]=115200\r\n[Tiemout]=1\r\n"
        "[IP_Address]=127.0.0.1\r\n[TCP_Port]=4001\r\n[GR_Print]=1\r\n[GR_Test_Print]=1\r\n");
    load_cfg("settings.cfg");
    EXPECT_STREQ(NR_COM, "\\\\.\\COM12");
    EXPECT_EQ(sel(gComb_COM), 11);  // the twelfth port item
    EXPECT_EQ(BAUDRATE_COM, 115200);
    EXPECT_EQ(text(gComb_Baudrate), "115200");
    EXPECT_EQ(RCV_TIMEOUT, 1);
    EXPECT_EQ(sel(gComb_Timeout), 0);        // "1", not "10"
    EXPECT_STREQ(gServerName, "127.0.0.1");  // the CR is not part of the value
    EXPECT_EQ(text(g_IPaddress), "127.0.0.1");
    EXPECT_EQ(PortTCP, 4001);
    EXPECT_EQ(PROTOCOL, 2);
    EXPECT_EQ(sel(gComb_Protocol), 1);
    EXPECT_EQ(sel(gComb_Interface), 1);
    EXPECT_EQ(text(gButt_ComDetect), "Szukaj w sieci");  // Ethernet
    EXPECT_TRUE(visible(g_IPaddress));
    EXPECT_TRUE(checked(gCheck_Print));
    EXPECT_TRUE(checked(gCheck_TestPrint));
    // The round trip writes what the selectors show.
    ASSERT_TRUE(save_cfg());
    EXPECT_EQ(read_file(dir.file("settings.cfg")),
              native_lines("[Interface]=1\n[Protocol]=2\n[COM]=COM12\n[Baudrate]=115200\n[Tiemout]=1\n"
                           "[IP_Address]=127.0.0.1\n[TCP_Port]=4001\n[GR_Print]=1\n[GR_Test_Print]=1\n"));
}

TEST_F(Settings, ProtocolValueOneSelectsNeitherAndIsDerivedFromTheSelector) {
    set_sel(gComb_Protocol, 1);
    write_cfg("[Protocol]=1\n");
    load_cfg("settings.cfg");
    EXPECT_EQ(sel(gComb_Protocol), 1);  // unchanged
    EXPECT_EQ(PROTOCOL, 2);             // from the selector
}

TEST_F(Settings, OrderDoesNotMatterAndOnlyTenLinesAreRead) {
    write_cfg("[TCP_Port]=5000\n[COM]=COM3\n\n\n\n\n\n\n\n[Baudrate]=19200\n[Tiemout]=33\n");
    load_cfg("settings.cfg");
    EXPECT_EQ(PortTCP, 5000);
    EXPECT_EQ(text(gComb_COM), "COM3");
    EXPECT_EQ(BAUDRATE_COM, 19200);  // tenth line: read
    EXPECT_EQ(RCV_TIMEOUT, 10);      // eleventh line: ignored
    EXPECT_EQ(sel(gComb_Interface), 0);
}

TEST_F(Settings, NonNumericValuesKeepTheKeysFallback) {
    write_cfg("[Baudrate]=fast\n[Tiemout]=x\n[TCP_Port]=\n[Interface]=?\n");
    load_cfg("settings.cfg");
    EXPECT_EQ(BAUDRATE_COM, 9600);
    EXPECT_EQ(RCV_TIMEOUT, 2);
    EXPECT_EQ(sel(gComb_Timeout), 1);  // "2"
    EXPECT_EQ(PortTCP, 2121);
    EXPECT_EQ(sel(gComb_Interface), 0);
}

TEST_F(Settings, UnknownValuesLeaveSelectorsAndTheNextSaveMakesThemAgree) {
    write_cfg("[Baudrate]=12345\n[COM]=COM100\n");
    load_cfg("settings.cfg");
    EXPECT_EQ(BAUDRATE_COM, 12345);
    EXPECT_EQ(text(gComb_Baudrate), "9600");
    EXPECT_EQ(text(gComb_COM), "COM1");
    save_cfg();
    load_cfg("settings.cfg");
    EXPECT_EQ(BAUDRATE_COM, 9600);
    EXPECT_STREQ(NR_COM, "\\\\.\\COM1");
}

TEST_F(Settings, GarbledFilesNeverCrashTheReader) {
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk.push_back(static_cast<char>((i * 37 + 11) % 256));
    write_cfg(junk);
    load_cfg("settings.cfg");
    write_cfg("[COM]=" + std::string(600, 'A') + "\n[IP_Address]=" + std::string(3000, '9') + "\n");
    load_cfg("settings.cfg");
    EXPECT_EQ(std::string(NR_COM), "\\\\.\\AAAAAAAAAAA");
    EXPECT_EQ(std::string(gServerName).size(), 511u - 13);  // a line holds at most 511 characters
    write_cfg(std::string("[Baudrate]=\0\0\0", 14));
    load_cfg("settings.cfg");
    EXPECT_EQ(BAUDRATE_COM, 9600);
}

TEST_F(Settings, AFailedWriteShowsTheBoxAndKeepsTheOldFile) {
    write_cfg(kDefaults);
    std::filesystem::create_directory(dir.file("settings.cfg.new"));  // blocks the new file
    set_sel(gComb_Baudrate, 0);
    EXPECT_FALSE(save_cfg());
    EXPECT_EQ(host.boxes_shown(),
              (std::vector<Box>{{"Błąd!", "Nie można zapisać ustawień!", Icon::Warning}}));
    EXPECT_EQ(read_file(dir.file("settings.cfg")), kDefaults);
}

TEST_F(Settings, EachNumberIsReadFromAtMostItsKeysDigits) {
    const struct {
        const char* line;
        std::function<long()> value;
        long expect;
    } cases[] = {
        {"[Tiemout]=12345", [] { return RCV_TIMEOUT.load(); }, 1234},
        {"[Baudrate]=12345678", [] { return BAUDRATE_COM.load(); }, 1234567},
        {"[TCP_Port]=000655359", [] { return PortTCP.load(); }, 6553},
        {"[Protocol]=022", [] { return PROTOCOL.load(); }, 2},        // "02"
        {"[Interface]=011", [] { return sel(gComb_Interface); }, 1},  // "01"
    };
    for (const auto& c : cases) {
        set_sel(gComb_Interface, 0);
        set_sel(gComb_Protocol, 0);
        write_cfg(std::string(c.line) + "\n");
        load_cfg("settings.cfg");
        EXPECT_EQ(c.value(), c.expect) << c.line;
    }
}

TEST_F(Settings, EachBoxIsCheckedOrClearedByItsOwnLine) {
    for (const bool on : {true, false}) {
        // The box starts the other way; the line decides.
        set_checked(gCheck_Print, !on);
        set_checked(gCheck_TestPrint, !on);
        const std::string v = on ? "1" : "0";
        write_cfg("[GR_Print]=" + v + "\n[GR_Test_Print]=" + v + "\n");
        load_cfg("settings.cfg");
        EXPECT_EQ(checked(gCheck_Print), on);
        EXPECT_EQ(checked(gCheck_TestPrint), on);
    }
}

// A port the link cannot use is no port: the key's fallback stays, as for a text.
TEST_F(Settings, TcpPortsOutsideTheRangeKeepTheFallback) {
    const struct {
        const char* value;
        int port;
    } cases[] = {{"0", 2121}, {"65536", 2121},  {"99999", 2121}, {"9999999", 2121},
                 {"1", 1},    {"65535", 65535}, {"6666", 6666}};
    for (const auto& c : cases) {
        PortTCP = 6666;
        write_cfg(std::string("[TCP_Port]=") + c.value + "\n");
        load_cfg("settings.cfg");
        EXPECT_EQ(PortTCP, c.port) << c.value;
        EXPECT_EQ(text(gEdit_PortTCP), std::to_string(c.port)) << c.value;
    }
}
