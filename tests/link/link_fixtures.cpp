// The settings fixture and helpers of the link tests.
#include "link_fixtures.h"

#include <filesystem>

#include "common/globals.h"
#include "common/text.h"

namespace tv::test {

using Clock = std::chrono::steady_clock;

LinkSettings::LinkSettings() {
    gCurrendDir = dir.path();
    std::filesystem::create_directory(dir.file("LOGS"));
    std::filesystem::create_directory(dir.file("SEQ"));
    std::filesystem::create_directory(dir.file("ports"));
    copy_to(NR_COM, "\\\\.\\COM7");
    BAUDRATE_COM = 9600;
    RCV_TIMEOUT = 2;
    TIMEOUT_BASE = 20;
    work_mode = 1;
    copy_to(gServerName, "127.0.0.1");
}

LinkSettings::~LinkSettings() {
    gCurrendDir.clear();
    copy_to(NR_COM, "\\\\.\\COM1");
    BAUDRATE_COM = 9600;
    RCV_TIMEOUT = 10;
    TIMEOUT_BASE = 20;
    work_mode = 0;
    copy_to(gServerName, "10.10.10.10");
    PortTCP = 6666;
}

std::string LinkSettings::log() const { return read_file(dir.file("LOGS/log_.txt")); }
std::string LinkSettings::seq() const { return read_file(dir.file("SEQ/seq_")); }

void LinkSettings::point_com(int n, const std::string& target) const {
    const std::string link = dir.file("ports/com" + std::to_string(n));
    std::error_code ec;
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(target, link);
}

std::string bytes(std::initializer_list<int> list) {
    std::string out;
    for (int b : list) out.push_back(static_cast<char>(b));
    return out;
}

long elapsed_ms(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

}  // namespace tv::test
