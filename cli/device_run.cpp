// The run over a list of devices. The core runs one job per process, so each device is a
// process of this tool of its own, started with --json so that its boxes come back whole.
#include "device_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>
#include "child_process.h"
#include "common/paths.h"
#include "console_host.h"
#include "device_list.h"
#include "json_report.h"
#include "link/serial_port.h"

namespace tv::cli {
namespace fs = std::filesystem;
namespace {

std::atomic<bool> g_stop{false};

extern "C" void on_list_interrupt(int) { g_stop = true; }

// What became of one device.
struct Outcome {
    bool started = false;
    int exit = 1;
    Json boxes = Json::array();
    double seconds = 0;
    std::string error;    // what went wrong around the device's own run, if anything
    std::string outcome;  // as its own document said (empty: none said)
    std::string reason;
};

// One device's process and the thread that waits for it.
struct Running {
    ChildProcess child;
    std::thread waiter;
    ChildProcess::Output output;
    std::chrono::steady_clock::time_point started, ended;
};

// The line a device is reached over: two devices on one line never run at once. A serial
// port is known by the device it leads to (two COM names may lead to one), a TCP device
// by its address and port.
std::string line_of(const Device& d, const fs::path& dir) {
    if (!d.serial) return "tcp " + d.address + ":" + d.port;
    const std::string path = com_device_path(d.address.c_str(), utf8_path(dir));
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(path, ec);
    return "serial " + (ec ? path : utf8_path(canonical));
}

// The device's working directory. LOGS and SEQ are made there when the list's directory
// has them (the records are kept where the user asked for them), and the directory's
// ports folder (COM names mapped to devices) serves every device.
bool prepare_directory(const fs::path& dir, const Device& d, fs::path& own, std::string& error) {
    std::error_code ec;
    own = dir / "devices" / d.name;
    fs::create_directories(own, ec);
    if (ec) {
        error = "nie można utworzyć katalogu " + utf8_path(own);
        return false;
    }
    for (const char* records : {"LOGS", "SEQ"})
        if (fs::is_directory(dir / records, ec)) fs::create_directory(own / records, ec);
#ifndef _WIN32
    if (d.serial && fs::is_directory(dir / "ports", ec) &&
        fs::symlink_status(own / "ports", ec).type() == fs::file_type::not_found) {
        fs::create_directory_symlink(fs::absolute(dir / "ports", ec), own / "ports", ec);
    }
#endif
    return true;
}

std::vector<std::string> device_arguments(const Options& o, const Device& d, const fs::path& own,
                                          const std::string& file) {
    std::vector<std::string> a = {"--dir", utf8_path(own), "--json"};
    if (!o.trace_file.empty()) {
        fs::path name = fs_path(o.trace_file).filename();
        if (name.empty()) name = "trace.txt";
        a.insert(a.end(), {"--trace", utf8_path(own / name)});
    }
    const auto shared = shared_arguments(o);
    a.insert(a.end(), shared.begin(), shared.end());
    if (d.serial)
        a.insert(a.end(), {"--serial", "--port", d.address, "--baud", d.port});
    else
        a.insert(a.end(), {"--ethernet", "--ip", d.address, "--tcp-port", d.port});
    a.push_back(d.printer ? "--printer" : "--register");
    a.push_back(o.command_name);
    if (!file.empty()) a.push_back(file);
    return a;
}

// The outcome from what the device's process printed: its JSON document, or, when there
// is none, the first line of what it said on standard error.
Outcome outcome_of(const ChildProcess::Output& r, double seconds) {
    Outcome res;
    res.started = true;
    res.seconds = rounded_seconds(seconds);
    res.exit = r.status >= 0 ? r.status : 1;
    const Json doc = Json::parse(r.out, nullptr, false);
    if (!doc.is_discarded() && doc.is_object() && doc.contains("boxes") && doc["boxes"].is_array()) {
        res.boxes = doc["boxes"];
        res.outcome = doc.value("outcome", std::string());
        res.reason = doc.value("reason", std::string());
    } else {
        std::string said = r.err.substr(0, r.err.find('\n'));
        const std::string prefix = "tarvix-vizaze-cli: ";
        if (said.rfind(prefix, 0) == 0) said.erase(0, prefix.size());
        res.error = !said.empty() ? said
                    : r.status < 0
                        ? "proces urządzenia został przerwany"
                        : "proces urządzenia zakończył się bez wyniku (kod " + std::to_string(r.status) + ")";
    }
    if (r.status < 0 && res.error.empty()) res.error = "proces urządzenia został przerwany";
    return res;
}

std::string outcome_line(const std::string& name, const Outcome& r, bool stopped) {
    if (!r.started) return name + ": nie uruchomiono (" + (r.error.empty() ? "przerwano" : r.error) + ")";
    if (r.exit == 0) return name + ": sukces";
    std::string what = reason_text(r.boxes, r.error);
    if (what.empty()) what = stopped ? "przerwano" : "bez komunikatu";
    return name + ": niepowodzenie: " + what;
}

// A device's entry of the list's document. Its outcome and reason are those its own
// document gave; without one they follow from what became of its process.
Json device_entry(const std::string& name, const Outcome& r, bool stopped) {
    Json entry;
    entry["name"] = name;
    entry["exit"] = r.exit;
    entry["boxes"] = r.boxes;
    entry["seconds"] = r.seconds;
    if (!r.started) {
        entry["error"] = r.error.empty() ? "nie uruchomiono: przerwano" : r.error;
        entry["outcome"] = r.error.empty() ? OUTCOME_NOT_STARTED : OUTCOME_FAILED;
        entry["reason"] = "nie uruchomiono: " + (r.error.empty() ? std::string("przerwano") : r.error);
        return entry;
    }
    if (!r.error.empty()) entry["error"] = r.error;
    const bool interrupted = r.exit != 0 && stopped;
    entry["outcome"] = !r.outcome.empty() ? r.outcome
                       : r.exit == 0      ? OUTCOME_SUCCEEDED
                       : interrupted      ? OUTCOME_INTERRUPTED
                                          : OUTCOME_FAILED;
    std::string reason = !r.outcome.empty() || r.exit == 0 ? r.reason : reason_text(r.boxes, r.error);
    if (r.exit != 0 && reason.empty()) reason = interrupted ? "przerwano" : "bez komunikatu";
    entry["reason"] = reason;
    return entry;
}

// Where the outcome lines go: standard output; with --json that carries the document only,
// and the lines go to a terminal's standard error, if there is one.
class OutcomeLines {
  public:
    OutcomeLines(const Options& o, std::FILE* out)
        : lines_(!o.json                ? out
                 : stderr_is_terminal() ? stderr
                                        : nullptr) {}
    void say(const std::string& name, const Outcome& r, bool stopped) const {
        if (!lines_) return;
        std::fprintf(lines_, "%s\n", outcome_line(name, r, stopped).c_str());
        std::fflush(lines_);
    }

