// The operating-system side of the serial link: opening a port exclusively, the four
// configuration steps, single-byte reads that wait at most one 50 ms slice, and writes.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tv {

// One wait for a byte lasts at most this long; the idle limit counts such slices.
constexpr int kSerialSliceMs = 50;
// A write gives up when the port has taken no byte for this long.
constexpr int kSerialWriteTimeoutMs = 2000;

class SerialPort {
  public:
    SerialPort();
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // The device the OS opens for a port name of the form "\\.\COMn".
    static std::string device_path(const char* nr_com);

    // Opens an existing device for reading and writing, exclusively. False when the
    // device is missing, busy or held by another program.
    bool open(const std::string& path);
    // Configuration, in this order (each false on failure): read the line settings; apply
    // speed, raw 8N1 (no byte changed, dropped or taken for flow control), RTS/CTS handshake
    // and DTR on; read the time-outs; make reads return at once and writes give up after
    // kSerialWriteTimeoutMs.
    bool read_state();
    bool apply_state(long baud);
    bool read_timeouts();
    bool apply_timeouts();

    // Takes one byte the moment it is there, waiting at most one slice. False when the
    // slice passed without a byte, also when the line is gone (the slice is still waited,
    // so a dead line never makes a caller spin).
    bool read_byte(unsigned char& b);
    // Writes all n bytes. False on a failure or when the port stalls.
    bool write_all(const unsigned char* p, std::size_t n);
    // Drops whatever the port has received and nobody read (a late reply to an earlier
    // request, for one), so that the next reply read is the one to the next request.
    void discard_input();
    void close();
    bool is_open() const;
    // The platform's code of the last failure (errno or GetLastError).
    unsigned long last_error() const;

  private:
    struct Os;
    std::unique_ptr<Os> os_;
};

// The process's one serial port, opened by com_connect and closed by com_disconnect.
extern SerialPort hCom;
// How many slices without a byte end a serial receive: RCV_TIMEOUT x TIMEOUT_BASE.
long serial_idle_limit();

// The part of a port name after the device prefix ("COM1" for "\\.\COM1").
const char* com_display_name(const char* nr_com);
// Where a port name leads on a POSIX system: the entry start_dir/ports/comN when it
// exists, otherwise COM1..32 -> /dev/ttyS0..31, COM33..64 -> /dev/ttyUSB0..31,
// COM65..99 -> /dev/ttyACM0..34. Empty for a name that is not COM1..COM99.
std::string com_device_path(const char* nr_com, std::string_view start_dir);

}  // namespace tv
