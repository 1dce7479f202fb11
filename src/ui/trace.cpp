// Trace pane, log and sequence files, decimal text, progress bar.
#include "ui/trace.h"

#include <cstdio>
#include <cstring>

#include "common/globals.h"
#include "common/paths.h"
#include "common/text.h"
#include "ui/host.h"

namespace tv {

namespace {
const TracePane* g_pane = nullptr;
}

void set_trace_pane(const TracePane* pane) { g_pane = pane; }

void s(const char* text, short) {
    if (!text) return;
    std::string t(text);
    if (g_pane) g_pane->append(t);
    host().trace_append(t);
}

void s(const std::string& text, short) { s(text.c_str()); }

void trace_replace(const std::string& text) {
    if (g_pane) g_pane->replace(text);
    host().trace_replace(text);
}

namespace {
void write_file(const char* rel, const char* text, bool newFile) {
    std::string path = path_join(gCurrendDir, rel);
    std::FILE* f = open_file(path, newFile ? "wb" : "ab");
    if (!f) return;  // folder missing: the log is optional
    std::fwrite(text, 1, std::strlen(text), f);
    std::fclose(f);
}
}  // namespace

void l(const char* text, bool newFile, bool alsoSeq) {
    if (!text) text = "";
    write_file("LOGS/log_.txt", text, newFile);
    if (alsoSeq) write_file("SEQ/seq_", text, newFile);
}

const char* i_to_str(int n) {
    thread_local char itostr[16];
    std::memset(itostr, 0, sizeof itostr);
    std::snprintf(itostr, sizeof itostr, "%d", n);
    return itostr;
}

std::string readable_trace(std::string_view text) {
    static const char* const kNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                           "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                           "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                           "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r') continue;
        if (c == '\n' || c == '\t' || (c >= 0x20 && c != 0x7F)) {
            out += ch;
        } else {
            out += '<';
            out += c == 0x7F ? "DEL" : kNames[c];
            out += '>';
        }
    }
    return out;
}

void set_progress(int position) {
    if (g_pane) g_pane->progress(position);
    host().progress(position);
}

}  // namespace tv
