// The simulated fiscal printer: text frames STX payload '#' CRC ETX, tab-separated fields,
// error replies "\t?N\t" with the printer's error numbers.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "device.h"
#include "options.h"

namespace tv::sim {

namespace prn_err {
constexpr int CMD_UNKNOWN = 1;
constexpr int CMD_MANDATORY_FIELDS = 2;
constexpr int DATA_CONVERSION = 3;
constexpr int CRC_INVALID = 5;
constexpr int FLD_INVALID = 6;
constexpr int CMD_LENGTH = 7;
constexpr int CRC_LENGTH = 9;
constexpr int INPUT_BUFFER_OVERRUN = 11;
constexpr int SYNTAX = 15;
constexpr int FORM_NOT_STARTED = 2505;
constexpr int FORM_STARTED = 2506;
}  // namespace prn_err

// The largest request frame: STX, 4289 payload bytes, '#', four digits, ETX.
constexpr std::size_t kPrinterFrameMax = 4296;
// Printers take graphics up to 640 x 640.
constexpr int kPrinterMaxSide = 640;

// Builds a reply frame around a payload (Windows-1250 bytes): STX payload '#' CRC ETX.
Bytes printer_reply_frame(const std::string& payload);

class PrinterDevice final : public Device {
  public:
    PrinterDevice(const Options& options, SlotStore& store, ChangeHook changed);

    bool feed(unsigned char b) override;
    void reset_input() override;
    Bytes answer(const Bytes& request) override;
    Bytes refuse(const Bytes& request, int code) override;
    Bytes corrupt_checksum(const Bytes& reply) override;
    Bytes request_for(const std::string& command) const override;

  private:
    struct Request {
        std::string name;
        std::map<std::string, std::string> fields;  // two-letter name -> value
    };
    using Fields = std::vector<std::pair<std::string, std::string>>;  // in reply order

    // Checks the frame and splits its payload; 0 or the printer's error number. The
    // command name is filled as far as it could be read.
    int parse(const Bytes& frame, Request& out) const;
    // Runs a parsed command; 0 or an error number, reply fields in out.
    int run(const Request& r, Fields& out);
    static Bytes reply(const std::string& name, const Fields& fields);
    static Bytes error_reply(const std::string& name, int code);

    bool collecting_ = false;
    bool overrun_ = false;
    bool form_open_ = false;
};

}  // namespace tv::sim
