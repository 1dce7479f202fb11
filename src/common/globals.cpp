// Storage of the process-wide state declared in globals.h.
#include "common/globals.h"

#include <mutex>

namespace tv {

char NR_COM[16] = "\\\\.\\COM1";
std::atomic<std::int32_t> BAUDRATE_COM{9600};
std::atomic<std::int32_t> RCV_TIMEOUT{10};
std::atomic<std::int16_t> TIMEOUT_BASE{20};
std::atomic<std::int16_t> PROTOCOL{0};
char gServerName[1024] = "10.10.10.10";
std::atomic<std::int32_t> PortTCP{6666};

std::atomic<std::int16_t> work_mode{0};
std::atomic<std::int16_t> send_mode{0};
std::atomic<bool> bAction{false};
std::atomic<bool> Stoper{false};
std::atomic<bool> job_abort{false};

char seq_tab[SEQ_TAB_SIZE];

std::string gCurrendDir;
std::string localDir;

namespace {
std::mutex g_name_mutex;
std::string GrFilename;
}  // namespace

std::string gr_filename() {
    std::lock_guard<std::mutex> lock(g_name_mutex);
    return GrFilename;
}

void set_gr_filename(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_name_mutex);
    GrFilename = name;
}

std::atomic<bool> PaintBMP{false};
std::atomic<std::uint16_t> Gr_xmax{0};
std::atomic<std::uint16_t> Gr_ymax{0};

}  // namespace tv
