// The host interface: the one doorway from the core to a face (window, console, tests).
// A call made on the worker thread returns only after the face has carried it out, so
// every effect happens in the order the jobs give.
#pragma once
#include <string>
#include <vector>

namespace tv {

struct Control;
class ConvertSession;  // the picture-conversion dialog's model (image layer)

enum class Icon { Information, Warning, Question };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };
enum class DialogResult { Accepted, Cancelled };

class Host {
  public:
    virtual ~Host() = default;
    // A modal message box owned by the main window; returns the button pressed.
    virtual Answer message_box(const std::string& caption, const std::string& text, Icon icon,
                               Buttons buttons, Answer default_button) = 0;
    virtual void progress(int position) = 0;                   // progress bar 0..100
    virtual void trace_append(const std::string& text) = 0;    // trace pane: append
    virtual void trace_replace(const std::string& text) = 0;   // trace pane: whole text
    virtual void control_changed(const Control& control) = 0;  // model state changed
    // Open-file dialog (filters: picture_file_filters() of image/convert_session.h). Returns
    // true and the path when one was chosen.
    virtual bool choose_file(const std::string& start_dir, std::string& path) = 0;
    virtual void repaint_preview() = 0;
    // Whether this face shows the picture-conversion dialog (the console tool does not).
    virtual bool shows_convert_dialog() const { return false; }
    // The conversion dialog, modal: the user sets the session's width and options while the
    // result is shown; "OK" closes it with Accepted only when session.accept() agrees, and
    // otherwise leaves it open with its settings.
    virtual DialogResult convert_dialog(ConvertSession& session) {
        (void)session;
        return DialogResult::Cancelled;
    }

    // A modal list to choose one row from (the network scan's devices): the caption, the
    // column headings and the rows, all texts the core wrote. Returns the row chosen, or -1
    // when the user closed the list without choosing (the default of a face without one).
    virtual int choose_row(const std::string& caption, const std::vector<std::string>& columns,
                           const std::vector<std::vector<std::string>>& rows) {
        (void)caption;
        (void)columns;
        (void)rows;
        return -1;
    }
    // Puts the keyboard focus on a control; a face without a keyboard focus ignores it.
    virtual void focus(const Control& control) { (void)control; }
};

// The face currently installed; a quiet default host answers until one is set.
Host& host();
void set_host(Host* h);  // nullptr restores the quiet default

// Shorthand for the core's message boxes.
Answer message(const std::string& text, const std::string& caption, Icon icon, Buttons buttons = Buttons::Ok,
               Answer default_button = Answer::Ok);

}  // namespace tv
