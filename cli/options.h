// The console tool's command line: the command (the button it presses), its file, and the
// options, each of which sets one control of the panel; and the options of a run over a
// list of devices.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "image/convert.h"

namespace tv::cli {

enum class Command { Send, Clear, Set, Report, Detect, Test, Ports, Convert, Scan };

struct Options {
    Command command = Command::Test;
    std::string command_name;  // as typed: "send", "clear", ...
    std::string file;          // send FILE, convert IN
    std::string out_file;      // convert IN OUT
    bool convert = false;      // send --convert: the picture is converted first
    // The conversion (convert, send --convert); the limit comes from the protocol.
    logo::Options conversion;
    std::string dir;                     // --dir (default: current directory)
    std::optional<int> interface;        // 0 serial, 1 Ethernet
    std::optional<int> protocol;         // 0 printers, 1 cash registers
    std::optional<std::string> port;     // "COM3"
    std::optional<std::string> baud;     // an item of the speed selector
    std::optional<std::string> timeout;  // "1".."99"
    std::optional<std::string> ip;
    std::optional<std::string> tcp_port;
    std::optional<int> slot;    // 0..5, 6 = all
    std::optional<int> header;  // 0 = none, 1..6
    std::optional<int> footer;
    std::optional<bool> print;
    std::optional<bool> test_print;
    bool yes = false;
    std::string trace_file;
    bool json = false;    // one JSON document instead of the boxes
    std::string devices;  // --devices LIST: run on every device of the list
    int parallel = 4;     // --parallel N: devices at a time (scan: connects in flight, default 64)
    // scan [ADDRESSES]: the addresses (in file; empty: the machine's own networks), the ports,
    // the connect time-out, where the found devices' list goes, and whether a block larger
    // than a /22 may be swept.
    std::string ports;
    int connect_timeout_ms = 300;
    std::string devices_out;
    bool large = false;
    bool debug = false;  // --debug: the core's diagnostics on standard error
    bool help = false;
    bool version = false;
};

// Parses argv. On a usage error returns false with a Polish message in error.
bool parse(int argc, char** argv, Options& out, std::string& error);

// The Polish help text.
const char* help_text();

// The options that make a single run of the tool on one device (without --dir, --devices,
// --parallel, --json and the link options): --timeout, --slot, --header, --footer, the two
// print choices, --yes. A run over a list passes them to every device.
std::vector<std::string> shared_arguments(const Options& o);

}  // namespace tv::cli
