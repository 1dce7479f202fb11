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

// A running program whose standard output a test reads and which it stops: a child process,
// or (Windows under Wine) a program the host runs for the test.
class Process {
  public:
    virtual ~Process() = default;
    // Blocking read: bytes read, 0 at the end of the stream.
    virtual long read_out(char* buf, std::size_t n) = 0;
    // The exit status (0..255; -1 when killed or ended by a signal), or -2 while it runs.
    virtual int poll_exit() = 0;
    // Asks it to end (SIGTERM; Windows has no such request and ends it at once).
    virtual void terminate() = 0;
    virtual void kill() = 0;
    // The process id, -1 before a start.
    virtual int pid() const = 0;
};

class Child : public Process, NoCopy {
  public:
    Child();
    ~Child() override;  // kills a child still running and reaps it

    // False with a reason in error when the program could not be started. Without
    // capture_err the child's standard error is the test's.
    bool start(const std::string& path, const std::vector<std::string>& args, const std::string& cwd,
               bool capture_err, std::string& error);
    // Blocking reads: bytes read, 0 at the end of the stream (also when not captured).
    long read_out(char* buf, std::size_t n) override;
    long read_err(char* buf, std::size_t n);
    int poll_exit() override;
    void terminate() override;
    // SIGINT, as Ctrl-C in a terminal (or another signal, such as SIGTERM). False where it
    // cannot be sent (Windows).
    bool interrupt(int signal_number = 2);
    void kill() override;
    int pid() const override;

  private:
    struct Os;
    std::unique_ptr<Os> os_;
};

}  // namespace tv::test
