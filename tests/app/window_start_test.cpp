// The window's start-up answers: --help and --version before any screen is needed, every
// other word left to the window, and the message for a system without a screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_start.h"
#include "support/fixture.h"

using namespace tv;

namespace {

using Action = WindowStart::Action;

class WindowStartTest : public test::Test {
  protected:
    static WindowStart start(const std::vector<std::string>& args) { return window_start(args, "9.8.7"); }
};

bool is_help(const WindowStart& s) {
    return s.action == Action::Print && s.exit_code == 0 && s.text.rfind("Użycie: tarvix-vizaze [", 0) == 0 &&
           s.text.find("--version") != std::string::npos &&
           s.text.find("tarvix-vizaze-cli") != std::string::npos;
}

}  // namespace

TEST_F(WindowStartTest, HelpAndVersionAreAnsweredWhereverTheyStand) {
    const std::vector<std::string> help_cases[] = {{"--help"},
                                                   {"-h"},
                                                   {"-platform", "offscreen", "--help"},
                                                   {"--version", "--help"},
                                                   {"--help", "--version"}};
    for (const auto& args : help_cases) EXPECT_TRUE(is_help(start(args))) << args.front();

    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--version"}, {"-style", "fusion", "--version"}}) {
        const WindowStart s = start(args);
        EXPECT_EQ(s.action, Action::Print);
        EXPECT_EQ(s.text, "tarvix-vizaze 9.8.7\n");
        EXPECT_EQ(s.exit_code, 0);
    }
}

TEST_F(WindowStartTest, OtherWordsOpenTheWindow) {
    const std::vector<std::string> cases[] = {
        {}, {"-platform", "offscreen"}, {"--helpful"}, {"help"}, {"-version"}};
    for (const auto& args : cases) {
        const WindowStart s = start(args);
        EXPECT_EQ(s.action, Action::Open) << (args.empty() ? "" : args.front());
        EXPECT_TRUE(s.text.empty());
    }
}

TEST_F(WindowStartTest, NoScreenMessageNamesTheConsoleToolAndKeepsTheDetails) {
    const std::string bare = window_no_screen_text("");
    EXPECT_EQ(bare.rfind("tarvix-vizaze: nie można otworzyć okna", 0), 0u) << bare;
    EXPECT_NE(bare.find("tarvix-vizaze-cli --help"), std::string::npos);
    EXPECT_EQ(bare.find("Szczegóły"), std::string::npos);
    EXPECT_EQ(bare.back(), '\n');

    const std::string detailed = window_no_screen_text("could not connect to display");
    EXPECT_EQ(detailed, bare + "Szczegóły:\ncould not connect to display\n");
}
