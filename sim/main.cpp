// tarvix-vizaze-sim: a stand-in fiscal printer or cash register for tests, demos and users
// without hardware. Prints a READY line once it listens and serves until SIGTERM/SIGINT
// (Ctrl-C on Windows).
#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

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

// Standard output carries only the simulator's own lines (READY, REOPEN). The core's
// diagnostic dumps, which also go to standard output, are sent to standard error with
// --verbose and discarded otherwise, so a script reading the READY line is never blocked.
std::FILE* take_stdout(bool verbose) {
    std::fflush(stdout);
#ifdef _WIN32
    const int fd = ::_dup(1);
    std::FILE* notices = fd >= 0 ? ::_fdopen(fd, "w") : nullptr;
    const int sink = verbose ? ::_dup(2) : ::_open("NUL", _O_WRONLY);
    if (sink >= 0) {
        ::_dup2(sink, 1);
        ::_close(sink);
    }
#else
    const int fd = ::dup(STDOUT_FILENO);
    std::FILE* notices = fd >= 0 ? ::fdopen(fd, "w") : nullptr;
    const int sink = verbose ? ::dup(STDERR_FILENO) : ::open("/dev/null", O_WRONLY);
    if (sink >= 0) {
        ::dup2(sink, STDOUT_FILENO);
        ::close(sink);
    }
#endif
    return notices ? notices : stderr;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    tv::use_utf8_console();
    std::vector<std::string> args = tv::utf8_arguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());  // the program's own name
    if (!parse_options(args, options, error)) {
        std::fprintf(stderr, "tarvix-vizaze-sim: %s\nUżyj --help, aby zobaczyć opcje.\n",
                     error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(usage_text(), stdout);
        return 0;
    }
    install_signals();
    std::FILE* notices = take_stdout(options.verbose);

    const bool printer = options.device == DeviceKind::Printer;
    SlotStore store(printer ? kPrinterMaxSide : kRegisterMaxSide, options.read_only_slots);
    ChangeHook changed = [&](int slot) {
        if (options.store_dir.empty()) return;
        bool ok = slot == 0 || save_slot(options.store_dir, store, slot);
        ok = save_state(options.store_dir, store) && ok;
        if (!ok)
            std::fprintf(stderr, "tarvix-vizaze-sim: nie można zapisać w %s\n",
                         options.store_dir.c_str());
    };
    if (!options.store_dir.empty() && !save_all(options.store_dir, store)) {
        std::fprintf(stderr, "tarvix-vizaze-sim: nie można zapisać w %s\n",
                     options.store_dir.c_str());
        return 1;
    }

    RequestLog log(options.log_file);
    if (!log.ok()) {
        std::fprintf(stderr, "tarvix-vizaze-sim: nie można otworzyć dziennika %s\n",
                     options.log_file.c_str());
        return 1;
    }

    std::unique_ptr<Device> device;
    if (printer) device = std::make_unique<PrinterDevice>(options, store, changed);
    else device = std::make_unique<RegisterDevice>(options, store, changed);

    std::unique_ptr<Transport> transport =
        options.use_pty ? make_pty_transport(options.pty_link, error)
                        : make_tcp_transport(options.tcp_port, error);
    if (!transport) {
        std::fprintf(stderr, "tarvix-vizaze-sim: %s\n", error.c_str());
        return 1;
    }

    std::fprintf(notices, "%s\n", transport->ready_line().c_str());
    std::fflush(notices);

    Server server(options, *transport, *device, log, notices);
    server.run(g_stop);

    if (!options.dump_dir.empty() && !save_all(options.dump_dir, store)) {
        std::fprintf(stderr, "tarvix-vizaze-sim: nie można zapisać w %s\n",
                     options.dump_dir.c_str());
        return 1;
    }
    return 0;  // the transport goes with its link
}
