// The device-error record shared by both device families, and the lookup piece that
// each family's error catalogue is built on: a constant table sorted at compile time and
// searched by code.
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tv {

// The device-error record: the last error looked up, by either catalogue.
extern std::uint16_t ERR_NR;
extern char ERR_MNEMONIK[128];
extern char ERR_OPIS[512];

struct ErrorRow {
    int code;
    const char* mnemonic;
    const char* description;  // UTF-8
};

template <std::size_t N>
struct Catalogue {
    std::array<ErrorRow, N> rows;

    constexpr const ErrorRow* find(int code) const {
        auto it = std::lower_bound(rows.begin(), rows.end(), code,
                                   [](const ErrorRow& r, int c) { return r.code < c; });
        return (it != rows.end() && it->code == code) ? &*it : nullptr;
    }
};

// Sorts the rows by code at compile time; a duplicate code fails the build.
template <std::size_t N>
constexpr Catalogue<N> make_catalogue(std::array<ErrorRow, N> rows) {
    std::sort(rows.begin(), rows.end(), [](const ErrorRow& a, const ErrorRow& b) { return a.code < b.code; });
    for (std::size_t i = 1; i < N; ++i)
        if (rows[i - 1].code == rows[i].code) throw "duplicate error code";
    return Catalogue<N>{rows};
}

// Fills the whole device-error record from a row (or "unknown" when row is null) and
// writes the lookup to the debug channel.
void fill_error_record(int code, const ErrorRow* row);

}  // namespace tv
