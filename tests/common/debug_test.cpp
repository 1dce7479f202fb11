// The debug channel: formatted and raw text reach the sink while it is on, nothing after.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/debug.h"
#include "support/debug_capture.h"

using namespace tv;

namespace {

TEST(DebugChannel, CarriesTextOnlyWhileOn) {
    {
        test::DebugCapture debug;
        EXPECT_TRUE(debug_on());
        debugf("%s %u : %c", "PLU", 7u, 'x');
        debug_write(std::string("a\0b", 3));
        EXPECT_EQ(debug.take(), std::string("PLU 7 : xa\0b", 12));
        EXPECT_EQ(debug.take(), "");
    }
    if (std::getenv("TV_DEBUG")) GTEST_SKIP() << "TV_DEBUG keeps the channel on";
    EXPECT_FALSE(debug_on());
    test::DebugCapture again;
    set_debug(false);
    debugf("%d", 1);
    EXPECT_EQ(again.take(), "");
}

}  // namespace
