// The command exchange and the graphic and status commands over the real TCP link,
// against a scripted register on 127.0.0.1.
#include <chrono>
#include <cstring>
#include <string>

#include "link_fixture.h"
#include "support/device_end.h"
#include "support/platform.h"
#include "support/wire_oracle.h"

using namespace tv;
using namespace tv::test;

TEST_F(RegisterLink, GraphicCommandsPutTheWireExamplesOnTheSocket) {
    RegisterPeer peer(RegisterPeer::Kind::Tcp, {{reply_frame(4602)},
                                                {reply_frame(4600)},
                                                {reply_frame(4600)},
                                                {reply_frame(4603)},
                                                {reply_frame(4604)},
                                                {reply_frame(4601)},
                                                {reply_frame(4606)},
                                                {reply_frame(4607)}});
    {
        TcpClient link(peer.port());
        ASSERT_EQ(link.stage, 3);
        char data[] = "803fffff";
        EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), RC_OK);
        EXPECT_EQ(KS_IMGSLOTSET(link.sock, 1, 384, 384), RC_OK);
        EXPECT_EQ(KS_IMGSLOTSET(link.sock, 6, 384, 384), RC_OK);
        EXPECT_EQ(KS_IMGHEADERSET(link.sock, 2, 1), RC_OK);
        EXPECT_EQ(KS_IMGFOOTERSET(link.sock, 0, 1), RC_OK);  // "Brak" sends graphic 0
        EXPECT_EQ(KS_IMGSLOTAPPEND(link.sock, 1, data), RC_OK);
        EXPECT_EQ(KS_REPIMG(link.sock), RC_OK);
        EXPECT_EQ(KS_REPPROGIMG(link.sock, 3), RC_OK);
    }
    const auto& rq = peer.requests();
    ASSERT_EQ(rq.size(), 8u);
    EXPECT_EQ(hex(rq[0]), "10 02 00 00 00 00 00 00 12 00 01 00 FA 11 42 01 88 0F 10 03");
    EXPECT_EQ(hex(rq[1]), "10 02 00 00 00 00 00 00 18 00 03 00 F8 11 42 01 56 80 01 56 80 01 F1 6E 10 03");
    EXPECT_EQ(hex(rq[2].substr(14, 8)), "42 06 56 80 01 56 80 01");
    EXPECT_EQ(hex(rq[3]), "10 02 00 00 00 00 00 00 14 00 02 00 FB 11 42 02 42 01 0B DC 10 03");
    EXPECT_EQ(hex(rq[4].substr(8, 10)), "14 00 02 00 FC 11 42 00 42 01");
    EXPECT_EQ(hex(rq[5]),
              "10 02 00 00 00 00 00 00 1C 00 02 00 F9 11 42 01 53 38 30 33 66 66 "
              "66 66 66 00 58 E9 10 03");
    EXPECT_EQ(hex(rq[6]), "10 02 00 00 00 00 00 00 10 10 00 00 00 FE 11 5A 28 10 03");
    EXPECT_EQ(hex(rq[7].substr(8, 8)), "12 00 01 00 FF 11 42 03");
    // Exactly the frames: the exchange sends F_LEN bytes and nothing more.
    std::size_t total = 0;
    for (const auto& r : rq) total += r.size();
    EXPECT_EQ(peer.all_bytes().size(), total);

    // Every request is dumped except the data block; every reply is dumped and accepted.
    const std::string t = host.trace();
    EXPECT_EQ(count_of(t, "\r\nPRINT - "), 7u + 8u);
    EXPECT_EQ(t.find("CMD_ID : 4601\r\nDATA_LEN : 12"), std::string::npos);
    EXPECT_EQ(count_of(t, "Filter..."), 8u);
    EXPECT_EQ(count_of(t, "OK :D \r\n"), 8u);
    EXPECT_EQ(t.find("UWAGA"), std::string::npos);
    EXPECT_EQ(ERR_NR, 0);
}

