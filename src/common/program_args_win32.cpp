// Arguments and console on Windows: the UTF-16 command line split as the C runtime splits
// it, each argument turned into UTF-8; the console's output code page set to UTF-8.
#include <windows.h>

// After windows.h, which it needs (its own block keeps the include sort from moving it).
#include <shellapi.h>

#include "common/program_args.h"
#include "common/text.h"

namespace tv {

std::vector<std::string> utf8_arguments(int argc, char** argv) {
    std::vector<std::string> args;
    int n = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n)) {
        for (int i = 0; i < n; ++i) args.push_back(utf8_of_wide(wide[i]));
        LocalFree(wide);
        return args;
    }
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    return args;
}

void use_utf8_console() { SetConsoleOutputCP(CP_UTF8); }

}  // namespace tv
