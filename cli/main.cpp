// tarvix-vizaze-cli: the window's jobs from a terminal or a script. It loads the settings
// file, sets the panel from its options, presses the same button the window would, prints
// every message box (or, with --json, exactly one JSON document whatever happens: see
// docs/json.md), and exits 0 when the job succeeded, 1 when it failed, 2 on a usage error.
// With --devices it does the same on every device of a list.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/shell.h"
#include "child_process.h"
#include "common/debug.h"
#include "common/globals.h"
#include "common/paths.h"
#include "common/program_args.h"
#include "console_host.h"
#include "device_run.h"
#include "image/convert_session.h"
#include "jobs/Worker.h"
#include "json_report.h"
#include "link/port_list.h"
#include "options.h"
#include "scan_run.h"
#include "ui/Controls.h"
#include "ui/panel.h"

using namespace tv;
using namespace tv::cli;

namespace {

volatile std::sig_atomic_t g_interrupted = 0;  // Ctrl-C was pressed

// Ctrl-C: stops a scan as a second press of its button does; any other job ends after its
// current exchange (a printer is then sent "prncancel").
extern "C" void on_interrupt(int) {
    g_interrupted = 1;
    if ((work_mode == WM_DETECT || work_mode == WM_SCAN) && bAction)
        Stoper = true;
    else
        job_abort = true;
}

// Where the run's end is told: with --json the one document goes to out (standard output,
// or the copy of it kept once standard output is sent to the null device).
struct Report {
    bool json = false;
    std::string command;
    std::FILE* out = stdout;

    int usage_error(const std::string& message) const {
        std::fprintf(stderr, "tarvix-vizaze-cli: %s\nPomoc: tarvix-vizaze-cli --help\n", message.c_str());
        if (json) print_document(usage_document(command, message), out);
        return 2;
    }
    // The document of a finished job or conversion.
    void finished(int status, const std::vector<ConsoleHost::Box>& shown, double seconds) const {
        if (!json) return;
        const char* outcome = status == 0     ? OUTCOME_SUCCEEDED
                              : g_interrupted ? OUTCOME_INTERRUPTED
                                              : OUTCOME_FAILED;
        std::string reason = status == 0 ? std::string() : reason_text(boxes_json(shown));
        if (status != 0 && g_interrupted)
            reason = "przerwano (Ctrl-C)" + (reason.empty() ? "" : ": " + reason);
        if (status != 0 && reason.empty()) reason = "bez komunikatu";
        print_document(single_document(command, status, shown, seconds, outcome, reason), out);
    }
    // What --help and --version print, as the document's "text".
    int text(const std::string& name, const std::string& said) const {
        if (!json) {
            std::fputs(said.c_str(), stdout);
            return 0;
        }
        Json doc = single_document(name, 0, {}, 0, OUTCOME_SUCCEEDED, "");
        doc["text"] = said;
        print_document(doc, out);
        return 0;
    }
};

// --json among the words of a command line that did not parse (before a "--").
bool asks_for_json(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") return false;
        if (a == "--json") return true;
    }
    return false;
}

void install_interrupt_handlers() {
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
#ifdef SIGBREAK
    std::signal(SIGBREAK, on_interrupt);  // a run over a list on Windows asks its devices to stop this way
#endif
#ifdef SIGHUP
    // A dropped terminal or SSH session: the job stops as for SIGTERM (a printer is sent its
    // cancel), and the outcome is still written; a write to the gone terminal must not kill
    // the tool before that.
    std::signal(SIGHUP, on_interrupt);
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

void select_item(Control* c, const std::string& item) {
    int i = find_item(c, item);
    if (i >= 0) set_sel(c, i);
}

void apply(const Options& o) {
    if (o.interface) {
        set_sel(gComb_Interface, *o.interface);
        dispatch_command(ID_SELECTOR, Notify::DropDownClosed, gComb_Interface);
        dispatch_command(ID_SELECTOR, Notify::SelectionConfirmed, gComb_Interface);
    }
    if (o.protocol) {
        set_sel(gComb_Protocol, *o.protocol);
        dispatch_command(ID_SELECTOR, Notify::SelectionConfirmed, gComb_Protocol);
    }
    if (o.port) select_item(gComb_COM, *o.port);
    if (o.baud) select_item(gComb_Baudrate, *o.baud);
    if (o.timeout) select_item(gComb_Timeout, *o.timeout);
    if (o.ip) set_text(g_IPaddress, *o.ip);
    if (o.tcp_port) set_text(gEdit_PortTCP, *o.tcp_port);
    if (o.slot) {
        set_sel(o.command == Command::Report ? gComb_Rep : gComb_Slot, *o.slot);
        dispatch_command(ID_NONE, Notify::DropDownClosed, gComb_Slot);
    }
    if (o.header) set_sel(gComb_GrHdr, *o.header);
    if (o.footer) set_sel(gComb_GrFoot, *o.footer);
    if (o.print) set_checked(gCheck_Print, *o.print);
    if (o.test_print) set_checked(gCheck_TestPrint, *o.test_print);
}

// Where send --convert puts the logo it programs: a file of its own in the temporary
// folder, removed when the tool ends.
std::filesystem::path temporary_logo(const std::string& picture) {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec) dir = std::filesystem::current_path(ec);
    std::random_device random;
    return dir / ("tarvix-vizaze-" + std::to_string(random()) + "-" + logo::logo_name(picture));
}

