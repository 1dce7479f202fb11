// Arguments and console on POSIX systems: the bytes as given, the terminal's own encoding.
#include "common/program_args.h"

namespace tv {

std::vector<std::string> utf8_arguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    return args;
}

void use_utf8_console() {}

}  // namespace tv
