// tarvix-vizaze-sim: a stand-in fiscal printer or cash register for tests, demos and users
// without hardware. Prints a READY line once it listens and serves until SIGTERM/SIGINT
// (Ctrl-C on Windows); with --background (POSIX) the command returns at that moment and the
// simulator serves on alone.
#include <fcntl.h>
#ifdef _WIN32
#include <process.h>
#else
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "common/debug.h"
#include "common/program_args.h"
#include "options.h"
#include "picture_writer.h"
#include "printer_device.h"
#include "register_device.h"
#include "request_log.h"
#include "server.h"
#include "transport.h"

using namespace tv::sim;

namespace {

std::atomic<bool> g_stop{false};

extern "C" void on_signal(int) { g_stop.store(true); }

void install_signals() {
#ifdef _WIN32
    std::signal(SIGTERM, on_signal);
    std::signal(SIGINT, on_signal);
#else
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no restart: a blocking wait returns and sees the flag
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

#ifdef _WIN32
int go_to_background(int&) {
    std::fprintf(stderr, "tarvix-vizaze-sim: opcja --background działa tylko w systemach POSIX\n");
    return 2;
}
#else
// How long the caller of --background waits for the simulator to listen.
constexpr auto kBackgroundStart = std::chrono::seconds(10);

// --background, in the caller's process: forks the simulator into a session of its own and
// returns with its READY line on standard output once it listens (exit 0), or exit 1 when
// it ended first (its reason is on standard error). In the simulator's process returns -1,
// with ready_fd the pipe that takes the READY line.
int go_to_background(int& ready_fd) {
    int fds[2];
    if (::pipe(fds) != 0) {
        std::perror("tarvix-vizaze-sim: pipe");
        return 1;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        std::perror("tarvix-vizaze-sim: fork");
        return 1;
    }
    if (pid == 0) {
        ::setsid();  // no terminal: its hang-up or Ctrl-C no longer reaches the simulator
        // Whatever else the caller left open (the other end of its pipes, say) is closed,
        // so that nobody waits on the simulator for an end of file.
        for (int fd = STDERR_FILENO + 1; fd < fds[1]; ++fd) ::close(fd);
        ::close_range(static_cast<unsigned>(fds[1]) + 1, ~0U, 0);
        ready_fd = fds[1];
        return -1;
    }
    ::close(fds[1]);
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + kBackgroundStart;
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buf[256];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) break;  // the simulator ended without listening
        line.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (line.rfind("READY", 0) == 0 && line.find('\n') != std::string::npos) {
        std::fputs(line.substr(0, line.find('\n') + 1).c_str(), stdout);
        return 0;
    }
    if (line.empty() && ::waitpid(pid, nullptr, WNOHANG) == 0) {
        std::fprintf(stderr, "tarvix-vizaze-sim: symulator nie zgłosił gotowości w czasie\n");
        ::kill(pid, SIGTERM);
    }
    ::waitpid(pid, nullptr, WNOHANG);
    return 1;
}

// After READY in the background: the caller's terminal or pipe is let go, so a shell that
// reads the command's output is not held open by the simulator.
void let_go_of_caller(int ready_fd, std::FILE*& notices) {
    ::close(ready_fd);
    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0) return;
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) ::dup2(null, fd);
    if (notices && notices != stderr) ::dup2(null, ::fileno(notices));
    ::close(null);
}
#endif

// Reads the command line into options. Returns the exit status when the simulator is not
// to run (an error, --help, --version), or -1.
int read_command_line(int argc, char** argv, Options& options) {
    std::vector<std::string> args = tv::utf8_arguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());  // the program's own name
    std::string error;
    if (!parse_options(args, options, error)) {
        std::fprintf(stderr, "tarvix-vizaze-sim: %s\nUżyj --help, aby zobaczyć opcje.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(usage_text(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("tarvix-vizaze-sim " TV_VERSION);
        return 0;
    }
    return -1;
}

