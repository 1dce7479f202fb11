// The catalogue and configuration commands: the test and VAT exchanges over TCP, the
// serial-only writes, and the reads that open a serial connection of their own (run on a
// pseudo-terminal).
#include <cstring>
#include <string>

#include "link_fixture.h"
#include "support/debug_capture.h"
#include "support/platform.h"
#include "support/wire_oracle.h"

using namespace tv;
using namespace tv::test;

namespace {

// Twelve BCD digits as an N field.
void putN(KS_FRM& f, const char* digits12) {
    f.DATA[f.DATA_LEN++] = KS_TAG_N;
    for (int i = 0; i < 6; ++i)
        f.DATA[f.DATA_LEN++] =
            static_cast<unsigned char>(((digits12[2 * i] - '0') << 4) | (digits12[2 * i + 1] - '0'));
}

std::string plu_reply(unsigned short number, const char* text1) {
    return reply_frame(2110, [&](KS_FRM& f) {
        f.putV(number);
        f.putS(text1);
        f.putS("Extra");
        putN(f, "000000000099");
        f.putB(4);
        f.putB(3);
        putN(f, "000000012345");
        for (int i = 0; i < 7; ++i) f.putB(0);
        f.putV(1);
        f.putS("tail");
    });
}

class RegisterConfig : public RegisterLink {};

}  // namespace

TEST_F(RegisterConfig, CashOutDescriptionGoesOutInWindows1250AndTracesTheRawReply) {
    RegisterPeer peer(RegisterPeer::Kind::Tcp,
                      {{reply_frame(2660, [](KS_FRM& f) { f.putB(0xC8); })}, {error_frame({2660, 6666})}});
    TcpClient link(peer.port());
    host.clear();
    KS_CASHOUTDESCINS(link.sock);
    std::string t = host.trace();
    EXPECT_NE(t.find("\r\nReceive...\n"), std::string::npos);
    EXPECT_NE(t.find("16 : 10\r\n2 : 02\r\n"), std::string::npos);
    EXPECT_NE(t.find("-56 : c8\r\n"), std::string::npos);
    EXPECT_TRUE(t.ends_with("\r\n\r\nOK :D\r\n"));

    kas_error_id(3251);
    host.clear();
    KS_CASHOUTDESCINS(link.sock);
    t = host.trace();
    EXPECT_TRUE(t.ends_with("\r\nERRORS : \r\n2660\r\n6666\r\n")) << t;
    EXPECT_EQ(ERR_NR, 3251);  // this command does not consult the catalogue
    link.close();

    const auto& rq = peer.requests();
    ASSERT_EQ(rq.size(), 2u);
    EXPECT_EQ(rq[0], register_frame(2660, {V(12345), S("M\xF3j nowy opis"), B(1)}));
    // One byte more than the frame goes out: its terminating zero.
    EXPECT_EQ(peer.all_bytes(), rq[0] + std::string(1, '\0') + rq[1] + std::string(1, '\0'));
}

