// The command exchange and the graphic and status commands over the real TCP link,
// against a scripted register on 127.0.0.1.
#include <chrono>
#include <cstring>
#include <string>

#include "link_fixture.h"

using namespace tv;
using namespace tv::test;

namespace {
std::string hexs(const std::string& s) { return hex(s); }
bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}
}  // namespace

TEST_F(RegisterLink, GraphicCommandsPutTheWireExamplesOnTheSocket) {
    Peer peer(Peer::Kind::Tcp, {{reply_frame(4602)}, {reply_frame(4600)}, {reply_frame(4600)},
                                {reply_frame(4603)}, {reply_frame(4604)}, {reply_frame(4601)},
                                {reply_frame(4606)}, {reply_frame(4607)}});
    {
        TcpLink link(peer.port());
        ASSERT_EQ(link.stage, 3);
        char data[] = "803fffff";
        EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), 0);
        EXPECT_EQ(KS_IMGSLOTSET(link.sock, 1, 384, 384), 0);
        EXPECT_EQ(KS_IMGSLOTSET(link.sock, 6, 384, 384), 0);
        EXPECT_EQ(KS_IMGHEADERSET(link.sock, 2, 1), 0);
        EXPECT_EQ(KS_IMGFOOTERSET(link.sock, 0, 1), 0);  // "Brak" sends graphic 0
        EXPECT_EQ(KS_IMGSLOTAPPEND(link.sock, 1, data), 0);
        EXPECT_EQ(KS_REPIMG(link.sock), 0);
        EXPECT_EQ(KS_REPPROGIMG(link.sock, 3), 0);
    }
    const auto& rq = peer.requests();
    ASSERT_EQ(rq.size(), 8u);
    EXPECT_EQ(hexs(rq[0]), "10 02 00 00 00 00 00 00 12 00 01 00 FA 11 42 01 88 0F 10 03");
    EXPECT_EQ(hexs(rq[1]),
              "10 02 00 00 00 00 00 00 18 00 03 00 F8 11 42 01 56 80 01 56 80 01 F1 6E 10 03");
    EXPECT_EQ(hexs(rq[2].substr(14, 8)), "42 06 56 80 01 56 80 01");
    EXPECT_EQ(hexs(rq[3]), "10 02 00 00 00 00 00 00 14 00 02 00 FB 11 42 02 42 01 0B DC 10 03");
    EXPECT_EQ(hexs(rq[4].substr(8, 10)), "14 00 02 00 FC 11 42 00 42 01");
    EXPECT_EQ(hexs(rq[5]), "10 02 00 00 00 00 00 00 1C 00 02 00 F9 11 42 01 53 38 30 33 66 66 "
                           "66 66 66 00 58 E9 10 03");
    EXPECT_EQ(hexs(rq[6]), "10 02 00 00 00 00 00 00 10 10 00 00 00 FE 11 5A 28 10 03");
    EXPECT_EQ(hexs(rq[7].substr(8, 8)), "12 00 01 00 FF 11 42 03");
    // Exactly the frames: the exchange sends F_LEN bytes and nothing more.
    std::size_t total = 0;
    for (const auto& r : rq) total += r.size();
    EXPECT_EQ(peer.all_bytes().size(), total);

    // Every request is dumped except the data block; every reply is dumped and accepted.
    const std::string t = host.trace();
    EXPECT_EQ(count(t, "\r\nPRINT - "), 7u + 8u);
    EXPECT_EQ(t.find("CMD_ID : 4601\r\nDATA_LEN : 12"), std::string::npos);
    EXPECT_EQ(count(t, "Filter..."), 8u);
    EXPECT_EQ(count(t, "OK :D \r\n"), 8u);
    EXPECT_EQ(t.find("UWAGA"), std::string::npos);
    EXPECT_EQ(ERR_NR, 0);
}

TEST_F(RegisterLink, DataBlockTracesOnlyTheReply) {
    Peer peer(Peer::Kind::Tcp, {{reply_frame(4601)}});
    TcpLink link(peer.port());
    host.clear();
    char data[] = "00ff";
    EXPECT_EQ(KS_IMGSLOTAPPEND(link.sock, 2, data), 0);
    const std::string t = host.trace();
    const auto filter = t.find("Filter...");
    ASSERT_NE(filter, std::string::npos);
    EXPECT_EQ(t.find("PRINT - "), t.find("PRINT - ", filter));  // the only dump follows
    EXPECT_EQ(count(t, "PRINT - "), 1u);
    EXPECT_NE(t.find("CMD_ID : 4601", filter), std::string::npos);
    EXPECT_TRUE(ends_with(t, "OK :D \r\n"));
}

