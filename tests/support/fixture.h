// The one fixture family of the core tests. Every fixture derives from tv::test::Test: a
// fresh start-up directory, the panel as the window builds it, a recording host, and every
// process-wide value the tests touch saved before the test and put back after it.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "support/no_copy.h"
#include "support/recording_host.h"

namespace tv::test {

// The process-wide state of the core (link settings, job state, directories, the chosen
// picture, the device-error record, the detection range and every control of the panel),
// taken when the object is made and put back when it goes.
class SavedState : NoCopy {
  public:
    SavedState();
    ~SavedState();

  private:
    std::vector<std::function<void()>> undo_;  // run last to first
};

class Test : public ::testing::Test {
  protected:
    // The start-up directory is dir; the panel is built afresh; the host has seen nothing.
    Test();
    // Joins the threads the test left (a finished job, a picture check) before its host goes.
    ~Test() override;

    // The folders a job writes to or looks in: LOGS, SEQ and ports.
    void make_folders() const;
    std::string log() const;  // LOGS/log_.txt
    std::string seq() const;  // SEQ/seq_
    // Points port COMn at target (replacing an older link): the link ports/comN of the
    // start-up directory, or on Windows the host's COM link (support/host_serial.h).
    void point_com(int n, const std::string& target) const;
    // Where a simulator serving COMn over a pseudo-terminal puts its link (its --pty).
    std::string com_link(int n) const;

    SavedState saved;  // first: put back after everything else has gone
    TempDir dir;
    RecordingHost host;
};

// How long a wait whose configured time-out is t may take before it counts as one that
// ignores its time-out: a generous multiple, so that a busy machine never fails it.
constexpr std::chrono::milliseconds timeout_bound(std::chrono::milliseconds t) {
    return 4 * t + std::chrono::seconds(2);
}

// A bounded wait for a call to return, for a call that must not run into a time-out of its
// own: true when it returned within bound (a hang or a full time-out fails, a busy machine
// does not). The call runs on a thread of its own (it sets the test's variables; the test
// asserts after); after a late return the test goes on once the call has come back.
template <class F>
bool returns_within(std::chrono::milliseconds bound, F&& call) {
    auto done = std::async(std::launch::async, std::forward<F>(call));
    return done.wait_for(bound) == std::future_status::ready;
}

// Milliseconds since start.
long elapsed_ms(std::chrono::steady_clock::time_point start);

}  // namespace tv::test
