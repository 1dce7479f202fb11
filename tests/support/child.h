// A child process of a test: started with UTF-8 arguments in a working directory, its
// standard input the null device, its standard output (and, if asked, standard error)
// read through pipes. POSIX (fork and exec; on Linux the child dies with the test) and
// Windows (CreateProcessW) halves.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "support/no_copy.h"

namespace tv::test {

class Child : NoCopy {
  public:
    Child();
    ~Child();  // kills a child still running and reaps it

    // False with a reason in error when the program could not be started. Without
    // capture_err the child's standard error is the test's.
    bool start(const std::string& path, const std::vector<std::string>& args, const std::string& cwd,
               bool capture_err, std::string& error);
    // Blocking reads: bytes read, 0 at the end of the stream (also when not captured).
    long read_out(char* buf, std::size_t n);
    long read_err(char* buf, std::size_t n);
    // The exit status (0..255; -1 when killed or ended by a signal), or -2 while it runs.
    int poll_exit();
    // Asks it to end (SIGTERM; Windows has no such request and ends it at once).
    void terminate();
    // SIGINT, as Ctrl-C in a terminal. False where it cannot be sent (Windows).
    bool interrupt();
    void kill();
    // The process id, -1 before a start.
    int pid() const;

  private:
    struct Os;
    std::unique_ptr<Os> os_;
};

}  // namespace tv::test
