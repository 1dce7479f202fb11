// The native window's test fixture: the window made in this process on the test's thread,
// its message loop run while a test waits (bounded), and the system dialogs it opens (the
// message boxes, the open-file dialog, the conversion dialog) answered as a user would, by
// a hook that sees each dialog come up on this thread.
#pragma once
#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "main_window.h"
#include "support/fixture.h"

namespace tv::test {

// A message box as the user saw it.
struct SeenBox {
    std::string caption;
    std::string text;  // lines end "\n"
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    Answer default_button = Answer::Ok;
    bool owned = false;  // owned by the main window
};
void PrintTo(const SeenBox& box, std::ostream* os);

// Plays the user at the dialogs that come up on the thread that made it: each is handled
// once, in the dialog's own loop, by the next scripted step; a dialog with no step left is
// closed (the box with its default button, a file or conversion dialog cancelled).
class DialogUser {
  public:
    explicit DialogUser(HWND main_window);
    ~DialogUser();
    DialogUser(const DialogUser&) = delete;
    DialogUser& operator=(const DialogUser&) = delete;

    void answer_next(Answer a);                         // a message box: press this button
    void choose_next(const std::string& path);          // the open-file dialog: open this file
    void act_next(std::function<void(HWND dialog)> f);  // any dialog: f does it all
    // Called with every dialog as it comes up, before its step (screenshots).
    void on_each(std::function<void(HWND dialog)> f) { on_each_ = std::move(f); }

    const std::vector<SeenBox>& boxes() const { return boxes_; }
    int file_dialogs() const { return file_dialogs_; }
    // The last open-file dialog's list of file types, as its selector shows them.
    const std::vector<std::string>& file_types() const { return file_types_; }
    int unscripted() const { return unscripted_; }  // dialogs closed for want of a step

  private:
    static LRESULT CALLBACK hook(int code, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK helper_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void handle(HWND dialog);
    void handle_box(HWND box);
    void handle_file_dialog(HWND dialog);

    struct Step {
        enum Kind { Answer, Choose, Act } kind;
        tv::Answer answer = tv::Answer::Ok;
        std::string path;
        std::function<void(HWND)> act;
    };
    HWND main_;
    HWND helper_ = nullptr;  // a message-only window: the hook hands dialogs over to it
    HHOOK hook_ = nullptr;
    std::deque<Step> steps_;
    std::function<void(HWND)> on_each_;
    std::set<HWND> seen_;
    std::vector<SeenBox> boxes_;
    int file_dialogs_ = 0;
    std::vector<std::string> file_types_;
    int unscripted_ = 0;
};

class WindowTest : public Test {
  protected:
    WindowTest();
    ~WindowTest() override;
    void SetUp() override { ASSERT_NE(window->hwnd(), nullptr) << "the window was not made"; }

    // Runs the thread's messages (the window's, the worker's host calls) until done() holds
    // or the time is up; true when it held.
    bool pump_until(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(30));
    void pump();  // what is waiting now
    bool wait_for_job(std::chrono::milliseconds limit = std::chrono::seconds(60));
    bool wait_for_check(std::chrono::milliseconds limit = std::chrono::seconds(30));

    HWND control(const char* handle) const;
    // A user's acts, each sent as the system sends it.
    void click(const char* handle);            // BM_CLICK
    void pick(const char* handle, int index);  // CB_SETCURSEL, then CBN_SELCHANGE to the window
    void type_over(const char* handle, const std::string& text);  // select all, EM_REPLACESEL
    // The Ethernet interface with the device at 127.0.0.1:port, and the protocol.
    void use_tcp(int port, bool registers = false);
    // "Otwórz" and the file chosen in the open-file dialog; waits for the check.
    void open_picture(const std::string& path);

    // A control's place in the window's client area.
    RECT client_rect_of(HWND w) const;
    std::string file(const std::string& name) const { return dir.file(name); }

    std::unique_ptr<win::MainWindow> window;
    std::unique_ptr<DialogUser> user;
};

// The client area of a window as the user sees it, its controls over it (drawn afresh, then
// copied from the window's device context), pixels 0x00RRGGBB, rows top down.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)] &
               0xFFFFFFu;
    }
};
Capture capture_client(HWND w);

// A 1-bit BMP as the conversion writes it: its size and dots (true: dark), rows top down.
struct BmpDots {
    int width = 0;
    int height = 0;
    std::vector<bool> dark;
};
BmpDots read_1bit_bmp(const std::string& path);

}  // namespace tv::test
