// The six graphic slots and their rules.
#include "slot_store.h"

#include "common/hex.h"

namespace tv::sim {

namespace {
bool in_range(int no) { return no >= 1 && no <= SlotStore::kSlots; }
}  // namespace

SlotStore::SlotStore(int max_side, std::set<int> read_only)
    : max_side_(max_side), read_only_(std::move(read_only)) {}

int SlotStore::check_writable(int no) const {
    if (!in_range(no)) return img_err::SLOT_NO_OVERRANGE;
    if (read_only(no)) return img_err::READ_ONLY;
    return 0;
}

int SlotStore::set(int no, int width, int height) {
    if (int e = check_writable(no)) return e;
    if (width == 1 && height == 1) return clear(no);
    if (width < 1 || height < 1 || width > max_side_ || height > max_side_) return img_err::SIZE_OVERRANGE;
    Slot& s = slots_[static_cast<std::size_t>(no - 1)];
    s.width = width;
    s.height = height;
    s.data.clear();
    s.data.reserve(s.expected());
    open_ = no;
    return 0;
}

int SlotStore::append(int no, const std::string& hex) {
    if (int e = check_writable(no)) return e;
    if (hex.size() % 2 != 0) return img_err::HEX_ODD;
    for (char c : hex)
        if (hex_value(c) < 0) return img_err::HEX_PARAM;
    Slot& s = slots_[static_cast<std::size_t>(no - 1)];
    if (open_ != no || s.data.size() + hex.size() / 2 > s.expected()) return img_err::DATA_SIZE;
    for (std::size_t i = 0; i < hex.size(); i += 2)
        s.data.push_back(static_cast<std::uint8_t>(hex_value(hex[i]) * 16 + hex_value(hex[i + 1])));
    return 0;
}

int SlotStore::clear(int no) {
    if (int e = check_writable(no)) return e;
    slots_[static_cast<std::size_t>(no - 1)] = Slot{};
    if (open_ == no) open_ = 0;
    // A receipt cannot keep a graphic that is gone.
    if (header_ == no) header_ = 0;
    if (footer_ == no) footer_ = 0;
    return 0;
}

int SlotStore::check_report(int no) const {
    if (!in_range(no)) return img_err::SLOT_NO_OVERRANGE;
    const Slot& s = slot(no);
    if (s.empty()) return img_err::SLOT_EMPTY;
    if (!s.complete()) return img_err::DATA_SIZE;
    return 0;
}

int SlotStore::assign(int no, int& target) {
    if (no != 0)
        if (int e = check_report(no)) return e;
    target = no;
    return 0;
}

}  // namespace tv::sim
