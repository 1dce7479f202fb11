// The console tool's command line: the command (the button it presses), its file, and the
// options, each of which sets one control of the panel.
#pragma once
#include <optional>
#include <string>

#include "image/convert.h"

namespace tv::cli {

enum class Command { Send, Clear, Set, Report, Detect, Test, Ports, Convert };

struct Options {
    Command command = Command::Test;
    std::string file;                    // send FILE, convert IN
    std::string out_file;                // convert IN OUT
    bool convert = false;                // send --convert: the picture is converted first
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
    std::optional<int> slot;             // 0..5, 6 = all
    std::optional<int> header;           // 0 = none, 1..6
    std::optional<int> footer;
    std::optional<bool> print;
    std::optional<bool> test_print;
    bool yes = false;
    std::string trace_file;
    bool help = false;
};

// Parses argv. On a usage error returns false with a Polish message in error.
bool parse(int argc, char** argv, Options& out, std::string& error);

// The Polish help text.
const char* help_text();

}  // namespace tv::cli