TEST_F(RegisterConfig, VatAssignmentReadsAWholeFrameOverEthernet) {
    RegisterPeer peer(RegisterPeer::Kind::Tcp,
                      {{reply_frame(1170,
                                    [](KS_FRM& f) {
                                        for (unsigned short v : {23, 8, 5, 0, 4096, 65534, 7}) f.putV(v);
                                    })},
                       {reply_frame(1170,
                                    [](KS_FRM& f) {
                                        f.putV(23);
                                        f.putV(8);
                                        f.putV(5);
                                        f.putB(1);
                                    })},
                       {error_frame({1170, 3080})}});
    TcpClient link(peer.port());
    host.clear();
    KS_VATGET(link.sock);
    const unsigned short all7[] = {23, 8, 5, 0, 4096, 65534, 7};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(tvat[i], all7[i]) << i;
    std::string t = host.trace();
    EXPECT_NE(t.find("\r\n\r\nPrzyporzadkowanie stawek VAT...\r\nvat [0] = 23\r\nvat [1] = 8\r\n"),
              std::string::npos);
    EXPECT_TRUE(t.ends_with("vat [6] = 7\r\n"));
    EXPECT_EQ(t.find("ERROR! ???"), std::string::npos);
    EXPECT_EQ(t.find("UWAGA"), std::string::npos);

    host.clear();
    KS_VATGET(link.sock);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(tvat[i], all7[i]) << i;
    for (int i = 3; i < 7; ++i) EXPECT_EQ(tvat[i], 65535) << i;
    EXPECT_TRUE(host.trace().ends_with("vat [2] = 5\r\nERROR! ???\r\n"));

    host.clear();
    KS_VATGET(link.sock);
    EXPECT_TRUE(host.trace().ends_with("Filter...\r\nERRORS : \r\n1170\r\n3080\r\n"));
    EXPECT_EQ(tvat[0], 23);
    link.close();

    const auto& rq = peer.requests();
    ASSERT_EQ(rq.size(), 3u);
    EXPECT_EQ(rq[0], register_frame(1170, {}, 0, 1));
    std::string expect;
    for (const auto& r : rq) expect += r + std::string(7, '\0');
    EXPECT_EQ(peer.all_bytes(), expect);
    EXPECT_NE(t.find("Send..." + std::to_string(rq[0].size()) + "\r\n"), std::string::npos);
}

TEST_F(RegisterConfig, SerialOnlyWritesSendNothingOverEthernet) {
    RegisterPeer peer(RegisterPeer::Kind::Tcp, std::vector<Reply>{});
    TcpClient link(peer.port());
    host.clear();
    EXPECT_EQ(KS_CUSTOMERTINLIMITSET(), RC_DEVICE_ERROR);
    EXPECT_EQ(ERR_NR, KS_NO_REPLY);
    EXPECT_NE(host.trace().find("CMD_ID : 3810"), std::string::npos);
    EXPECT_EQ(KS_DISCNTSUMMARYPRINTOUTCFGSET(), RC_DEVICE_ERROR);
    EXPECT_EQ(KS_HOTKEYBACKUPINS(), RC_DEVICE_ERROR);
    EXPECT_EQ(KS_REMINDERSET("a", "b", 1, 2, 3, 4, 5), RC_DEVICE_ERROR);
    link.close();
    EXPECT_EQ(peer.all_bytes(), "");
}

TEST_F(RegisterConfig, SerialOnlyWritesOverTheSerialLink) {
    TV_NEEDS_PTY();
    RegisterPeer peer(RegisterPeer::Kind::Pty, {{reply_frame(3426)}, {error_frame({4621, 3271})}});
    use_pty(peer);
    ASSERT_EQ(com_connect(false), RC_OK);
    EXPECT_EQ(KS_HOTKEYBACKUPINS(), RC_OK);
    EXPECT_EQ(KS_REMINDERSET("Przegląd", "", 1, 2, 300, 4, 5), RC_DEVICE_ERROR);
    EXPECT_EQ(ERR_NR, 3271);
    com_disconnect(false);
    const auto& rq = peer.requests();
    ASSERT_EQ(rq.size(), 2u);
    EXPECT_EQ(rq[0], register_frame(3426, {V(1), B(1), B(1)}));
    EXPECT_EQ(rq[1], register_frame(4621, {S("Przegl\xB9"
                                             "d"),
                                           S(""), B(0), B(1), B(2), V(300), B(4), B(5), B(0), B(2), V(0),
                                           B(2), B(1), S("")}));
}