int button_of(Command c) {
    switch (c) {
        case Command::Send:
            return ID_SEND;
        case Command::Clear:
            return ID_CLEAR;
        case Command::Set:
            return ID_SET;
        case Command::Report:
            return ID_REPORT;
        case Command::Detect:
            return ID_DETECT;
        case Command::Test:
            return ID_TEST;
        case Command::Ports:
        case Command::Convert:
        case Command::Scan:
            break;
    }
    return ID_NONE;
}

// "ports": one line per serial port present (COMn or "-", the device, the description),
// or with --json the document's "ports" list of {"name", "device", "description"}.
int list_ports(const std::string& start_dir, const Report& report) {
    Json ports = Json::array();
    for (const PortInfo& p : list_serial_ports(start_dir)) {
        if (report.json)
            ports.push_back({{"name", port_name(p)}, {"device", p.device}, {"description", p.description}});
        else
            std::printf("%-6s %-24s %s\n", port_name(p).c_str(), p.device.c_str(), p.description.c_str());
    }
    if (report.json) {
        Json doc = single_document(report.command, 0, {}, 0, OUTCOME_SUCCEEDED, "");
        doc["ports"] = std::move(ports);
        print_document(doc, report.out);
    }
    return 0;
}

// The command's files as absolute paths (the core works in the start-up directory), and
// the logo send --convert programs.
struct JobFiles {
    std::string file, out_file, logo_file;
};

// Returns the usage error, if any.
std::string job_files(const Options& o, JobFiles& f) {
    std::error_code ec;
    if (!o.file.empty()) f.file = utf8_path(std::filesystem::absolute(fs_path(o.file), ec));
    if (!o.out_file.empty()) {
        f.out_file = utf8_path(std::filesystem::absolute(fs_path(o.out_file), ec));
        if (std::filesystem::equivalent(fs_path(f.file), fs_path(f.out_file), ec))
            return "Plik wynikowy nie może być obrazem źródłowym: " + o.out_file;
    }
    if (o.convert) f.logo_file = utf8_path(temporary_logo(f.file));
    return {};
}

// "convert": only a file is written; the settings stay as they were.
int convert_only(const JobFiles& f, const logo::Options& conversion, const ConsoleHost& console,
                 const Report& report) {
    logo::Logo made;
    const bool ok = convert_picture_file(f.file, f.out_file, conversion, &made);
    if (ok) message(logo_saved_text(f.out_file, made), "Komunikat", Icon::Information);
    set_host(nullptr);
    report.finished(ok ? 0 : 1, console.boxes(), 0);
    return ok ? 0 : 1;
}

// send: the file dialog is given FILE (or, with --convert, the logo made of it). False when
// the file was refused: its message has been shown.
bool choose_file(const Options& o, const JobFiles& f, const logo::Options& conversion) {
    if (o.convert && !convert_picture_file(f.file, f.logo_file, conversion)) return false;
    dispatch_command(ID_FILE, Notify::Clicked, gButt_File);  // the file dialog answers with FILE
    wait_for_check();
    // A picture the device takes; a cash register refuses one over 384 x 384 (the check
    // has warned of it) only once the upload has begun.
    if (!gr_filename().empty() && device_takes(Gr_xmax, Gr_ymax)) return true;
    if (!o.convert && conversion_helps(f.file))
        std::fprintf(stderr,
                     "tarvix-vizaze-cli: ten obraz nie jest logo, które przyjmuje urządzenie (1-bitowa "
                     "bitmapa w jego granicach).\nAby zamienić go na logo i zaprogramować, użyj: "
                     "tarvix-vizaze-cli send --convert PLIK\n");
    return false;
}

// Presses the command's button and waits for its job. False when the job never started
// (a Ctrl-C before it starts none).
bool press_button(const Options& o, const JobFiles& f, const logo::Options& conversion) {
    job_outcome = JobOutcome::None;
    if (g_interrupted) return false;
    if (o.command == Command::Send && !choose_file(o, f, conversion)) return false;
    dispatch_command(button_of(o.command), Notify::Clicked, nullptr);
    // A Ctrl-C (or hang-up) that came while the job was being started is this job's stop:
    // the start clears what an earlier job was asked.
    if (g_interrupted) on_interrupt(0);
    wait_for_worker();
    return true;
}

