// Reading and writing settings.cfg.
#include "ui/settings.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>

#include "common/globals.h"
#include "common/paths.h"
#include "common/text.h"
#include "ui/Controls.h"
#include "ui/host.h"
#include "ui/panel.h"
#include "ui/trace.h"

namespace tv {
namespace {

const char* kFileName = "settings.cfg";
// settings.cfg is a text file of the system it is on: CR LF on Windows.
#ifdef _WIN32
const char* const kEol = "\r\n";
#else
const char* const kEol = "\n";
#endif

// Reads a decimal number from at most maxchars characters at p. Returns false (and leaves
// value alone) when p does not start with a digit.
bool read_number(const char* p, int maxchars, long& value) {
    long v = 0;
    int n = 0;
    while (n < maxchars && p[n] >= '0' && p[n] <= '9') {
        v = v * 10 + (p[n] - '0');
        ++n;
    }
    if (n == 0) return false;
    value = v;
    return true;
}

void select_text(Control* c, const std::string& t) {
    int i = find_item(c, t);
    if (i >= 0) set_sel(c, i);
}

// The file's text for what the controls show now.
std::string cfg_text() {
    std::string body;
    body += std::string("[Interface]=") + (sel(gComb_Interface) == 0 ? "0" : "1") + kEol;
    body += std::string("[Protocol]=") + (sel(gComb_Protocol) == 0 ? "0" : "2") + kEol;
    body += "[COM]=" + text(gComb_COM) + kEol;
    body += "[Baudrate]=" + text(gComb_Baudrate) + kEol;
    body += "[Tiemout]=" + text(gComb_Timeout) + kEol;
    body += "[IP_Address]=" + text(g_IPaddress) + kEol;
    body += "[TCP_Port]=" + text(gEdit_PortTCP) + kEol;
    body += std::string("[GR_Print]=") + (checked(gCheck_Print) ? "1" : "0") + kEol;
    body += std::string("[GR_Test_Print]=") + (checked(gCheck_TestPrint) ? "1" : "0") + kEol;
    return body;
}

std::mutex write_lock;            // one writer of settings.cfg.new at a time
std::atomic<bool> warned{false};  // this run has said the file cannot be written

// Writes body as the file (beside the old one, then renamed into place). One writer at a
// time: a job that outlived the window's close and the close itself may both save.
bool write_settings_file(const std::string& body) {
    std::lock_guard<std::mutex> hold(write_lock);
    const std::string path = path_join(gCurrendDir, kFileName);
    const std::string tmp = path + ".new";
    bool ok = false;
    if (std::FILE* f = open_file(tmp, "wb")) {
        ok = std::fwrite(body.data(), 1, body.size(), f) == body.size();
        ok = (std::fflush(f) == 0) && ok;
        ok = (std::fclose(f) == 0) && ok;
    }
    if (ok) {
        std::error_code ec;
        std::filesystem::rename(fs_path(tmp), fs_path(path), ec);
        ok = !ec;
    }
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(fs_path(tmp), ec);
    }
    return ok;
}

// Writes the file; says so when it cannot, once in a run (the box is shown outside the
// lock: on a worker it waits for the window, which may itself be saving).
bool write_cfg(const std::string& body) {
    const bool ok = write_settings_file(body);
    if (!ok && !warned.exchange(true)) message("Nie można zapisać ustawień!", "Błąd!", Icon::Warning);
    return ok;
}

// Takes the settings lines of in into the link variables, then sets the controls from them.
void apply_cfg(std::istream& in) {
    unsigned interface_value = 0;
    if (in) {
        std::string raw;
        for (int n = 0; n < 10 && std::getline(in, raw); ++n) {
            char line[512];
            std::memset(line, 0, sizeof line);
            copy_to(line, raw);
            // A line ends in LF, with or without a CR before it.
            for (char* p = line; *p; ++p)
                if (*p == '\r' || *p == '\n') {
                    *p = 0;
                    break;
                }
            long v = 0;
            if (cmpr1(line, "[Interface]=")) {
                interface_value = read_number(line + 12, 2, v) ? static_cast<unsigned>(v) : 0;
            } else if (cmpr1(line, "[Protocol]=")) {
                PROTOCOL = static_cast<std::int16_t>(read_number(line + 11, 2, v) ? v : 0);
            } else if (cmpr1(line, "[COM]=")) {
                char port[12];
                copy_to(port, line + 6);
                std::memset(NR_COM, 0, sizeof NR_COM);
                copy_to(NR_COM, std::string("\\\\.\\") + port);
            } else if (cmpr1(line, "[Baudrate]=")) {
                BAUDRATE_COM = static_cast<std::int32_t>(read_number(line + 11, 7, v) ? v : 9600);
            } else if (cmpr1(line, "[Tiemout]=")) {
                RCV_TIMEOUT = static_cast<std::int32_t>(read_number(line + 10, 4, v) ? v : 2);
            } else if (cmpr1(line, "[IP_Address]=")) {
                std::memset(gServerName, 0, sizeof gServerName);
                copy_to(gServerName, line + 13);
            } else if (cmpr1(line, "[TCP_Port]=")) {
                // A number outside 1..65535 is no port: the key's fallback stays.
                PortTCP = static_cast<std::int32_t>(
                    read_number(line + 11, 7, v) && v >= 1 && v <= 65535 ? v : 2121);
            } else if (cmpr1(line, "[GR_Print]=1")) {
                set_checked(gCheck_Print, true);
            } else if (cmpr1(line, "[GR_Print]=0")) {
                set_checked(gCheck_Print, false);
            } else if (cmpr1(line, "[GR_Test_Print]=1")) {
                set_checked(gCheck_TestPrint, true);
            } else if (cmpr1(line, "[GR_Test_Print]=0")) {
                set_checked(gCheck_TestPrint, false);
            }
        }
    }

    if (interface_value == 0)
        set_sel(gComb_Interface, 0);
    else if (interface_value == 1)
        set_sel(gComb_Interface, 1);
    change_interface();
    if (PROTOCOL == 0)
        set_sel(gComb_Protocol, 0);
    else if (PROTOCOL == 2)
        set_sel(gComb_Protocol, 1);
    if (std::strcmp(NR_COM, "\\\\.\\COM1") == 0)
        set_sel(gComb_COM, 0);
    else
        select_text(gComb_COM, std::strlen(NR_COM) > 4 ? NR_COM + 4 : "");
    select_text(gComb_Baudrate, std::to_string(BAUDRATE_COM.load()));
    if (RCV_TIMEOUT == 1)
        set_sel(gComb_Timeout, 0);
    else
        select_text(gComb_Timeout, std::to_string(RCV_TIMEOUT.load()));
    set_text(g_IPaddress, gServerName);
    set_text(gEdit_PortTCP, i_to_str(PortTCP));
    change_protocol();
}

}  // namespace

bool save_cfg() { return write_cfg(cfg_text()); }

bool save_and_use_cfg() {
    const std::string body = cfg_text();
    const bool saved = write_cfg(body);
    std::istringstream in(body);
    apply_cfg(in);
    return saved;
}

void load_cfg(const char* name) {
    warned = false;  // a new run: its first failure to write is said again
    std::ifstream in(fs_path(path_join(gCurrendDir, name ? name : kFileName)), std::ios::binary);
    apply_cfg(in);
}

}  // namespace tv
