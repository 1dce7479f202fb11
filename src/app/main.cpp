// Start-up, close, and the command dispatch of the main window.
#include "app/main.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "ui/Controls.h"
#include "ui/panel.h"
#include "ui/settings.h"
#include "common/globals.h"
#include "common/text.h"
#include "image/bmp.h"
#include "image/convert_session.h"
#include "image/gr_grid.h"
#include "jobs/Worker.h"
#include "link/port_list.h"
#include "ui/host.h"

namespace tv {
namespace {

// Tracks the background threads (worker, BMP check) so faces and tests can wait for them.
// The threads are detached: the window never waits for a job, as a running job must not
// hold up closing the window.
class ThreadTracker {
public:
    template <class F> void start(F&& body) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++running_;
        }
        std::thread([this, body = std::forward<F>(body)]() mutable {
            body();
            std::lock_guard<std::mutex> lock(mutex_);
            --running_;
            done_.notify_all();
        }).detach();
    }
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return running_ == 0; });
    }
    bool wait_for(int ms) {
        std::unique_lock<std::mutex> lock(mutex_);
        return done_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return running_ == 0; });
    }
private:
    std::mutex mutex_;
    std::condition_variable done_;
    int running_ = 0;
};

// Never destroyed: a detached thread may still be finishing while the process exits.
ThreadTracker& hThread() {
    static ThreadTracker* t = new ThreadTracker;
    return *t;
}
ThreadTracker& hThread2() {
    static ThreadTracker* t = new ThreadTracker;
    return *t;
}

void start_worker(int mode, int sub_mode) {
    work_mode = static_cast<std::int16_t>(mode);
    send_mode = static_cast<std::int16_t>(sub_mode);
    bAction = true;
    enable_ctrls(0);
    hThread().start([mode, sub_mode] { run_job(mode, sub_mode); });
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

}  // namespace

void app_start(const std::string& startup_dir) {
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
            if (!bAction) {
                bAction = true;
                Stoper = false;  // a stop left from an earlier scan must not end this one
                work_mode = WM_DETECT;
                enable_ctrls(0);
                enable(gButt_ComDetect, true);
                set_text(gButt_ComDetect, "Zatrzymaj");
                hThread().start([] { run_job(WM_DETECT, SM_NONE); });
            } else {
                enable(gButt_ComDetect, false);
                Stoper = true;
            }
            return;
        case ID_TEST:
            if (!bAction) start_worker(WM_TEST, SM_NONE);
            return;
        case ID_FILE: {
            enable_ctrls(0);
            std::string path;
            if (host().choose_file(localDir, path)) {
                // A picture the BMP reader would refuse may be turned into a logo first.
                std::string use;
                switch (offer_conversion(path, use)) {
                    case PictureChoice::Take:
                    case PictureChoice::Converted: set_gr_filename(use); break;
                    case PictureChoice::Keep: break;
                    case PictureChoice::Drop:
                        gr_forget();
                        clear_bmp();
                        break;
                }
            }
            enable_ctrls(1);
            hThread2().start([] { bmp_check(); });
            return;
        }
        case ID_SEND:
            if (!bAction && !gr_filename().empty())
                start_worker(printers ? WM_PRINTER : WM_KS_PROGRAM, SM_GRAPHIC);
            return;
        case ID_CLEAR:
            if (!bAction) start_worker(printers ? WM_PRINTER : WM_KS_CLEAR, printers ? SM_CLEAR : SM_NONE);
            return;
        case ID_SET:
            if (!bAction) start_worker(printers ? WM_PRINTER : WM_KS_SET, printers ? SM_SET : SM_NONE);
            return;
        case ID_REPORT:
            if (!bAction) start_worker(WM_PRINTER, SM_REPORT);
            return;
        case ID_PRINT:
            set_checked(gCheck_Print, !checked(gCheck_Print));
            return;
        case ID_TEST_PRINT:
            set_checked(gCheck_TestPrint, !checked(gCheck_TestPrint));
            return;
        case ID_SELECTOR:
            if (code == Notify::DropDownClosed && from == gComb_Interface) {
                change_interface();
            } else if (code == Notify::SelectionConfirmed) {
                change_protocol();
                if (PROTOCOL == 2 && (Gr_xmax > 384 || Gr_ymax > 384))
                    message("Maksymalny rozmiar bitmapy dla kas wynosi 384 x 384 pikseli!", "UWAGA!",
                            Icon::Warning);
            }
            return;
        case ID_NONE:
            if (code == Notify::DropDownOpening && from == gComb_COM) refresh_port_notes();
            if (code == Notify::DropDownClosed && from == gComb_Slot)
                enable(gButt_Send, sel(gComb_Slot) != 6 && !gr_filename().empty());
            return;
        default:
            return;
    }
}

void wait_for_worker() { hThread().wait(); }
bool wait_for_worker_for(int milliseconds) { return hThread().wait_for(milliseconds); }
void wait_for_check() { hThread2().wait(); }

}  // namespace tv
