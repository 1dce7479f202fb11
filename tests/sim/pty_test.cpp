// The simulator on a pseudo-terminal: the published link, serving across the tool's
// open and close of the slave, the re-opened terminal after a drop, and the clean exit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "sim_test_util.h"
#include "support/platform.h"

using namespace tv::test;
using std::chrono::milliseconds;
namespace fs = std::filesystem;

TEST(SimPty, LinkNamesTheSlaveAndServesAcrossCloseAndReopen) {
    TV_POSIX_ONLY("the simulator's pseudo-terminal");
    TempDir dir;
    const std::string link = dir.file("com3");
    auto sim = start({"--printer", "--pty", link});
    ASSERT_TRUE(sim->ok());
    EXPECT_EQ(sim->ready_line(), "READY pty " + sim->pty_path());
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link).string(), sim->pty_path());

    for (int round = 0; round < 3; ++round) {
        auto line = RawLine::pty(link);
        ASSERT_TRUE(line.ok()) << "round " << round;
        EXPECT_EQ(ask(line, "sid\t"), kSid) << "round " << round;
        EXPECT_EQ(ask(line, "prncancel\t"), kCancel);
    }
    EXPECT_EQ(sim->stop(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(SimPty, DropReplacesTheTerminalAndRepointsTheLink) {
    TV_POSIX_ONLY("the simulator's pseudo-terminal");
    TempDir dir;
    const std::string link = dir.file("com4");
    auto sim = start({"--pty", link, "--drop", "2"});
    ASSERT_TRUE(sim->ok());
    const std::string first = sim->pty_path();
    {
        auto line = RawLine::pty(link);
        ASSERT_TRUE(line.ok());
        EXPECT_EQ(ask(line, "sid\t"), kSid);
        line.send(printer_frame("sid\t"));
        EXPECT_TRUE(line.wait_closed(milliseconds(2000)));  // hang-up seen by the tool
    }
    const std::string reopen = sim->wait_line("REOPEN", milliseconds(2000));
    ASSERT_EQ(reopen.rfind("REOPEN pty /dev/", 0), 0u) << reopen;
    const std::string second = reopen.substr(11);
    EXPECT_NE(second, first);
    EXPECT_EQ(fs::read_symlink(link).string(), second);

    auto line = RawLine::pty(link);
    ASSERT_TRUE(line.ok());
    EXPECT_EQ(ask(line, "sid\t"), kSid);
}

TEST(SimPty, AnExistingFileAtTheLinkPathIsNotReplaced) {
    TV_POSIX_ONLY("the simulator's pseudo-terminal");
    TempDir dir;
    const std::string path = dir.file("com5");
    write_file(path, "keep");
    SimProcess sim({"--pty", path}, std::chrono::seconds(3));
    EXPECT_FALSE(sim.ok());
    EXPECT_EQ(sim.wait_exit(std::chrono::seconds(3)), 1);
    EXPECT_EQ(read_file(path), "keep");
}
