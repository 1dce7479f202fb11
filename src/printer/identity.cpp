// Printer identity and status commands over the serial and TCP links.
#include "printer/identity.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/text.h"
#include "jobs/trace.h"
#include "link/COM_pos.h"
#include "link/TCPIP_pos.h"
#include "printer/Fpos.h"

namespace tv {
namespace {

constexpr std::size_t TCP_REPLY = 4300;

// Copies the field value that starts at p (up to the next tab or the end) into out,
// at most cap-1 wire characters, as UTF-8 text.
std::string field_value(const char* p, std::size_t max_chars) {
    std::size_t n = 0;
    while (p[n] && p[n] != '\t' && n < max_chars) ++n;
    return std::string(p, n);
}

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
            if (f.serial) std::printf("Tryb pracy : ");
            if (p[3] == 'T') std::printf("FISKALNY\n");
            else if (p[3] == 'N') std::printf("NIEFISKALNY\n");
        } else if (f.unique && cmpr1(p, "\tnu")) {
            store(f.unique, 13, field_value(p + 3, 12));
            if (f.serial) std::printf("Numer unikatowy : %s\n", f.unique);
        } else if (f.name && cmpr1(p, "\tnm")) {
            store(f.name, 32, field_value(p + 3, 31));
            std::printf("Typ drukarki : %s\n", f.name);
        } else if (f.version && cmpr1(p, "\tvr")) {
            store(f.version, 10, field_value(p + 3, 9));
            std::printf("Wersja : %s\n", f.version);
        }
    }
}

}  // namespace

namespace {

// One request and its reply: over the serial link when sock is null, else over TCP (ask:
// offer to wait again when the reply is late). The reply buffer is the thread's own.
int identity_exchange(const char* command, unsigned int* sock, bool ask, const char*& reply) {
    static thread_local char buffer[TCP_REPLY];
    std::memset(buffer, 0, sizeof buffer);
    reply = buffer;
    unsigned devErr = 0;
    if (!sock) {
        const int r = com_send(tarv_frame(command));
        return r != 0 ? r : com_pos_receive(buffer, devErr);
    }
    const bool traced = ask;  // the type read over TCP marks its steps in the trace
    if (traced) s("%%%%%% ");
    int r = tcp_send(*sock, tarv_frame(command));
    if (traced) s("%%%%%% ");
    if (r != 0) return r;
    r = tcp_pos_recive(*sock, buffer, devErr, ask);
    if (traced) s("%%%%%% ");
    return r;
}

int read_unique(char* unique, unsigned int* sock) {
    std::memset(unique, 0, 13);
    const char* reply = nullptr;
    const int r = identity_exchange("scomm\t", sock, false, reply);
    if (r != 0) return r;
    read_fields(reply, Fields{sock == nullptr, unique});
    return 0;
}

int read_type(char* name, char* version, unsigned int* sock) {
    std::memset(name, 0, 32);
    std::memset(version, 0, 10);
    const char* reply = nullptr;
    const int r = identity_exchange("sid\t", sock, sock != nullptr, reply);
    if (r != 0) return r;
    read_fields(reply, Fields{sock == nullptr, nullptr, name, version});
    return 0;
}

}  // namespace

int p_scomm(char* unique) { return read_unique(unique, nullptr); }
int tcp_p_scomm(char* unique, unsigned int& sock) { return read_unique(unique, &sock); }
int p_sid(char* name, char* version) { return read_type(name, version, nullptr); }
int tcp_p_sid(char* name, char* version, unsigned int& sock) { return read_type(name, version, &sock); }

int p_sdev() {
    const char* reply = nullptr;
    const int r = identity_exchange("!sdev\t", nullptr, false, reply);
    if (r != 0) return r;
    const std::size_t len = std::strlen(reply);
    for (std::size_t i = 0; i < len; ++i) {
        if (!cmpr1(reply + i, "\tds")) continue;
        const char* p = reply + i + 3;
        int value = 0, digits = 0;
        while (digits < 3 && p[digits] >= '0' && p[digits] <= '9') value = value * 10 + (p[digits++] - '0');
        // A status that is not a number is no printer status at all.
        return digits ? 1000 + value : 0;
    }
    return 0;
}

}  // namespace tv