TEST_F(RegisterLink, ErrorReplyTakesTheFirstNonZeroLaterV) {
    Peer peer(Peer::Kind::Tcp, {{error_frame({4602, 0, 12})},
                                {error_frame({4602, 0, 3251, 7})},
                                {error_frame({4602})},
                                {reply_frame(777)}});
    TcpLink link(peer.port());
    host.clear();
    EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), 26);
    EXPECT_EQ(ERR_NR, 12);
    EXPECT_STREQ(ERR_OPIS, "Nieznany błąd!");
    const std::string t = host.trace();
    EXPECT_TRUE(ends_with(t, "\r\nERRORS : \r\n4602\r\n0\r\n12\r\n")) << t;

    EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), 26);
    EXPECT_EQ(ERR_NR, 3251);
    EXPECT_STREQ(ERR_MNEMONIK, "ERR_IMG_SLOT_EMPTY");

    EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), 26);  // only the command's own V
    EXPECT_EQ(ERR_NR, 0);
    EXPECT_STREQ(ERR_OPIS, "Nieznany błąd!");

    // Another command's reply confirms nothing about this one.
    EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), 26);
    EXPECT_EQ(ERR_NR, 3002);
    EXPECT_STREQ(ERR_MNEMONIK, "COMM_ERR_UNEXPECTED_DATA");
    EXPECT_TRUE(ends_with(host.trace(), "\r\nREPLY ERROR : 3002\r\n"));
}

TEST_F(RegisterLink, SilenceIsATimeoutNotAnUnknownError) {
    {
        // The register reads the request and hangs up.
        Peer peer(Peer::Kind::Tcp, {{"", true}});
        TcpLink link(peer.port());
        EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), 26);
        EXPECT_EQ(ERR_NR, 10000);
        EXPECT_STREQ(ERR_MNEMONIK, "");
        EXPECT_STREQ(ERR_OPIS, "TIMEOUT - brak odpowiedzi z kasy.");
    }
    {
        // The register keeps quiet: the receive runs into its time-out.
        RCV_TIMEOUT = 1;
        Peer peer(Peer::Kind::Tcp, {{""}});
        TcpLink link(peer.port());
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(KS_REPIMG(link.sock), 26);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(3));
        EXPECT_EQ(ERR_NR, 10000);
    }
    {
        // A start pair and a few bytes is a reply that never came whole.
        Peer peer(Peer::Kind::Tcp, {{std::string("\x10\x02\x00\x00\x00", 5), true}});
        TcpLink link(peer.port());
        EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), 26);
        EXPECT_EQ(ERR_NR, 10000);
    }
    {
        // So is a whole header with a success identifier, cut before its checksum.
        const std::string whole = reply_frame(4602);
        Peer peer(Peer::Kind::Tcp, {{whole.substr(0, whole.size() - 4), true}});
        TcpLink link(peer.port());
        EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), 26);
        EXPECT_EQ(ERR_NR, 10000);
    }
}

TEST_F(RegisterLink, CorruptedReplyIsWarnedAndNotBelieved) {
    std::string bad = reply_frame(4602);
    bad[bad.size() - 4] ^= 0x01;  // the checksum's low byte
    Peer peer(Peer::Kind::Tcp, {{bad}});
    TcpLink link(peer.port());
    EXPECT_EQ(KS_IMGSLOTCLEAR(link.sock, 1), 26);
    EXPECT_EQ(ERR_NR, 3006);
    EXPECT_STREQ(ERR_OPIS, "błąd CRC");
    const std::string t = host.trace();
    const auto warn = t.find("UWAGA - BLEDNA SUMA KONTROLNA W RAMCE ! ! ! ");
    ASSERT_NE(warn, std::string::npos);
    EXPECT_LT(warn, t.find("\r\nREPLY ERROR : 3006\r\n"));
    EXPECT_EQ(t.find("OK :D"), std::string::npos);
}

