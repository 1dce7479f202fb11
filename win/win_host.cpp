// Carrying the core's host calls out on the window's thread.
#include "win_host.h"

#include "main_window.h"
#include "ui/Controls.h"

namespace tv::win {

WinHost& WinHost::instance() {
    static WinHost* host = new WinHost;  // never destroyed: see the header
    return *host;
}

void WinHost::attach(MainWindow* window) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        window_ = window;
        hwnd_ = window->hwnd();
        thread_ = GetWindowThreadProcessId(hwnd_, nullptr);
    }
    tv::set_host(this);
}

void WinHost::detach(const MainWindow* window) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (window_ != window) return;
        window_ = nullptr;
        hwnd_ = nullptr;
    }
    tv::set_host(nullptr);
}

bool WinHost::on_window(const std::function<void(MainWindow&)>& fn) {
    std::unique_lock<std::mutex> lock(mutex_);
    MainWindow* w = window_;
    HWND hwnd = hwnd_;
    if (!w) return false;
    lock.unlock();
    // On the window's own thread the window cannot go meanwhile; the call may open a modal
    // loop in which other threads' calls are served, so no lock is held across it.
    if (GetCurrentThreadId() == thread_) {
        fn(*w);
        return true;
    }
    // Another thread: the window's thread runs the call when it next takes messages (in
    // its own loop or in a dialog's). A window destroyed before that makes SendMessageW
    // return 0, and the caller gets the defaults.
    MainWindow::HostCall call = fn;
    return SendMessageW(hwnd, MainWindow::kHostCall, 0, reinterpret_cast<LPARAM>(&call)) == 1;
}

Answer WinHost::message_box(const std::string& caption, const std::string& text, Icon icon, Buttons buttons,
                            Answer default_button) {
    Answer answer = default_button;
    on_window(
        [&](MainWindow& w) { answer = w.show_message_box(caption, text, icon, buttons, default_button); });
    return answer;
}

void WinHost::progress(int position) {
    on_window([position](MainWindow& w) { w.set_progress(position); });
}

void WinHost::trace_append(const std::string& text) {
    on_window([&text](MainWindow& w) { w.append_trace(text); });
}

void WinHost::trace_replace(const std::string& text) {
    on_window([&text](MainWindow& w) { w.replace_trace(text); });
}

void WinHost::control_changed(const Control& control) {
    // Only the handle is passed on: the window reads the state afresh from the model.
    const char* handle = control.handle;
    on_window([handle](MainWindow& w) { w.sync(handle); });
}

bool WinHost::choose_file(const std::string& start_dir, std::string& path) {
    bool chosen = false;
    on_window([&](MainWindow& w) { chosen = w.open_file_dialog(start_dir, path); });
    return chosen;
}

DialogResult WinHost::convert_dialog(ConvertSession& session) {
    DialogResult result = DialogResult::Cancelled;
    on_window([&](MainWindow& w) { result = w.show_convert_dialog(session); });
    return result;
}

int WinHost::choose_row(const std::string& caption, const std::vector<std::string>& columns,
                        const std::vector<std::vector<std::string>>& rows) {
    int row = -1;
    on_window([&](MainWindow& w) { row = w.show_row_dialog(caption, columns, rows); });
    return row;
}

void WinHost::repaint_preview() {
    on_window([](MainWindow& w) { w.update_preview(); });
}

void WinHost::focus(const Control& control) {
    const char* handle = control.handle;
    on_window([handle](MainWindow& w) { w.focus_control(handle); });
}

}  // namespace tv::win
