// Cash-register jobs: programming a picture into a slot, clearing slots, and assigning the
// header and footer graphics. They shorten the link's reply time-out while they run.
#include <cstring>
#include <string>

#include "codecs/printer/Fpos.h"
#include "commands/register/prt_ks.h"
#include "common/globals.h"
#include "image/bmp_check.h"
#include "image/uploads.h"
#include "jobs/Worker.h"
#include "jobs/preparers.h"
#include "jobs/register_jobs.h"
#include "link/link.h"
#include "ui/Controls.h"
#include "ui/host.h"
#include "ui/settings.h"
#include "ui/trace.h"

namespace tv {
namespace {

// Shortens the reply time-out for the job and restores it when the job ends.
class ShortTimeout {
  public:
    ShortTimeout() : kept_(RCV_TIMEOUT) {
        RCV_TIMEOUT = 1;
        TIMEOUT_BASE = 5;
    }
    ~ShortTimeout() {
        RCV_TIMEOUT = kept_;
        TIMEOUT_BASE = 20;
    }

  private:
    std::int32_t kept_;
};

void no_connection() {
    job_failed();
    message("Brak połączenia z kasą fiskalną!", "Błąd", Icon::Warning);
}

void device_error(const std::string& context) {
    job_failed();
    s(std::string("ERROR: ") + i_to_str(ERR_NR) + "\r\n");
    char text[512];
    std::memset(text, 0, sizeof text);
    err_message(context.c_str(), text, ERR_NR);
    message(text, "UWAGA!", Icon::Warning);
}

}  // namespace

// The frame of every cash-register job: the settings saved and taken from the selectors
// (so the link uses what they show now, even when the file cannot be written), the short
// time-out, the connection (reported when it fails), the job's own work on the open link
// (which returns its success text, or nullptr when it has reported a failure), and the close.
template <class Work>
void on_register_link(Work work) {
    save_and_use_cfg();
    {
        ShortTimeout short_timeout;
        LinkSession link;
        if (link.connect() != RC_OK) {
            no_connection();
        } else {
            const char* success = work(link);
            link.disconnect();
            if (success) message(success, "Komunikat", Icon::Information);
        }
        set_progress(0);
    }  // the time-outs are back before another job may start
    bAction = false;
}

void ks_program_job() {
    on_register_link([](LinkSession& link) -> const char* {
        const unsigned r = prepare_gr_2(link.sock);
        if (gr_refused(r) || r == RC_STOPPED) {
            job_failed();  // the check has shown its own message; a stop shows none
            return nullptr;
        }
        if (r != RC_OK) {
            device_error("imgslotset\tno" + std::to_string(sel(gComb_Slot) + 1));
            return nullptr;
        }
        return "Grafika została poprawnie zaprogramowana!";
    });
}

void ks_clear_job() {
    on_register_link([](LinkSession& link) -> const char* {
        if (PROTOCOL != 2) return nullptr;
        const int k = sel(gComb_Slot) + 1;
        const int first = k == 7 ? 1 : k, last = k == 7 ? 6 : k;
        bool all_cleared = true;
        for (int slot = first; slot <= last; ++slot) {
            if (job_abort) {
                job_failed();
                return nullptr;
            }
            // A refused slot is reported, and the others are still cleared; after a failed
            // line (no reply, a corrupted or foreign one) nothing more is sent.
            if (KS_IMGSLOTCLEAR(link.sock, static_cast<unsigned char>(slot)) != RC_OK) {
                device_error("imgslotset\tno" + std::to_string(slot));
                all_cleared = false;
                if (ks_line_fault(ERR_NR)) break;
            }
        }
        if (!all_cleared) return nullptr;
        return k == 7 ? "Kasowanie grafik zostało zakończne pomyślnie!"
                      : "Kasowanie grafiki zostało zakończne pomyślnie!";
    });
}

void ks_set_job() {
    on_register_link([](LinkSession& link) -> const char* {
        if (PROTOCOL != 2) return nullptr;
        int r = KS_IMGHEADERSET(link.sock, static_cast<unsigned char>(sel(gComb_GrHdr)), 1);
        if (r == RC_OK) r = KS_IMGFOOTERSET(link.sock, static_cast<unsigned char>(sel(gComb_GrFoot)), 1);
        if (r != RC_OK) {
            device_error("BŁĄD ");
            return nullptr;
        }
        return "Konfiguracja grafiki w nagłówku i stopce\nzostała pomyślnie wykonana!";
    });
}

}  // namespace tv
