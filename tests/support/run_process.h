// Runs a program to its end as a user would from a shell: arguments, working directory,
// standard output and error captured, a bounded wait (killed past it).
#pragma once
#include <chrono>
#include <string>
#include <vector>

namespace tv::test {

struct RunResult {
    int status = -1;       // exit status; -1 killed or died by a signal
    bool timed_out = false;
    std::string out, err;
};

RunResult run_program(const std::string& path, const std::vector<std::string>& args,
                      const std::string& cwd = {},
                      std::chrono::milliseconds timeout = std::chrono::seconds(60),
                      int interrupt_after_ms = -1);  // send SIGINT once after this time

}  // namespace tv::test
