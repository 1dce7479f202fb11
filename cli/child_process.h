// One process of another program, started with arguments, its standard output and error
// read to their end, and asked to stop as Ctrl-C asks. A run over a list of devices starts
// the console tool once per device this way.
#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tv::cli {

class ChildProcess {
  public:
    struct Output {
        int status = -1;  // exit status 0..255; -1 when it died by a signal or could not be reaped
        std::string out, err;
    };

    ChildProcess();
    ~ChildProcess();  // a child still running is killed and reaped
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program with args (UTF-8), standard input empty. False with a message when it
    // could not be started.
    bool start(const std::filesystem::path& program, const std::vector<std::string>& args,
               std::string& error);
    // Asks the child to stop, as Ctrl-C in its terminal would. Safe from another thread
    // than the one in wait(), before and after the child ends.
    void interrupt();
    // Reads both streams to their end and waits for the child to end. Once.
    Output wait();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The path of the running program, for starting it again; "" when it cannot be told.
std::filesystem::path own_program_path(const char* argv0);

}  // namespace tv::cli
