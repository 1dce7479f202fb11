// Checks of the IP address and TCP port fields.
#include "ui/fields.h"

#include "common/text.h"
#include "ui/Controls.h"
#include "ui/host.h"

namespace tv {
namespace {

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Characters (not bytes) of UTF-8 text up to byte offset end.
int chars_before(const std::string& text, std::size_t end) {
    int n = 0;
    for (std::size_t i = 0; i < end && i < text.size(); ++i)
        if (!is_continuation(text[i])) ++n;
    return n;
}

TextSpan span_of(const std::string& text, std::size_t from, std::size_t to) {
    const int start = chars_before(text, from);
    return TextSpan{start, chars_before(text, to) - start};
}

bool all_digits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool octet(const std::string& part) {
    if (part.size() > 3 || !all_digits(part)) return false;
    if (part.size() > 1 && part[0] == '0') return false;
    long long v = 0;
    return decimal_value(part, v) && v <= 255;
}

// At most this many characters of a field's text go into a message.
constexpr int kShownChars = 40;

std::string shown(const std::string& text) {
    std::size_t i = 0;
    int chars = 0;
    for (; i < text.size(); ++i) {
        if (is_continuation(text[i])) continue;
        if (chars++ == kShownChars) return text.substr(0, i) + "...";
    }
    return text;
}

bool refuse(Control* field, const std::string& text) {
    message(text, "Błąd", Icon::Warning);
    host().focus(*field);
    return false;
}

}  // namespace

std::vector<TextSpan> ip_address_faults(const std::string& text) {
    std::vector<TextSpan> bad;
    auto mark = [&](std::size_t from, std::size_t to) {
        const TextSpan s = span_of(text, from, to);
        if (bad.empty() || !(bad.back() == s)) bad.push_back(s);
    };
    if (text.empty()) return bad;
    int parts = 0;
    bool all_good = true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        const std::size_t end = dot == std::string::npos ? text.size() : dot;
        ++parts;
        if (parts > 4) {
            // A fifth part and what follows it: from the dot before it to the end.
            mark(start - 1, text.size());
            return bad;
        }
        if (!octet(text.substr(start, end - start))) {
            all_good = false;
            // An empty part is marked by the dot that ends it, or the one before it.
            if (end > start)
                mark(start, end);
            else if (dot != std::string::npos)
                mark(dot, dot + 1);
            else
                mark(start - 1, start);
        }
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    if (parts < 4 && all_good) mark(0, text.size());
    return bad;
}

bool ip_address_valid(const std::string& text) { return !text.empty() && ip_address_faults(text).empty(); }

bool tcp_port_valid(const std::string& text) {
    long long v = 0;
    return text.size() <= 5 && decimal_value(text, v) && v >= 1 && v <= 65535;
}

std::vector<TextSpan> tcp_port_faults(const std::string& text) {
    if (text.empty() || tcp_port_valid(text)) return {};
    return {span_of(text, 0, text.size())};
}

bool link_fields_ready() {
    if (sel(gComb_Interface) != 1) return true;
    const std::string ip = text(g_IPaddress);
    if (!ip_address_valid(ip))
        return refuse(g_IPaddress, "Pole \"Adres IP\" nie zawiera poprawnego adresu: \"" + shown(ip) +
                                       "\".\nAdres to cztery liczby od 0 do 255 oddzielone kropkami.");
    const std::string port = text(gEdit_PortTCP);
    if (!tcp_port_valid(port))
        return refuse(gEdit_PortTCP, "Pole \"Port\" nie zawiera poprawnego portu TCP: \"" + shown(port) +
                                         "\".\nPort to liczba od 1 do 65535.");
    return true;
}

}  // namespace tv
