// Connection detection (scan every serial port at every speed) and connection test
// (read the identity of the device on the configured link).
#include <cstring>
#include <string>

#include "commands/printer/identity.h"
#include "commands/register/prt_ks.h"
#include "common/globals.h"
#include "common/text.h"
#include "jobs/Worker.h"
#include "jobs/diagnostics.h"
#include "link/COM_pos.h"
#include "link/link.h"
#include "ui/Controls.h"
#include "ui/host.h"
#include "ui/panel.h"
#include "ui/settings.h"
#include "ui/trace.h"

namespace tv {

namespace {
constexpr int kSpeeds[8] = {115200, 9600, 19200, 38400, 57600, 4800, 2400, 1200};
}

int stop_veryf() {
    if (Stoper.exchange(false)) return RC_STOPPED;
    return RC_OK;
}

// The ports the scan visits: 1..99, or a shorter range for tests.
int detect_first_port = 1;
int detect_last_port = 99;

void detect_job() {
    save_and_use_cfg();
    const std::int32_t kept_timeout = RCV_TIMEOUT;
    RCV_TIMEOUT = 1;
    TIMEOUT_BASE = 10;

    const bool printers = PROTOCOL == 0;
    char name[512];
    char version[10];
    std::memset(name, 0, sizeof name);
    std::memset(version, 0, sizeof version);
    bool found = false, stopped = false;
    int shown = 0;
    unsigned int sock = 0;

    for (int b = 0; b < 8 && !found && !stopped; ++b) {
        BAUDRATE_COM = kSpeeds[b];
        for (int port = detect_first_port; port <= detect_last_port; ++port) {
            std::memset(NR_COM, 0, sizeof NR_COM);
            copy_to(NR_COM, "\\\\.\\COM" + std::to_string(port));
            s(std::string(NR_COM + 4) + " = ");
            if (com_connect(true) == RC_OK) {
                if (printers) {
                    // A printer is found when it gives its status and then its name: a
                    // device that names nothing has not been heard.
                    const int code = p_sdev();
                    if (code >= RC_STATUS_BASE && code <= RC_STATUS_FISCAL_LAST)
                        found = p_sid(name, version) == RC_OK && name[0] != 0;
                } else if (KS_CASHREGSTATUSGET(sock, name, version) == RC_OK) {
                    found = true;
                }
                com_disconnect(true);
                if (found) break;
            }
            const int target = ((100 * b + port) * 100) / 800;
            if (target != shown) {
                shown = target;
                set_progress(shown);
            }
            if (stop_veryf() == RC_STOPPED || job_abort) {
                stopped = true;
                break;
            }
        }
    }
    set_progress(100);

    if (found) {
        const std::string display = NR_COM + 4;
        if (display == "COM1")
            set_sel(gComb_COM, 0);
        else if (int i = find_item(gComb_COM, display); i >= 0)
            set_sel(gComb_COM, i);
        if (int i = find_item(gComb_Baudrate, std::to_string(BAUDRATE_COM.load())); i >= 0)
            set_sel(gComb_Baudrate, i);
        message(std::string(printers ? "Wykryto połączenie z drukarką fiskalną\n"
                                     : "Wykryto połączenie z kasą fiskalną\n") +
                    name,
                "Komunikat", Icon::Information);
    } else {
        job_failed();
        if (stopped)
            message("Zatrzymano proces detekcji połączenia!", "Komunikat", Icon::Information);
        else
            message(printers ? "Nie wykryto połączenia z drukarką fiskalną!"
                             : "Nie wykryto połączenia z kasą fiskalną!",
                    "Błąd", Icon::Warning);
    }
    TIMEOUT_BASE = 20;
    RCV_TIMEOUT = kept_timeout;
    bAction = false;
    set_text(gButt_ComDetect, detect_caption());
    set_progress(0);
}

void test_job() {
    save_and_use_cfg();
    trace_replace("Connection test...\r\nPlease wait.\r\n\r\n");

    const bool printers = PROTOCOL == 0;
    char name[512];
    char version[10];
    char unique[13];
    std::memset(name, 0, sizeof name);
    std::memset(version, 0, sizeof version);
    std::memset(unique, 0, sizeof unique);

    LinkSession link;
    int result = link.connect();
    const bool connected = result == RC_OK;
    if (connected) {
        if (printers) {
            result = printer_identity(*link.ops, link.sock, unique, name, version);
            // A printer that names no type has not identified itself.
            if (result == RC_OK && name[0] == 0) result = RC_WRONG_REPLY;
            if (result == RC_OK) set_progress(100);
        } else {
            result = KS_CASHREGSTATUSGET(link.sock, name, version);
        }
        link.disconnect();
    }

    if (connected && result == RC_OK) {
        s(std::string("\r\nFiscal printer : ") + name + " " + version + "\r\n" + "Unique number : " + unique +
          "\r\n");
        const std::string text = std::string("Test połączenia zakończony sukcesem!\n") +
                                 (printers ? "Możliwa komunikacja z drukarką fiskalną\n"
                                           : "Możliwa komunikacja z kasą fiskalną\nTARVIX ") +
                                 name;
        message(text, "Komunikat", Icon::Information);
        s(text);
    } else {
        job_failed();
        if (result == RC_WRONG_REPLY)
            message("Błędna odpowiedź z drukarki fiskalnej!", "UWAGA!", Icon::Warning);
        message(printers ? "Test połączenia zakończony niepowodzeniem!\nBrak komunikacji z drukarką."
                         : "Test połączenia zakończony niepowodzeniem!\nBrak komunikacji z kasą.",
                "Błąd!", Icon::Warning);
    }
    set_progress(0);
    bAction = false;
    enable(gButt_ComDetect, true);
    set_text(gButt_ComDetect, detect_caption());
}

}  // namespace tv
