// Start-up, close, and the command dispatch of the main window.
#include "app/shell.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/globals.h"
#include "common/text.h"
#include "image/bmp_check.h"
#include "image/convert_session.h"
#include "image/gr_grid.h"
#include "jobs/Worker.h"
#include "link/port_list.h"
#include "ui/Controls.h"
#include "ui/fields.h"
#include "ui/host.h"
#include "ui/panel.h"
#include "ui/settings.h"

namespace tv {
namespace {

// Tracks the background threads (worker, BMP check) so faces and tests can wait for them.
// Nobody waits for a running job to start or close the window: a thread is joined only
// once its work is done, when the next one starts or when someone waits for the tracker
// (so the last thread of a run is joined before the program ends, and it has fully ended
// before another thread is made). (Detached threads are not used: with the Windows thread
// library a detached thread's record is handed to the next new thread while the old one is
// still ending, and under Wine the new thread then now and then never ran its work.)
class ThreadTracker {
  public:
    template <class F>
    void start(F&& body) {
        std::lock_guard<std::mutex> lock(mutex_);
        reap_finished();
        ++running_;
        auto done = std::make_shared<std::atomic<bool>>(false);
        threads_.push_back({std::thread([this, done, body = std::forward<F>(body)]() mutable {
                                body();
                                std::lock_guard<std::mutex> lock(mutex_);
                                --running_;
                                *done = true;
                                done_.notify_all();
                            }),
                            done});
    }
    // Both waits join every thread whose work is over: the one that just ended included.
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return running_ == 0; });
        reap_finished();
    }
    bool wait_for(int ms) {
        std::unique_lock<std::mutex> lock(mutex_);
        const bool idle =
            done_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return running_ == 0; });
        reap_finished();
        return idle;
    }

  private:
    struct Running {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;  // its work is over: only its end is left
    };
    // Joins the threads whose work is over (each has only its return left to make).
    void reap_finished() {
        for (auto it = threads_.begin(); it != threads_.end();) {
            if (!*it->done) {
                ++it;
                continue;
            }
            it->thread.join();
            it = threads_.erase(it);
        }
    }
    std::mutex mutex_;
    std::condition_variable done_;
    int running_ = 0;
    std::vector<Running> threads_;
};

// Never destroyed: a thread may still be finishing while the process exits.
ThreadTracker& hThread() {
    static ThreadTracker* t = new ThreadTracker;
    return *t;
}
ThreadTracker& hThread2() {
    static ThreadTracker* t = new ThreadTracker;
    return *t;
}

// After a job the keyboard focus goes back to the control that started it, when that can
// take it: greying the pressed button moved the focus away, and it must not be left on a
// control that starts another job, where a stray key would start that one.
void focus_after_job(Control* origin) {
    if (origin && enabled(origin) && visible(origin)) host().focus(*origin);
}

void start_worker(int mode, int sub_mode, Control* origin) {
    // A stop asked of an earlier job (a close question answered "Tak" whose window stayed)
    // is not one for this job.
    job_abort = false;
    Stoper = false;
    work_mode = static_cast<std::int16_t>(mode);
    send_mode = static_cast<std::int16_t>(sub_mode);
    bAction = true;
    enable_ctrls(0);
    hThread().start([mode, sub_mode, origin] {
        run_job(mode, sub_mode);
        focus_after_job(origin);
    });
}

// Notes the ports that exist on the port selector's items (COM1..COM99 stay its items:
// the settings file and the console tool name them).
void refresh_port_notes() {
    std::vector<std::string> notes(snapshot(gComb_COM).items.size());
    for (const PortInfo& p : list_serial_ports(gCurrendDir)) {
        const int i = find_item(gComb_COM, port_name(p));
        if (i < 0 || static_cast<std::size_t>(i) >= notes.size()) continue;
        std::string& note = notes[static_cast<std::size_t>(i)];
        note += (note.empty() ? "" : "; ") + port_note(p);
    }
    set_notes(gComb_COM, std::move(notes));
}

// A job that uses the configured link starts only with usable address and port fields.
bool may_start_link_job() { return !bAction && link_fields_ready(); }

// "Szukaj połączenia" starts the scan; pressed again ("Zatrzymaj") it stops it.
void press_detect() {
    if (bAction) {
        enable(gButt_ComDetect, false);
        Stoper = true;
        return;
    }
    // Over Ethernet the scan takes its block and port from the fields, checked first.
    const short mode = sel(gComb_Interface) == 0 ? WM_DETECT : WM_SCAN;
    if (mode == WM_SCAN && !link_fields_ready()) return;
    bAction = true;
    Stoper = false;  // a stop left from an earlier scan or job must not end this one
    job_abort = false;
    work_mode = mode;
    enable_ctrls(0);
    enable(gButt_ComDetect, true);
    set_text(gButt_ComDetect, "Zatrzymaj");
    // Greying the panel took the focus from the button; the key that stops the scan is here.
    host().focus(*gButt_ComDetect);
    hThread().start([mode] {
        run_job(mode, SM_NONE);
        focus_after_job(gButt_ComDetect);
    });
}

