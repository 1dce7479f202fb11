// The printer command-stream job: programming, clearing, header and footer, and the
// graphics report, each as lines of seq_tab sent one frame and one reply at a time.
#include <algorithm>
#include <cstring>
#include <string>

#include "codecs/printer/Fpos.h"
#include "common/codes.h"
#include "common/globals.h"
#include "common/text.h"
#include "image/uploads.h"
#include "jobs/Worker.h"
#include "jobs/preparers.h"
#include "link/COM_pos.h"
#include "link/TCPIP_pos.h"
#include "link/link.h"
#include "ui/Controls.h"
#include "ui/host.h"
#include "ui/settings.h"
#include "ui/trace.h"

namespace tv {
namespace {

constexpr std::size_t LINE_SIZE = 4300;

// Takes the next line of seq_tab from pos; false when the stream ends (the zero-filled
// rest, or a line of 4299 characters or more without a line feed).
bool next_line(std::size_t& pos, char* line) {
    std::memset(line, 0, LINE_SIZE);
    if (pos >= SEQ_TAB_SIZE) return false;
    std::size_t end = pos;
    while (end < SEQ_TAB_SIZE && seq_tab[end] != '\n' && end - pos < LINE_SIZE - 1) ++end;
    if (end >= SEQ_TAB_SIZE || seq_tab[end] != '\n') return false;
    const std::size_t len = end - pos;
    if (std::memchr(seq_tab + pos, 0, len)) return false;
    std::memcpy(line, seq_tab + pos, len);
    pos = end + 1;
    return true;
}

// A command line closes with a tab, and a run of tabs separates fields by one tab.
void normalise_tabs(char* line) {
    std::size_t len = std::strlen(line);
    if (len > 0 && line[len - 1] != '\t' && len + 1 < LINE_SIZE) line[len++] = '\t';
    std::size_t w = 0;
    for (std::size_t r = 0; r < len; ++r) {
        if (line[r] == '\t' && w > 0 && line[w - 1] == '\t') continue;
        line[w++] = line[r];
    }
    line[w] = 0;
}

int send_frame(LinkSession& link, const char* command) {
    return link.ops->send_text(link.sock, tarv_frame(command));
}

int receive_reply(LinkSession& link, char* reply, unsigned& devErr) {
    return link.ops->receive_text(link.sock, reply, devErr, true);
}

// Ends whatever the printer was given so far (a half-programmed slot, an open test form),
// after a device error or when the user stops the job: "prncancel", and its reply.
void cancel_on_printer(LinkSession& link, char* reply) {
    if (send_frame(link, "prncancel\t") == 0) {
        unsigned ignored = 0;
        std::memset(reply, 0, LINE_SIZE);
        receive_reply(link, reply, ignored);
    }
}

// Fills seq_tab with the lines of the stream kind mode.
void prepare_stream(int mode) {
    switch (mode) {
        case SM_GRAPHIC:
            prepare_gr();
            break;
        case SM_CLEAR:
            prepare_clear();
            break;
        case SM_SET:
            prepare_set();
            break;
        case SM_REPORT:
            prepare_rep();
            break;
        default:
            std::memset(seq_tab, 0, SEQ_TAB_SIZE);
            break;
    }
}

// One line: its frame out, its reply in and checked. False when nothing more may go out;
// the user has been told why.
bool exchange_line(LinkSession& link, const char* line, char* reply) {
    if (send_frame(link, line) != RC_OK) {
        // The link has given up on the line (after one reconnection on serial): say so,
        // rather than end the job without a word.
        message("Błąd wysyłania danych do drukarki fiskalnej!", "Błąd", Icon::Warning);
        return false;
    }
    unsigned devErr = 0;
    std::memset(reply, 0, LINE_SIZE);
    const int received = receive_reply(link, reply, devErr);
    if (devErr != 0) {
        char text[512] = {};
        err_message(line, text, devErr);
        message(text, "UWAGA!", Icon::Warning);
        cancel_on_printer(link, reply);
        return false;
    }
    if (received != RC_OK) return false;
    // A corrupted reply, or one that answers another command, confirms nothing: the line
    // cannot be trusted, so nothing more goes out on it.
    if (!reply_answers(reply, line)) {
        s(" [ BAD REPLY ]\r\n");
        l(" [ BAD REPLY ]\r\n", false, false);
        message("Błędna odpowiedź z drukarki fiskalnej!", "UWAGA!", Icon::Warning);
        return false;
    }
    return true;
}

// Sends the command lines of seq_tab (lines of them in all), one frame and one reply at a
// time. True when the device confirmed every one.
bool send_lines(LinkSession& link, int lines) {
    static thread_local char line[LINE_SIZE];
    static thread_local char reply[LINE_SIZE];
    std::size_t pos = 0;
    int read = 0;
    while (next_line(pos, line)) {
        if (job_abort) {
            // Stopped by the user between two frames: the device is told so.
            cancel_on_printer(link, reply);
            return false;
        }
        ++read;
        set_progress(read * 100 / (lines + 1));
        if (line[0] == 0) continue;
        normalise_tabs(line);
        if (line[0] == '\t') continue;
        l("line", false, false);
        if (!exchange_line(link, line, reply)) return false;
    }
    return true;
}

// The stream over the configured link. True when it went through.
bool send_stream(int lines) {
    LinkSession link;
    if (link.connect() != RC_OK) {
        message("Brak połączenia z drukarką fiskalną!", "Błąd", Icon::Warning);
        return false;
    }
    const bool sent = send_lines(link, lines);
    link.disconnect();
    set_progress(100);
    return sent;
}

// The box that says the stream went through; none where the printout asked for says so.
void tell_success(int mode, int lines) {
    switch (mode) {
        case SM_GRAPHIC:
            if (!checked(gCheck_Print))
                message("Grafika została poprawnie zaprogramowana!", "Komunikat", Icon::Information);
            break;
        case SM_CLEAR:
            message(lines > 3 ? "Kasowanie grafik zostało zakończne pomyślnie!"
                              : "Kasowanie grafiki zostało zakończne pomyślnie!",
                    "Komunikat", Icon::Information);
            break;
        case SM_SET:
            if (!checked(gCheck_TestPrint))
                message("Konfiguracja grafiki w nagłówku i stopce\nzostała pomyślnie wykonana!", "Komunikat",
                        Icon::Information);
            break;
        default:  // the report: the printout is the answer
            break;
    }
}

}  // namespace

void printer_stream_job(int mode) {
    prepare_stream(mode);
    save_and_use_cfg();

    s("Sending file : \r\n");
    std::string rule = "-";
    for (int i = 1; i < 44; ++i) rule += " -";
    s(rule + "\r\n");

    const int lines = static_cast<int>(std::count(seq_tab, seq_tab + SEQ_TAB_SIZE, '\n'));
    const bool sent = send_stream(lines);
    s("\r\n");
    if (sent && lines != 0)
        tell_success(mode, lines);
    else
        job_failed();
    bAction = false;
    set_progress(0);
}

}  // namespace tv
