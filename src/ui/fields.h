// The typed link fields: the device's IP address and TCP port. What a valid value is, which
// parts of a typed text are wrong (for the face to mark), and the check a job makes before
// it uses the TCP link.
#pragma once
#include <string>
#include <vector>

namespace tv {

// A stretch of a text, counted in characters (not bytes).
struct TextSpan {
    int start;
    int length;
    bool operator==(const TextSpan&) const = default;
};

// Exactly four dot-separated decimal numbers 0..255 of 1 to 3 digits, no leading zero
// (a leading zero would be read as octal by the address lookup: a different device).
bool ip_address_valid(const std::string& text);
// The parts of the text that keep it from being an address: every part that is not such a
// number, and every part past the fourth. A text of fewer than four good parts is wrong as a
// whole (one span over all of it). Empty for a valid address and for an empty text.
std::vector<TextSpan> ip_address_faults(const std::string& text);

// A decimal number 1..65535 (digits only).
bool tcp_port_valid(const std::string& text);
// The whole text when it is not a valid port, else nothing.
std::vector<TextSpan> tcp_port_faults(const std::string& text);

// Before a job on the Ethernet interface: the address and port fields must hold a valid
// address and port. On the first bad one shows a message that names the field, puts the
// focus on it and returns false; the field keeps what was typed. True on the serial
// interface, whatever the fields hold.
bool link_fields_ready();

}  // namespace tv