TEST_F(RegisterLink, DataBlockTracesOnlyTheReply) {
    RegisterPeer peer(RegisterPeer::Kind::Tcp, {{reply_frame(4601)}});
    TcpClient link(peer.port());
    host.clear();
    char data[] = "00ff";
    EXPECT_EQ(KS_IMGSLOTAPPEND(link.sock, 2, data), RC_OK);
    const std::string t = host.trace();
    const auto filter = t.find("Filter...");
    ASSERT_NE(filter, std::string::npos);
    EXPECT_EQ(t.find("PRINT - "), t.find("PRINT - ", filter));  // the only dump follows
    EXPECT_EQ(count_of(t, "PRINT - "), 1u);
    EXPECT_NE(t.find("CMD_ID : 4601", filter), std::string::npos);
    EXPECT_TRUE(t.ends_with("OK :D \r\n"));
}

TEST_F(RegisterLink, ErrorReplyTakesTheFirstNonZeroLaterV) {
    RegisterPeer peer(RegisterPeer::Kind::Tcp, {{error_frame({4602, 0, 12})},
                                                {error_frame({4602, 0, 3251, 7})},
                                                {error_frame({4602})},
                                                {reply_frame(777)}});
    TcpClient link(peer.port());
    host.clear();
    EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), RC_DEVICE_ERROR);
    EXPECT_EQ(ERR_NR, 12);
    EXPECT_STREQ(ERR_OPIS, "Nieznany błąd!");
    const std::string t = host.trace();
    EXPECT_TRUE(t.ends_with("\r\nERRORS : \r\n4602\r\n0\r\n12\r\n")) << t;

    EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), RC_DEVICE_ERROR);
    EXPECT_EQ(ERR_NR, 3251);
    EXPECT_STREQ(ERR_MNEMONIK, "ERR_IMG_SLOT_EMPTY");

    EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), RC_DEVICE_ERROR);  // only the command's own V
    EXPECT_EQ(ERR_NR, 0);
    EXPECT_STREQ(ERR_OPIS, "Nieznany błąd!");

    // Another command's reply confirms nothing about this one.
    EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), RC_DEVICE_ERROR);
    EXPECT_EQ(ERR_NR, KS_REPLY_OTHER);
    EXPECT_STREQ(ERR_MNEMONIK, "COMM_ERR_UNEXPECTED_DATA");
    EXPECT_TRUE(host.trace().ends_with("\r\nREPLY ERROR : 3002\r\n"));
}

TEST_F(RegisterLink, ATextFieldHoldingVIsNotAnErrorCode) {
    // Fields of an error reply read whole: the text "V\x01" (bytes 56 01) before the real
    // code would otherwise be taken for the code 1.
    const std::string crafted = reply_frame(0, [](KS_FRM& f) {
        f.putV(4602);
        f.putS("V\x01");
        f.putV(3251);
        f.FLD_NUM = 3;
    });
    ASSERT_NE(crafted.find(std::string("\x53\x56\x01\x00", 4)), std::string::npos);
    RegisterPeer peer(RegisterPeer::Kind::Tcp, {{crafted}});
    TcpClient link(peer.port());
    host.clear();
    EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), RC_DEVICE_ERROR);
    EXPECT_EQ(ERR_NR, 3251);
    EXPECT_STREQ(ERR_MNEMONIK, "ERR_IMG_SLOT_EMPTY");
    EXPECT_TRUE(host.trace().ends_with("\r\nERRORS : \r\n4602\r\n3251\r\n")) << host.trace();
}

