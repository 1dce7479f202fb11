// The graphic record the cash-register upload fills: the picture's size, slot and rows.
#pragma once
#include <cstdint>

namespace tv {

// Graphic record of the cash-register upload.
struct My_Graph {
    std::uint16_t width;
    std::uint16_t height;
    std::uint16_t slot;
    unsigned char data[640][80];

    void clear();       // width, height, slot := 0, then clear_data()
    void clear_data();  // every byte of data := 0
};
extern My_Graph g_Grafika;

}  // namespace tv
