// Serial lines for the Windows build run under Wine. Wine opens COMn through the prefix's
// dosdevices/comN link, so a pseudo-terminal of the host linked there is a serial port the
// link reaches through the real Win32 calls. The test programs cannot make one themselves:
// a broker on the host (tests/support/serial_broker.py, started by the CTest fixture
// "serial_broker") makes the pseudo-terminals, the links, and runs the host's simulator on
// them, for the test program that holds the links (one at a time: every program of the
// prefix sees the same COM ports). Windows only; elsewhere nothing here is used.
#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "support/child.h"
#include "support/sockets.h"

namespace tv::test::host {

// True when the broker answers; otherwise false, with the reason.
bool available(std::string& why);

// A connection to the broker whose first line is request. On "OK" the rest of that line is
// in answer and the connection is returned; otherwise kNone, with the reason in answer.
sockets::Socket open(const std::string& request, std::string& answer);

// Requests over this program's session, which holds the COM links from its first request
// until the program ends. A refused request fails the test.
void link_com(int n, const std::string& target);  // dosdevices/comN -> target
std::string com_link(int n);                      // where dosdevices/comN is, on the host
// The line settings a program left on a terminal of the host ("speed=9600/9600 bits=8 ...").
std::string line_settings(const std::string& tty);
// Stops (flowing = false) or resumes the terminal's output, as tcflow does.
void set_output(const std::string& tty, bool flowing);

// The host's simulator, run by the broker for this program's session; its standard output
// comes over the connection.
class Simulator : public Process {
  public:
    Simulator() = default;
    ~Simulator() override;
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    bool start(const std::vector<std::string>& args, std::string& error);
    long read_out(char* buf, std::size_t n) override;
    int poll_exit() override { return status_; }
    void terminate() override;
    void kill() override;
    int pid() const override { return pid_; }

  private:
    sockets::Socket conn_ = sockets::kNone;
    int pid_ = -1;
    std::size_t chunk_left_ = 0;  // bytes of output still to come in the current chunk
    std::atomic<int> status_{-2};
};

}  // namespace tv::test::host
