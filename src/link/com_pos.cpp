// The serial link's connection and its text exchange with fiscal printers: open and
// configure the port, send a printer frame, collect the reply until ETX or the idle limit.
#include <cstring>
#include <string>

#include "common/debug.h"
#include "common/globals.h"
#include "common/text.h"
#include "link/COM_pos.h"
#include "link/link_text.h"
#include "link/serial_port.h"
#include "ui/host.h"
#include "ui/trace.h"

namespace tv {

SerialPort hCom;

namespace {

constexpr std::size_t kReplySize = 4300;    // collected text reply
constexpr std::size_t kCallerReply = 2048;  // what every caller's reply buffer holds
constexpr unsigned char ETX = 0x03;

// Opens and configures the port without touching the log and sequence files.
Result open_port(bool echo) {
    hCom.close();  // never leave a handle behind: the port is held exclusively
    char nr[sizeof NR_COM];
    copy_to(nr, std::string_view(NR_COM, strnlen(NR_COM, sizeof NR_COM)));
    const std::string name = com_display_name(nr);
    s(name + " : " + i_to_str(BAUDRATE_COM.load()) + "\n");

    if (!hCom.open(SerialPort::device_path(nr))) {
        trace_log("Open port ERROR!\r\n");
        return RC_COM_OPEN;
    }
    Result result = RC_OK;
    if (!hCom.read_state()) {
        trace_log("Get state ERROR!\r\n");
        result = RC_COM_GET_STATE;
    } else if (!hCom.apply_state(BAUDRATE_COM.load())) {
        trace_log("Set state ERROR!\r\n");
        result = RC_COM_SET_STATE;
    }
    if (result == RC_OK) {
        if (!hCom.read_timeouts()) {
            trace_log("Get timeouts ERROR!\r\n");
            result = RC_COM_GET_TIMEOUTS;
        }
        if (!hCom.apply_timeouts()) {
            trace_log("Set timeouts ERROR!\r\n");
            result = RC_COM_SET_TIMEOUTS;
        }
    }
    if (result != RC_OK) {
        // Nobody closes a port whose set-up failed; an exclusive handle left open would
        // keep the port locked until the program ends.
        hCom.close();
        return result;
    }
    // Whatever the port still holds is no reply to anything this job will send.
    hCom.discard_input();
    const std::string line = "OPEN PORT : " + name + "\r\n";
    if (echo) s(line);
    l(line.c_str(), false, false);
    return RC_OK;
}

long idle_limit() { return static_cast<long>(RCV_TIMEOUT.load()) * static_cast<long>(TIMEOUT_BASE.load()); }

}  // namespace

long serial_idle_limit() { return idle_limit(); }

int com_connect(bool echo) {
    l("", true, true);  // a serial job's record starts here
    return open_port(echo);
}

void com_disconnect(bool echo) {
    hCom.close();
    const char* line = "\r\n\r\nZAMKNIECIE PORTU COM!\r\n";
    if (echo) s(line);
    l(line, false, false);
}

int com_send(char* text) {
    s("\r\nSend : ");
    l("\nSend : ", false, false);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const std::size_t len = std::strlen(text);
    debug_frame("Send", text, len);
    if (hCom.write_all(bytes, len)) {
        trace_wire(text);
        l(text, false, true);
        return RC_OK;
    }
    // One reconnection and one rewrite. The log and sequence files go on: what was sent
    // before the failure is the record a technician needs.
    com_disconnect(true);
    if (open_port(true) == RC_OK && hCom.write_all(bytes, len)) return RC_OK;
    s("ERROR!\r\n");
    l("ERROR!\r\n", false, true);
    return RC_COM_WRITE;
}

int com_pos_receive(char* reply, unsigned& devErr) {
    char buf[kReplySize + 1];
    std::memset(buf, 0, sizeof buf);
    devErr = 0;
    s("\r\nResp.: ");
    l("\nResp.: ", false, false);

    const long limit = idle_limit();
    long idle = 0;
    std::size_t n = 0;
    Result result = RC_OK;
    unsigned char last = 0;
    while (last != ETX && idle < limit && n < kReplySize) {
        unsigned char b = 0;
        if (hCom.read_byte(b) && b != 0) {
            buf[n++] = static_cast<char>(b);
            last = b;
        } else {
            s(".");  // a slice without a byte, or a zero byte, which is dropped
            ++idle;
        }
    }

    debug_frame("Resp.", buf, n);
    // The last tab-"?" pair of the reply is its error field; a time-out outweighs it.
    const std::size_t question = error_field(std::string_view(buf, n), ErrorField::Last);
    if (question != std::string_view::npos) result = RC_DEVICE_ERROR;
    if (idle >= limit) {
        trace_log(" [ TIMEOUT ]\r\n");
        result = RC_NO_REPLY;
        const int mode = work_mode.load();
        if (mode != WM_DETECT && mode != WM_TEST)
            message("Brak odpowiedzi z drukarki fiskalnej!", "UWAGA!", Icon::Warning);
    } else {
        trace_wire(std::string_view(buf, n));
        l(buf, false, false);
    }
    if (result == RC_DEVICE_ERROR) devErr = report_error_field(buf, n, question);
    copy_reply(reply, kCallerReply, std::string_view(buf, n));
    return result;
}

}  // namespace tv
