// The device's graphic memory: six slots (size and data bits), the header and footer
// assignment and the read-only slots. Every operation answers 0 or the device's error
// number, which both device families share for graphics (3250..3258, 2080, 2081).
#pragma once
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace tv::sim {

namespace img_err {
constexpr int SLOT_NO_OVERRANGE = 3250;
constexpr int SLOT_EMPTY = 3251;
constexpr int READ_ONLY = 3252;
constexpr int SIZE_OVERRANGE = 3253;
constexpr int DATA_SIZE = 3258;
constexpr int HEX_ODD = 2080;
constexpr int HEX_PARAM = 2081;
}  // namespace img_err

struct Slot {
    int width = 0;  // 0: empty
    int height = 0;
    std::vector<std::uint8_t> data;  // rows of (width + 7) / 8 bytes, set bit = dark dot

    bool empty() const { return width == 0; }
    std::size_t expected() const { return static_cast<std::size_t>((width + 7) / 8) * height; }
    bool complete() const { return !empty() && data.size() == expected(); }
};

class SlotStore {
  public:
    static constexpr int kSlots = 6;

    // max_side: largest width and height the device takes (printer 640, register 384).
    SlotStore(int max_side, std::set<int> read_only);

    // Opens a slot with a size; 1 x 1 clears it instead. Later data goes to this slot.
    int set(int no, int width, int height);
    // Appends hexadecimal data (two digits a byte) to the slot opened last.
    int append(int no, const std::string& hex);
    int clear(int no);
    // Ends any programming in progress: further appends are refused.
    void cancel() { open_ = 0; }
    // Header or footer graphic: 0 none, 1..6 a slot, which must hold a complete picture.
    int set_header(int no) { return assign(no, header_); }
    int set_footer(int no) { return assign(no, footer_); }
    // A report of one slot needs a complete picture there.
    int check_report(int no) const;

    const Slot& slot(int no) const { return slots_[static_cast<std::size_t>(no - 1)]; }
    int header() const { return header_; }
    int footer() const { return footer_; }
    bool read_only(int no) const { return read_only_.count(no) != 0; }

  private:
    int check_writable(int no) const;
    int assign(int no, int& target);

    int max_side_;
    std::set<int> read_only_;
    std::array<Slot, kSlots> slots_{};
    int open_ = 0;  // slot that takes appends, 0 none
    int header_ = 0;
    int footer_ = 0;
};

}  // namespace tv::sim
