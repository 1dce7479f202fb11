// The cash-register error catalogue and the device-error record it fills.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codecs/printer/catalogue.h"
#include "commands/register/prt_ks.h"

using namespace tv;

TEST(RegisterCatalogue, HasEveryRowEachWithMnemonicAndDescription) {
    EXPECT_EQ(register_error_count(), 448u);
    int known = 0;
    std::vector<int> without_mnemonic, unknown_with_one;
    testing::internal::CaptureStdout();  // once: each capture costs a temporary file
    for (int code = 0; code <= 10001; ++code) {
        kas_error_id(code);
        if (std::strcmp(ERR_OPIS, "Nieznany błąd!") != 0) {
            ++known;
            if (!ERR_MNEMONIK[0] && code < 10000) without_mnemonic.push_back(code);
        } else if (ERR_MNEMONIK[0]) {
            unknown_with_one.push_back(code);
        }
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(known, 448);
    EXPECT_EQ(without_mnemonic, std::vector<int>{});
    EXPECT_EQ(unknown_with_one, std::vector<int>{});
}

TEST(RegisterCatalogue, TellingRowsExactly) {
    struct Row {
        int code;
        const char* mnem;
        const char* desc;
    };
    const Row rows[] = {
        {10, "ERR_CANCEL", "błąd nietypowy - rezygnacja, przerwanie funkcji"},
        {50, "ERR_UNKN", "Błąd wykonywania operacji przez kasę."},
        {156, "ERR_QNT_ZERO", "zerowa ilość"},
        {300, "ERR_DISCNT_CARD_NOT_VALID", "karta rabatowa nieważna"},
        {320, "ERR_NO_RIGHTS", "brak uprawnień kasjera do wykonania operacji."},
        {364, "ERR_WRONG_PASSWORD_FORMAT", "Błędne hasło w sensie niezgodności z poprawnością składniową"},
        {3251, "ERR_IMG_SLOT_EMPTY", "brak grafiki w slocie"},
        {10000, "", "TIMEOUT - brak odpowiedzi z kasy."},
    };
    for (const auto& r : rows) {
        testing::internal::CaptureStdout();
        kas_error_id(r.code);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(ERR_NR, r.code);
        EXPECT_STREQ(ERR_MNEMONIK, r.mnem) << r.code;
        EXPECT_STREQ(ERR_OPIS, r.desc) << r.code;
        EXPECT_EQ(out, std::to_string(r.code) + "\n" + r.mnem + "\n" + r.desc + "\n\n");
    }
    for (int code : {975, 3001, 3259, 6669, 10001}) {
        testing::internal::CaptureStdout();
        kas_error_id(code);
        testing::internal::GetCapturedStdout();
        EXPECT_STRNE(ERR_OPIS, "Nieznany błąd!") << code;
    }
}

TEST(RegisterCatalogue, UnknownCodesClearTheWholeRecord) {
    testing::internal::CaptureStdout();
    kas_error_id(364);  // a long description first
    for (int code : {0, 11, 3260}) {
        kas_error_id(code);
        EXPECT_EQ(ERR_NR, code);
        EXPECT_STREQ(ERR_MNEMONIK, "");
        EXPECT_STREQ(ERR_OPIS, "Nieznany błąd!");
        EXPECT_EQ(ERR_OPIS[sizeof("Nieznany błąd!")], 0);
    }
    kas_error_id(364);
    kas_error_id(156);  // a short one replaces it completely
    testing::internal::GetCapturedStdout();
    EXPECT_STREQ(ERR_OPIS, "zerowa ilość");
    EXPECT_EQ(ERR_OPIS[sizeof("zerowa ilość")], 0);
    EXPECT_EQ(ERR_MNEMONIK[sizeof("ERR_QNT_ZERO")], 0);
}
