// Reading a list of devices: what a good list gives, and the line and message of every
// kind of fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_list.h"

using tv::cli::Device;
using tv::cli::parse_device_list;

namespace {

const std::string kHeader = "name,interface,protocol,address,port\n";

TEST(DeviceList, ReadsEveryFieldSkippingBlankAndCommentLines) {
    const std::string text =
        "\xEF\xBB\xBFName, Interface ,PROTOCOL,address,port\r\n"
        "# the shops on the square\r\n"
        "\r\n"
        "rynek-1,ethernet,printer,192.168.1.20,6666\r\n"
        "  rynek_2 , Serial , register , com12 , 115200 \r\n"
        "magazyn.3,ethernet,register,10.0.0.1,1\n"
        "kasa-4,serial,register,com3,9600";
    std::vector<Device> list;
    std::string error;
    ASSERT_TRUE(parse_device_list(text, list, error)) << error;
    ASSERT_EQ(list.size(), 4u);
    const struct {
        int line;
        const char* name;
        bool serial, printer;
        const char* address;
        const char* port;
    } want[] = {
        {4, "rynek-1", false, true, "192.168.1.20", "6666"},
        {5, "rynek_2", true, false, "COM12", "115200"},
        {6, "magazyn.3", false, false, "10.0.0.1", "1"},
        {7, "kasa-4", true, false, "COM3", "9600"},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(list[i].line, want[i].line);
        EXPECT_EQ(list[i].name, want[i].name);
        EXPECT_EQ(list[i].serial, want[i].serial) << i;
        EXPECT_EQ(list[i].printer, want[i].printer) << i;
        EXPECT_EQ(list[i].address, want[i].address);
        EXPECT_EQ(list[i].port, want[i].port);
    }
}

TEST(DeviceList, TheSampleListIsValid) {
    std::vector<Device> list;
    std::string error;
    ASSERT_TRUE(tv::cli::read_device_list(std::string(TV_SOURCE_DIR) + "/examples/sklepy.csv", list, error))
        << error;
    ASSERT_EQ(list.size(), 4u);
    EXPECT_TRUE(list[0].serial);
    EXPECT_EQ(list[0].address, "COM33");
    EXPECT_FALSE(list[1].printer);
}

TEST(DeviceList, EveryFaultIsReportedWithItsLine) {
    const std::string good = "a,ethernet,printer,127.0.0.1,6666\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "brak nagłówka name,interface,protocol,address,port"},
        {"# only a comment\n", "brak nagłówka name,interface,protocol,address,port"},
        {kHeader, "lista nie zawiera żadnego urządzenia"},
        {"name,interface,protocol,address\n" + good,
         "wiersz 1: nagłówek listy musi brzmieć name,interface,protocol,address,port, jest "
         "\"name,interface,protocol,address\""},
        {"name,interface,protocol,address,port,note\n" + good,
         "wiersz 1: nagłówek listy musi brzmieć name,interface,protocol,address,port, jest "
         "\"name,interface,protocol,address,port,note\""},
        {"a,ethernet,printer,127.0.0.1,6666\n",
         "wiersz 1: nagłówek listy musi brzmieć name,interface,protocol,address,port, jest "
         "\"a,ethernet,printer,127.0.0.1,6666\""},
        {kHeader + good + "b,ethernet,printer,127.0.0.1\n",
         "wiersz 3: oczekiwano 5 pól oddzielonych przecinkami, jest 4"},
        {kHeader + good + "b,ethernet,printer,127.0.0.1,1,x\n",
         "wiersz 3: oczekiwano 5 pól oddzielonych przecinkami, jest 6"},
        {kHeader + "\n# c\n" + good + "b,usb,printer,127.0.0.1,6666\n",
         "wiersz 5: nieznany interfejs \"usb\" (serial albo ethernet)"},
        {kHeader + "b,ethernet,scale,127.0.0.1,6666\n",
         "wiersz 2: nieznany protokół \"scale\" (printer albo register)"},
        {kHeader + good + "b,ethernet,printer,127.0.0.256,6666\n",
         "wiersz 3: niepoprawny adres IPv4 \"127.0.0.256\""},
        {kHeader + "b,ethernet,printer,sklep.local,6666\n",
         "wiersz 2: niepoprawny adres IPv4 \"sklep.local\""},
        {kHeader + "b,ethernet,printer,COM3,6666\n", "wiersz 2: niepoprawny adres IPv4 \"COM3\""},
        {kHeader + "b,ethernet,printer,10.0.0.1,0\n", "wiersz 2: niepoprawny port TCP \"0\" (1..65535)"},
        {kHeader + "b,ethernet,printer,10.0.0.1,70000\n",
         "wiersz 2: niepoprawny port TCP \"70000\" (1..65535)"},
        {kHeader + "b,serial,printer,COM100,9600\n",
         "wiersz 2: niepoprawny port szeregowy \"COM100\" (COM1..COM99)"},
        {kHeader + "b,serial,printer,10.0.0.1,9600\n",
         "wiersz 2: niepoprawny port szeregowy \"10.0.0.1\" (COM1..COM99)"},
        {kHeader + "b,serial,printer,COM1,9601\n",
         "wiersz 2: niepoprawna prędkość \"9601\" (1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200)"},
        {kHeader + good + "A,ethernet,printer,127.0.0.2,6666\n",
         "wiersz 3: nazwa \"A\" powtarza się (pierwszy raz w wierszu 2)"},
        {kHeader + "sklep 1,ethernet,printer,127.0.0.1,6666\n",
         "wiersz 2: niepoprawna nazwa urządzenia \"sklep 1\" (litery, cyfry, - _ ., najwyżej 64 znaki, nie "
         "nazwa zastrzeżona w Windows)"},
    };
    for (const auto& [text, message] : cases) {
        std::vector<Device> list;
        std::string error;
        EXPECT_FALSE(parse_device_list(text, list, error)) << text;
        EXPECT_EQ(error, message) << text;
    }
}

TEST(DeviceList, NamesAreFolderNamesEverywhere) {
    const std::vector<std::pair<std::string, bool>> names = {
        {"sklep-1", true},
        {"Kasa_2.zaplecze", true},
        {std::string(64, 'x'), true},
        {std::string(65, 'x'), false},
        {"", false},
        {".", false},
        {"..", false},
        {".ukryty", false},
        {"a/b", false},
        {"a\\b", false},
        {"..\\..\\x", false},
        {"sklep\"1", false},
        {"Kraków", false},
        {"con", false},
        {"NUL.txt", false},
        {"com1", false},
        {"LPT9", false},
        {"com10", true},
        {"console", true},
    };
    for (const auto& [name, ok] : names) {
        std::vector<Device> list;
        std::string error;
        EXPECT_EQ(parse_device_list(kHeader + name + ",ethernet,printer,127.0.0.1,6666\n", list, error), ok)
            << name;
    }
}

}  // namespace
