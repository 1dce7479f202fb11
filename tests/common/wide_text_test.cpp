// Wide text (Windows hands arguments and registry values over in UTF-16) to UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "common/text.h"

using namespace tv;

namespace {

TEST(WideText, BecomesUtf8) {
    struct Case {
        std::wstring wide;
        std::string utf8;
    };
    const Case cases[] = {
        {L"", ""},
        {L"COM5", "COM5"},
        {L"żółty_sklep.bmp", "żółty_sklep.bmp"},
        {L"kasa_ąę", "kasa_ąę"},
        {L"ŁÓDŹ – 100 €", "ŁÓDŹ – 100 €"},
        {L"\U0001F5A8 druk", "\xF0\x9F\x96\xA8 druk"},  // a character beyond 16 bits
    };
    for (const auto& c : cases) EXPECT_EQ(utf8_of_wide(c.wide), c.utf8);
}

TEST(WideText, LoneSurrogateBecomesTheReplacementCharacter) {
    std::wstring broken = L"a";
    broken.push_back(static_cast<wchar_t>(0xD800));
    broken += L"b";
    EXPECT_EQ(utf8_of_wide(broken),
              "a\xEF\xBF\xBD"
              "b");
}

}  // namespace
