// Printer identity and status commands over the serial and TCP links.
#include "commands/printer/identity.h"

#include <cstring>
#include <string>

#include "codecs/printer/Fpos.h"
#include "common/codes.h"
#include "common/debug.h"
#include "common/text.h"
#include "link/link.h"
#include "link/link_text.h"
#include "ui/trace.h"

namespace tv {
namespace {

constexpr std::size_t TCP_REPLY = 4300;

// The field value that starts at p: its wire bytes up to the next tab or the end, at most
// max_chars of them.
std::string field_value(const char* p, std::size_t max_chars) {
    std::size_t n = 0;
    while (p[n] && p[n] != '\t' && n < max_chars) ++n;
    return std::string(p, n);
}

// Puts the wire bytes into out (cap bytes, cleared first) as UTF-8 text, terminated.
void store(char* out, std::size_t cap, const std::string& wire) {
    std::memset(out, 0, cap);
    const std::string utf8 = from_cp1250(wire);
    // Cut at a character boundary so no half letter is kept.
    std::size_t n = utf8.size() < cap - 1 ? utf8.size() : cap - 1;
    while (n > 0 && n < utf8.size() && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
    std::memcpy(out, utf8.data(), n);
}

struct Fields {
    bool serial;
    char* unique = nullptr;
    char* name = nullptr;
    char* version = nullptr;
};

// Walks every position of the reply for the fields the command reads; a field that
// occurs twice is read twice and the later value stays.
void read_fields(const char* reply, const Fields& f) {
    const std::size_t len = std::strlen(reply);
    for (std::size_t i = 0; i < len; ++i) {
        const char* p = reply + i;
        if (f.unique && cmpr1(p, "\tfs")) {
            if (f.serial) debugf("Tryb pracy : ");
            if (p[3] == 'T')
                debugf("FISKALNY\n");
            else if (p[3] == 'N')
                debugf("NIEFISKALNY\n");
        } else if (f.unique && cmpr1(p, "\tnu")) {
            store(f.unique, 13, field_value(p + 3, 12));
            if (f.serial) debugf("Numer unikatowy : %s\n", f.unique);
        } else if (f.name && cmpr1(p, "\tnm")) {
            store(f.name, 32, field_value(p + 3, 31));
            debugf("Typ drukarki : %s\n", f.name);
        } else if (f.version && cmpr1(p, "\tvr")) {
            store(f.version, 10, field_value(p + 3, 9));
            debugf("Wersja : %s\n", f.version);
        }
    }
}

}  // namespace

namespace {

// One request and its reply over the given link (ask: offer to wait again when a TCP reply
// is late; the type read over TCP also marks its steps in the trace). The reply buffer is
// the thread's own.
int identity_exchange(const LinkOps& link, unsigned int& sock, const char* command, bool ask,
                      const char*& reply) {
    static thread_local char buffer[TCP_REPLY];
    std::memset(buffer, 0, sizeof buffer);
    reply = buffer;
    unsigned devErr = 0;
    const bool traced = ask && !link.serial;
    if (traced) s("%%%%%% ");
    // A slow device's late reply to an earlier request must not pass for this one's.
    link.drop_input(sock);
    int r = link.send_text(sock, tarv_frame(command));
    if (traced) s("%%%%%% ");
    if (r != RC_OK) return r;
    r = link.receive_text(sock, buffer, devErr, ask);
    if (traced) s("%%%%%% ");
    // Only a whole reply to this very command tells anything about the device.
    if (r == RC_OK && !reply_answers(buffer, command)) {
        trace_log(" [ BAD REPLY ]\r\n");
        return RC_WRONG_REPLY;
    }
    return r;
}

int read_unique(const LinkOps& link, unsigned int& sock, char* unique) {
    std::memset(unique, 0, 13);
    const char* reply = nullptr;
    const int r = identity_exchange(link, sock, "scomm\t", false, reply);
    if (r != RC_OK) return r;
    read_fields(reply, Fields{link.serial, unique});
    return RC_OK;
}

int read_type(const LinkOps& link, unsigned int& sock, char* name, char* version, bool ask = true) {
    std::memset(name, 0, 32);
    std::memset(version, 0, 10);
    const char* reply = nullptr;
    const int r = identity_exchange(link, sock, "sid\t", ask && !link.serial, reply);
    if (r != RC_OK) return r;
    read_fields(reply, Fields{link.serial, nullptr, name, version});
    return RC_OK;
}

unsigned int no_socket = 0;  // the serial link keeps its port process-wide

}  // namespace

int p_scomm(char* unique) { return read_unique(serial_link, no_socket, unique); }
int tcp_p_scomm(char* unique, unsigned int& sock) { return read_unique(tcp_link, sock, unique); }
int p_sid(char* name, char* version) { return read_type(serial_link, no_socket, name, version); }
int tcp_p_sid(char* name, char* version, unsigned int& sock) {
    return read_type(tcp_link, sock, name, version);
}

int printer_identity(const LinkOps& link, unsigned int& sock, char* unique, char* name, char* version,
                     bool ask) {
    const int r = read_unique(link, sock, unique);
    return r != RC_OK ? r : read_type(link, sock, name, version, ask);
}

int p_sdev() {
    const char* reply = nullptr;
    const int r = identity_exchange(serial_link, no_socket, "!sdev\t", false, reply);
    if (r != RC_OK) return r;
    const std::size_t len = std::strlen(reply);
    for (std::size_t i = 0; i < len; ++i) {
        if (!cmpr1(reply + i, "\tds")) continue;
        const char* p = reply + i + 3;
        int value = 0, digits = 0;
        while (digits < 3 && p[digits] >= '0' && p[digits] <= '9') value = value * 10 + (p[digits++] - '0');
        // A status that is not a number is no printer status at all.
        if (digits == 0) break;
        return RC_STATUS_BASE + value;
    }
    // A reply without the status it was asked for confirms nothing.
    return RC_WRONG_REPLY;
}

}  // namespace tv
