// The numbers the tool's pieces pass between them, by name: the ids of the controls the
// command dispatch reacts to, the job kinds, and the result codes of links, checks and jobs.
#pragma once

namespace tv {

// Control ids (several controls may share one; the dispatch tells them apart by handle).
enum ControlId : int {
    ID_NONE = 0,        // selectors without a command of their own (slot, speed, ...)
    ID_DETECT = 101,    // "Szukaj połączenia" / "Zatrzymaj"
    ID_TEST = 102,      // "Test połączenia"
    ID_FILE = 103,      // "Otwórz"
    ID_SEND = 104,      // "Wyślij >>"
    ID_CLEAR = 105,     // "Wyczyść"
    ID_SET = 106,       // "Ustaw"
    ID_REPORT = 107,    // "Raport grafik"
    ID_SELECTOR = 120,  // the interface and protocol selectors
    ID_PROGRESS = 200,
    ID_IP_ADDRESS = 201,
    ID_GROUP = 444,  // group frames
    ID_GROUP_CFG = 445,
    ID_GROUP_RULE = 446,  // the thin separator frames
    ID_PRINT = 500,       // "drukuj po wysłaniu"
    ID_TEST_PRINT = 501,  // "wydruk testowy"
};

// Job kinds (work_mode).
enum WorkMode : short {
    WM_NONE = 0,
    WM_PRINTER = 1,      // a printer command stream, sub-kind in send_mode
    WM_DETECT = 2,       // the serial port scan
    WM_TEST = 3,         // the connection test
    WM_SCAN = 4,         // the network scan
    WM_KS_PROGRAM = 10,  // cash register: program a slot
    WM_KS_CLEAR = 11,    // cash register: clear slots
    WM_KS_SET = 12,      // cash register: header and footer
};

// Printer command-stream kinds (send_mode).
enum SendMode : short {
    SM_NONE = 0,
    SM_GRAPHIC = 1,  // program the picture
    SM_CLEAR = 2,
    SM_SET = 3,     // header and footer
    SM_REPORT = 4,  // graphics report
};

// Result codes: every code a function of the tool returns, and the error numbers it
// records itself. 0 is success everywhere. The values are what users see in messages and
// traces and what the links and devices agree on: they never change.
enum Result : int {
    RC_OK = 0,
    // The picture check (gr_check). A failed open has shown its message already; the
    // others have their message in the check's text.
    GR_CANNOT_OPEN = 1,
    GR_TOO_WIDE = 2,
    GR_TOO_HIGH = 3,
    GR_NOT_MONO = 4,
    GR_NO_DATA = 5,     // header cut short, or the pixel area misplaced or cut short
    GR_NOT_BMP = 6,     // no "BM" signature, or a header of no known size
    GR_COMPRESSED = 7,  // a one-bit picture stored compressed
    GR_ONE_DOT = 8,     // 1 x 1: the form of a cleared slot, never sent as a logo
    // A cash-register catalogue read got an error reply.
    RC_READ_REFUSED = 1,
    // Serial link.
    RC_COM_OPEN = 20,
    RC_COM_GET_STATE = 21,
    RC_COM_SET_STATE = 22,
    RC_COM_GET_TIMEOUTS = 23,
    RC_COM_SET_TIMEOUTS = 24,
    RC_COM_WRITE = 25,
    // Either link: the device answered with an error (device-error record filled), or
    // nothing came in time.
    RC_DEVICE_ERROR = 26,
    RC_NO_REPLY = 27,
    // A printer reply that came whole but answers another command, or lacks the field the
    // command reads: it confirms nothing.
    RC_WRONG_REPLY = 28,
    // TCP link. A failed receive is reported as RC_NO_REPLY, never as RC_TCP_RECEIVE.
    RC_TCP_SOCKET = 50,
    RC_TCP_RESOLVE = 51,
    RC_TCP_CONNECT = 52,
    RC_TCP_SEND = 53,
    RC_TCP_RECEIVE = 54,
    RC_TCP_CLOSE = 69,
    // A stop was requested (detection, uploads); nothing more was sent.
    RC_STOPPED = 888,
    // The printer status command: RC_STATUS_BASE plus the device's status digits; up to
    // RC_STATUS_FISCAL_LAST the device is a fiscal printer.
    RC_STATUS_BASE = 1000,
    RC_STATUS_FISCAL_LAST = 1004,
    // Error numbers the tool records itself (ERR_NR, looked up in the cash-register error
    // catalogue) for a reply it cannot use: one that answers another command
    // (COMM_ERR_UNEXPECTED_DATA); a whole one with a wrong checksum (COMM_ERR_CRC); none at
    // all, or a frame that never ended.
    KS_REPLY_OTHER = 3002,
    KS_REPLY_CRC = 3006,
    KS_NO_REPLY = 10000,
    // The request could not be written to the link: the catalogue's "no communication".
    KS_SEND_FAILED = 10001,
};

}  // namespace tv