TEST_F(RegisterLink, SilenceIsATimeoutNotAnUnknownError) {
    // What the register sends before it hangs up: a reply that never came whole.
    const std::string whole = reply_frame(4602);
    const std::pair<const char*, std::string> cut_replies[] = {
        {"nothing", ""},
        {"a start pair and a few bytes", std::string("\x10\x02\x00\x00\x00", 5)},
        {"a whole header with a success identifier, cut before its checksum",
         whole.substr(0, whole.size() - 4)},
    };
    for (const auto& [what, bytes] : cut_replies) {
        SCOPED_TRACE(what);
        RegisterPeer peer(RegisterPeer::Kind::Tcp, {{bytes, true}});
        TcpClient link(peer.port());
        EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), RC_DEVICE_ERROR);
        EXPECT_EQ(ERR_NR, KS_NO_REPLY);
        EXPECT_STREQ(ERR_MNEMONIK, "");
        EXPECT_STREQ(ERR_OPIS, "TIMEOUT - brak odpowiedzi z kasy.");
    }
    {
        // The register keeps quiet: the receive runs into its time-out.
        RCV_TIMEOUT = 1;
        RegisterPeer peer(RegisterPeer::Kind::Tcp, {{""}});
        TcpClient link(peer.port());
        int rc = RC_OK;
        EXPECT_TRUE(returns_within(timeout_bound(std::chrono::milliseconds(700)),
                                   [&] { rc = KS_REPIMG(link.sock); }));
        EXPECT_EQ(rc, RC_DEVICE_ERROR);
        EXPECT_EQ(ERR_NR, KS_NO_REPLY);
    }
}

// A request that cannot be written (the line is gone) is not waited for as silence: the
// failed send is what the user is told.
TEST_F(RegisterLink, AFailedSendIsReportedAsSuch) {
    TV_POSIX_ONLY("under Wine the line's far end is the host's relay, and the terminal stays open");
    PtyDevice dev;
    use_pty(dev.slave_path());
    ASSERT_EQ(com_connect(false), RC_OK);
    dev.close_master();
    unsigned int unused = 0;
    EXPECT_EQ(KS_IMGSLOTCLEAR(unused, 1), RC_DEVICE_ERROR);
    EXPECT_EQ(ERR_NR, KS_SEND_FAILED);
    EXPECT_STREQ(ERR_OPIS, "Brak komunikacji z kasą.");
    com_disconnect(false);
}

TEST_F(RegisterLink, DamagedRepliesAreNotBelieved) {
    std::string bad_crc = register_frame(4602, {});
    bad_crc[bad_crc.size() - 4] ^= 0x01;  // the checksum's low byte
    const struct {
        const char* what;
        std::string reply;
        bool warned;
    } cases[] = {
        {"checksum off", bad_crc, true},
        // Too short for a header and a checksum, though its two bytes are the checksum of
        // the nothing before them: damaged, not an error reply for command 0.
        {"body of two bytes", from_hex("10 02 00 00 10 03"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host.clear();
        RegisterPeer peer(RegisterPeer::Kind::Tcp, {{c.reply}});
        TcpClient link(peer.port());
        EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), RC_DEVICE_ERROR);
        EXPECT_EQ(ERR_NR, KS_REPLY_CRC);
        EXPECT_STREQ(ERR_OPIS, "błąd CRC");
        const std::string t = host.trace();
        const auto verdict = t.find("\r\nREPLY ERROR : 3006\r\n");
        EXPECT_NE(verdict, std::string::npos);
        const auto warn = t.find("UWAGA - BLEDNA SUMA KONTROLNA W RAMCE ! ! ! ");
        EXPECT_EQ(warn < verdict, c.warned);  // the warning, where there is one, comes first
        EXPECT_EQ(t.find("OK :D"), std::string::npos);
        EXPECT_EQ(t.find("ERRORS"), std::string::npos);
    }
}

