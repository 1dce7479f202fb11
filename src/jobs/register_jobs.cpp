// Cash-register jobs: programming a picture into a slot, clearing slots, and assigning the
// header and footer graphics. They shorten the link's reply time-out while they run.
#include <cstring>
#include <string>

#include "app/Controls.h"
#include "app/settings.h"
#include "common/globals.h"
#include "image/bmp.h"
#include "jobs/Worker.h"
#include "jobs/link_session.h"
#include "jobs/trace.h"
#include "printer/Fpos.h"
#include "register/prt_ks.h"
#include "ui/host.h"

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

void ks_program_job() {
    save_cfg();
    load_cfg("settings.cfg");
    {
        ShortTimeout short_timeout;
        LinkSession link;
        if (link.connect() != 0) {
            no_connection();
        } else {
            const unsigned r = prepare_gr_2(link.sock);
            link.disconnect();
            if (r >= 1 && r <= 5) {
                job_failed();  // the check has shown its own message
            } else if (r != 0) {
                device_error("imgslotset\tno" + std::to_string(sel(gComb_Slot) + 1));
            } else {
                message("Grafika została poprawnie zaprogramowana!", "Komunikat", Icon::Information);
            }
        }
        set_progress(0);
        bAction = false;
    }
}

void ks_clear_job() {
    // The settings round trip makes the link use what the selectors show now.
    save_cfg();
    load_cfg("settings.cfg");
    ShortTimeout short_timeout;
    const int k = sel(gComb_Slot) + 1;
    const int first = k == 7 ? 1 : k, last = k == 7 ? 6 : k;
    LinkSession link;
    if (link.connect() != 0) {
        no_connection();
    } else {
        bool all_cleared = PROTOCOL == 2;
        for (int slot = first; slot <= last && PROTOCOL == 2; ++slot) {
            if (job_abort) { all_cleared = false; job_failed(); break; }
            if (KS_IMGSLOTCLEAR(link.sock, static_cast<unsigned char>(slot)) != 0) {
                all_cleared = false;
                device_error("imgslotset\tno" + std::to_string(slot));
            }
        }
        link.disconnect();
        if (all_cleared)
            message(k == 7 ? "Kasowanie grafik zostało zakończne pomyślnie!"
                           : "Kasowanie grafiki zostało zakończne pomyślnie!",
                    "Komunikat", Icon::Information);
    }
    bAction = false;
}

void ks_set_job() {
    save_cfg();
    load_cfg("settings.cfg");
    ShortTimeout short_timeout;
    LinkSession link;
    if (link.connect() != 0) {
        no_connection();
    } else {
        if (PROTOCOL == 2) {
            int r = KS_IMGHEADERSET(link.sock, static_cast<unsigned char>(sel(gComb_GrHdr)), 1);
            if (r == 0) r = KS_IMGFOOTERSET(link.sock, static_cast<unsigned char>(sel(gComb_GrFoot)), 1);
            if (r != 0) {
                device_error("BŁĄD ");
            } else {
                message("Konfiguracja grafiki w nagłówku i stopce\nzostała pomyślnie wykonana!",
                        "Komunikat", Icon::Information);
            }
        }
        link.disconnect();
    }
    bAction = false;
}

}  // namespace tv
