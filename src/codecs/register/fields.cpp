// Reading a reply's tagged fields in order, within the field area's length.
#include <cstring>
#include <string_view>

#include "codecs/register/ks_fields.h"
#include "common/text.h"

namespace tv {

bool FieldReader::at(unsigned char tag, int size) {
    if (stopped_ || pos_ + size > f_.DATA_LEN || f_.DATA[pos_] != tag) {
        stopped_ = true;
        return false;
    }
    return true;
}

bool FieldReader::B(std::uint16_t& v) {
    if (!at(KS_TAG_B, 2)) return false;
    v = f_.DATA[pos_ + 1];
    pos_ += 2;
    return true;
}

bool FieldReader::V(std::uint16_t& v) {
    if (!at(KS_TAG_V, 3)) return false;
    v = static_cast<std::uint16_t>(f_.DATA[pos_ + 1] | (f_.DATA[pos_ + 2] << 8));
    pos_ += 3;
    return true;
}

bool FieldReader::N(std::int64_t& v) {
    if (!at(KS_TAG_N, 7)) return false;
    unsigned char field[7];
    std::memcpy(field, f_.DATA + pos_, sizeof field);
    v = vN(field);
    pos_ += 7;
    return true;
}

bool FieldReader::S(std::string& text, std::size_t max_wire) {
    if (!at(KS_TAG_S, 2)) return false;
    // The text must end with its 0x00 inside the field area.
    const int start = pos_ + 1;
    int end = start;
    while (end < f_.DATA_LEN && f_.DATA[end] != 0) ++end;
    if (end >= f_.DATA_LEN) {
        stopped_ = true;
        return false;
    }
    std::size_t n = static_cast<std::size_t>(end - start);
    if (n > max_wire) n = max_wire;
    text = from_cp1250(std::string_view(reinterpret_cast<const char*>(f_.DATA + start), n));
    pos_ = end + 1;
    return true;
}

bool FieldReader::skip(unsigned char tag) {
    std::uint16_t w;
    std::int64_t n;
    std::string t;
    switch (tag) {
        case KS_TAG_B:
            return B(w);
        case KS_TAG_V:
            return V(w);
        case KS_TAG_N:
            return N(n);
        case KS_TAG_S:
            return S(t);
        default:
            stopped_ = true;
            return false;
    }
}

std::vector<std::uint16_t> ks_v_values(const KS_FRM& f) {
    std::vector<std::uint16_t> values;
    for_each_v(f, [&](std::uint16_t v) { values.push_back(v); });
    return values;
}

std::uint16_t ks_error_code(const KS_FRM& reply) {
    std::uint16_t code = 0;
    bool first = true;
    for_each_v(reply, [&](std::uint16_t v) {
        if (!first && v != 0 && code == 0) code = v;
        first = false;
    });
    return code;
}

}  // namespace tv