  private:
    std::FILE* lines_;
};

// Runs every device's process: at most --parallel at a time, never two on one line, none
// started once a stop is asked for (which goes on to the running ones). Tells each outcome
// the moment it is known.
class Scheduler {
  public:
    using Told = std::function<void(const Device& device, const Outcome& outcome, bool stopped)>;

    Scheduler(const Options& o, const std::vector<Device>& devices, const fs::path& dir, const fs::path& self,
              const std::string& file, Told told)
        : o_(o),
          devices_(devices),
          dir_(dir),
          self_(self),
          file_(file),
          told_(std::move(told)),
          outcomes_(devices.size()),
          taken_(devices.size(), false),
          runs_(devices.size()) {
        for (const Device& d : devices) lines_.push_back(line_of(d, dir));
    }

    // Returns once every device started has ended, and every device has started or a stop
    // was asked for.
    void run() {
        bool forwarded = false;
        while (true) {
            const bool stop = g_stop.load();
            if (stop && !forwarded) {
                for (auto& r : runs_)
                    if (r) r->child.interrupt();
                forwarded = true;
            }
            if (!stop) start_what_may_start();
            std::deque<std::size_t> done;
            if (!wait_for_ends(stop, done)) return;
            for (std::size_t i : done) finish(i);
        }
    }

    const Outcome& outcome(std::size_t i) const { return outcomes_[i]; }
    // Started, or given up before it could start.
    bool taken(std::size_t i) const { return taken_[i]; }

  private:
    void start_what_may_start() {
        for (std::size_t i = 0; i < devices_.size() && running_ < static_cast<std::size_t>(o_.parallel); ++i)
            if (!taken_[i] && !busy_.count(lines_[i])) start(i);
    }

    void start(std::size_t i) {
        taken_[i] = true;
        const Device& d = devices_[i];
        fs::path own;
        std::string error;
        auto run = std::make_unique<Running>();
        run->started = std::chrono::steady_clock::now();
        if (!prepare_directory(dir_, d, own, error) ||
            !run->child.start(self_, device_arguments(o_, d, own, file_), error)) {
            outcomes_[i].error = error;
            told_(d, outcomes_[i], false);
            return;
        }
        outcomes_[i].started = true;
        busy_.insert(lines_[i]);
        ++running_;
        Running* r = run.get();
        run->waiter = std::thread([this, r, i] {
            r->output = r->child.wait();
            r->ended = std::chrono::steady_clock::now();
            std::lock_guard<std::mutex> lock(mutex_);
            finished_.push_back(i);
            ended_.notify_one();
        });
        runs_[i] = std::move(run);
    }

