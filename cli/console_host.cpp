// The console face's host.
#include "console_host.h"

#include <cstdio>
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace tv::cli {

ConsoleHost::ConsoleHost(bool answer_yes, std::string file_to_choose, std::FILE* out, bool keep_boxes)
    : out_(out),
      answer_yes_(answer_yes),
      keep_boxes_(keep_boxes),
      file_(std::move(file_to_choose)),
      bar_(stderr_is_terminal()) {}

bool stderr_is_terminal() { return isatty(fileno(stderr)) != 0; }

Answer ConsoleHost::message_box(const std::string& caption, const std::string& text, Icon, Buttons buttons,
                                Answer default_button) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (bar_shown_) {
        std::fputs("\n", stderr);
        bar_shown_ = false;
    }
    boxes_.push_back({caption, text});
    if (!keep_boxes_) {
        std::fprintf(out_, "[%s] %s\n\n", caption.c_str(), text.c_str());
        std::fflush(out_);
    }
    if (buttons != Buttons::YesNo) return default_button;
    if (!answer_yes_ || yes_left_ == 0) return Answer::No;
    --yes_left_;
    return Answer::Yes;
}

int ConsoleHost::choose_row(const std::string& caption, const std::vector<std::string>&,
                            const std::vector<std::vector<std::string>>& rows) {
    std::string text;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) text += (i ? "  " : "") + row[i];
        text += "\n";
    }
    message_box(caption, text + "Wybór: tarvix-vizaze-cli scan --devices-out LISTA", Icon::Information,
                Buttons::Ok, Answer::Ok);
    return -1;
}

void ConsoleHost::progress(int position) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!bar_) return;
    if (position <= 0 && !bar_shown_) return;
    const int width = 40;
    const int filled = position * width / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
                 width - filled, "", position);
    std::fflush(stderr);
    bar_shown_ = true;
}

void ConsoleHost::end_progress() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (bar_shown_) std::fputs("\n", stderr);
    bar_shown_ = false;
}

void ConsoleHost::trace_append(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    trace_ += text;
}

void ConsoleHost::trace_replace(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    trace_ = text;
}

bool ConsoleHost::choose_file(const std::string&, std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_.empty()) return false;
    path = file_;
    return true;
}

std::vector<ConsoleHost::Box> ConsoleHost::boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

std::string ConsoleHost::trace() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return trace_;
}

}  // namespace tv::cli
