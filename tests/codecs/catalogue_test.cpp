// Both error catalogues (printer and cash register) and the device-error record they fill:
// rows exactly as listed with the lookup's dump, every row complete, and an unknown code
// that clears the whole record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codecs/printer/Fpos.h"
#include "commands/register/prt_ks.h"
#include "support/debug_capture.h"

using namespace tv;

namespace {

using Lookup = void (*)(int);

// What each catalogue is tested with: its lookup and size, codes it must not know, a code
// with a long description and one with a short one.
struct CatalogueCase {
    const char* name;
    Lookup lookup;
    std::size_t (*count)();
    std::vector<int> unknown;
    int long_code;
    int short_code;
    const char* short_mnem;
    const char* short_desc;
};
const CatalogueCase kCatalogues[] = {
    {"printer", error_id, printer_error_count, {0, 16, 3259, 70000}, 3252, 2026, "ERR_RTC", "Błąd zegara."},
    {"register", kas_error_id, register_error_count, {0, 11, 3260}, 364, 156, "ERR_QNT_ZERO", "zerowa ilość"},
};

bool unknown_now() { return std::strcmp(ERR_OPIS, "Nieznany błąd!") == 0; }

}  // namespace

TEST(Catalogues, TellingRowsExactlyAndTheirDump) {
    struct Row {
        Lookup lookup;
        int code;
        const char* mnem;
        const char* desc;
    };
    const Lookup P = error_id, R = kas_error_id;  // the printer's and the register's
    const Row rows[] = {
        {P, 1, "PROTO_ERR_CMD_UNKNOWN", "Nierozpoznana komenda"},
        {P, 12, "PROTO_ERR_CMD_IMMEDIATE_FORBIDDEN", "Nie można wykonać rozkazu w "},
        {P, 50, "ERR_UNKN", "Błąd wykonywania operacji przez kasę."},
        {P, 56, "ERR_ASSERT_CM", "Błąd wykonywania operacji przez kasę."},
        {P, 1952, "ERR_TR_PF_SUM_OVR", "Suma form płatności przekracza max. wpłatę."},
        {P, 1955, "ERR_TR_CHANGE_SUM_OVR", "Suma form płatności przekracza max. wpłatę."},
        {P, 2505, "ERR_FORM_NOT_STARTED", "Raport nie rozpoczęty"},
        {P, 2522, "ERR_DB_REP_PLU_NOT_ACTIVE", "Raport nie rozpoczęty"},
        {P, 2080, "ERR_HEX_ODD ", "Nieparzysta liczba danych w formacie HEX"},
        {P, 2081, "ERR_HEX_PARAM ", "Niepoprawna wartość dla formatu HEX"},
        {P, 3251, "ERR_IMG_SLOT_EMPTY", "Brak grafiki w slocie."},
        {P, 3252, "ERR_IMG_READ_ONLY", "Grafika tylko do odczytu.\nAby zmodyfikować wykonaj raport dobowy."},
        {P, 3258, "ERR_IMG_DATA_SIZE", "Brak zaprogramowanej grafiki\nlub niepoprawny rozmiar danych."},
        {P, 10000, "", "TIMEOUT - brak odpowiedzi z drukarki."},
        {P, 10001, "", "Brak komunikacji z drukarką."},
        {R, 10, "ERR_CANCEL", "błąd nietypowy - rezygnacja, przerwanie funkcji"},
        {R, 50, "ERR_UNKN", "Błąd wykonywania operacji przez kasę."},
        {R, 156, "ERR_QNT_ZERO", "zerowa ilość"},
        {R, 300, "ERR_DISCNT_CARD_NOT_VALID", "karta rabatowa nieważna"},
        {R, 320, "ERR_NO_RIGHTS", "brak uprawnień kasjera do wykonania operacji."},
        {R, 364, "ERR_WRONG_PASSWORD_FORMAT", "Błędne hasło w sensie niezgodności z poprawnością składniową"},
        {R, 3251, "ERR_IMG_SLOT_EMPTY", "brak grafiki w slocie"},
        {R, 10000, "", "TIMEOUT - brak odpowiedzi z kasy."},
    };
    test::DebugCapture debug;
    for (const Row& r : rows) {
        r.lookup(r.code);
        EXPECT_EQ(ERR_NR, r.code);
        EXPECT_STREQ(ERR_MNEMONIK, r.mnem) << r.code;
        EXPECT_STREQ(ERR_OPIS, r.desc) << r.code;
        EXPECT_EQ(debug.take(), std::to_string(r.code) + "\n" + r.mnem + "\n" + r.desc + "\n\n");
    }
    for (int code : {975, 3001, 3259, 6669, 10001}) {
        kas_error_id(code);
        EXPECT_FALSE(unknown_now()) << code;
    }
}

TEST(Catalogues, EveryRowHasMnemonicAndDescription) {
    for (const CatalogueCase& c : kCatalogues) {
        SCOPED_TRACE(c.name);
        std::size_t known = 0;
        for (int code = 0; code <= 10001; ++code) {
            c.lookup(code);
            if (unknown_now()) {
                EXPECT_STREQ(ERR_MNEMONIK, "") << code;
                continue;
            }
            ++known;
            EXPECT_TRUE(ERR_MNEMONIK[0] || code >= 10000) << code;
            EXPECT_GT(std::strlen(ERR_OPIS), 3u) << code;
        }
        EXPECT_EQ(known, c.count());
    }
    EXPECT_EQ(printer_error_count(), 288u);
    EXPECT_EQ(register_error_count(), 448u);
}

TEST(Catalogues, UnknownCodesClearTheWholeRecord) {
    for (const CatalogueCase& c : kCatalogues) {
        SCOPED_TRACE(c.name);
        c.lookup(c.long_code);
        for (int code : c.unknown) {
            c.lookup(code);
            EXPECT_EQ(ERR_NR, static_cast<std::uint16_t>(code));
            EXPECT_STREQ(ERR_MNEMONIK, "");
            EXPECT_TRUE(unknown_now());
            EXPECT_EQ(ERR_OPIS[sizeof("Nieznany błąd!")], 0);
        }
        c.lookup(c.long_code);
        c.lookup(c.short_code);  // a short one replaces it completely
        EXPECT_STREQ(ERR_OPIS, c.short_desc);
        EXPECT_EQ(ERR_OPIS[std::strlen(c.short_desc) + 1], 0);
        EXPECT_EQ(ERR_MNEMONIK[std::strlen(c.short_mnem) + 1], 0);
    }
}
