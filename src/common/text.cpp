// UTF-8 / Windows-1250 conversion and bounded copies.
#include "common/text.h"

#include <charconv>
#include <cstring>

namespace tv {

bool cmpr1(const char* text, const char* prefix) {
    for (std::size_t i = 0; prefix[i]; ++i)
        if (text[i] != prefix[i]) return false;
    return true;
}

bool cmpr2(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
namespace {
#include "common/cp1250_table.inc"

// Appends the UTF-8 form of a code point (at most U+10FFFF, not a surrogate).
void put_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at s[i]; advances i. Malformed input yields U+FFFD.
unsigned next_cp(std::string_view s, std::size_t& i) {
    auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
        ++i;
        return b;
    }
    int extra = -1;
    if (b >= 0xC0 && b < 0xE0)
        extra = 1;
    else if (b >= 0xE0 && b < 0xF0)
        extra = 2;
    else if (b >= 0xF0 && b < 0xF8)
        extra = 3;
    if (extra < 0 || i + extra >= s.size()) {
        ++i;
        return 0xFFFD;
    }
    unsigned cp = b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    // An overlong form is malformed too: C0 80 or E0 80 80 would put a zero byte (or a
    // frame's control byte) where the text shows none.
    // So is a surrogate or a value past U+10FFFF: no character has that number.
    static constexpr unsigned kShortest[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kShortest[extra] || (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) {
        ++i;
        return 0xFFFD;
    }
    i += extra + 1;
    return cp;
}
bool all_ascii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}
}  // namespace

std::string to_cp1250(std::string_view utf8) {
    if (all_ascii(utf8)) return std::string(utf8);  // the common case: frames, numbers
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        unsigned cp = next_cp(utf8, i);
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        char mapped = '?';
        for (unsigned k = 0; k < 128; ++k) {
            if (kCp1250High[k] == cp) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

std::string from_cp1250(std::string_view bytes) {
    if (all_ascii(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out.push_back(ch);
            continue;
        }
        unsigned cp = kCp1250High[b - 0x80];
        put_utf8(out, cp ? cp : '?');
    }
    return out;
}

std::size_t copy_bounded(char* dst, std::size_t cap, const char* src) {
    if (cap == 0) return 0;
    std::size_t n = 0;
    if (src)
        while (n + 1 < cap && src[n]) {
            dst[n] = src[n];
            ++n;
        }
    dst[n] = 0;
    return n;
}

std::size_t copy_bounded(char* dst, std::size_t cap, std::string_view src) {
    if (cap == 0) return 0;
    std::size_t n = src.size() < cap - 1 ? src.size() : cap - 1;
    if (n) std::memcpy(dst, src.data(), n);
    dst[n] = 0;
    return n;
}

void append_bounded(char* dst, std::size_t cap, std::string_view src) {
    if (cap == 0) return;
    std::size_t len = strnlen(dst, cap - 1);
    copy_bounded(dst + len, cap - len, src);
}

std::string utf8_of_wide(std::wstring_view wide) {
    std::string out;
    constexpr char32_t kReplacement = 0xFFFD;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t c = static_cast<char32_t>(wide[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size()) {
                const char32_t low = static_cast<char32_t>(wide[i + 1]) & 0xFFFF;
                if (low >= 0xDC00 && low < 0xE000) {
                    put_utf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                    ++i;
                    continue;
                }
            }
        }
        put_utf8(out, (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF ? kReplacement : c);
    }
    return out;
}

std::wstring wide_of_utf8(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = next_cp(utf8, i);
        if (sizeof(wchar_t) == 2 && c >= 0x10000) {
            out.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(c));
        }
    }
    return out;
}

std::string path_join(std::string_view dir, std::string_view rel) {
    std::string p(dir);
#ifdef _WIN32
    const char sep = '\\';
#else
    const char sep = '/';
#endif
    if (!p.empty() && p.back() != '/' && p.back() != '\\') p.push_back(sep);
    for (char c : rel) p.push_back(c == '/' || c == '\\' ? sep : c);
    return p;
}

bool decimal_value(std::string_view text, long long& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
    long long v = 0;
    const char* end = text.data() + text.size();
    const auto [stop, fault] = std::from_chars(text.data(), end, v);
    if (fault != std::errc() || stop != end) return false;
    value = v;
    return true;
}

}  // namespace tv
