// The simulator started in the background, as a README or a script starts it: the command
// returns with the READY line once the simulator listens, lets go of the caller's output,
// and the simulator serves on until it is told to stop.
#include <gtest/gtest.h>

#ifndef _WIN32  // --background is for POSIX systems

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "sim_test_util.h"
#include "support/run_process.h"

using namespace tv::test;

namespace {

// Sends SIGTERM to a process that is not our child and waits (bounded) for it to end.
bool stop_and_wait(pid_t pid) {
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    ::kill(pid, SIGTERM);
    if (fd < 0) return true;  // a kernel without pidfd: the end cannot be waited for
    pollfd p{fd, POLLIN, 0};
    const bool ended = ::poll(&p, 1, 5000) == 1;
    ::close(fd);
    return ended;
}

TEST(SimBackground, ReturnsOnceListeningAndServesOnAlone) {
    TempDir dir;
    // run_program reads standard output and error to their end: a simulator that kept them
    // would hold it until its time-out.
    const RunResult r = run_program(
        SimProcess::binary(), {"--printer", "--tcp", "0", "--background", "--pid-file", dir.file("sim.pid")},
        dir.path(), std::chrono::seconds(20));
    ASSERT_FALSE(r.timed_out);
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream ready(r.out);
    std::string word, kind, host;
    int port = 0;
    ready >> word >> kind >> host >> port;
    EXPECT_EQ(word, "READY");
    EXPECT_EQ(kind, "tcp");
    EXPECT_EQ(r.out, "READY tcp 127.0.0.1 " + std::to_string(port) + "\n");

    const pid_t pid = std::stoi(read_file(dir.file("sim.pid")));
    ASSERT_GT(pid, 1);
    EXPECT_NE(pid, ::getpid());
    RawLine line = RawLine::tcp(port);  // NOLINT
    ASSERT_TRUE(line.ok());
    EXPECT_EQ(ask(line, "sid\t"), kSid);
    line.close();

    EXPECT_TRUE(stop_and_wait(pid));
    EXPECT_FALSE(std::filesystem::exists(dir.file("sim.pid")));  // removed at its end
}

TEST(SimBackground, FailsWhenItCannotListen) {
    auto busy = start({"--printer", "--tcp", "0"});
    const RunResult r = run_program(SimProcess::binary(),
                                    {"--printer", "--tcp", std::to_string(busy->port()), "--background"}, {},
                                    std::chrono::seconds(20));
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("tarvix-vizaze-sim: "), std::string::npos) << r.err;
}

}  // namespace

#endif
