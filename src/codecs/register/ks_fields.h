// Bounded reading of a reply's field area: fields taken in order with their tag checked,
// the V values of an error reply, and the error code they carry. Nothing here reads past
// DATA_LEN.
#pragma once
#include <string>
#include <vector>

#include "codecs/register/ks_frame.h"
#include "common/text.h"

namespace tv {

// Walks the fields of a success reply in the order the command expects them. Each call
// checks the tag and that the whole field lies within DATA_LEN; on a mismatch it returns
// false, and so does every later call (decoding stops there).
class FieldReader {
  public:
    explicit FieldReader(const KS_FRM& f) : f_(f) {}

    bool B(std::uint16_t& v);
    bool V(std::uint16_t& v);
    bool N(std::int64_t& v);
    // The text (UTF-8) of an S field, cut at max_wire characters; the position moves past
    // the whole field.
    bool S(std::string& text, std::size_t max_wire = 1999);
    // Same, into a fixed buffer.
    template <std::size_t N>
    bool S(char (&dst)[N], std::size_t max_wire) {
        std::string t;
        if (!S(t, max_wire)) return false;
        copy_bounded(dst, N, t);
        return true;
    }
    // Skips one field of the given kind.
    bool skip(unsigned char tag);

  private:
    bool at(unsigned char tag, int size);
    const KS_FRM& f_;
    int pos_ = 0;
    bool stopped_ = false;
};

// A fresh request and reply: both cleared, the request's header values set; the caller
// puts the fields and makes the wire form.
inline void ks_start_request(KS_FRM& req, KS_FRM& rep, std::uint16_t cmd, std::uint16_t fields,
                             std::uint32_t token = 0) {
    req.clear();
    rep.clear();
    req.Token = token;
    req.CMD_ID = cmd;
    req.FLD_NUM = fields;
}

// Where the field whose tag is at position p of the first len bytes ends (the position
// after it), or -1 when its kind is unknown or its text does not end within len: its
// length cannot be known then. A fixed-size field may end past len.
inline int ks_field_end(const KS_FRM& f, int p, int len) {
    switch (f.DATA[p]) {
        case KS_TAG_B:
            return p + 2;
        case KS_TAG_V:
            return p + 3;
        case KS_TAG_L:
            return p + 5;
        case KS_TAG_N:
            return p + 7;
        case KS_TAG_S:
            for (int i = p + 1; i < len; ++i)
                if (f.DATA[i] == 0) return i + 1;
            return -1;
        default:
            return -1;
    }
}

// Calls fn(value) for every V field of the field area, walking it field by field, so that
// a 0x56 byte inside another field's value (a text, a number) is never taken for a V
// field. The walk ends at a field whose length cannot be known. A V field cut off by the
// end of the area reads its missing bytes as 0.
template <class Fn>
void for_each_v(const KS_FRM& f, Fn fn) {
    const int len = f.DATA_LEN < KS_DATA_SIZE ? f.DATA_LEN : KS_DATA_SIZE;
    auto byte = [&](int i) -> unsigned { return i < len ? f.DATA[i] : 0u; };
    for (int p = 0; p >= 0 && p < len; p = ks_field_end(f, p, len))
        if (f.DATA[p] == KS_TAG_V) fn(static_cast<std::uint16_t>(byte(p + 1) | (byte(p + 2) << 8)));
}

// Every V value of the field area, in order, found as for_each_v finds them.
std::vector<std::uint16_t> ks_v_values(const KS_FRM& f);

// The register's error code in an error reply: the first non-zero value among the second
// and later V fields (the first V field names the refused command). 0 when none.
std::uint16_t ks_error_code(const KS_FRM& reply);

}  // namespace tv
