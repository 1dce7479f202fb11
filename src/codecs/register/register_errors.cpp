// The cash register's error catalogue: every error code the register reports, with its
// mnemonic and the Polish description shown to the user.
#include "codecs/printer/catalogue.h"
#include "codecs/register/ks_frame.h"

namespace tv {
namespace {

constexpr auto kRegisterErrors = make_catalogue(std::array<ErrorRow, 448>{{
#include "codecs/register/register_errors.inc"
}});

constexpr bool every_row_filled() {
    for (const auto& r : kRegisterErrors.rows)
        if (r.code <= 0 || !r.mnemonic || !r.description || !r.description[0]) return false;
    return true;
}
static_assert(every_row_filled(), "every cash-register catalogue row is filled");

}  // namespace

void kas_error_id(int code) { fill_error_record(code, kRegisterErrors.find(code)); }

std::size_t register_error_count() { return kRegisterErrors.rows.size(); }

}  // namespace tv
