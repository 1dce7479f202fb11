// Wide text (Windows hands arguments and registry values over in UTF-16) to UTF-8, and
// UTF-8 to wide text for the window's wide-character calls.
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
    for (const auto& c : cases) {
        EXPECT_EQ(utf8_of_wide(c.wide), c.utf8);
        EXPECT_EQ(wide_of_utf8(c.utf8), c.wide);  // and back again
    }
}

TEST(WideText, BrokenUtf8BecomesTheReplacementCharacter) {
    const std::wstring r(1, static_cast<wchar_t>(0xFFFD));
    struct Case {
        std::string utf8;
        std::wstring wide;
    };
    const Case cases[] = {
        {"a\x80z", L"a" + r + L"z"},          // a continuation byte alone
        {"\xC5", r},                          // a sequence cut at the end
        {"\xC5z", r + L"z"},                  // ... and cut by a plain letter
        {"\xC0\xAF", r + r},                  // an overlong '/': each of its bytes
        {"\xED\xA0\x80", r + r + r},          // a surrogate written as UTF-8
        {"\xF4\x90\x80\x80", r + r + r + r},  // past U+10FFFF
        {"\xFFz", r + L"z"},                  // a byte no character starts with
    };
    for (const auto& c : cases) EXPECT_EQ(wide_of_utf8(c.utf8), c.wide) << testing::PrintToString(c.utf8);
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
