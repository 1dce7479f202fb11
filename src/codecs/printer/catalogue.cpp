// The device-error record and the one lookup routine both catalogues fill it with.
#include "codecs/printer/catalogue.h"

#include <cstring>

#include "common/debug.h"
#include "common/text.h"

namespace tv {

std::uint16_t ERR_NR;
char ERR_MNEMONIK[128];
char ERR_OPIS[512];

void fill_error_record(int code, const ErrorRow* row) {
    std::memset(ERR_MNEMONIK, 0, sizeof ERR_MNEMONIK);
    std::memset(ERR_OPIS, 0, sizeof ERR_OPIS);
    ERR_NR = static_cast<std::uint16_t>(code);
    if (row) {
        copy_to(ERR_MNEMONIK, row->mnemonic);
        copy_to(ERR_OPIS, row->description);
    } else {
        copy_to(ERR_OPIS, "Nieznany błąd!");
    }
    debugf("%d\n%s\n%s\n\n", code, ERR_MNEMONIK, ERR_OPIS);
}

}  // namespace tv
