// The serial port on Windows: CreateFileA on "\\.\COMn", the port's DCB made a raw 8N1 line
// with RTS/CTS (whatever an earlier program left there), COMMTIMEOUTS changed only where the
// link needs it, single-byte ReadFile that waits at most 50 ms.
#include <windows.h>

#include "link/serial_port.h"

namespace tv {

struct SerialPort::Os {
    HANDLE h = INVALID_HANDLE_VALUE;
    DCB dcb{};
    COMMTIMEOUTS to{};
    DWORD err = 0;
};

SerialPort::SerialPort() : os_(std::make_unique<Os>()) {}
SerialPort::~SerialPort() { close(); }

std::string SerialPort::device_path(const char* nr_com) { return nr_com ? nr_com : ""; }

bool SerialPort::open(const std::string& path) {
    close();
    // No sharing: the port belongs to this program until it is closed.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        os_->err = GetLastError();
        return false;
    }
    os_->h = h;
    return true;
}

bool SerialPort::read_state() {
    os_->dcb = DCB{};
    os_->dcb.DCBlength = sizeof(DCB);
    if (GetCommState(os_->h, &os_->dcb)) return true;
    os_->err = GetLastError();
    return false;
}

bool SerialPort::apply_state(long baud) {
    DCB& d = os_->dcb;
    d.BaudRate = static_cast<DWORD>(baud);
    d.ByteSize = 8;
    d.Parity = NOPARITY;
    d.StopBits = ONESTOPBIT;
    d.fDtrControl = DTR_CONTROL_ENABLE;
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    d.fOutxCtsFlow = TRUE;
    // Every byte value crosses unchanged: no XON/XOFF flow control (it would take 0x11 and
    // 0x13 out of a frame and stop the output at an XOFF), no parity check, no dropped zero
    // bytes, no DSR handshake, and a line error does not stop every later read and write.
    d.fBinary = TRUE;
    d.fParity = FALSE;
    d.fOutX = FALSE;
    d.fInX = FALSE;
    d.fErrorChar = FALSE;
    d.fNull = FALSE;
    d.fOutxDsrFlow = FALSE;
    d.fDsrSensitivity = FALSE;
    d.fAbortOnError = FALSE;
    if (SetCommState(os_->h, &d)) return true;
    os_->err = GetLastError();
    return false;
}

bool SerialPort::read_timeouts() {
    if (GetCommTimeouts(os_->h, &os_->to)) return true;
    os_->err = GetLastError();
    return false;
}

bool SerialPort::apply_timeouts() {
    // A read returns at once with a byte that is there; with none it waits for the first
    // one at most one slice (the documented MAXDWORD/MAXDWORD/constant combination).
    COMMTIMEOUTS& t = os_->to;
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = MAXDWORD;
    t.ReadTotalTimeoutConstant = kSerialSliceMs;
    // One write call waits at most the stall limit, however many bytes it has (write_all
    // goes on while the port takes bytes).
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = kSerialWriteTimeoutMs;
    if (SetCommTimeouts(os_->h, &t)) return true;
    os_->err = GetLastError();
    return false;
}

bool SerialPort::read_byte(unsigned char& b) {
    const DWORD start = GetTickCount();
    DWORD got = 0;
    const BOOL ok = ReadFile(os_->h, &b, 1, &got, nullptr);
    if (ok && got == 1) return true;
    if (!ok) os_->err = GetLastError();
    // A failed read returns at once: the rest of the slice is still waited.
    const DWORD spent = GetTickCount() - start;
    if (spent < static_cast<DWORD>(kSerialSliceMs)) Sleep(kSerialSliceMs - spent);
    return false;
}

bool SerialPort::write_all(const unsigned char* p, std::size_t n) {
    // A write returns when its bytes are out or the time-out passed: a slow line (a long
    // frame at a low speed) is written on as long as it takes bytes; one that took none
    // within the stall limit has stalled.
    while (n > 0) {
        DWORD done = 0;
        if (!WriteFile(os_->h, p, static_cast<DWORD>(n), &done, nullptr)) {
            os_->err = GetLastError();
            return false;
        }
        if (done == 0) {
            os_->err = ERROR_TIMEOUT;
            return false;
        }
        p += done;
        n -= done;
    }
    return true;
}

void SerialPort::discard_input() {
    if (os_->h != INVALID_HANDLE_VALUE) PurgeComm(os_->h, PURGE_RXCLEAR);
}

void SerialPort::close() {
    if (os_->h == INVALID_HANDLE_VALUE) return;
    CloseHandle(os_->h);
    os_->h = INVALID_HANDLE_VALUE;
}

bool SerialPort::is_open() const { return os_->h != INVALID_HANDLE_VALUE; }

unsigned long SerialPort::last_error() const { return os_->err; }

}  // namespace tv
