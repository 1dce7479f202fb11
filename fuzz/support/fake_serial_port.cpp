// The fuzz programs' SerialPort (the class of link/serial_port.h), played from a script
// (serial_script.h). Linked as an object ahead of the core library, so the real
// operating-system half of the port never enters these programs; everything else about
// the serial link stays the project's own code.
#include <cstring>
#include <string>
#include <vector>

#include "commands/register/prt_ks.h"
#include "common/globals.h"
#include "link/serial_port.h"
#include "support/serial_script.h"

namespace tv {

namespace {

fuzz::SerialScript g_script;
std::size_t g_chunk = 0;  // chunk being sent
std::size_t g_pos = 0;    // next byte in it
std::vector<std::string> g_written;

// The reply of a register that accepts the written request.
void accept_request(const unsigned char* p, std::size_t n) {
    KS_FRM req, rep;
    req.clear();
    std::memcpy(req.FRAME, p, n < sizeof req.FRAME ? n : sizeof req.FRAME);
    req.filter();
    rep.clear();
    rep.CMD_ID = req.CMD_ID;
    rep.make();
    // Sent at once: finished bursts are passed over without a quiet slice.
    while (g_chunk < g_script.chunks.size() && g_pos >= g_script.chunks[g_chunk].size()) {
        ++g_chunk;
        g_pos = 0;
    }
    g_script.chunks.emplace_back(reinterpret_cast<const char*>(rep.FRAME), rep.F_LEN);
}

}  // namespace

namespace fuzz {

void serial_play(SerialScript script) {
    g_script = std::move(script);
    g_chunk = 0;
    g_pos = 0;
    g_written.clear();
}

const std::vector<std::string>& serial_written() { return g_written; }

}  // namespace fuzz

struct SerialPort::Os {
    bool open = false;
    unsigned long err = 0;
};

SerialPort::SerialPort() : os_(std::make_unique<Os>()) {}
SerialPort::~SerialPort() { close(); }

std::string SerialPort::device_path(const char* nr_com) { return com_device_path(nr_com, gCurrendDir); }

bool SerialPort::open(const std::string&) {
    close();
    if (g_script.open_fails) {
        os_->err = 2;
        return false;
    }
    os_->open = true;
    return true;
}

bool SerialPort::read_state() { return os_->open; }
bool SerialPort::apply_state(long) { return os_->open; }
bool SerialPort::read_timeouts() { return os_->open; }
bool SerialPort::apply_timeouts() { return os_->open; }

bool SerialPort::read_byte(unsigned char& b) {
    if (!os_->open) return false;
    while (g_chunk < g_script.chunks.size()) {
        const std::string& c = g_script.chunks[g_chunk];
        if (g_pos < c.size()) {
            b = static_cast<unsigned char>(c[g_pos++]);
            return true;
        }
        ++g_chunk;
        g_pos = 0;
        if (g_chunk < g_script.chunks.size()) return false;  // the quiet slice between bursts
    }
    return false;
}

// The script is the device answering what the program writes: none of its bytes is a
// stale reply to drop.
void SerialPort::discard_input() {}

bool SerialPort::write_all(const unsigned char* p, std::size_t n) {
    if (!os_->open) return false;
    if (g_script.failing_writes != 0) {
        if (g_script.failing_writes > 0) --g_script.failing_writes;
        os_->err = 5;
        return false;
    }
    g_written.emplace_back(reinterpret_cast<const char*>(p), n);
    if (g_script.register_accepts) accept_request(p, n);
    return true;
}

void SerialPort::close() { os_->open = false; }

bool SerialPort::is_open() const { return os_->open; }

unsigned long SerialPort::last_error() const { return os_->err; }

}  // namespace tv
