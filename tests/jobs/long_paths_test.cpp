// Paths of any length: a start-up folder past 300 bytes keeps its settings and records
// there (not in a folder named by the first 259 bytes), and a picture whose path has 200
// Polish letters is read whole and programmed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/paths.h"
#include "jobs/job_fixture.h"

using namespace tv;
using namespace tv::test;

namespace {

class LongPaths : public JobTest {};

// A folder under base whose path is at least length bytes, made of parts of part.
std::string deep_folder(const std::string& base, std::size_t length, const std::string& part) {
    std::string path = base;
    while (path.size() < length) path += "/" + part;
    std::filesystem::create_directories(fs_path(path));
    return path;
}

TEST_F(LongPaths, WholeStartFolderAndWholePolishFileName) {
    const std::string start = deep_folder(dir.path(), 300, std::string(45, 'k') + "_sklep");
    ASSERT_GE(start.size(), 300u);
    std::filesystem::create_directory(fs_path(start + "/LOGS"));
    app_start(start);
    start_sim({"--printer"});

    // 200 letters: folders and a file named in Polish (two bytes each in UTF-8).
    std::string polish = dir.file("grafiki");
    std::string letters;
    for (int i = 0; i < 10; ++i) letters += "żółćąęśńźŁ";  // 10 letters, 20 bytes
    const std::string folder = deep_folder(polish, polish.size() + 2 * 160, letters.substr(0, 78));
    const std::string picture = folder + "/" + letters.substr(0, 72) + ".bmp";
    const auto dark = [](int x, int y) { return (x + y) % 3 == 0; };
    write_file(picture, bmp_1bit(24, 4, dark));
    ASSERT_TRUE(std::filesystem::exists(fs_path(picture)));

    choose(picture);
    EXPECT_EQ(gr_filename(), picture);  // whole: not cut at 260 bytes
    press(ID_SEND);
    EXPECT_EQ(box_texts(), std::vector<std::string>{"[Komunikat] Grafika została poprawnie zaprogramowana!"});
    // Cancel, then the one slot line.
    EXPECT_TRUE(same_frames(frames(), upload_frames(true, 1, 24, 4, expected_payload(24, 4, dark, true))));

    // The job saved the settings and wrote its record in the start-up folder itself.
    EXPECT_TRUE(std::filesystem::exists(fs_path(start + "/settings.cfg")));
    EXPECT_NE(read_file(start + "/LOGS/log_.txt").find("Send : "), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(fs_path(start.substr(0, 259))));
}

}  // namespace
