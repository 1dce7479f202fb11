// The simulated fiscal printer: frame checks, the graphic and identity commands.
#include "printer_device.h"

#include <cstdlib>

#include "codecs/printer/Fpos.h"
#include "codecs/printer/crc_table.h"
#include "common/hex.h"
#include "common/text.h"

namespace tv::sim {

namespace {

constexpr unsigned char STX = 0x02;
constexpr unsigned char ETX = 0x03;
constexpr std::size_t kNameMax = 16;

std::uint16_t checksum(const std::string& payload) {
    return crc::xmodem(reinterpret_cast<const unsigned char*>(payload.data()), payload.size());
}

// A command name fit to be echoed in a reply: printable bytes only, bounded.
std::string clean_name(const std::string& raw) {
    std::string out;
    for (char c : raw.substr(0, kNameMax)) {
        unsigned char u = static_cast<unsigned char>(c);
        out.push_back(u > 0x20 && u != '#' && u != 0x7F ? c : '_');
    }
    return out;
}

// A decimal field value of at most five digits.
bool number(const std::string& text, int& out) {
    if (text.empty() || text.size() > 5) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    out = std::atoi(text.c_str());
    return true;
}

}  // namespace

Bytes printer_reply_frame(const std::string& payload) {
    char digits[5];
    hex_ch(checksum(payload), digits);
    Bytes out;
    out.push_back(static_cast<char>(STX));
    out += payload;
    out += '#';
    out.append(digits, 4);
    out.push_back(static_cast<char>(ETX));
    return out;
}

PrinterDevice::PrinterDevice(const Options& options, SlotStore& store, ChangeHook changed)
    : Device(options, store, std::move(changed)) {}

bool PrinterDevice::feed(unsigned char b) {
    if (b == STX) {  // a new frame begins, whatever came before
        frame_.assign(1, static_cast<char>(b));
        collecting_ = true;
        overrun_ = false;
        return false;
    }
    if (!collecting_) return false;  // noise between frames
    if (b == ETX) {
        collecting_ = false;
        // An overlong frame is handed on cut, one byte over the limit, so it is refused.
        if (overrun_) frame_.resize(kPrinterFrameMax);
        frame_.push_back(static_cast<char>(b));
        return true;
    }
    if (frame_.size() < kPrinterFrameMax)
        frame_.push_back(static_cast<char>(b));
    else
        overrun_ = true;
    return false;
}

void PrinterDevice::reset_input() {
    collecting_ = false;
    overrun_ = false;
    frame_.clear();
}

int PrinterDevice::parse(const Bytes& frame, Request& out) const {
    // Frame: STX payload '#' d d d d ETX.
    const std::size_t n = frame.size();
    std::string payload = n >= 2 ? frame.substr(1, n - 2) : std::string();
    const std::size_t hash = payload.rfind('#');
    const std::string text = payload.substr(0, hash == std::string::npos ? payload.size() : hash);
    const std::size_t tab = text.find('\t');
    out.name = clean_name(text.substr(0, tab));

    if (n > kPrinterFrameMax) return prn_err::INPUT_BUFFER_OVERRUN;
    if (hash == std::string::npos) return prn_err::SYNTAX;
    const std::string digits = payload.substr(hash + 1);
    if (digits.size() != 4) return prn_err::CRC_LENGTH;
    unsigned sent = 0;
    for (char c : digits) {
        int v = hex_value(c);
        if (v < 0) return prn_err::CRC_LENGTH;
        sent = sent * 16 + static_cast<unsigned>(v);
    }
    if (sent != checksum(text)) return prn_err::CRC_INVALID;

    if (tab == 0 || text.empty()) return prn_err::CMD_UNKNOWN;
    if (tab != std::string::npos && tab > kNameMax) return prn_err::CMD_LENGTH;
    if (tab == std::string::npos) return 0;  // a bare command name

    // Fields: each a two-letter name and a value, closed by a tab. The last one may lack
    // its tab; two tabs in a row make an empty field.
    std::size_t pos = tab + 1;
    while (pos < text.size()) {
        std::size_t end = text.find('\t', pos);
        if (end == std::string::npos) end = text.size();
        const std::string field = text.substr(pos, end - pos);
        if (field.empty()) return prn_err::FLD_INVALID;
        if (field.size() < 2) return prn_err::SYNTAX;
        out.fields.emplace(field.substr(0, 2), field.substr(2));
        pos = end + 1;
    }
    return 0;
}

int PrinterDevice::run(const Request& r, Fields& out) {
    auto has = [&](const char* f) { return r.fields.count(f) != 0; };
    auto num = [&](const char* f, int& v) { return number(r.fields.at(f), v); };
    const std::string& cmd = r.name;
    int no = 0, wx = 0, hx = 0;

    if (cmd == "prncancel") {
        store_.cancel();
        form_open_ = false;
        return 0;
    }
    if (cmd == "imgslotset") {
        if (!has("no") || !has("wx") || !has("hx")) return prn_err::CMD_MANDATORY_FIELDS;
        if (!num("no", no) || !num("wx", wx) || !num("hx", hx)) return prn_err::DATA_CONVERSION;
        if (int e = store_.set(no, wx, hx)) return e;
        // A 1 x 1 graphic clears the slot; its data, if any, has nowhere to go.
        if (has("tx") && !store_.slot(no).empty())
            if (int e = store_.append(no, r.fields.at("tx"))) return e;
        changed_(no);
        return 0;
    }
    if (cmd == "imgslotappend") {
        if (!has("no") || !has("tx")) return prn_err::CMD_MANDATORY_FIELDS;
        if (!num("no", no)) return prn_err::DATA_CONVERSION;
        if (int e = store_.append(no, r.fields.at("tx"))) return e;
        changed_(no);
        return 0;
    }
    if (cmd == "imgprogrep") {
        if (!has("no")) return prn_err::CMD_MANDATORY_FIELDS;
        if (!num("no", no)) return prn_err::DATA_CONVERSION;
        return store_.check_report(no);
    }
    if (cmd == "imgrep") return 0;
    if (cmd == "imgheaderset" || cmd == "imgfooterset") {
        if (!has("no")) return prn_err::CMD_MANDATORY_FIELDS;
        if (!num("no", no)) return prn_err::DATA_CONVERSION;
        int e = cmd == "imgheaderset" ? store_.set_header(no) : store_.set_footer(no);
        if (e) return e;
        changed_(0);
        return 0;
    }
    if (cmd == "formstart" || cmd == "formline" || cmd == "formend") {
        if (!has("fn")) return prn_err::CMD_MANDATORY_FIELDS;
        if (cmd == "formstart") {
            if (form_open_) return prn_err::FORM_STARTED;
            form_open_ = true;
            return 0;
        }
        if (!form_open_) return prn_err::FORM_NOT_STARTED;
        if (cmd == "formend") form_open_ = false;
        return 0;
    }
    if (cmd == "scomm") {
        out = {{"fs", options_.fiscal_mode}, {"nu", options_.unique_number}};
        return 0;
    }
    if (cmd == "sid") {
        out = {{"nm", options_.printer_name}, {"vr", options_.printer_version}};
        return 0;
    }
    if (cmd == "!sdev") {
        out = {{"ds", std::to_string(options_.device_status)}};
        return 0;
    }
    return prn_err::CMD_UNKNOWN;
}

Bytes PrinterDevice::reply(const std::string& name, const Fields& fields) {
    std::string payload = name + "\t";
    for (const auto& [key, value] : fields) payload += key + to_cp1250(value) + "\t";
    return printer_reply_frame(payload);
}

Bytes PrinterDevice::error_reply(const std::string& name, int code) {
    return printer_reply_frame(name + "\t?" + std::to_string(code) + "\t");
}

Bytes PrinterDevice::answer(const Bytes& request) {
    Request r;
    if (int e = parse(request, r)) return error_reply(r.name, e);
    // A refused command leaves the graphic memory as it was.
    const SlotStore before = store_;
    Fields fields;
    if (int e = run(r, fields)) {
        store_ = before;
        return error_reply(r.name, e);
    }
    return reply(r.name, fields);
}

Bytes PrinterDevice::refuse(const Bytes& request, int code) {
    Request r;
    parse(request, r);
    return error_reply(r.name, code);
}

Bytes PrinterDevice::corrupt_checksum(const Bytes& reply) {
    // The four digits stand right before ETX; each is moved to the next hex digit.
    static const char digits[] = "0123456789ABCDEF";
    Bytes out = reply;
    if (out.size() < 6) return out;
    for (std::size_t i = out.size() - 5; i < out.size() - 1; ++i) {
        int v = hex_value(out[i]);
        out[i] = digits[(v < 0 ? 0 : v + 1) % 16];
    }
    return out;
}

Bytes PrinterDevice::request_for(const std::string& command) const {
    return printer_reply_frame(to_cp1250(command) + "\t");  // a request has the same shape
}

}  // namespace tv::sim
