// A run over a list of devices: the command on every device of the list, each as its own
// process of this tool in its own working directory DIR/devices/NAME/, at most N at a time,
// never two at once on one line; one outcome line per device as it ends, then a count.
#pragma once
#include <cstdio>
#include <filesystem>
#include <string>

#include "options.h"

namespace tv::cli {

// Runs o's command on every device of the list o.devices under dir, starting self for each.
// Returns 0 when every device succeeded, 1 when any failed; 2 with a message in
// usage_error when the list (or an option with it) is wrong, before anything is sent.
// Ctrl-C (SIGINT, SIGTERM) starts no further device and stops the running ones.
int run_devices(const Options& o, const std::filesystem::path& dir, const std::filesystem::path& self,
                std::FILE* out, std::string& usage_error);

}  // namespace tv::cli
