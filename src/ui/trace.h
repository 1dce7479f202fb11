// Diagnostics every piece uses: the trace pane (s), the log and sequence files (l),
// decimal text (i_to_str), and the progress bar.
#pragma once
#include <string>
#include <string_view>

namespace tv {

// Appends text (UTF-8) at the end of the trace pane. The second argument is unused.
void s(const char* text, short = 0);
void s(const std::string& text, short = 0);
// Replaces the whole text of the trace pane.
void trace_replace(const std::string& text);

// Writes text to LOGS/log_.txt under the start-up directory (emptied first when newFile),
// and the same to SEQ/seq_ when alsoSeq. A file whose folder is missing is skipped.
void l(const char* text, bool newFile, bool alsoSeq);

// Signed decimal text of n. Each thread has its own result buffer; a call overwrites the
// calling thread's previous result.
const char* i_to_str(int n);

// The trace pane's text as a face shows it: "\r\n" becomes one line break, and the other
// control bytes a frame carries (STX, ETX, DLE, ...) become readable marks such as "<STX>",
// where a face would draw an empty box. Tabs and line feeds stay.
std::string readable_trace(std::string_view text);

// Moves the progress bar (0..100).
void set_progress(int position);

// Where the trace pane's text and the progress bar's position are kept. The panel model
// registers itself here when it is linked in, so the pieces below it (the protocol codecs
// the simulator shares) trace without pulling the panel into every program.
struct TracePane {
    void (*append)(const std::string& text);
    void (*replace)(const std::string& text);
    void (*progress)(int position);
};
void set_trace_pane(const TracePane* pane);

}  // namespace tv
