// The base fixture and the saved process-wide state.
#include "support/fixture.h"

#include <cstdlib>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/shell.h"
#include "codecs/printer/catalogue.h"
#include "common/globals.h"
#include "common/text.h"
#include "jobs/Worker.h"
#include "jobs/diagnostics.h"
#ifdef _WIN32
#include "support/host_serial.h"
#endif
#include "ui/Controls.h"
#include "ui/panel.h"

// Every test program, and every tool it starts, scans loopback addresses only: a network
// scan drops any other address unvisited (jobs/net_scan.cpp), whatever a test's settings name.
namespace {
[[maybe_unused]] const bool kLoopbackOnlyScans = [] {
#ifdef _WIN32
    return _putenv_s("TV_SCAN_LOOPBACK_ONLY", "1") == 0;
#else
    return ::setenv("TV_SCAN_LOOPBACK_ONLY", "1", 1) == 0;
#endif
}();
}  // namespace

namespace tv::test {

namespace {

// Remembers v as it is now, to be written back by undo.
template <class T>
void keep(std::vector<std::function<void()>>& undo, T& v) {
    undo.push_back([&v, was = T(v)] { v = was; });
}
template <class T>
void keep(std::vector<std::function<void()>>& undo, std::atomic<T>& v) {
    undo.push_back([&v, was = v.load()] { v = was; });
}
template <std::size_t N>
void keep(std::vector<std::function<void()>>& undo, char (&v)[N]) {
    undo.push_back([&v, was = std::string(v, N)] { std::memcpy(v, was.data(), N); });
}

}  // namespace

SavedState::SavedState() {
    keep(undo_, NR_COM);
    keep(undo_, gServerName);
    keep(undo_, gCurrendDir);
    keep(undo_, localDir);
    keep(undo_, ERR_MNEMONIK);
    keep(undo_, ERR_OPIS);
    keep(undo_, ERR_NR);
    keep(undo_, BAUDRATE_COM);
    keep(undo_, RCV_TIMEOUT);
    keep(undo_, TIMEOUT_BASE);
    keep(undo_, PROTOCOL);
    keep(undo_, PortTCP);
    keep(undo_, work_mode);
    keep(undo_, send_mode);
    keep(undo_, bAction);
    keep(undo_, Stoper);
    keep(undo_, job_abort);
    keep(undo_, job_outcome);
    keep(undo_, PaintBMP);
    keep(undo_, Gr_xmax);
    keep(undo_, Gr_ymax);
    keep(undo_, detect_first_port);
    keep(undo_, detect_last_port);
    undo_.push_back([name = gr_filename()] { set_gr_filename(name); });
    for (Control* c : all_controls()) {
        undo_.push_back([c, was = snapshot(c)] {
            if (c->kind == Kind::Selector)
                set_sel(c, was.selection);
            else
                set_text(c, was.text);
            set_checked(c, was.checked);
            enable(c, was.enabled);
            show(c, was.visible);
            set_position(c, was.position);
        });
    }
}

SavedState::~SavedState() {
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) (*it)();
}

Test::Test() {
    gCurrendDir = dir.path();
    mk_interface();
    host.clear();
}

Test::~Test() { join_background_threads(30000); }

void Test::make_folders() const {
    for (const char* folder : {"LOGS", "SEQ", "ports"}) std::filesystem::create_directory(dir.file(folder));
}

std::string Test::log() const { return read_file(dir.file("LOGS/log_.txt")); }
std::string Test::seq() const { return read_file(dir.file("SEQ/seq_")); }

void Test::point_com(int n, const std::string& target) const {
#ifdef _WIN32
    host::link_com(n, target);
#else
    const std::string link = com_link(n);
    std::error_code ec;
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(target, link);
#endif
}

std::string Test::com_link(int n) const {
#ifdef _WIN32
    return host::com_link(n);
#else
    return dir.file("ports/com" + std::to_string(n));
#endif
}

long elapsed_ms(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count());
}

}  // namespace tv::test
