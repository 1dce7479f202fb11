// The simulated fiscal cash register: graphic slot commands and the status read.
#include "register_device.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "codecs/register/ks_fields.h"
#include "codecs/register/ks_frame.h"
#include "codecs/register/stuffing.h"

namespace tv::sim {

namespace {

enum : std::uint16_t {
    CMD_STATUS = 501,
    CMD_SLOT_SET = 4600,
    CMD_SLOT_APPEND = 4601,
    CMD_SLOT_CLEAR = 4602,
    CMD_HEADER = 4603,
    CMD_FOOTER = 4604,
    CMD_REPORT_ALL = 4606,
    CMD_REPORT_SLOT = 4607,
};

Bytes wire_of(KS_FRM& f) {
    f.make();
    return Bytes(reinterpret_cast<const char*>(f.FRAME), f.F_LEN);
}

}  // namespace

RegisterDevice::RegisterDevice(const Options& options, SlotStore& store, ChangeHook changed)
    : Device(options, store, std::move(changed)) {}

bool RegisterDevice::feed(unsigned char b) {
    if (pending_) {
        pending_ = false;
        if (b == KS_STX) {  // a start pair begins a frame, also in the middle of another
            frame_.assign({static_cast<char>(KS_DLE), static_cast<char>(KS_STX)});
            inside_ = true;
            overflow_ = false;
            return false;
        }
        if (!inside_) return false;
        if (frame_.size() + 2 > KS_FRAME_SIZE) overflow_ = true;
        if (!overflow_) {
            frame_.push_back(static_cast<char>(KS_DLE));
            frame_.push_back(static_cast<char>(b));
        }
        if (b == KS_ETX) {
            inside_ = false;
            return true;
        }
        return false;
    }
    if (b == KS_DLE) {
        pending_ = true;
        return false;
    }
    if (!inside_) return false;
    if (frame_.size() + 1 > KS_FRAME_SIZE) overflow_ = true;
    if (!overflow_) frame_.push_back(static_cast<char>(b));
    return false;
}

void RegisterDevice::reset_input() {
    pending_ = inside_ = overflow_ = false;
    frame_.clear();
}

int RegisterDevice::parse(const Bytes& wire, KS_FRM& f) {
    f.clear();
    const std::size_t n = wire.size() < KS_FRAME_SIZE ? wire.size() : KS_FRAME_SIZE;
    std::memcpy(f.FRAME, wire.data(), n);
    // A frame cut by the overflow guard has no end pair left.
    if (n < 4 || static_cast<unsigned char>(wire[n - 1]) != KS_ETX ||
        static_cast<unsigned char>(wire[n - 2]) != KS_DLE)
        return reg_err::BUFFER_OVERFLOW;
    f.filter();
    if (f.DATA_LEN > KS_DATA_MAX || f.F_LEN != f.DATA_LEN + 16) return reg_err::FRAME_LENGTH;
    if (f.CRC != ks_body_crc(f)) return reg_err::CRC;
    return 0;
}

int RegisterDevice::run(const KS_FRM& req, KS_FRM& reply) {
    FieldReader in(req);
    std::uint16_t slot = 0, w = 0, h = 0, value = 0;
    std::string text;
    switch (req.CMD_ID) {
        case CMD_STATUS:
            reply.putB(static_cast<unsigned char>(options_.model));
            reply.putS(options_.printer_name.c_str());
            reply.putS(options_.unique_number.c_str());
            reply.FLD_NUM = 3;
            return 0;
        case CMD_SLOT_SET:
            if (!in.B(slot) || !in.V(w) || !in.V(h)) return reg_err::MISSING_PARAM;
            if (int e = store_.set(slot, w, h)) return e;
            changed_(slot);
            return 0;
        case CMD_SLOT_APPEND:
            if (!in.B(slot) || !in.S(text)) return reg_err::MISSING_PARAM;
            if (int e = store_.append(slot, text)) return e;
            changed_(slot);
            return 0;
        case CMD_SLOT_CLEAR:
            if (!in.B(slot)) return reg_err::MISSING_PARAM;
            if (int e = store_.clear(slot)) return e;
            changed_(slot);
            return 0;
        case CMD_HEADER:
        case CMD_FOOTER: {
            if (!in.B(slot) || !in.B(value)) return reg_err::MISSING_PARAM;
            int e = req.CMD_ID == CMD_HEADER ? store_.set_header(slot) : store_.set_footer(slot);
            if (e) return e;
            changed_(0);
            return 0;
        }
        case CMD_REPORT_ALL:
            return 0;
        case CMD_REPORT_SLOT:
            if (!in.B(slot)) return reg_err::MISSING_PARAM;
            return store_.check_report(slot);
        default:
            return reg_err::UNKNOWN_COMMAND;
    }
}

Bytes RegisterDevice::answer(const Bytes& request) {
    auto req = std::make_unique<KS_FRM>();
    auto reply = std::make_unique<KS_FRM>();
    if (int e = parse(request, *req)) return refuse(request, e);
    reply->clear();
    const SlotStore before = store_;  // a refused command changes nothing
    if (int e = run(*req, *reply)) {
        store_ = before;
        return refuse(request, e);
    }
    reply->CMD_ID = req->CMD_ID;
    return wire_of(*reply);
}

Bytes RegisterDevice::refuse(const Bytes& request, int code) {
    auto req = std::make_unique<KS_FRM>();
    auto reply = std::make_unique<KS_FRM>();
    parse(request, *req);
    reply->clear();
    reply->CMD_ID = 0;
    reply->FLD_NUM = 2;
    reply->putV(req->CMD_ID);
    reply->putV(static_cast<unsigned short>(code));
    return wire_of(*reply);
}

Bytes RegisterDevice::corrupt_checksum(const Bytes& reply) {
    // The high checksum byte stands right before the end pair, doubled when it is 0x10.
    // Replace it by another value that needs no doubling; the frame stays well formed.
    Bytes out = reply;
    const std::size_t n = out.size();
    if (n < 6) return out;
    const std::size_t hi = n - 3;
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(out[i]); };
    if (at(hi) == KS_DLE && at(hi - 1) == KS_DLE) {
        out.replace(hi - 1, 2, 1, static_cast<char>(0x11));
    } else {
        unsigned char v = at(hi) ^ 0x01;
        if (v == KS_DLE) v ^= 0x03;
        out[hi] = static_cast<char>(v);
    }
    return out;
}

Bytes RegisterDevice::request_for(const std::string& command) const {
    KS_FRM f;
    f.clear();
    f.CMD_ID = static_cast<std::uint16_t>(std::strtoul(command.c_str(), nullptr, 10));
    return wire_of(f);
}

}  // namespace tv::sim
