// The program's command line as UTF-8, and console output in UTF-8. Windows hands the
// arguments over in UTF-16 (argv holds them in the ANSI code page, which loses letters);
// POSIX systems hand them over as they were typed.
#pragma once
#include <string>
#include <vector>

namespace tv {

// Every argument, the program's name first.
std::vector<std::string> utf8_arguments(int argc, char** argv);
// Makes the console show the UTF-8 the program writes (a no-op where it already does).
void use_utf8_console();

}  // namespace tv
