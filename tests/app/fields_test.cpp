// The IP address and TCP port fields: what is valid, which parts are marked, and the refusal
// of a job on the Ethernet interface with a bad field; the close question.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/shell.h"
#include "common/globals.h"
#include "common/text.h"
#include "support/fixture.h"
#include "ui/Controls.h"
#include "ui/fields.h"
#include "ui/panel.h"

using namespace tv;
using namespace tv::test;

namespace {

// One field's check: whether the text is valid, and the parts of it marked as wrong.
struct FieldRule {
    bool (*valid)(const std::string&);
    std::vector<TextSpan> (*faults)(const std::string&);
};
const FieldRule kIp{ip_address_valid, ip_address_faults};
const FieldRule kPort{tcp_port_valid, tcp_port_faults};

struct FieldCase {
    const FieldRule& field;
    const char* text;
    bool valid;
    std::vector<TextSpan> marked;
};

}  // namespace

namespace tv {
void PrintTo(const TextSpan& s, std::ostream* os) { *os << "{" << s.start << "," << s.length << "}"; }
}  // namespace tv

TEST(Fields, WrongPartsOfTheAddressAndThePortAreMarked) {
    const FieldCase cases[] = {
        {kIp, "0.0.0.0", true, {}},
        {kIp, "255.255.255.255", true, {}},
        {kIp, "192.168.1.100", true, {}},
        {kIp, "300.1.2.3", false, {{0, 3}}},
        {kIp, "1.2.3.256", false, {{6, 3}}},
        {kIp, "30.1.2", false, {{0, 6}}},     // too few parts: all of it
        {kIp, "1.2.3.4.5", false, {{7, 2}}},  // a fifth part, with its dot
        {kIp, "1.2.3.4.", false, {{7, 1}}},   // an empty fifth part
        {kIp, "010.1.1.1", false, {{0, 3}}},  // a leading zero reads as octal elsewhere
        {kIp, "1..2.3", false, {{2, 1}}},     // an empty part: the dot that ends it
        {kIp, "1.2.3.", false, {{5, 1}}},     // an empty last part: the dot before it
        {kIp, "a.1.b.1", false, {{0, 1}, {4, 1}}},
        {kIp, "ż.1.1.1", false, {{0, 1}}},  // counted in characters, not bytes
        {kIp, " 1.2.3.4", false, {{0, 2}}},
        {kIp, "1234.1.1.1", false, {{0, 4}}},
        {kIp, "", false, {}},  // empty: not valid, nothing to mark
        // The port: a decimal number from 1 to 65535.
        {kPort, "1", true, {}},
        {kPort, "65535", true, {}},
        {kPort, "6666", true, {}},
        {kPort, "0", false, {{0, 1}}},
        {kPort, "65536", false, {{0, 5}}},
        {kPort, "99999", false, {{0, 5}}},
        {kPort, "99999999999", false, {{0, 11}}},
        {kPort, "065535", false, {{0, 6}}},
        {kPort, "6a", false, {{0, 2}}},
        {kPort, "-1", false, {{0, 2}}},
        {kPort, "+80", false, {{0, 3}}},
        {kPort, " 80", false, {{0, 3}}},
        {kPort, "", false, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.field.valid(c.text), c.valid) << c.text;
        EXPECT_EQ(c.field.faults(c.text), c.marked) << c.text;
    }
}