TEST_F(RegisterLink, StatusReadsModelAndVersion) {
    struct Case { int code; const char* name; const char* version; };
    const Case cases[] = {
        {0, "Niezydentyfikowane", ""}, {1, "KARDO", "1.01"},   {2, "VAK", "1.01"},
        {3, "KARDO", "1.02"},          {4, "VAK", "1.02"},     {5, "TORMA", "3.02"},
        {6, "KARDO", "1.03"},          {7, "VAK", "1.03"},     {8, "Niezydentyfikowane", ""},
        {9, "VAK EJ", "1.01"},         {10, "PALVIN", "1.03"}, {11, "TORMA DT EJ", "4.01"},
        {12, "Niezydentyfikowane", ""}, {22, "Niezydentyfikowane", ""},
        {23, "PALVIN RT EJ", "1.01"},  {24, "VAK XL EJ", "2.01"},
        {25, "TORMA DT EJ", "4.03"},   {26, "TORMA DT", "3.03"},
        {27, "PALVIN RT EJ", "1.02"},  {28, "TORMA DT XL EJ", "1.01"},
        {29, "VAK XL EJ", "2.02"},     {30, "KOLT", "1.01"},
        {31, "Niezydentyfikowane", ""}, {255, "Niezydentyfikowane", ""},
    };
    std::vector<Reply> script;
    for (const auto& c : cases)
        script.push_back({reply_frame(501, [&](KS_FRM& f) {
            f.putB(static_cast<unsigned char>(c.code));
            f.putS("ignored");
        })});
    script.push_back({reply_frame(501)});  // no fields: model code 0
    Peer peer(Peer::Kind::Tcp, script);
    TcpLink link(peer.port());
    for (const auto& c : cases) {
        char name[512], version[512];
        std::memset(name, 'x', sizeof name);
        std::memset(version, 'x', sizeof version);
        host.clear();
        const auto t0 = std::chrono::steady_clock::now();
        ASSERT_EQ(KS_CASHREGSTATUSGET(link.sock, name, version), 0) << c.code;
        EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(100));
        EXPECT_STREQ(name, c.name) << c.code;
        EXPECT_STREQ(version, c.version) << c.code;
        const std::string t = host.trace();
        EXPECT_TRUE(ends_with(t, "\r\n\r\nOK :D\r\n")) << c.code;
    }
    char name[512] = "x", version[512] = "y";
    EXPECT_EQ(KS_CASHREGSTATUSGET(link.sock, name, version), 0);
    EXPECT_STREQ(name, "Niezydentyfikowane");
    EXPECT_STREQ(version, "");
    link.close();
    ASSERT_EQ(peer.requests().size(), script.size());
    EXPECT_EQ(hexs(peer.requests()[0]), "10 02 00 00 00 00 00 00 10 10 00 00 00 F5 01 91 E6 10 03");
}

TEST_F(RegisterLink, StatusRefusals) {
    Peer peer(Peer::Kind::Tcp, {{reply_frame(4600, [](KS_FRM& f) { f.putB(5); })},
                                {error_frame({501, 3001})},
                                {"", true}});
    TcpLink link(peer.port());
    char name[512] = "old", version[512] = "v";

    // Another command's reply: 26, nothing looked up, nothing traced after the dump.
    kas_error_id(3251);
    host.clear();
    EXPECT_EQ(KS_CASHREGSTATUSGET(link.sock, name, version), 26);
    EXPECT_EQ(ERR_NR, 3251);
    EXPECT_STREQ(ERR_MNEMONIK, "ERR_IMG_SLOT_EMPTY");
    EXPECT_STREQ(name, "old");
    EXPECT_EQ(host.trace().find("ERRORS"), std::string::npos);
    EXPECT_EQ(host.trace().find("OK :D"), std::string::npos);

    EXPECT_EQ(KS_CASHREGSTATUSGET(link.sock, name, version), 26);
    EXPECT_EQ(ERR_NR, 3001);
    EXPECT_NE(host.trace().find("\r\nERRORS : \r\n501\r\n3001\r\n"), std::string::npos);

    EXPECT_EQ(KS_CASHREGSTATUSGET(link.sock, name, version), 26);
    EXPECT_EQ(ERR_NR, 10000);
    EXPECT_STREQ(ERR_OPIS, "TIMEOUT - brak odpowiedzi z kasy.");
}
