// Fuzz target: any content of "settings.cfg" through the settings reader (load_cfg), then
// the writer and the reader again. The variables stay terminated and in range, and the
// file the writer gives is a fixed point: reading it back and writing again changes nothing.
#include <cstdint>
#include <cstring>
#include <string>

#include "common/globals.h"
#include "common/text.h"
#include "support/fuzz_env.h"
#include "ui/Controls.h"
#include "ui/panel.h"
#include "ui/settings.h"

using namespace tv;
using namespace tv::fuzz;

namespace {

// The values before any file is read.
void defaults() {
    std::memset(NR_COM, 0, sizeof NR_COM);
    copy_to(NR_COM, "\\\\.\\COM1");
    BAUDRATE_COM = 9600;
    RCV_TIMEOUT = 10;
    PROTOCOL = 0;
    std::memset(gServerName, 0, sizeof gServerName);
    copy_to(gServerName, "10.10.10.10");
    PortTCP = 6666;
    mk_interface();
}

void check_variables() {
    check(std::memchr(NR_COM, 0, sizeof NR_COM) != nullptr, "NR_COM unterminated");
    check(std::memchr(gServerName, 0, sizeof gServerName) != nullptr, "gServerName unterminated");
    check(PROTOCOL == 0 || PROTOCOL == 2, "PROTOCOL neither 0 nor 2 after reading");
    check(sel(gComb_Interface) == 0 || sel(gComb_Interface) == 1, "no interface selected");
}

// The nine lines the writer gives, keys in order.
void check_written(const std::string& file) {
    static const char* keys[] = {
        "[Interface]=",  "[Protocol]=", "[COM]=",      "[Baudrate]=",     "[Tiemout]=",
        "[IP_Address]=", "[TCP_Port]=", "[GR_Print]=", "[GR_Test_Print]="};
    std::size_t at = 0;
    for (const char* key : keys) {
        check(file.compare(at, std::strlen(key), key) == 0, "written line has another key");
        const std::size_t end = file.find('\n', at);
        check(end != std::string::npos, "written line without its end");
        at = end + 1;
    }
    check(at == file.size(), "more than nine lines written");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    setup_once();
    reset_input(1, 0);
    defaults();
    static const std::string path = scratch_file("settings.cfg");
    write_scratch_file(path, data, size);

    load_cfg("settings.cfg");
    check_variables();

    check(save_cfg(), "settings could not be written");
    const std::string first = read_whole_file(path);
    check_written(first);
    load_cfg("settings.cfg");
    check_variables();
    check(save_cfg(), "settings could not be written");
    check(read_whole_file(path) == first, "writing what was read changed the settings file");
    return 0;
}
