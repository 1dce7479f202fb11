// Runs a program to its end as a user would from a shell: arguments, working directory,
// standard output and error captured, a bounded wait (killed past it, and with the test).
#pragma once
#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <vector>

namespace tv::test {

struct RunResult {
    int status = -1;  // exit status; -1 killed or died by a signal
    bool timed_out = false;
    std::string out, err;
};

// A program that has not ended within timeout is killed (timed_out). With interrupt_when,
// the program gets SIGINT (Ctrl-C), or the signal given, once that condition holds (it is
// checked every 5 ms).
RunResult run_program(const std::string& path, const std::vector<std::string>& args,
                      const std::string& cwd = {},
                      std::chrono::milliseconds timeout = std::chrono::seconds(30),
                      const std::function<bool()>& interrupt_when = {}, int signal_number = SIGINT);

}  // namespace tv::test
