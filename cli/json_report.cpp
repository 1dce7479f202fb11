// Building the JSON documents.
#include "json_report.h"

#include <cmath>

namespace tv::cli {

Json boxes_json(const std::vector<ConsoleHost::Box>& boxes) {
    Json list = Json::array();
    for (const auto& b : boxes) list.push_back({{"caption", b.caption}, {"text", b.text}});
    return list;
}

double rounded_seconds(double seconds) { return std::round(seconds * 1000.0) / 1000.0; }

std::string one_line(const std::string& text) {
    std::string s;
    for (char c : text) {
        const bool blank = c == '\n' || c == '\r' || c == '\t' || c == ' ';
        if (blank) {
            if (!s.empty() && s.back() != ' ') s.push_back(' ');
        } else {
            s.push_back(c);
        }
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string reason_text(const Json& boxes, const std::string& error) {
    std::string what;
    for (const auto& box : boxes) {
        if (!what.empty()) what += " ";
        what += "[" + box.value("caption", std::string()) + "] " + box.value("text", std::string());
    }
    if (!error.empty()) what += (what.empty() ? "" : " ") + error;
    return one_line(what);
}

Json single_document(const std::string& command, int exit, const std::vector<ConsoleHost::Box>& boxes,
                     double seconds, const std::string& outcome, const std::string& reason) {
    Json doc;
    doc["command"] = command;
    doc["exit"] = exit;
    doc["boxes"] = boxes_json(boxes);
    doc["seconds"] = rounded_seconds(seconds);
    doc["outcome"] = outcome;
    doc["reason"] = reason;
    return doc;
}

Json usage_document(const std::string& command, const std::string& message) {
    Json doc = single_document(command, 2, {}, 0, OUTCOME_USAGE_ERROR, message);
    doc["error"] = message;
    return doc;
}

std::string json_text(const Json& doc) {
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

void print_document(const Json& doc, std::FILE* out) {
    std::fputs(json_text(doc).c_str(), out);
    std::fflush(out);
}

}  // namespace tv::cli
