// The BMP check as the image tests run it: the check itself on a path, the check thread the
// window starts when a file is chosen, and what a refused file must do in both.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "common/globals.h"
#include "image/bmp_check.h"
#include "image/gr_grid.h"
#include "support/recording_host.h"

namespace tv::test {

struct Check {
    int code;
    std::string msg;
    unsigned offset;
    unsigned polarity;
};

inline Check run_check(const std::string& path) {
    set_gr_filename(path);
    char msg[GR_MSG_SIZE] = {};
    unsigned offset = 12345, polarity = 6789;
    const int code = gr_check(offset, polarity, msg);
    return {code, msg, offset, polarity};
}

// Runs the check thread as the window does and waits for it.
inline void run_bmp_check(const std::string& path) {
    set_gr_filename(path);
    std::thread t(bmp_check);
    t.join();
}

// The one box of a refused picture.
inline std::vector<Box> refusal(const std::string& text) { return {{"Błąd!", text, Icon::Warning}}; }

// A file the check refuses: what it is, its bytes, the code and the whole message.
struct RefusedFile {
    const char* what;
    std::string bytes;
    int code;
    std::string msg;
};

// Writes the file to path and checks it both ways: the code and message, then in the
// window one box with that message and the file forgotten.
inline void expect_refused(RecordingHost& h, const std::string& path, const RefusedFile& file) {
    write_file(path, file.bytes);
    h.clear();
    const Check r = run_check(path);
    EXPECT_EQ(r.code, file.code);
    EXPECT_EQ(r.msg, file.msg);
    h.clear();
    run_bmp_check(path);
    EXPECT_EQ(h.boxes_shown(), refusal(file.msg));
    EXPECT_FALSE(PaintBMP);
    EXPECT_EQ(gr_filename(), "");
}

}  // namespace tv::test