    // Takes the devices that ended into done, waiting a slice for one when none has, so that
    // a Ctrl-C is seen while the devices run. False when nothing runs and nothing will start.
    bool wait_for_ends(bool stop, std::deque<std::size_t>& done) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (finished_.empty()) {
            const bool all_taken = std::find(taken_.begin(), taken_.end(), false) == taken_.end();
            if (running_ == 0 && (stop || all_taken)) return false;
            ended_.wait_for(lock, std::chrono::milliseconds(50), [this] { return !finished_.empty(); });
        }
        done.swap(finished_);
        return true;
    }

    void finish(std::size_t i) {
        Running& r = *runs_[i];
        r.waiter.join();
        busy_.erase(lines_[i]);
        --running_;
        outcomes_[i] = outcome_of(r.output, std::chrono::duration<double>(r.ended - r.started).count());
        told_(devices_[i], outcomes_[i], g_stop.load());
        runs_[i].reset();
    }

    const Options& o_;
    const std::vector<Device>& devices_;
    const fs::path dir_, self_;
    const std::string file_;
    const Told told_;
    std::vector<std::string> lines_;  // each device's line
    std::vector<Outcome> outcomes_;
    std::vector<bool> taken_;
    std::vector<std::unique_ptr<Running>> runs_;
    std::set<std::string> busy_;  // the lines in use
    std::size_t running_ = 0;

    std::mutex mutex_;  // guards finished_, which the waiting threads fill
    std::condition_variable ended_;
    std::deque<std::size_t> finished_;
};

// The list, checked against the command; false with a message in usage_error.
bool read_devices(const Options& o, const fs::path& self, std::vector<Device>& devices,
                  std::string& usage_error) {
    if (!read_device_list(o.devices, devices, usage_error)) return false;
    if (o.command == Command::Report)
        for (const Device& d : devices)
            if (!d.printer) {
                usage_error = "Lista urządzeń " + o.devices + ", wiersz " + std::to_string(d.line) +
                              ": raport grafik jest dostępny tylko dla drukarek";
                return false;
            }
    if (self.empty()) {
        usage_error = "Nie można ustalić ścieżki programu tarvix-vizaze-cli";
        return false;
    }
    return true;
}

void install_list_interrupts() {
    g_stop = false;
    std::signal(SIGINT, on_list_interrupt);
    std::signal(SIGTERM, on_list_interrupt);
#ifdef SIGBREAK
    std::signal(SIGBREAK, on_list_interrupt);
#endif
#ifdef SIGHUP
    std::signal(SIGHUP, on_list_interrupt);  // a dropped session stops the list as SIGTERM does
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

// --json: the list's document, every device with its entry.
Json list_document(const Options& o, const std::vector<Device>& devices, const Scheduler& run,
                   std::size_t ok) {
    const bool stopped = g_stop.load();
    const std::size_t n = devices.size();
    Json doc;
    doc["devices"] = Json::array();
    for (std::size_t i = 0; i < n; ++i)
        doc["devices"].push_back(device_entry(devices[i].name, run.outcome(i), stopped));
    doc["ok"] = ok;
    doc["failed"] = n - ok;
    doc["command"] = o.command_name;
    doc["exit"] = ok == n ? 0 : 1;
    doc["outcome"] = ok == n ? OUTCOME_SUCCEEDED : stopped ? OUTCOME_INTERRUPTED : OUTCOME_FAILED;
    return doc;
}

// The end of the run: a line for each device never started, then the count of successes
// (or the JSON document). Returns the exit status.
int report_run(const Options& o, const std::vector<Device>& devices, const Scheduler& run,
               const OutcomeLines& lines, std::FILE* out) {
    const std::size_t n = devices.size();
    std::size_t ok = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!run.taken(i)) lines.say(devices[i].name, run.outcome(i), true);
        if (run.outcome(i).started && run.outcome(i).exit == 0) ++ok;
    }
    if (o.json)
        std::fputs(json_text(list_document(o, devices, run, ok)).c_str(), out);
    else
        std::fprintf(out, "Sukces: %zu z %zu urządzeń.\n", ok, n);
    std::fflush(out);
    return ok == n ? 0 : 1;
}

}  // namespace

int run_devices(const Options& o, const fs::path& dir, const fs::path& self, std::FILE* out,
                std::string& usage_error) {
    std::vector<Device> devices;
    if (!read_devices(o, self, devices, usage_error)) return 2;
    std::error_code ec;
    const std::string file = o.file.empty() ? std::string() : utf8_path(fs::absolute(fs_path(o.file), ec));
    install_list_interrupts();
    const OutcomeLines lines(o, out);
    Scheduler run(o, devices, dir, self, file, [&lines](const Device& d, const Outcome& r, bool stopped) {
        lines.say(d.name, r, stopped);
    });
    run.run();
    return report_run(o, devices, run, lines, out);
}

}  // namespace tv::cli
