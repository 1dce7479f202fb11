// The application shell: start-up and close, and the command dispatch that turns the
// window's button presses and selections into jobs. Every face (window, console, tests)
// drives the tool through these calls only.
#pragma once
#include <string>

#include "common/codes.h"

namespace tv {

struct Control;

// What a control reports to the dispatch.
enum class Notify {
    Clicked,             // a button press
    DropDownClosed,      // a selector's list closed
    SelectionConfirmed,  // a selector's new item was chosen
    DropDownOpening,     // a selector's list is about to open
};

// The main window's title.
inline constexpr char WINDOW_TITLE[] = "Tarvix Vizaze";
// What a window face shows when the system cannot make its main window.
inline constexpr char WINDOW_FAILED_TEXT[] = "Window Creation Failed!";
inline constexpr char WINDOW_FAILED_CAPTION[] = "Error!";

// Builds the panel, records the start-up directory (gCurrendDir) and loads settings.cfg.
void app_start(const std::string& startup_dir);
// Saves the settings and tears the panel down (the window's close).
void app_close();

// The window's command handler: id is the control id (101..107, 500, 501, 120, 0),
// from the control that sent it. Runs on the face's thread; starts the worker or the
// BMP check thread where the command says so and returns at once.
void dispatch_command(int id, Notify code, Control* from);

// The user picked item `index` of a selector (with the mouse or the keyboard, its list
// open or closed): the model takes the item first, then the dispatch hears what that
// selector reports (the interface and protocol selectors, id 120: the choice confirmed,
// and for the interface also the list closed; the slot selector: its list closed).
void selector_picked(Control* selector, int index);
// A selector's list is about to open (the port selector's notes are brought up to date).
void selector_opening(Control* selector);

// The window's close. With no job running it may close at once (Close; the face then calls
// app_close). With one running the user is asked first: on no nothing changes (Stay); on
// yes the job is asked to stop at its next frame boundary (a printer gets "prncancel"),
// and the face closes once job_running() is false, waiting at most app_close_wait_ms().
enum class CloseRequest { Close, Stay, AfterJob };
CloseRequest app_close_request();
int app_close_wait_ms();
// The worker thread has not ended yet.
bool job_running();

// Waits until the running worker thread (if any) has ended. For faces that must not exit
// while a job runs (the console tool) and for tests.
void wait_for_worker();
// The same, at most for the given time; false when a job still runs then.
bool wait_for_worker_for(int milliseconds);
// Waits until the last BMP check thread has ended.
void wait_for_check();
// Before the program (or a test) ends: waits at most job_ms for the job, then for the
// picture check, and joins both threads. False when the job still runs.
bool join_background_threads(int job_ms);

}  // namespace tv
