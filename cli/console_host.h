// The console face: prints every message box (or keeps it for the JSON document), answers
// the one question as told (a bounded number of times), draws a progress bar on a terminal, and keeps the
// trace pane's text for --trace.
#pragma once
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "ui/host.h"

namespace tv::cli {

// How many times --yes answers "Tak" to the one question ("TIMEOUT! Try again?") in one
// run; the next time it answers "Nie", so that a silent device cannot hold a run for ever.
constexpr int kYesAnswers = 3;

class ConsoleHost : public Host {
  public:
    struct Box {
        std::string caption, text;
    };

    // Boxes are printed to out, or only kept (keep_boxes) for the caller to report.
    ConsoleHost(bool answer_yes, std::string file_to_choose, std::FILE* out, bool keep_boxes = false);
    Answer message_box(const std::string& caption, const std::string& text, Icon icon, Buttons buttons,
                       Answer default_button) override;
    void progress(int position) override;
    void trace_append(const std::string& text) override;
    void trace_replace(const std::string& text) override;
    void control_changed(const Control&) override {}
    bool choose_file(const std::string& start_dir, std::string& path) override;
    void repaint_preview() override {}
    // A terminal has no list to pick from: the rows are shown as a box (one line each, the
    // cells separated by blanks) and nothing is chosen; "scan --devices-out" makes a list.
    int choose_row(const std::string& caption, const std::vector<std::string>& columns,
                   const std::vector<std::vector<std::string>>& rows) override;

    std::string trace() const;
    std::vector<Box> boxes() const;  // every box shown, in order
    void end_progress();             // leaves the progress line

  private:
    mutable std::mutex mutex_;
    std::FILE* out_;
    bool answer_yes_;
    int yes_left_ = kYesAnswers;
    bool keep_boxes_;
    std::vector<Box> boxes_;
    std::string file_;
    std::string trace_;
    bool bar_ = false;  // standard error is a terminal
    bool bar_shown_ = false;
};

// Standard error is a terminal (the progress bar and the outcome lines of a list run go there).
bool stderr_is_terminal();

}  // namespace tv::cli
