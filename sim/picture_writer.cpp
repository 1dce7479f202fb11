// PBM pictures and the state file of the simulated device.
#include "picture_writer.h"

#include <filesystem>
#include <fstream>

#include "common/paths.h"

namespace tv::sim {

namespace fs = std::filesystem;

namespace {
bool write_replacing(const fs::path& path, const std::string& bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    fs::path tmp = path;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) return false;
    }
    fs::rename(tmp, path, ec);
    return !ec;
}
std::string slot_file(int no) { return "slot" + std::to_string(no) + ".pbm"; }
}  // namespace

std::string pbm_of(const Slot& slot, int no) {
    std::string out = "P4\n# tarvix-vizaze-sim slot " + std::to_string(no) + "\n" +
                      std::to_string(slot.width) + " " + std::to_string(slot.height) + "\n";
    std::string bits(slot.expected(), '\0');
    for (std::size_t i = 0; i < slot.data.size() && i < bits.size(); ++i)
        bits[i] = static_cast<char>(slot.data[i]);
    return out + bits;
}

std::string state_text(const SlotStore& store) {
    std::string t =
        "header " + std::to_string(store.header()) + "\nfooter " + std::to_string(store.footer()) + "\n";
    for (int no = 1; no <= SlotStore::kSlots; ++no) {
        const Slot& s = store.slot(no);
        t += "slot " + std::to_string(no) + " ";
        if (s.empty()) {
            t += "empty";
        } else {
            t += std::to_string(s.width) + "x" + std::to_string(s.height) +
                 (s.complete() ? " complete " : " partial ") + std::to_string(s.data.size()) + "/" +
                 std::to_string(s.expected());
        }
        if (store.read_only(no)) t += " read-only";
        t += "\n";
    }
    return t;
}

bool save_slot(const std::string& dir, const SlotStore& store, int no) {
    fs::path path = tv::fs_path(dir) / slot_file(no);
    const Slot& s = store.slot(no);
    if (s.empty()) {
        std::error_code ec;
        fs::remove(path, ec);
        return !ec;
    }
    return write_replacing(path, pbm_of(s, no));
}

bool save_state(const std::string& dir, const SlotStore& store) {
    return write_replacing(tv::fs_path(dir) / "state.txt", state_text(store));
}

bool save_all(const std::string& dir, const SlotStore& store) {
    bool ok = true;
    for (int no = 1; no <= SlotStore::kSlots; ++no) ok = save_slot(dir, store, no) && ok;
    return save_state(dir, store) && ok;
}

}  // namespace tv::sim
