// Command line of the simulator: which device it plays, where it listens, what it stores,
// and which faults it injects at which command.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tv::sim {

enum class DeviceKind { Printer, Register };

// A command number counted from 1 over the simulator's whole life; 0 stands for "every
// command" (written "*" on the command line).
using CommandNo = long;

struct Options {
    DeviceKind device = DeviceKind::Printer;

    // Transport: a TCP port on 127.0.0.1 (0 = any free port), or a pseudo-terminal whose
    // slave path is published as a symbolic link at pty_link.
    bool use_pty = false;
    int tcp_port = 6666;
    std::string listen_address = "127.0.0.1";  // a loopback address (127.0.0.0/8) only
    std::string pty_link;

    // Identity (UTF-8; sent as Windows-1250).
    std::string printer_name = "TARVIX SIM";    // sid: nm
    std::string printer_version = "1.00";       // sid: vr
    std::string unique_number = "ABC12345678";  // scomm: nu
    std::string fiscal_mode = "T";              // scomm: fs
    int device_status = 0;                      // !sdev: ds
    int model = 5;                              // cash register status: model code

    // Files.
    std::string store_dir;  // pictures and state after every successful programming
    std::string dump_dir;   // pictures and state at exit
    std::string log_file;   // every request frame received

    // Faults.
    std::map<CommandNo, int> fail;  // error reply with this code
    std::set<CommandNo> no_reply;
    std::set<CommandNo> bad_crc;
    std::set<CommandNo> drop;
    std::set<CommandNo> stale;
    std::map<CommandNo, int> delay_ms;
    std::map<CommandNo, std::string> junk;         // raw bytes sent after the reply
    std::map<CommandNo, int> cut;                  // only the first N bytes of the reply are sent
    std::set<CommandNo> reset;                     // the line is broken abortively (TCP: RST)
    std::map<CommandNo, std::string> wrong_reply;  // answered as if it were this command
    int trickle_ms = 0;                            // every reply byte by byte, this pause per byte
    std::set<int> read_only_slots;

    // Start in the background: the caller's process returns once the simulator listens.
    bool background = false;
    std::string pid_file;  // the simulator's process number, written before READY

    bool verbose = false;
    bool debug = false;  // the core's diagnostics on standard error
    bool help = false;
    bool version = false;
};

// Parses the arguments (without the program name). Returns false and a Polish message in
// error when they are not valid.
bool parse_options(const std::vector<std::string>& args, Options& out, std::string& error);

// The --help text (Polish, UTF-8).
const char* usage_text();

// True when a fault keyed by command numbers applies to command k.
template <class Container>
bool hits(const Container& c, CommandNo k) {
    return c.count(k) != 0 || c.count(0) != 0;
}
template <class Map>
const typename Map::mapped_type* lookup(const Map& m, CommandNo k) {
    auto it = m.find(k);
    if (it == m.end()) it = m.find(0);
    return it == m.end() ? nullptr : &it->second;
}

}  // namespace tv::sim