// The trace pane's text into the --trace file opened before the job.
void write_trace(std::ofstream& trace, const std::string& text, const std::string& name) {
    if (!trace.is_open()) return;
    trace << text;
    trace.close();
    if (!trace) std::fprintf(stderr, "tarvix-vizaze-cli: Nie można zapisać pliku śladu: %s\n", name.c_str());
}

// One job on the device the panel is set to, as the window would run it.
int run_job(const Options& o, const std::filesystem::path& start_dir, const Report& report) {
    JobFiles f;
    const std::string wrong = job_files(o, f);
    if (!wrong.empty()) return report.usage_error(wrong);
    install_interrupt_handlers();
    ConsoleHost console(o.yes, o.convert ? f.logo_file : f.file, stdout, o.json);
    set_host(&console);
    app_start(utf8_path(start_dir));
    apply(o);

    logo::Options conversion = o.conversion;
    conversion.limit = logo_limit();  // the protocol chosen, or the one in settings.cfg
    if (conversion.width > conversion.limit)
        return report.usage_error("Szerokość " + std::to_string(conversion.width) +
                                  " przekracza największą szerokość logo (" +
                                  std::to_string(conversion.limit) + " pikseli) dla tego urządzenia");
    if (o.command == Command::Convert) return convert_only(f, conversion, console, report);
    if (o.command == Command::Report && PROTOCOL != 0)
        return report.usage_error("Raport grafik jest dostępny tylko dla drukarek (--printer)");
    // The trace file is opened before the job, so that one that cannot be written stops
    // the run before anything is sent.
    std::ofstream trace;
    if (!o.trace_file.empty()) {
        trace.open(fs_path(o.trace_file), std::ios::binary | std::ios::trunc);
        if (!trace) return report.usage_error("Nie można zapisać pliku śladu: " + o.trace_file);
    }

    const auto began = std::chrono::steady_clock::now();
    const bool started = press_button(o, f, conversion);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    console.end_progress();
    app_close();
    set_host(nullptr);
    std::error_code ec;
    if (!f.logo_file.empty()) std::filesystem::remove(fs_path(f.logo_file), ec);
    write_trace(trace, console.trace(), o.trace_file);
    join_background_threads(0);  // the job's and the check's threads have ended: joined here
    const int status = started && job_outcome == JobOutcome::Succeeded ? 0 : 1;
    report.finished(status, console.boxes(), seconds);
    return status;
}

// "scan": the network scan on the panel's settings and the options given.
int run_scan(const Options& o, const std::filesystem::path& start_dir, const Report& report) {
    install_interrupt_handlers();
    ConsoleHost console(false, {}, stdout, o.json);
    set_host(&console);
    app_start(utf8_path(start_dir));
    apply(o);
    std::string usage;
    const int status = scan_network(o, console, report.out, usage);
    if (status != 2) app_close();  // a usage error leaves the settings file as it was
    set_host(nullptr);
    return status == 2 ? report.usage_error(usage) : status;
}

}  // namespace

int run(int argc, char** argv) {
    Options o;
    std::string error;
    Report report;
    const bool parsed = parse(argc, argv, o, error);
    report.json = o.json || (!parsed && asks_for_json(argc, argv));
    report.command = o.command_name;
    if (!parsed) return report.usage_error(error);
    if (o.help) return report.text("help", help_text());
    if (o.version) return report.text("version", "tarvix-vizaze-cli " TV_VERSION "\n");
    if (o.debug) set_debug(true);
    std::error_code ec;
    const std::filesystem::path dir = o.dir.empty() ? std::filesystem::current_path(ec) : fs_path(o.dir);
    if (!std::filesystem::is_directory(dir, ec))
        return report.usage_error("Katalog nie istnieje: " + utf8_path(dir));
    const std::filesystem::path start_dir = std::filesystem::absolute(dir, ec);
    if (o.command == Command::Ports) return list_ports(utf8_path(start_dir), report);
    if (o.command == Command::Scan) return run_scan(o, start_dir, report);
    if (o.devices.empty()) return run_job(o, start_dir, report);
    const int status =
        run_devices(o, start_dir, own_program_path(argc > 0 ? argv[0] : nullptr), stdout, error);
    return status == 2 ? report.usage_error(error) : status;
}

// Arguments reach run() as UTF-8 on every system (Windows gives them in UTF-16), and the
// console shows the UTF-8 the tool writes.
int main(int argc, char** argv) {
    use_utf8_console();
    std::vector<std::string> args = utf8_arguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& a : args) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    return run(static_cast<int>(args.size()), pointers.data());
}
