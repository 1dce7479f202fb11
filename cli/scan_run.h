// The console tool's "scan": the network scan over the addresses and ports given, one line
// per device (or the JSON document), and the found devices as a list for --devices.
#pragma once
#include <cstdio>
#include <string>

#include "console_host.h"
#include "options.h"

namespace tv::cli {

// Runs the scan with the panel already set from the options and the settings. Returns the
// exit status: 0 when a printer or a cash register was found, 1 when none was or the scan
// was stopped (Ctrl-C), 2 on a usage error (usage then holds its message; nothing was sent).
int scan_network(const Options& o, ConsoleHost& console, std::FILE* out, std::string& usage);

}  // namespace tv::cli
