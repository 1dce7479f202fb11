// Process-wide state of the tool: the link settings, the job state and the start-up
// directory. Values written by one thread and read by another are atomic.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "common/codes.h"

namespace tv {

// Link settings (filled from the settings file; the links read them).
extern char NR_COM[16];  // "\\.\COM1": device prefix + port name
extern std::atomic<std::int32_t> BAUDRATE_COM;
extern std::atomic<std::int32_t> RCV_TIMEOUT;   // time-out units
extern std::atomic<std::int16_t> TIMEOUT_BASE;  // 50 ms polls per unit
extern std::atomic<std::int16_t> PROTOCOL;      // 0 fiscal printer, 2 fiscal cash register
extern char gServerName[1024];                  // device address for the TCP link
extern std::atomic<std::int32_t> PortTCP;

// Job state.
extern std::atomic<std::int16_t> work_mode;  // 1 printer stream, 2 detection, 3 test, 10..12 register jobs
extern std::atomic<std::int16_t> send_mode;  // printer sub-kind 1..4
extern std::atomic<bool> bAction;            // a job runs
extern std::atomic<bool> Stoper;             // stop request for detection
// A request to end the running job after its current exchange (the console's Ctrl-C, the
// window's close).
extern std::atomic<bool> job_abort;

// Printer command buffer: '\n'-terminated lines, the rest zero bytes.
constexpr std::size_t SEQ_TAB_SIZE = 262144;
extern char seq_tab[SEQ_TAB_SIZE];

// Directories, UTF-8, whole whatever their length: the start-up directory (base of every
// file path; set once before any job starts) and the file dialog's start.
extern std::string gCurrendDir;
extern std::string localDir;

// The chosen picture (UTF-8, whole). The name is shared by the window, the check thread and
// the worker, so it is read and written through these two calls only.
std::string gr_filename();
void set_gr_filename(const std::string& name);
extern std::atomic<bool> PaintBMP;
extern std::atomic<std::uint16_t> Gr_xmax;
extern std::atomic<std::uint16_t> Gr_ymax;

}  // namespace tv
