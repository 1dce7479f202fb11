// The JSON documents --json prints instead of the boxes (docs/json.md describes them all):
// one for a single device {"command", "exit", "boxes", "seconds", "outcome", "reason"},
// with "ports", "text" or "error" where the command or the failure has them, and one for a
// list of devices {"devices": [{"name", "exit", "boxes", "seconds", ["error",] "outcome",
// "reason"}, ...], "ok", "failed", "command", "exit", "outcome"}. Standard output carries
// exactly one of them whatever happens.
#pragma once
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "console_host.h"

namespace tv::cli {

using Json = nlohmann::ordered_json;  // keys stay in the documented order

// The outcomes a document names.
inline constexpr char OUTCOME_SUCCEEDED[] = "succeeded";
inline constexpr char OUTCOME_FAILED[] = "failed";
inline constexpr char OUTCOME_INTERRUPTED[] = "interrupted";  // Ctrl-C (or the list's stop)
inline constexpr char OUTCOME_USAGE_ERROR[] = "usage_error";  // exit 2: nothing was sent
inline constexpr char OUTCOME_NOT_STARTED[] = "not_started";  // a device of a list never started

// [{"caption": ..., "text": ...}, ...]
Json boxes_json(const std::vector<ConsoleHost::Box>& boxes);

// Seconds rounded to milliseconds.
double rounded_seconds(double seconds);

// Text on one line: line breaks and runs of blanks become one space.
std::string one_line(const std::string& text);

// Why a run did not succeed, on one line: its boxes as "[caption] text", then error.
std::string reason_text(const Json& boxes, const std::string& error = {});

Json single_document(const std::string& command, int exit, const std::vector<ConsoleHost::Box>& boxes,
                     double seconds, const std::string& outcome, const std::string& reason);

// A usage error: exit 2, no boxes, the message as the reason and as "error".
Json usage_document(const std::string& command, const std::string& message);

// The document's text, indented, ending in a line feed. Bytes that are not UTF-8 (a
// device's own text) become U+FFFD instead of ending the run.
std::string json_text(const Json& doc);

// Writes the document to out and flushes it.
void print_document(const Json& doc, std::FILE* out);

}  // namespace tv::cli
