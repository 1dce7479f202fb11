// The printer's error catalogue: every error number the printer reports, with its
// mnemonic and the Polish description shown to the user.
#include "codecs/printer/Fpos.h"

namespace tv {
namespace {

constexpr auto kPrinterErrors = make_catalogue(std::array<ErrorRow, 288>{{
#include "codecs/printer/printer_errors.inc"
}});
static_assert(kPrinterErrors.rows[0].code > 0, "every printer catalogue row is filled");

}  // namespace

void error_id(int code) { fill_error_record(code, kPrinterErrors.find(code)); }

std::size_t printer_error_count() { return kPrinterErrors.rows.size(); }

}  // namespace tv
