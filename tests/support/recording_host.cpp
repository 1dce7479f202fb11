// Recording host and small file helpers for the tests.
#include "support/recording_host.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "common/hex.h"
#include "common/paths.h"
#include "image/convert_session.h"
#include "ui/Controls.h"

namespace tv::test {

RecordingHost::RecordingHost() { set_host(this); }
RecordingHost::~RecordingHost() { set_host(nullptr); }

Answer RecordingHost::message_box(const std::string& caption, const std::string& text, Icon icon,
                                  Buttons buttons, Answer default_button) {
    std::lock_guard<std::mutex> lock(mutex_);
    record(Event{Event::Box, caption, text, icon, buttons, 0});
    if (answers_.empty()) return default_button;
    Answer a = answers_.front();
    answers_.pop_front();
    return a;
}

void RecordingHost::progress(int position) {
    std::function<void(int)> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(Event{Event::Progress, {}, {}, Icon::Information, Buttons::Ok, position});
        hook = progress_hook_;
    }
    if (hook) hook(position);
}

void RecordingHost::on_progress(std::function<void(int)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    progress_hook_ = std::move(hook);
}

void RecordingHost::trace_append(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    trace_ += text;
    record(Event{Event::TraceAppend, {}, text, Icon::Information, Buttons::Ok, 0});
}

void RecordingHost::trace_replace(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    trace_ = text;
    record(Event{Event::TraceReplace, {}, text, Icon::Information, Buttons::Ok, 0});
}

void RecordingHost::control_changed(const Control& control) {
    std::lock_guard<std::mutex> lock(mutex_);
    record(Event{Event::ControlChanged, {}, control.handle, Icon::Information, Buttons::Ok, 0});
}

bool RecordingHost::choose_file(const std::string& start_dir, std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    record(Event{Event::ChooseFile, {}, start_dir, Icon::Information, Buttons::Ok, 0});
    if (files_.empty()) return false;
    path = files_.front();
    files_.pop_front();
    return true;
}

int RecordingHost::choose_row(const std::string& caption, const std::vector<std::string>& columns,
                              const std::vector<std::vector<std::string>>& rows) {
    std::string text;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size() && i < columns.size(); ++i) text += (i ? " | " : "") + row[i];
        text += "\n";
    }
    std::lock_guard<std::mutex> lock(mutex_);
    record(Event{Event::ChooseRow, caption, text, Icon::Information, Buttons::Ok, 0});
    if (rows_.empty()) return -1;
    const int row = rows_.front();
    rows_.pop_front();
    return row;
}

void RecordingHost::choose_row_next(int row) {
    std::lock_guard<std::mutex> lock(mutex_);
    rows_.push_back(row);
}

void RecordingHost::repaint_preview() {
    std::lock_guard<std::mutex> lock(mutex_);
    record(Event{Event::Repaint, {}, {}, Icon::Information, Buttons::Ok, 0});
}

void RecordingHost::record(Event e) {
    events_.push_back(std::move(e));
    changed_.notify_all();
}

template <class Pred>
bool RecordingHost::wait(std::chrono::milliseconds timeout, Pred pred) const {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return cancelled_ || pred(); });
    return !cancelled_ && pred();
}

bool RecordingHost::wait_for_boxes(std::size_t n, std::chrono::milliseconds timeout) const {
    return wait(timeout, [&] {
        std::size_t boxes = 0;
        for (const auto& e : events_) boxes += e.type == Event::Box;
        return boxes >= n;
    });
}

bool RecordingHost::wait_for_trace(const std::string& text, std::chrono::milliseconds timeout) const {
    return wait(timeout, [&] { return trace_.find(text) != std::string::npos; });
}

void RecordingHost::cancel_waits() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
}

bool RecordingHost::shows_convert_dialog() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<bool>(converter_);
}

DialogResult RecordingHost::convert_dialog(ConvertSession& session) {
    std::function<DialogResult(ConvertSession&)> user;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(
            Event{Event::ConvertDialog, {}, session.source_path(), Icon::Information, Buttons::Ok, 0});
        user = converter_;
    }
    if (!user) return DialogResult::Cancelled;
    // "OK" closes the dialog only when the session accepts it; the user goes on otherwise.
    for (;;) {
        const DialogResult r = user(session);
        if (r != DialogResult::Accepted || session.accept()) return r;
    }
}

void RecordingHost::convert_with(std::function<DialogResult(ConvertSession&)> user) {
    std::lock_guard<std::mutex> lock(mutex_);
    converter_ = std::move(user);
}

void RecordingHost::focus(const Control& control) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(Event{Event::Focus, {}, control.handle, Icon::Information, Buttons::Ok, 0});
}

std::vector<std::string> RecordingHost::focused() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> v;
    for (const Event& e : events_)
        if (e.type == Event::Focus) v.push_back(e.text);
    return v;
}

void RecordingHost::answer_next(Answer a) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(a);
}

void RecordingHost::choose_next(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    files_.push_back(path);
}

std::vector<Event> RecordingHost::events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

std::vector<Event> RecordingHost::boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Event> v;
    for (const auto& e : events_)
        if (e.type == Event::Box) v.push_back(e);
    return v;
}

std::vector<std::string> RecordingHost::box_texts() const {
    std::vector<std::string> v;
    for (const auto& b : boxes()) v.push_back("[" + b.caption + "] " + b.text);
    return v;
}

std::vector<Box> RecordingHost::boxes_shown() const {
    std::vector<Box> v;
    for (const auto& b : boxes()) v.push_back({b.caption, b.text, b.icon, b.buttons});
    return v;
}

void PrintTo(const Box& box, std::ostream* os) {
    static const char* const icons[] = {"Information", "Warning", "Question"};
    *os << "[" << box.caption << "] \"" << box.text << "\" " << icons[static_cast<int>(box.icon)]
        << (box.buttons == Buttons::YesNo ? " YesNo" : " Ok");
}

std::vector<int> RecordingHost::progress_values() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int> v;
    for (const auto& e : events_)
        if (e.type == Event::Progress) v.push_back(e.value);
    return v;
}

std::string RecordingHost::trace() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return trace_;
}

void RecordingHost::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
    trace_.clear();
}

TempDir::TempDir() {
    // A new folder of a random name; creating it is the test that it was not there.
    std::random_device random;
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "tvtest-%08x", static_cast<unsigned>(random()));
        const std::filesystem::path p = base / name;
        if (std::filesystem::create_directory(p, ec)) {
            path_ = utf8_path(p);
            return;
        }
    }
    std::abort();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(fs_path(path_), ec);
}

std::string read_file(const std::string& path) {
    std::ifstream f(fs_path(path), std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream f(fs_path(path), std::ios::binary | std::ios::trunc);
    f << bytes;
}

std::string hex(const unsigned char* p, std::size_t n) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", p[i]);
        if (i) out += ' ';
        out += buf;
    }
    return out;
}

std::string hex(const std::string& bytes) {
    return hex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string from_hex(const std::string& text) {
    std::string out;
    int high = -1;
    for (char c : text) {
        const int d = hex_value(c);
        if (d < 0) continue;
        if (high < 0) {
            high = d;
        } else {
            out.push_back(static_cast<char>(high * 16 + d));
            high = -1;
        }
    }
    return out;
}

std::size_t count_of(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

}  // namespace tv::test