TEST_F(RegisterLink, StatusReadsModelAndVersion) {
    struct Case {
        int code;
        const char* name;
        const char* version;
    };
    const Case cases[] = {
        {0, "Niezydentyfikowane", ""},
        {1, "KARDO", "1.01"},
        {2, "VAK", "1.01"},
        {3, "KARDO", "1.02"},
        {4, "VAK", "1.02"},
        {5, "TORMA", "3.02"},
        {6, "KARDO", "1.03"},
        {7, "VAK", "1.03"},
        {8, "Niezydentyfikowane", ""},
        {9, "VAK EJ", "1.01"},
        {10, "PALVIN", "1.03"},
        {11, "TORMA DT EJ", "4.01"},
        {12, "Niezydentyfikowane", ""},
        {22, "Niezydentyfikowane", ""},
        {23, "PALVIN RT EJ", "1.01"},
        {24, "VAK XL EJ", "2.01"},
        {25, "TORMA DT EJ", "4.03"},
        {26, "TORMA DT", "3.03"},
        {27, "PALVIN RT EJ", "1.02"},
        {28, "TORMA DT XL EJ", "1.01"},
        {29, "VAK XL EJ", "2.02"},
        {30, "KOLT", "1.01"},
        {31, "Niezydentyfikowane", ""},
        {255, "Niezydentyfikowane", ""},
    };
    std::vector<Reply> script;
    for (const auto& c : cases)
        script.push_back({reply_frame(501, [&](KS_FRM& f) {
            f.putB(static_cast<unsigned char>(c.code));
            f.putS("ignored");
        })});
    script.push_back({reply_frame(501)});  // no fields: model code 0
    RegisterPeer peer(RegisterPeer::Kind::Tcp, script);
    TcpClient link(peer.port());
    for (const auto& c : cases) {
        char name[512], version[512];
        std::memset(name, 'x', sizeof name);
        std::memset(version, 'x', sizeof version);
        host.clear();
        ASSERT_EQ(KS_CASHREGSTATUSGET(link.sock, name, version), RC_OK) << c.code;
        EXPECT_STREQ(name, c.name) << c.code;
        EXPECT_STREQ(version, c.version) << c.code;
        const std::string t = host.trace();
        EXPECT_TRUE(t.ends_with("OK :D \r\n")) << c.code;
    }
    char name[512] = "x", version[512] = "y";
    EXPECT_EQ(KS_CASHREGSTATUSGET(link.sock, name, version), RC_OK);
    EXPECT_STREQ(name, "Niezydentyfikowane");
    EXPECT_STREQ(version, "");
    link.close();
    ASSERT_EQ(peer.requests().size(), script.size());
    EXPECT_EQ(hex(peer.requests()[0]), "10 02 00 00 00 00 00 00 10 10 00 00 00 F5 01 91 E6 10 03");
}

TEST_F(RegisterLink, StatusRefusals) {
    RegisterPeer peer(
        RegisterPeer::Kind::Tcp,
        {{reply_frame(4600, [](KS_FRM& f) { f.putB(5); })}, {error_frame({501, 3001})}, {"", true}});
    TcpClient link(peer.port());
    char name[512] = "old", version[512] = "v";

    // Another command's reply: 26, and it is named as such, as for every other command.
    host.clear();
    EXPECT_EQ(KS_CASHREGSTATUSGET(link.sock, name, version), RC_DEVICE_ERROR);
    EXPECT_EQ(ERR_NR, KS_REPLY_OTHER);
    EXPECT_STREQ(name, "old");
    EXPECT_EQ(host.trace().find("ERRORS"), std::string::npos);
    EXPECT_EQ(host.trace().find("OK :D"), std::string::npos);

    EXPECT_EQ(KS_CASHREGSTATUSGET(link.sock, name, version), RC_DEVICE_ERROR);
    EXPECT_EQ(ERR_NR, 3001);
    EXPECT_NE(host.trace().find("\r\nERRORS : \r\n501\r\n3001\r\n"), std::string::npos);

    EXPECT_EQ(KS_CASHREGSTATUSGET(link.sock, name, version), RC_DEVICE_ERROR);
    EXPECT_EQ(ERR_NR, KS_NO_REPLY);
    EXPECT_STREQ(ERR_OPIS, "TIMEOUT - brak odpowiedzi z kasy.");
}