// Says that the files could not be written in dir; returns the exit status for it.
int save_failed(const std::string& dir) {
    std::fprintf(stderr, "tarvix-vizaze-sim: nie można zapisać w %s\n", dir.c_str());
    return 1;
}

// The device played, with --store's files following every change of its graphic memory.
std::unique_ptr<Device> make_device(const Options& options, SlotStore& store) {
    ChangeHook changed = [&options, &store](int slot) {
        if (options.store_dir.empty()) return;
        bool ok = slot == 0 || save_slot(options.store_dir, store, slot);
        ok = save_state(options.store_dir, store) && ok;
        if (!ok) save_failed(options.store_dir);
    };
    if (options.device == DeviceKind::Printer)
        return std::make_unique<PrinterDevice>(options, store, changed);
    return std::make_unique<RegisterDevice>(options, store, changed);
}

bool write_pid_file(const std::string& path) {
    if (path.empty()) return true;
    std::ofstream pid(path, std::ios::trunc);
#ifdef _WIN32
    pid << ::_getpid() << "\n";
#else
    pid << ::getpid() << "\n";
#endif
    if (pid.flush()) return true;
    std::fprintf(stderr, "tarvix-vizaze-sim: nie można zapisać %s\n", path.c_str());
    return false;
}

// The READY line: to the caller of --background through ready_fd (which then lets go of
// the caller), or to the notices.
bool announce_ready(const std::string& ready, int ready_fd, std::FILE*& notices) {
#ifndef _WIN32
    if (ready_fd >= 0) {
        if (::write(ready_fd, ready.data(), ready.size()) != static_cast<ssize_t>(ready.size())) return false;
        let_go_of_caller(ready_fd, notices);
        return true;
    }
#else
    (void)ready_fd;
#endif
    std::fputs(ready.c_str(), notices);
    std::fflush(notices);
    return true;
}

// Plays the device until a stop signal. Returns the exit status.
int serve(const Options& options, int ready_fd, std::FILE* notices) {
    const bool printer = options.device == DeviceKind::Printer;
    SlotStore store(printer ? kPrinterMaxSide : kRegisterMaxSide, options.read_only_slots);
    if (!options.store_dir.empty() && !save_all(options.store_dir, store))
        return save_failed(options.store_dir);
    RequestLog log(options.log_file);
    if (!log.ok()) {
        std::fprintf(stderr, "tarvix-vizaze-sim: nie można otworzyć dziennika %s\n",
                     options.log_file.c_str());
        return 1;
    }
    const std::unique_ptr<Device> device = make_device(options, store);
    std::string error;
    const std::unique_ptr<Transport> transport =
        options.use_pty ? make_pty_transport(options.pty_link, error)
                        : make_tcp_transport(options.listen_address, options.tcp_port, error);
    if (!transport) {
        std::fprintf(stderr, "tarvix-vizaze-sim: %s\n", error.c_str());
        return 1;
    }
    if (!write_pid_file(options.pid_file) ||
        !announce_ready(transport->ready_line() + "\n", ready_fd, notices))
        return 1;
    Server server(options, *transport, *device, log, notices);
    server.run(g_stop);
    if (!options.pid_file.empty()) std::remove(options.pid_file.c_str());
    if (!options.dump_dir.empty() && !save_all(options.dump_dir, store)) return save_failed(options.dump_dir);
    return 0;  // the transport goes with its link
}

}  // namespace

int main(int argc, char** argv) {
    tv::use_utf8_console();
    Options options;
    const int done = read_command_line(argc, argv, options);
    if (done >= 0) return done;
    int ready_fd = -1;
    if (options.background) {
        const int status = go_to_background(ready_fd);
        if (status >= 0) return status;
    }
    install_signals();
    // Standard output carries only the simulator's own lines (READY, REOPEN); the core's
    // diagnostic dumps go to standard error with --debug, and join the other diagnostics
    // there with --verbose.
    if (options.verbose || options.debug) tv::set_debug(true);
    return serve(options, ready_fd, stdout);
}
