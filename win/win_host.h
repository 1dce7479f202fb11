// The window's side of the host interface. Calls may come from any thread (the worker, the
// BMP check); each is carried out on the window's thread: a call from another thread is
// sent to the window as a private message (SendMessageW) and returns when it has been
// done there, so effects keep the order the jobs give and a message box holds its caller
// until the user answers.
#pragma once
#include <windows.h>

#include <functional>
#include <mutex>

#include "ui/host.h"

namespace tv::win {

class MainWindow;

class WinHost final : public tv::Host {
  public:
    // The process's one window host: it lives until the process ends, so that a job still
    // running when the window goes finds a host that quietly answers with the defaults.
    static WinHost& instance();

    void attach(MainWindow* window);  // installs this host for the window
    // Back to the quiet default when `window` is the one attached; later calls do nothing.
    void detach(const MainWindow* window);

    Answer message_box(const std::string& caption, const std::string& text, Icon icon, Buttons buttons,
                       Answer default_button) override;
    void progress(int position) override;
    void trace_append(const std::string& text) override;
    void trace_replace(const std::string& text) override;
    void control_changed(const Control& control) override;
    bool choose_file(const std::string& start_dir, std::string& path) override;
    void repaint_preview() override;
    bool shows_convert_dialog() const override { return true; }
    DialogResult convert_dialog(ConvertSession& session) override;
    void focus(const Control& control) override;
    int choose_row(const std::string& caption, const std::vector<std::string>& columns,
                   const std::vector<std::vector<std::string>>& rows) override;

  private:
    WinHost() = default;
    // Runs fn on the window's thread (at once when already there); false when there is no
    // window any more, or it went before the call could run.
    bool on_window(const std::function<void(MainWindow&)>& fn);

    std::mutex mutex_;  // guards the three below
    MainWindow* window_ = nullptr;
    HWND hwnd_ = nullptr;
    DWORD thread_ = 0;
};

}  // namespace tv::win
