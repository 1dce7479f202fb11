// Checks of link values.
#include "values.h"

#include "common/text.h"
#include "ui/fields.h"

namespace tv::cli {

bool all_digits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool in_range(const std::string& s, int lo, int hi, int& value) {
    long long v = 0;
    if (s.size() > 5 || !decimal_value(s, v)) return false;
    value = static_cast<int>(v);
    return value >= lo && value <= hi;
}

bool valid_com_port(const std::string& s) {
    int n = 0;
    return s.size() >= 4 && s.compare(0, 3, "COM") == 0 && s[3] != '0' && in_range(s.substr(3), 1, 99, n);
}

bool valid_speed(const std::string& s) {
    static const char* speeds[] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
    for (const char* speed : speeds)
        if (s == speed) return true;
    return false;
}

bool valid_ipv4(const std::string& s) { return ip_address_valid(s); }

bool valid_tcp_port(const std::string& s) { return tcp_port_valid(s); }

}  // namespace tv::cli
