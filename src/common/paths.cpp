// UTF-8 file names to the system's paths and back.
#include "common/paths.h"

#ifdef _WIN32
#include <cwchar>
#endif

namespace tv {

namespace {
#ifdef _WIN32
constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::size_t kOldLimit = 260;  // MAX_PATH, terminating zero included
#endif
}  // namespace

std::filesystem::path fs_path(std::string_view utf8) {
    std::filesystem::path p(std::u8string(utf8.begin(), utf8.end()));
#ifdef _WIN32
    // Past MAX_PATH the wide calls want the "\\?\" form, which the system takes literally:
    // an absolute path with backslashes and no "." or ".." parts.
    const std::wstring& w = p.native();
    if (w.size() >= kOldLimit && p.is_absolute() && w.rfind(kLongPrefix, 0) != 0) {
        std::wstring n = p.lexically_normal().make_preferred().native();
        if (n.rfind(L"\\\\", 0) == 0)
            n = std::wstring(kLongPrefix) + L"UNC\\" + n.substr(2);
        else
            n = std::wstring(kLongPrefix) + n;
        p = std::filesystem::path(n);
    }
#endif
    return p;
}

std::string utf8_path(const std::filesystem::path& p) {
    const std::u8string u = p.u8string();
    std::string s(u.begin(), u.end());
#ifdef _WIN32
    if (s.rfind("\\\\?\\UNC\\", 0) == 0)
        s = "\\\\" + s.substr(8);
    else if (s.rfind("\\\\?\\", 0) == 0)
        s = s.substr(4);
#endif
    return s;
}

std::FILE* open_file(std::string_view utf8, const char* mode) {
#ifdef _WIN32
    std::wstring wmode;
    for (const char* m = mode; *m; ++m) wmode.push_back(static_cast<wchar_t>(*m));
    return _wfopen(fs_path(utf8).c_str(), wmode.c_str());
#else
    return std::fopen(fs_path(utf8).c_str(), mode);
#endif
}

}  // namespace tv
