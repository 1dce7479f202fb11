// The values a link control accepts, checked the same way for a command-line option and
// for a line of a list of devices.
#pragma once
#include <string>

namespace tv::cli {

bool all_digits(const std::string& s);
// A decimal number of at most five digits from lo to hi.
bool in_range(const std::string& s, int lo, int hi, int& value);
bool valid_com_port(const std::string& s);  // "COM1".."COM99"
bool valid_speed(const std::string& s);     // an item of the speed selector
bool valid_ipv4(const std::string& s);      // A.B.C.D, each 0..255, no leading zero (the panel's rule)
bool valid_tcp_port(const std::string& s);  // 1..65535 (the panel's rule)

}  // namespace tv::cli
