// The serial port of the fuzz programs: instead of a device, a script. The bytes a device
// would send come in the input's chunks, a quiet slice between two chunks; writes and
// opens fail when the input says so. The link code above the port is the real one.
#pragma once
#include <string>
#include <vector>

namespace tv::fuzz {

struct SerialScript {
    std::vector<std::string> chunks;  // what the device sends, in bursts
    int failing_writes = 0;           // this many writes fail, then writes succeed (-1: all)
    bool open_fails = false;          // the port cannot be (re)opened
    // Plays a cash register that accepts everything: every written request frame is
    // answered with a reply frame of the same command identifier and no fields.
    bool register_accepts = false;
};

// Replaces the script (and forgets what was written under the old one).
void serial_play(SerialScript script);
// Every block of bytes written to the port under the current script.
const std::vector<std::string>& serial_written();

}  // namespace tv::fuzz
