// What the window does before it opens: answer --help and --version without needing a
// screen, and the words it says when no screen can show it. Every window face (the Qt
// window, the native Windows one) asks here and only carries the answer out.
#pragma once
#include <string>
#include <vector>

namespace tv {

struct WindowStart {
    enum class Action {
        Open,   // open the window
        Print,  // print text on standard output and end with exit_code (0)
    };
    Action action = Action::Open;
    std::string text;
    int exit_code = 0;
};

// args: the command line without the program's name. --help (or -h) and --version are
// answered wherever they stand; every other word is left to the window (the Qt window
// passes it to Qt, which has options of its own such as -platform).
WindowStart window_start(const std::vector<std::string>& args, const std::string& version);

// The message for a system that cannot show the window (no display, or the graphics
// server refused it), printed on standard error; details is what the graphics library said
// (may be empty). The window then ends with window_no_screen_exit.
std::string window_no_screen_text(const std::string& details);
constexpr int window_no_screen_exit = 1;

}  // namespace tv
