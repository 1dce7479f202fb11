// Trace and log lines and the error field of printer replies, for both links.
#include "link/link_text.h"

#include <cstring>
#include <string>

#include "codecs/printer/Fpos.h"
#include "common/text.h"
#include "ui/trace.h"

namespace tv {

void trace_log(std::string_view utf8) {
    s(std::string(utf8));
    // The log holds the exchange in the device's code page, like the wire.
    l(to_cp1250(utf8).c_str(), false, false);
}

void trace_wire(std::string_view wire) { s(from_cp1250(wire)); }

std::size_t error_field(std::string_view reply, ErrorField which) {
    const std::size_t tab = which == ErrorField::First ? reply.find("\t?") : reply.rfind("\t?");
    return tab == std::string_view::npos ? tab : tab + 1;
}

unsigned report_error_field(const char* text, std::size_t len, std::size_t q) {
    unsigned number = 0;
    for (std::size_t i = q + 1; i < len && i <= q + 5; ++i) {
        if (text[i] < '0' || text[i] > '9') break;
        number = number * 10 + static_cast<unsigned>(text[i] - '0');
    }
    error_id(static_cast<int>(number));
    std::string line = "\r\n\t[ ERROR : ";
    line += std::to_string(number);
    line += " ";
    line += ERR_MNEMONIK;
    line += " ";
    line += ERR_OPIS;
    line += " ]";
    trace_log(line);
    return number;
}

void copy_reply(char* dst, std::size_t cap, std::string_view reply) {
    std::memset(dst, 0, cap);
    copy_bounded(dst, cap, reply);
}

}  // namespace tv