// "Otwórz": the file dialog, then the check of the file chosen (or of the one kept).
void choose_picture() {
    enable_ctrls(0);
    std::string path;
    if (host().choose_file(localDir, path)) {
        // A picture the BMP reader would refuse may be turned into a logo first.
        std::string use;
        switch (offer_conversion(path, use)) {
            case PictureChoice::Take:
            case PictureChoice::Converted:
                set_gr_filename(use);
                break;
            case PictureChoice::Keep:
                break;
            case PictureChoice::Drop:
                gr_forget();
                clear_bmp();
                break;
        }
    }
    enable_ctrls(1);
    focus_after_job(gButt_File);
    hThread2().start([] { bmp_check(); });
}

// The interface selector closed, or a protocol confirmed.
void selector_chosen(Notify code, Control* from) {
    if (code == Notify::DropDownClosed && from == gComb_Interface) {
        change_interface();
    } else if (code == Notify::SelectionConfirmed) {
        change_protocol();
        if (PROTOCOL == 2 && (Gr_xmax > 384 || Gr_ymax > 384))
            message("Maksymalny rozmiar bitmapy dla kas wynosi 384 x 384 pikseli!", "UWAGA!", Icon::Warning);
    }
}

}  // namespace

void app_start(const std::string& startup_dir) {
    job_abort = false;  // a stop asked of an earlier run's job is not one for this run
    gCurrendDir = startup_dir;
    mk_interface();
    load_cfg("settings.cfg");
}

void app_close() {
    save_cfg();
    destroy_interface();
}

void dispatch_command(int id, Notify code, Control* from) {
    const bool printers = PROTOCOL == 0;
    switch (id) {
        case ID_DETECT:
            press_detect();
            return;
        case ID_TEST:
            if (may_start_link_job()) start_worker(WM_TEST, SM_NONE, gButt_ComTest);
            return;
        case ID_FILE:
            choose_picture();
            return;
        case ID_SEND:
            if (!gr_filename().empty() && may_start_link_job())
                start_worker(printers ? WM_PRINTER : WM_KS_PROGRAM, SM_GRAPHIC, gButt_Send);
            return;
        case ID_CLEAR:
            if (may_start_link_job())
                start_worker(printers ? WM_PRINTER : WM_KS_CLEAR, printers ? SM_CLEAR : SM_NONE, gButt_Clear);
            return;
        case ID_SET:
            if (may_start_link_job())
                start_worker(printers ? WM_PRINTER : WM_KS_SET, printers ? SM_SET : SM_NONE, gButt_Set);
            return;
        case ID_REPORT:
            if (may_start_link_job()) start_worker(WM_PRINTER, SM_REPORT, gButt_Rep);
            return;
        case ID_PRINT:
            set_checked(gCheck_Print, !checked(gCheck_Print));
            return;
        case ID_TEST_PRINT:
            set_checked(gCheck_TestPrint, !checked(gCheck_TestPrint));
            return;
        case ID_SELECTOR:
            selector_chosen(code, from);
            return;
        case ID_NONE:
            if (code == Notify::DropDownOpening && from == gComb_COM) refresh_port_notes();
            if (code == Notify::DropDownClosed && from == gComb_Slot) enable_send();
            return;
        default:
            return;
    }
}

void selector_picked(Control* selector, int index) {
    set_sel(selector, index);
    if (selector->id == ID_SELECTOR) {
        // The interface and protocol selectors share their id; the dispatch tells them apart
        // by the control and the notification.
        dispatch_command(ID_SELECTOR, Notify::SelectionConfirmed, selector);
        if (selector == gComb_Interface) dispatch_command(ID_SELECTOR, Notify::DropDownClosed, selector);
    } else if (selector == gComb_Slot) {
        dispatch_command(ID_NONE, Notify::DropDownClosed, selector);
    }
}

void selector_opening(Control* selector) { dispatch_command(ID_NONE, Notify::DropDownOpening, selector); }

CloseRequest app_close_request() {
    if (!bAction) return CloseRequest::Close;
    const Answer a = message(
        "Trwa praca z urządzeniem. Zamknięcie programu przerwie ją,\n"
        "a urządzenie może zachować niekompletną grafikę.\n\n"
        "Czy mimo to zamknąć program?",
        "UWAGA!", Icon::Warning, Buttons::YesNo, Answer::No);
    if (a != Answer::Yes) return CloseRequest::Stay;
    // The job ends at its next frame boundary (a printer gets its cancel command first);
    // a scan ends after the port it is trying.
    job_abort = true;
    Stoper = true;
    return CloseRequest::AfterJob;
}

int app_close_wait_ms() {
    // The exchange under way and the printer's cancel command, each within the receive
    // time-out, and a margin for opening and closing the link.
    const long unit_ms = 50L * std::max<long>(TIMEOUT_BASE.load(), 1);
    const long exchange_ms = std::max<long>(RCV_TIMEOUT.load(), 1) * unit_ms;
    return static_cast<int>(std::min<long>(2 * exchange_ms + 5000, 600000));
}

bool job_running() { return !hThread().wait_for(0); }

void wait_for_worker() { hThread().wait(); }
bool wait_for_worker_for(int milliseconds) { return hThread().wait_for(milliseconds); }
void wait_for_check() { hThread2().wait(); }

bool join_background_threads(int job_ms) {
    if (!hThread().wait_for(job_ms)) return false;
    hThread2().wait();
    return true;
}

}  // namespace tv
