// Child-process runner for the end-to-end tests of the programs.
#include "support/run_process.h"

#include <thread>

#include "support/child.h"

namespace tv::test {

RunResult run_program(const std::string& path, const std::vector<std::string>& args, const std::string& cwd,
                      std::chrono::milliseconds timeout, const std::function<bool()>& interrupt_when,
                      int signal_number) {
    RunResult r;
    Child child;
    std::string error;
    if (!child.start(path, args, cwd, true, error)) {
        r.err = error;
        return r;
    }
    // Each stream is read to its end on a thread of its own, so neither pipe fills up.
    std::thread out([&] {
        char buf[4096];
        for (long n; (n = child.read_out(buf, sizeof buf)) > 0;)
            r.out.append(buf, static_cast<std::size_t>(n));
    });
    std::thread err([&] {
        char buf[4096];
        for (long n; (n = child.read_err(buf, sizeof buf)) > 0;)
            r.err.append(buf, static_cast<std::size_t>(n));
    });
    const auto start = std::chrono::steady_clock::now();
    bool interrupted = false;
    int status;
    while ((status = child.poll_exit()) == -2) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        if (elapsed > timeout) {
            r.timed_out = true;
            child.kill();
            status = -1;
            break;
        }
        if (interrupt_when && !interrupted && interrupt_when()) {
            child.interrupt(signal_number);
            interrupted = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    out.join();
    err.join();
#ifdef _WIN32
    // Read as text, as a console shows it: the C runtime wrote its line ends as CR LF.
    for (std::string* text : {&r.out, &r.err})
        for (std::size_t p; (p = text->find("\r\n")) != std::string::npos;) text->erase(p, 1);
#endif
    r.status = status;
    return r;
}

}  // namespace tv::test
