// Trace pane, log and sequence files, decimal text, and the text conversion.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "common/globals.h"
#include "common/text.h"
#include "support/fixture.h"
#include "ui/Controls.h"
#include "ui/trace.h"

using namespace tv;
using namespace tv::test;

class Trace : public Test {
  protected:
    RecordingHost& h = host;
};

TEST_F(Trace, AppendsThroughTheHostAndKeepsEarlierText) {
    s("abc");
    s(std::string("def"), 0);
    EXPECT_EQ(h.trace(), "abcdef");
    trace_replace("new");
    s("+");
    EXPECT_EQ(h.trace(), "new+");
    EXPECT_EQ(text(gEdit_Info), "new+");
}

TEST_F(Trace, LogAndSequenceFilesOnlyWhenFoldersExist) {
    l("x", true, true);  // no folders: nothing created, no failure
    EXPECT_FALSE(std::filesystem::exists(dir.file("LOGS")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("SEQ/seq_")));

    std::filesystem::create_directory(dir.file("LOGS"));
    l("same", false, false);
    l("same", false, false);
    EXPECT_EQ(read_file(dir.file("LOGS/log_.txt")), "samesame");
    l("fresh", true, false);
    EXPECT_EQ(read_file(dir.file("LOGS/log_.txt")), "fresh");
    l("both", false, true);  // SEQ folder still missing: only the log
    EXPECT_EQ(read_file(dir.file("LOGS/log_.txt")), "freshboth");

    std::filesystem::create_directory(dir.file("SEQ"));
    l("", true, true);
    l("frame", false, true);
    EXPECT_EQ(read_file(dir.file("SEQ/seq_")), "frame");
    EXPECT_EQ(read_file(dir.file("LOGS/log_.txt")), "frame");
}

TEST_F(Trace, DecimalTextPerThread) {
    EXPECT_STREQ(i_to_str(-5), "-5");
    const char* first = i_to_str(115200);
    EXPECT_STREQ(first, "115200");
    i_to_str(7);
    EXPECT_STREQ(first, "7");  // same buffer on the same thread
    std::string other;
    std::thread t([&] { other = i_to_str(42); });
    t.join();
    EXPECT_STREQ(first, "7");  // another thread did not touch this thread's result
    EXPECT_EQ(other, "42");
}

TEST(Text, Windows1250RoundTripOfPolishLetters) {
    const std::string pl = "ąćęłńóśźżĄĆĘŁŃÓŚŹŻ";
    const std::string wire = to_cp1250(pl);
    EXPECT_EQ(hex(wire), "B9 E6 EA B3 F1 F3 9C 9F BF A5 C6 CA A3 D1 D3 8C 8F AF");
    EXPECT_EQ(from_cp1250(wire), pl);
    EXPECT_EQ(to_cp1250("\xE2\x82\xAC"), "\x80");  // euro sign
    EXPECT_EQ(to_cp1250("日"), "?");
    EXPECT_EQ(to_cp1250("\xC5"), "?");  // cut sequence
    EXPECT_EQ(from_cp1250("\x81"), "?");
}

TEST(Text, BoundedCopies) {
    char small[4];
    EXPECT_EQ(copy_to(small, "abcdef"), 3u);
    EXPECT_STREQ(small, "abc");
    char buf[6] = "ab";
    append_to(buf, "cdefgh");
    EXPECT_STREQ(buf, "abcde");
}

TEST(TraceMarks, ControlBytesShowAsReadableMarks) {
    const struct {
        std::string model;
        std::string shown;
    } cases[] = {
        {std::string("\x02sid\t#8A94\x03"), "<STX>sid\t#8A94<ETX>"},
        {"Send : x\r\nResp.: y\r\n", "Send : x\nResp.: y\n"},
        {std::string("\x10\x02\x1b\x7f", 4), "<DLE><STX><ESC><DEL>"},
        {std::string("a\0b", 3), "a<NUL>b"},
        {"zażółć gęślą jaźń", "zażółć gęślą jaźń"},
    };
    for (const auto& c : cases) EXPECT_EQ(readable_trace(c.model), c.shown) << c.shown;
}
