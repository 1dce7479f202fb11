// Option lines of a --help text.
#include "common/help_text.h"

namespace tv {
namespace {

// The characters of UTF-8 text: every byte but the continuation bytes 10xxxxxx.
std::size_t characters(const std::string& text) {
    std::size_t n = 0;
    for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

}  // namespace

std::string help_line(const char* shown, const char* text, std::size_t column) {
    std::string line = "  " + std::string(shown);
    const std::size_t width = characters(shown);
    line.append(width < column ? column - width : 1, ' ');
    for (const char* c = text; *c; ++c) {
        line += *c;
        if (*c == '\n') line.append(column + 2, ' ');
    }
    return line + "\n";
}

}  // namespace tv