TEST_F(RegisterConfig, PluReadFillsItsEntryAndNeverWritesOutsideTheTable) {
    TV_NEEDS_PTY();
    RegisterPeer peer(RegisterPeer::Kind::Pty,
                      {{plu_reply(7, "Masło")},
                       {plu_reply(11, "Poza")},
                       {plu_reply(0, "Zero")},
                       {plu_reply(3, "0123456789012345678901234567890123456789ABCDE")},
                       {error_frame({2110, 0, 975})},
                       {error_frame({2110, 5, 12, 9, 8})},
                       {"", true}});
    use_pty(peer);
    KS_PLU table[10];
    for (auto& e : table) e.clear();
    table[9].number = 4242;

    DebugCapture debug;
    EXPECT_EQ(KS_PLUREAD(7, table, 10), RC_OK);
    std::string out = debug.take();
    EXPECT_EQ(out.substr(0, 1), "@");
    EXPECT_EQ(table[6].number, 7u);
    EXPECT_STREQ(table[6].text1, "Masło");
    EXPECT_STREQ(table[6].text2, "Extra");
    EXPECT_EQ(table[6].byte_field, 3);
    EXPECT_EQ(table[6].bcd_value, 12345);

    // Number 11 is past a table of 10, and 0 is before it: dropped with a line.
    EXPECT_EQ(KS_PLUREAD(11, table, 10), RC_OK);
    EXPECT_EQ(KS_PLUREAD(0, table, 10), RC_OK);
    out = debug.take();
    EXPECT_NE(out.find("PLU 11 poza tablica (10 pozycji) - rekord pominiety\n"), std::string::npos);
    EXPECT_NE(out.find("PLU 0 poza tablica"), std::string::npos);
    EXPECT_EQ(table[9].number, 4242u);
    EXPECT_STREQ(table[9].text1, "");

    // A long text is cut at 40 characters and the fields after it still line up.
    EXPECT_EQ(KS_PLUREAD(3, table, 10), RC_OK);
    EXPECT_STREQ(table[2].text1, "0123456789012345678901234567890123456789");
    EXPECT_EQ(table[2].bcd_value, 12345);

    // The end of the read context is quiet; other errors print four values.
    EXPECT_EQ(KS_PLUREAD(4, table, 10), RC_READ_REFUSED);
    out = debug.take();
    EXPECT_EQ(out.find("ERRORS"), std::string::npos);
    EXPECT_EQ(KS_PLUREAD(4, table, 10), RC_READ_REFUSED);
    out = debug.take();
    EXPECT_TRUE(out.ends_with("\nERRORS : \n2110\n5\n12\n9\n")) << out;
    // Nothing at all: four zeros.
    EXPECT_EQ(KS_PLUREAD(4, table, 10), RC_READ_REFUSED);
    out = debug.take();
    EXPECT_TRUE(out.ends_with("\nERRORS : \n0\n0\n0\n0\n")) << out;

    const auto& rq = peer.requests();
    ASSERT_GE(rq.size(), 1u);
    EXPECT_EQ(rq[0], register_frame(2110, {V(7), B(1)}, 0, 5));
}

TEST_F(RegisterConfig, PayformReadIndexesByNumberWithinTheTable) {
    TV_NEEDS_PTY();
    auto payform = [](unsigned short number) {
        return reply_frame(2910, [&](KS_FRM& f) {
            f.putV(number);
            f.putS("Karta płatnicza");
            f.putB(2);
            f.putV(513);
            f.putS("PLNX");
            putN(f, "999999999990");
        });
    };
    RegisterPeer peer(RegisterPeer::Kind::Pty, {{payform(7)}, {payform(8)}});
    use_pty(peer);
    KS_PAYFORM table[8];
    for (auto& e : table) e.clear();
    DebugCapture debug;
    EXPECT_EQ(KS_PAYFORMREAD(7, table, 8), RC_OK);
    EXPECT_EQ(KS_PAYFORMREAD(8, table, 8), RC_OK);
    const std::string out = debug.take();
    EXPECT_EQ(table[7].number, 7);
    EXPECT_STREQ(table[7].text1, "Karta płatnicza");
    EXPECT_EQ(table[7].byte_field, 2);
    EXPECT_EQ(table[7].word_field, 513);
    EXPECT_STREQ(table[7].text2, "PLNX");
    EXPECT_EQ(table[7].bcd_value1, -10);
    EXPECT_NE(out.find("Forma platnosci 8 poza tablica (8 pozycji)"), std::string::npos);
    EXPECT_EQ(table[0].number, 0);
    EXPECT_EQ(peer.requests()[0], register_frame(2910, {V(7)}, 0, 1));
}

