// The JSON documents --json prints instead of the boxes: one for a single device
// {"command", "exit", "boxes", "seconds"} and one for a list of devices
// {"devices": [{"name", "exit", "boxes", "seconds"}, ...], "ok", "failed"}.
#pragma once
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "console_host.h"

namespace tv::cli {

using Json = nlohmann::ordered_json;  // keys stay in the documented order

// [{"caption": ..., "text": ...}, ...]
Json boxes_json(const std::vector<ConsoleHost::Box>& boxes);

// Seconds rounded to milliseconds.
double rounded_seconds(double seconds);

Json single_document(const std::string& command, int exit, const std::vector<ConsoleHost::Box>& boxes,
                     double seconds);

// The document's text, indented, ending in a line feed. Bytes that are not UTF-8 (a
// device's own text) become U+FFFD instead of ending the run.
std::string json_text(const Json& doc);

}  // namespace tv::cli
