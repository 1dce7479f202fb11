// A host for tests: keeps every call the core makes on a face, in order, and answers
// message boxes from a script (the default button when the script is empty).
#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "ui/host.h"

namespace tv::test {

struct Event {
    enum Type {
        Box,
        Progress,
        TraceAppend,
        TraceReplace,
        ControlChanged,
        ChooseFile,
        Repaint,
        ConvertDialog,
        Focus,
        ChooseRow
    };
    Type type;
    std::string caption;  // Box
    std::string
        text;  // Box text, trace text, control handle (ControlChanged, Focus), picture of a conversion
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    int value = 0;  // Progress
};

// A message box as the user saw it, for comparing whole.
struct Box {
    std::string caption;
    std::string text;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    bool operator==(const Box&) const = default;
};
void PrintTo(const Box& box, std::ostream* os);  // readable test failures

class RecordingHost : public Host {
  public:
    RecordingHost();            // installs itself
    ~RecordingHost() override;  // restores the quiet default

    Answer message_box(const std::string& caption, const std::string& text, Icon icon, Buttons buttons,
                       Answer default_button) override;
    void progress(int position) override;
    void trace_append(const std::string& text) override;
    void trace_replace(const std::string& text) override;
    void control_changed(const Control& control) override;
    bool choose_file(const std::string& start_dir, std::string& path) override;
    void repaint_preview() override;
    bool shows_convert_dialog() const override;
    DialogResult convert_dialog(ConvertSession& session) override;
    void focus(const Control& control) override;
    // Recorded with the caption, and the rows as text (cells joined by " | ", rows by "\n");
    // answers the row scripted by choose_row_next, or -1 (closed without a choice).
    int choose_row(const std::string& caption, const std::vector<std::string>& columns,
                   const std::vector<std::vector<std::string>>& rows) override;
    void choose_row_next(int row);

    // Scripting.
    void answer_next(Answer a);                 // next message box gets this answer
    void choose_next(const std::string& path);  // next file dialog returns this path
    // From now on the conversion dialog is shown, played by user: it may set the session's
    // options (and update it) and gives the button pressed. An empty user: not shown.
    void convert_with(std::function<DialogResult(ConvertSession&)> user);
    // Called with every progress position, on the caller's thread, before the call returns:
    // a test can act at an exact point of a job.
    void on_progress(std::function<void(int)> hook);

    // Inspection.
    std::vector<Event> events() const;
    std::vector<Event> boxes() const;
    std::vector<std::string> box_texts() const;  // each box as "[caption] text"
    std::vector<Box> boxes_shown() const;
    std::vector<int> progress_values() const;
    std::vector<std::string> focused() const;  // handles given the focus, in order
    std::string trace() const;                 // the trace pane's text as the face would show it
    void clear();

    // Waiting on the core's calls (from another thread): true once n message boxes were
    // shown, or the trace pane holds text; false when the time-out passed first or
    // cancel_waits() was called.
    bool wait_for_boxes(std::size_t n, std::chrono::milliseconds timeout) const;
    bool wait_for_trace(const std::string& text, std::chrono::milliseconds timeout) const;
    void cancel_waits();

  private:
    template <class Pred>
    bool wait(std::chrono::milliseconds timeout, Pred pred) const;
    void record(Event e);  // with the lock held
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool cancelled_ = false;
    std::vector<Event> events_;
    std::deque<Answer> answers_;
    std::deque<std::string> files_;
    std::deque<int> rows_;
    std::function<DialogResult(ConvertSession&)> converter_;
    std::string trace_;
    std::function<void(int)> progress_hook_;
};

// A fresh temporary directory, removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }
    // The system's own separator after the folder, as a path the core builds on it has.
    std::string file(const std::string& rel) const { return path_ + kSeparator + rel; }
    static constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

  private:
    std::string path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
// Bytes as space-separated upper-case hex pairs, for readable comparisons.
std::string hex(const std::string& bytes);
std::string hex(const unsigned char* p, std::size_t n);
// "10 02 0a" -> the three bytes (anything but hex digits is skipped).
std::string from_hex(const std::string& text);
// Counts the non-overlapping occurrences of what in text.
std::size_t count_of(const std::string& text, const std::string& what);

}  // namespace tv::test
