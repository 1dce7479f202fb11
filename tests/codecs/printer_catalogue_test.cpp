// The printer error catalogue and the shared device-error record.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/printer/Fpos.h"

using namespace tv;

TEST(PrinterCatalogue, TellingRowsExactly) {
    struct Row {
        int code;
        const char* mnem;
        const char* desc;
    };
    const Row rows[] = {
        {1, "PROTO_ERR_CMD_UNKNOWN", "Nierozpoznana komenda"},
        {12, "PROTO_ERR_CMD_IMMEDIATE_FORBIDDEN", "Nie można wykonać rozkazu w "},
        {50, "ERR_UNKN", "Błąd wykonywania operacji przez kasę."},
        {56, "ERR_ASSERT_CM", "Błąd wykonywania operacji przez kasę."},
        {1952, "ERR_TR_PF_SUM_OVR", "Suma form płatności przekracza max. wpłatę."},
        {1955, "ERR_TR_CHANGE_SUM_OVR", "Suma form płatności przekracza max. wpłatę."},
        {2505, "ERR_FORM_NOT_STARTED", "Raport nie rozpoczęty"},
        {2522, "ERR_DB_REP_PLU_NOT_ACTIVE", "Raport nie rozpoczęty"},
        {2080, "ERR_HEX_ODD ", "Nieparzysta liczba danych w formacie HEX"},
        {2081, "ERR_HEX_PARAM ", "Niepoprawna wartość dla formatu HEX"},
        {3251, "ERR_IMG_SLOT_EMPTY", "Brak grafiki w slocie."},
        {3252, "ERR_IMG_READ_ONLY", "Grafika tylko do odczytu.\nAby zmodyfikować wykonaj raport dobowy."},
        {3258, "ERR_IMG_DATA_SIZE", "Brak zaprogramowanej grafiki\nlub niepoprawny rozmiar danych."},
        {10000, "", "TIMEOUT - brak odpowiedzi z drukarki."},
        {10001, "", "Brak komunikacji z drukarką."},
    };
    for (const auto& r : rows) {
        error_id(r.code);
        EXPECT_EQ(ERR_NR, r.code);
        EXPECT_STREQ(ERR_MNEMONIK, r.mnem) << r.code;
        EXPECT_STREQ(ERR_OPIS, r.desc) << r.code;
    }
}

TEST(PrinterCatalogue, EveryListedRowHasMnemonicAndDescription) {
    EXPECT_EQ(printer_error_count(), 288u);
    // Codes between the listed ones are unknown; every known row has a description.
    int known = 0;
    for (int code = 1; code <= 10001; ++code) {
        error_id(code);
        if (ERR_MNEMONIK[0] || code >= 10000) {
            ++known;
            EXPECT_GT(std::strlen(ERR_OPIS), 3u) << code;
            EXPECT_STRNE(ERR_OPIS, "Nieznany błąd!") << code;
        }
    }
    EXPECT_EQ(known, 288);
}

TEST(PrinterCatalogue, UnknownCodesClearTheWholeRecord) {
    error_id(3252);  // a long description first
    for (int code : {0, 16, 3259, 70000}) {
        error_id(code);
        EXPECT_EQ(ERR_NR, static_cast<std::uint16_t>(code));
        EXPECT_STREQ(ERR_MNEMONIK, "");
        EXPECT_STREQ(ERR_OPIS, "Nieznany błąd!");
    }
    error_id(3252);
    error_id(2026);  // a short one replaces it completely
    EXPECT_STREQ(ERR_OPIS, "Błąd zegara.");
    EXPECT_EQ(ERR_OPIS[sizeof("Błąd zegara.")], 0);
}
