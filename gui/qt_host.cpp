// Carrying the core's host calls out on the window's thread.
#include "qt_host.h"

#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "main_window.h"
#include "ui/Controls.h"

namespace tv::gui {

QtHost& QtHost::instance() {
    static QtHost* host = new QtHost;  // never destroyed: see the header
    return *host;
}

// One call carried to the window's thread: finished when it has run there, or when it was
// dropped because the window went first. Whatever the call wrote is visible to the waiting
// caller once it wakes.
struct QtHost::Completion {
    std::mutex mutex;
    std::condition_variable cv;
    bool finished = false;
    bool ran = false;
    void finish(bool did_run) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            finished = true;
            ran = did_run;
        }
        cv.notify_all();
    }
    bool wait() {
        std::unique_lock<std::mutex> lock(mutex);
        cv.wait(lock, [this] { return finished; });
        return ran;
    }
};

void QtHost::attach(MainWindow* window) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        window_ = window;
    }
    tv::set_host(this);
}

void QtHost::detach(const MainWindow* window) {
    std::deque<Pending> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (window_ != window) return;
        window_ = nullptr;
        dropped.swap(pending_);
    }
    tv::set_host(nullptr);
    for (Pending& p : dropped) p.done->finish(false);  // their callers get the defaults
}

bool QtHost::on_window(const std::function<void(MainWindow&)>& fn) {
    std::unique_lock<std::mutex> lock(mutex_);
    MainWindow* w = window_;
    if (!w) return false;
    if (QThread::currentThread() == w->thread()) {
        // On the window's own thread the window cannot go meanwhile; the call may open a
        // modal loop in which other threads' calls are served, so the lock is let go.
        lock.unlock();
        fn(*w);
        return true;
    }
    auto done = std::make_shared<Completion>();
    pending_.push_back(Pending{fn, done});
    // The wake-up carries nothing: the call itself waits in pending_.
    QMetaObject::invokeMethod(
        w, [] { QtHost::instance().serve(); }, Qt::QueuedConnection);
    lock.unlock();
    return done->wait();
}

void QtHost::serve() {
    for (;;) {
        Pending p;
        MainWindow* w = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (pending_.empty() || !window_) return;
            p = std::move(pending_.front());
            pending_.pop_front();
            w = window_;
        }
        p.fn(*w);
        p.done->finish(true);
    }
}

Answer QtHost::message_box(const std::string& caption, const std::string& text, Icon icon, Buttons buttons,
                           Answer default_button) {
    Answer answer = default_button;
    on_window(
        [&](MainWindow& w) { answer = w.show_message_box(caption, text, icon, buttons, default_button); });
    return answer;
}

void QtHost::progress(int position) {
    on_window([position](MainWindow& w) { w.set_progress(position); });
}

void QtHost::trace_append(const std::string& text) {
    on_window([&text](MainWindow& w) { w.append_trace(text); });
}

void QtHost::trace_replace(const std::string& text) {
    on_window([&text](MainWindow& w) { w.replace_trace(text); });
}

void QtHost::control_changed(const Control& control) {
    // Only the handle is passed on: the window reads the state afresh from the model.
    const char* handle = control.handle;
    on_window([handle](MainWindow& w) { w.sync_control(handle); });
}

bool QtHost::choose_file(const std::string& start_dir, std::string& path) {
    bool chosen = false;
    on_window([&](MainWindow& w) { chosen = w.open_file_dialog(start_dir, path); });
    return chosen;
}

DialogResult QtHost::convert_dialog(ConvertSession& session) {
    DialogResult result = DialogResult::Cancelled;
    on_window([&](MainWindow& w) { result = w.show_convert_dialog(session); });
    return result;
}

int QtHost::choose_row(const std::string& caption, const std::vector<std::string>& columns,
                       const std::vector<std::vector<std::string>>& rows) {
    int row = -1;
    on_window([&](MainWindow& w) { row = w.show_row_dialog(caption, columns, rows); });
    return row;
}

void QtHost::repaint_preview() {
    on_window([](MainWindow& w) { w.update_preview(); });
}

void QtHost::focus(const Control& control) {
    const char* handle = control.handle;
    on_window([handle](MainWindow& w) { w.focus_control(handle); });
}

}  // namespace tv::gui
