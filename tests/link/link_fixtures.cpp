// The settings every link test starts from.
#include "link_fixtures.h"

#include "common/globals.h"
#include "common/text.h"

namespace tv::test {

LinkTest::LinkTest() {
    make_folders();
    copy_to(NR_COM, "\\\\.\\COM7");
    BAUDRATE_COM = 9600;
    RCV_TIMEOUT = 2;
    TIMEOUT_BASE = 20;
    work_mode = WM_PRINTER;
    copy_to(gServerName, "127.0.0.1");
}

std::string bytes(std::initializer_list<int> list) {
    std::string out;
    for (int b : list) out.push_back(static_cast<char>(b));
    return out;
}

}  // namespace tv::test
