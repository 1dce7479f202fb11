// The main window: the whole control panel as system controls at the model's places, the
// preview of the chosen picture, the dialogs the core asks for, F12 and the close.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "preview.h"
#include "ui/host.h"

namespace tv {
struct Control;
}

namespace tv::win {

class FontSet;

class MainWindow {
  public:
    // A host call carried to the window's thread: lParam points at a HostCall, which has
    // run when SendMessageW returns 1.
    static constexpr UINT kHostCall = WM_APP + 1;
    using HostCall = std::function<void(MainWindow&)>;
    // The command F12 gives (an accelerator of the window).
    static constexpr int kTraceKey = 900;
    // The version label's child id; the panel's controls have kFirstControlId + their index
    // in tv::all_controls().
    static constexpr int kVersionId = 901;
    static constexpr int kFirstControlId = 1000;
    static constexpr wchar_t kClassName[] = L"TarvixVizazeWindow";

    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Makes the window and its controls, hidden, and installs this window's host. With
    // quit_on_close the thread's message loop ends when the window goes (the program's);
    // false for a window inside another loop (the tests'). False when it cannot be made.
    bool create(bool quit_on_close);
    // Starts the application in startup_dir (panel, settings) with this window as the host.
    void start(const std::string& startup_dir);
    void show(int how);

    HWND hwnd() const { return hwnd_; }
    // The system control drawn for a control of the panel model (nullptr for an unknown
    // handle).
    HWND control(const char* handle) const;
    HWND version_label() const { return version_; }
    const Preview& preview() const { return preview_; }

    // For the thread's message loop: the window's keys (F12, Tab between the controls).
    // True when the message has been handled and must not be dispatched.
    bool pre_translate(MSG& msg);

    // The host's requests, carried out on the window's thread.
    Answer show_message_box(const std::string& caption, const std::string& text, Icon icon, Buttons buttons,
                            Answer default_button);
    void set_progress(int position);
    void append_trace(const std::string& text);
    void replace_trace(const std::string& text);
    void sync(const char* handle);
    bool open_file_dialog(const std::string& start_dir, std::string& path);
    DialogResult show_convert_dialog(ConvertSession& session);
    // The list of rows to choose one from (the network scan's devices); -1 when closed.
    int show_row_dialog(const std::string& caption, const std::vector<std::string>& columns,
                        const std::vector<std::vector<std::string>>& rows);
    void update_preview();
    void focus_control(const char* handle);

  private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void build_panel();
    void set_tab_order();
    void apply_dpi(UINT dpi);
    void on_command(int id, int code, HWND from);
    void on_selector(tv::Control* model, int code, HWND from);
    LRESULT on_colour(UINT msg, HDC dc, HWND from);
    void on_measure(MEASUREITEMSTRUCT& m);
    void on_close();
    void close_after_job();
    void finish_close();
    // Gives the focus to the control that had it last, or to the first one Tab visits.
    void restore_focus();
    tv::Control* model_of(int id) const;

    HWND hwnd_ = nullptr;
    HWND version_ = nullptr;
    HACCEL keys_ = nullptr;
    HWND last_focus_ = nullptr;  // the control with the focus when the window was last left
    bool quit_on_close_ = false;
    bool syncing_ = false;  // controls being set from the model: their notifications are ignored
    bool closed_ = false;
    bool close_waiting_ = false;
    ULONGLONG close_asked_ = 0;
    int close_limit_ms_ = 0;
    std::vector<HWND> controls_;  // by index in tv::all_controls()
    std::unique_ptr<FontSet> fonts_;
    HBRUSH trace_brush_ = nullptr;
    HBRUSH file_brush_ = nullptr;
    HBRUSH fault_brush_ = nullptr;
    Preview preview_;
};

}  // namespace tv::win
