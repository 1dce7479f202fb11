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

Json single_document(const std::string& command, int exit, const std::vector<ConsoleHost::Box>& boxes,
                     double seconds) {
    Json doc;
    doc["command"] = command;
    doc["exit"] = exit;
    doc["boxes"] = boxes_json(boxes);
    doc["seconds"] = rounded_seconds(seconds);
    return doc;
}

std::string json_text(const Json& doc) {
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace tv::cli
