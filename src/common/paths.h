// File names are UTF-8 inside the program. These turn one into the system's own form: a
// std::filesystem::path (UTF-16 on Windows, with the long-path prefix where a path is
// longer than the old 260-character limit) and back, and open a C stream by it.
#pragma once
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace tv {

std::filesystem::path fs_path(std::string_view utf8);
// The path as UTF-8 text (without a long-path prefix fs_path may have added).
std::string utf8_path(const std::filesystem::path& p);
// std::fopen by a UTF-8 name (a wide-character open on Windows). Null on failure.
std::FILE* open_file(std::string_view utf8, const char* mode);

}  // namespace tv