TEST_F(RegisterConfig, StatisticsContextsAndUniqueNumber) {
    TV_NEEDS_PTY();
    auto status = [](const char* number) {
        return reply_frame(501, [&](KS_FRM& f) {
            f.putB(5);
            f.putS("x");
            f.putV(1);
            for (int i = 0; i < 6; ++i) f.putB(0);
            f.putV(2);
            for (int i = 0; i < 5; ++i) f.putB(0);
            f.putV(3);
            for (int i = 0; i < 3; ++i) f.putB(0);
            f.putS("fw");
            f.putS(number);
            f.putS("end");
        });
    };
    auto stats = [](const char* code) {
        return reply_frame(2161, [&](KS_FRM& f) {
            f.putS(code);
            putN(f, "000000000150");
            putN(f, "000000002500");
        });
    };
    RegisterPeer peer(RegisterPeer::Kind::Pty, {{status("AB 123 456 789 0")},
                                                {status("12345 67890 12345")},
                                                {stats("5901234123457")},
                                                {stats("5909999999999")},
                                                {reply_frame(2960,
                                                             [](KS_FRM& f) {
                                                                 f.putV(4);
                                                                 putN(f, "000000000777");
                                                             })},
                                                {reply_frame(2000)},
                                                {error_frame({2005, 975})}});
    use_pty(peer);
    DebugCapture debug;
    KS_CASHREGSTATUSGET();
    EXPECT_STREQ(uni, "AB1234567890");
    KS_CASHREGSTATUSGET();
    EXPECT_STREQ(uni, "123456789012");

    KS_PLUBSTS rec;
    rec.clear();
    copy_to(rec.barcode, "5901234123457");
    KS_PLUSTATREADBYBARCODE(rec, true);
    EXPECT_EQ(rec.bcd_value1, 150);
    EXPECT_EQ(rec.bcd_value2, 2500);
    KS_PLUSTATREADBYBARCODE(rec, false);  // the register names another barcode
    EXPECT_EQ(rec.bcd_value1, 0);
    EXPECT_EQ(rec.bcd_value2, 0);

    KS_PAYFORM pf;
    pf.clear();
    pf.number = 4;
    KS_PAYFORMSTATREAD(pf, false);
    EXPECT_EQ(pf.bcd_value2, 777);
    KS_CNTXPLUINIT();
    KS_CNTXPAYFORMINIT();
    const std::string out = debug.take();
    EXPECT_NE(out.find("%"), std::string::npos);
    EXPECT_NE(out.find("Barcode : ERROR\n"), std::string::npos);
    EXPECT_NE(out.find("#"), std::string::npos);
    EXPECT_TRUE(out.ends_with("\nERRORS : \n2005\n975\n")) << out;

    const auto& rq = peer.requests();
    ASSERT_EQ(rq.size(), 7u);
    EXPECT_EQ(rq[0], register_frame(501, {}, 0, 1));
    EXPECT_EQ(rq[2], register_frame(2161, {S("5901234123457"), B(0)}, 0, 1));
    EXPECT_EQ(rq[4], register_frame(2960, {V(4), B(0)}, 0, 1));
    EXPECT_EQ(rq[5], register_frame(2000, {B(0), B(0)}, 0, 2));
    EXPECT_EQ(rq[6], register_frame(2005, {B(0), B(0)}, 0, 2));
}