// The number conversion under the field checks takes any length without throwing.
TEST(Fields, DecimalValuesOfAnyLengthNeverThrow) {
    const struct {
        const char* text;
        bool ok;
        long long value;
    } cases[] = {{"0", true, 0},
                 {"065535", true, 65535},
                 {"2147483648", true, 2147483648LL},
                 {"99999999999999999999", false, -1},
                 {"1 ", false, -1},
                 {"", false, -1},
                 {"-5", false, -1}};
    for (const auto& c : cases) {
        long long v = -1;
        EXPECT_EQ(decimal_value(c.text, v), c.ok) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    EXPECT_FALSE(ip_address_valid("1.2.3.99999999999"));
}

namespace {

class LinkFields : public Test {
  protected:
    void SetUp() override {
        set_gr_filename("");
        set_sel(gComb_Interface, 1);
        change_interface();
        set_text(g_IPaddress, "127.0.0.1");
        set_text(gEdit_PortTCP, "6666");
        bAction = false;
        job_abort = false;
        host.clear();
    }
};

const char* kBadAddress =
    "Pole \"Adres IP\" nie zawiera poprawnego adresu: \"300.1.2.3\".\n"
    "Adres to cztery liczby od 0 do 255 oddzielone kropkami.";
const char* kBadPort =
    "Pole \"Port\" nie zawiera poprawnego portu TCP: \"99999\".\nPort to liczba od 1 do 65535.";

}  // namespace

TEST_F(LinkFields, ABadFieldIsNamedFocusedAndKeptAsTyped) {
    const struct {
        const char* ip;
        const char* port;
        const char* text;
        const char* focused;
    } cases[] = {
        {"300.1.2.3", "6666", kBadAddress, "g_IPaddress"},
        {"127.0.0.1", "99999", kBadPort, "gEdit_PortTCP"},
        {"300.1.2.3", "99999", kBadAddress, "g_IPaddress"},  // the address first
    };
    for (const auto& c : cases) {
        host.clear();
        set_text(g_IPaddress, c.ip);
        set_text(gEdit_PortTCP, c.port);
        EXPECT_FALSE(link_fields_ready()) << c.ip << " " << c.port;
        EXPECT_EQ(host.boxes_shown(), (std::vector<Box>{{"Błąd", c.text, Icon::Warning, Buttons::Ok}}));
        EXPECT_EQ(host.focused(), std::vector<std::string>{c.focused});
        EXPECT_EQ(text(g_IPaddress), c.ip);
        EXPECT_EQ(text(gEdit_PortTCP), c.port);
    }
}

TEST_F(LinkFields, AVeryLongTextIsCutInTheMessage) {
    set_text(g_IPaddress, std::string(60, '9'));
    EXPECT_FALSE(link_fields_ready());
    ASSERT_EQ(host.boxes_shown().size(), 1u);
    EXPECT_NE(host.boxes_shown()[0].text.find("\"" + std::string(40, '9') + "...\""), std::string::npos);
}

TEST_F(LinkFields, TheSerialInterfaceDoesNotLookAtThem) {
    set_text(g_IPaddress, "300.1.2.3");
    set_text(gEdit_PortTCP, "0");
    set_sel(gComb_Interface, 0);
    EXPECT_TRUE(link_fields_ready());
    EXPECT_TRUE(host.boxes().empty());
}

// Every job on the configured link is refused before anything starts.
TEST_F(LinkFields, NoJobStartsWithABadAddress) {
    set_gr_filename("/nonexistent/logo.bmp");
    set_text(g_IPaddress, "300.1.2.3");
    for (int id : {ID_TEST, ID_SEND, ID_CLEAR, ID_SET, ID_REPORT}) {
        host.clear();
        dispatch_command(id, Notify::Clicked, nullptr);
        EXPECT_FALSE(bAction) << id;
        EXPECT_FALSE(job_running()) << id;
        EXPECT_EQ(host.box_texts(), std::vector<std::string>{std::string("[Błąd] ") + kBadAddress}) << id;
        EXPECT_TRUE(enabled(gButt_ComTest)) << id;  // the panel was never locked
    }
}

TEST_F(LinkFields, ClosingWithoutAJobAsksNothing) {
    EXPECT_EQ(app_close_request(), CloseRequest::Close);
    EXPECT_TRUE(host.boxes().empty());
    EXPECT_FALSE(job_abort);
}

TEST_F(LinkFields, ClosingDuringAJobAsksAndStopsItOnlyOnYes) {
    const Box question{"UWAGA!",
                       "Trwa praca z urządzeniem. Zamknięcie programu przerwie ją,\n"
                       "a urządzenie może zachować niekompletną grafikę.\n\n"
                       "Czy mimo to zamknąć program?",
                       Icon::Warning, Buttons::YesNo};
    bAction = true;
    host.answer_next(Answer::No);
    EXPECT_EQ(app_close_request(), CloseRequest::Stay);
    EXPECT_FALSE(job_abort);
    EXPECT_FALSE(Stoper);
    // Nothing is answered: the default is No.
    EXPECT_EQ(app_close_request(), CloseRequest::Stay);
    EXPECT_FALSE(job_abort);
    host.answer_next(Answer::Yes);
    EXPECT_EQ(app_close_request(), CloseRequest::AfterJob);
    EXPECT_TRUE(job_abort);
    EXPECT_TRUE(Stoper);
    EXPECT_EQ(host.boxes_shown(), (std::vector<Box>{question, question, question}));
}
