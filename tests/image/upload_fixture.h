// What the two upload tests share: a clean panel on which a picture is chosen for a slot, a
// recording host, a folder for pictures made on the spot, and a host under which the
// picture goes away right after its check.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "bmp_files.h"
#include "common/globals.h"
#include "support/fixture.h"
#include "ui/Controls.h"

namespace tv::test {

class UploadTest : public Test {
  protected:
    // Chooses the picture at path for a slot (1..6), with or without the report after it.
    static void choose(const std::string& path, int slot, bool report) {
        set_gr_filename(path);
        set_sel(gComb_Slot, slot - 1);
        set_checked(gCheck_Print, report);
    }
    // Writes a W x H picture and gives its path.
    std::string picture(int W, int H, const Dark& dark) const {
        const std::string path = dir.file("p.bmp");
        write_file(path, bmp_1bit(W, H, dark));
        return path;
    }

    RecordingHost& h = host;
};

// Takes the file away right after the check has traced its data offset, as a user or
// another program might between the check and the reading.
class VanishingFileHost : public RecordingHost {
  public:
    std::string victim;
    void trace_append(const std::string& text) override {
        RecordingHost::trace_append(text);
        if (text.find("Data offset") != std::string::npos) std::filesystem::remove(victim);
    }
};

}  // namespace tv::test
