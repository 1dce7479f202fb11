// What the BMP reader accepts and refuses, on real writers' files and on hand-made changes
// of them: each header form and palette sends the dots Pillow sees as dark, a top-down file
// sends what its bottom-up twin sends, and a refused file sends nothing and says exactly
// what is wrong with it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "check_steps.h"
#include "image/bmp_check.h"
#include "image/gr_grid.h"
#include "image/uploads.h"
#include "upload_fixture.h"

using namespace tv;
using namespace tv::test;

namespace {

const std::string WIDTH = "Za duża szerokość !!! Maksymalna szerokość to 640 pikseli !\n";
const std::string HEIGHT = "Za duża wysokość !!! Maksymalna wysokość to 640 pikseli !\n";
const std::string ZERO_WIDTH = "Bitmapa ma zerową szerokość !!!\n";
const std::string ZERO_HEIGHT = "Bitmapa ma zerową wysokość !!!\n";
const std::string COLOUR = "Bitmapa musi być monochromatyczna !!!\n";
const std::string COMPRESSED = "Skompresowana bitmapa nie jest obsługiwana !!!\n";
const std::string NOT_BMP = "Plik nie jest bitmapą BMP !!!\n";
const std::string HEADER = "Nieobsługiwany nagłówek bitmapy BMP !!!\n";
const std::string DAMAGED = "Plik bitmapy jest uszkodzony - brak danych obrazu !!!\n";
const std::string ONE_DOT =
    "Bitmapa 1 x 1 piksel oznacza wyczyszczenie slotu !!!\nWybierz większy obraz albo użyj \"Wyczyść\".\n";

std::string variant(const std::string& name) { return shipped("variants/" + name); }

// A picture of tests/data/variants and its dark pixels as Pillow sees them.
struct Seen {
    std::string name;
    int W = 0, H = 0;
    std::vector<std::string> rows;  // from the top: '#' dark, '.' light
};

std::vector<Seen> pillow_dark_pixels() {
    std::ifstream in(variant("dark.txt"));
    std::vector<Seen> all;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line.rfind("# ", 0) == 0) continue;  // a comment
        Seen s;
        std::istringstream(line) >> s.name >> s.W >> s.H;
        for (int y = 0; y < s.H && std::getline(in, line); ++y) s.rows.push_back(line);
        all.push_back(s);
    }
    return all;
}

// The payload of a printer sequence as dots, in the form of dark.txt: per row from the
// top, W characters, '#' for a set bit (a dark dot). Bits beyond the width are left out.
std::vector<std::string> dots_of(const std::string& seq, int W, int H) {
    std::string digits;
    for (const std::string& l : split_lines(seq)) {
        const std::size_t tx = l.find("\ttx");
        if (tx != std::string::npos) digits += l.substr(tx + 3, l.size() - 2 - (tx + 3));
    }
    const int P = (W - 1) / 8 + 1;
    if (digits.size() != static_cast<std::size_t>(2 * P * H))
        return {"<" + std::to_string(digits.size()) + " digits>"};
    std::vector<std::string> rows;
    for (int y = 0; y < H; ++y) {
        std::string row;
        for (int x = 0; x < W; ++x) {
            const unsigned byte = std::stoul(digits.substr(2 * (y * P + x / 8), 2), nullptr, 16);
            row += (byte >> (7 - x % 8)) & 1 ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

// A byte patch: len little-endian bytes of value at position at.
struct Patch {
    std::size_t at;
    std::int64_t value;
    int len = 4;
};

std::string patched(std::string bytes, std::initializer_list<Patch> patches) {
    for (const Patch& p : patches)
        for (int i = 0; i < p.len; ++i)
            bytes[p.at + static_cast<std::size_t>(i)] =
                static_cast<char>((static_cast<std::uint64_t>(p.value) >> (8 * i)) & 0xFF);
    return bytes;
}

class Reader : public UploadTest {
  protected:
    // The printer sequence for the picture at path (empty when it was refused).
    std::string sequence(const std::string& path) {
        choose(path, 1, false);
        std::memset(seq_tab, 'x', 64);
        prepare_gr();
        return std::string(seq_tab, strnlen(seq_tab, SEQ_TAB_SIZE));
    }
};

}  // namespace

TEST_F(Reader, EveryAcceptedPictureSendsTheDotsPillowSeesAsDark) {
    const std::vector<Seen> seen = pillow_dark_pixels();
    ASSERT_EQ(seen.size(), 35u);
    // Every picture of the folder has its dots listed, so none is left out unnoticed.
    std::set<std::string> listed;
    for (const Seen& s : seen) listed.insert(s.name);
    for (const auto& e : std::filesystem::directory_iterator(variant(""))) {
        if (e.path().extension() == ".bmp") {
            EXPECT_EQ(listed.count(e.path().filename().string()), 1u) << e.path();
        }
    }

    for (const Seen& s : seen) {
        SCOPED_TRACE(s.name);
        ASSERT_EQ(s.rows.size(), static_cast<std::size_t>(s.H));
        h.clear();
        const std::string seq = sequence(variant(s.name));
        if (s.W == 1 && s.H == 1) {  // the form of a cleared slot: refused, nothing built
            EXPECT_EQ(seq, "");
            EXPECT_EQ(h.boxes_shown(), (std::vector<Box>{{"Błąd!", ONE_DOT, Icon::Warning}}));
            continue;
        }
        EXPECT_TRUE(h.boxes().empty());
        const std::string set =
            "prncancel\t\nimgslotset\tno1\twx" + std::to_string(s.W) + "\thx" + std::to_string(s.H) + "\ttx";
        EXPECT_EQ(seq.rfind(set, 0), 0u) << seq;
        EXPECT_EQ(dots_of(seq, s.W, s.H), s.rows);
    }
}

TEST_F(Reader, BlackAndWhiteFilesSendTodaysBytesWhateverTheHeader) {
    // The 40-byte header file of each polarity, byte for byte as before: with colour 0
    // black the zero padding bits are dark dots, with colour 0 white they are light.
    const std::string black0 = sequence(variant("v3_black0_13x7_im.bmp"));
    EXPECT_EQ(black0, "prncancel\t\nimgslotset\tno1\twx13\thx7\ttx" +
                          expected_payload(13, 7, shipped_pattern, true) + "\t\n");
    const std::string white0 = sequence(variant("v3_white0_13x7_im.bmp"));
    EXPECT_EQ(white0, "prncancel\t\nimgslotset\tno1\twx13\thx7\ttx" +
                          expected_payload(13, 7, shipped_pattern, false) + "\t\n");

    const std::pair<const char*, const std::string*> same[] = {
        {"os2v1_black0_13x7_im.bmp", &black0},
        {"os2v1_white0_13x7_im.bmp", &white0},
        {"v4_black0_13x7_im.bmp", &black0},
        {"v4_white0_13x7_im.bmp", &white0},
        {"v5_black0_13x7_im.bmp", &black0},
        {"v5_white0_13x7_im.bmp", &white0},
        {"os2v2_black0_13x7.bmp", &black0},
        {"os2v2_white0_13x7.bmp", &white0},
        {"v52_13x7.bmp", &black0},
        {"v56_white0_13x7.bmp", &white0},
        {"reserved_black0_13x7.bmp", &black0},
        {"reserved_white0_13x7.bmp", &white0},
        {"gap_13x7.bmp", &black0},
        {"colours2_13x7.bmp", &white0},
        {"topdown_black0_13x7.bmp", &black0},
        {"topdown_white0_13x7.bmp", &white0},
        {"topdown_v5_13x7.bmp", &black0},
    };
    for (const auto& [name, want] : same) EXPECT_EQ(sequence(variant(name)), *want) << name;
    EXPECT_EQ(sequence(variant("topdown_33x5.bmp")), sequence(variant("w33_33x5_pil.bmp")));
}

TEST_F(Reader, PolarityTracesWhetherColourZeroIsLight) {
    const std::pair<const char*, unsigned> cases[] = {
        {"v3_black0_13x7_im.bmp", 0},    {"v3_white0_13x7_im.bmp", 2},
        {"reserved_black0_13x7.bmp", 0},  // a non-zero fourth byte no longer inverts
        {"nearwhite0_13x7_im.bmp", 2},    // FE FF FF is white for the eye
        {"grey_light0_13x7_im.bmp", 2},  {"red_green_13x7_im.bmp", 0},
        {"both_dark_13x7_im.bmp", 0},    {"both_light_13x7_im.bmp", 2},
    };
    for (const auto& [name, polarity] : cases) {
        h.clear();
        set_gr_filename(variant(name));
        char msg[GR_MSG_SIZE] = {};
        unsigned offset = 0, p = 99;
        EXPECT_EQ(gr_check(offset, p, msg), RC_OK) << name;
        EXPECT_EQ(p, polarity) << name;
        EXPECT_EQ(h.trace(), "\r\nNegatyw = " + std::to_string(polarity) + "\r\n") << name;
    }
}

// Orange (red 255, green 100) is light to the eye and its blue twin (blue 255, green 100)
// dark: red weighs three times blue. An orange-and-black logo must not print all black.
TEST_F(Reader, RedWeighsMoreThanBlueInTheColourTable) {
    const std::string v3 = read_file(variant("v3_black0_13x7_im.bmp"));
    const struct {
        std::uint32_t colour0, colour1;  // the table's entries: blue, green, red, reserved
        unsigned polarity;
    } cases[] = {{0x00FF6400, 0x00000000, 2}, {0x000064FF, 0x00FFFFFF, 0}};
    for (const auto& c : cases) {
        const std::string path = dir.file("colours.bmp");
        write_file(path, patched(v3, {{54, c.colour0}, {58, c.colour1}}));
        h.clear();
        set_gr_filename(path);
        char msg[GR_MSG_SIZE] = {};
        unsigned offset = 0, p = 99;
        EXPECT_EQ(gr_check(offset, p, msg), RC_OK) << msg;
        EXPECT_EQ(p, c.polarity) << std::hex << c.colour0;
    }
}

// bytes with n bytes at `at` taken out, the file size and the data offset moved with them.
std::string without(std::string bytes, std::size_t at, std::size_t n) {
    bytes.erase(at, n);
    const std::size_t offset = static_cast<unsigned char>(bytes[10]);
    return patched(
        bytes, {{2, static_cast<std::int64_t>(bytes.size())}, {10, static_cast<std::int64_t>(offset - n)}});
}

TEST_F(Reader, ShortHeadersLostOffsetsAndOneColourTablesSendTheirDots) {
    std::map<std::string, std::vector<std::string>> dots;
    for (const Seen& s : pillow_dark_pixels()) dots[s.name] = s.rows;
    const std::string v3b = read_file(variant("v3_black0_13x7_im.bmp"));
    const std::string v3w = read_file(variant("v3_white0_13x7_im.bmp"));
    const std::string os2 = read_file(variant("os2v1_white0_13x7_im.bmp"));
    const std::string v5 = read_file(variant("v5_black0_13x7_im.bmp"));
    // The short OS/2 2.x header: the first 16 bytes of the 40-byte one.
    const std::string short_b = patched(without(v3b, 30, 24), {{14, 16}});
    // A table of colour 0 only: colour 1 reads as white.
    const std::string one_colour = patched(without(v3b, 58, 4), {{46, 1}});
    const std::vector<std::string> blank(7, std::string(13, '.'));
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"OS/2 2.x short header, colour 0 black", short_b, dots["v3_black0_13x7_im.bmp"]},
        {"OS/2 2.x short header, colour 0 white", patched(without(v3w, 30, 24), {{14, 16}}),
         dots["v3_white0_13x7_im.bmp"]},
        {"OS/2 2.x short header, data offset 0", patched(short_b, {{10, 0}}), dots["v3_black0_13x7_im.bmp"]},
        {"data offset 0", patched(v3b, {{10, 0}}), dots["v3_black0_13x7_im.bmp"]},
        {"data offset in the file header", patched(v3b, {{10, 10}}), dots["v3_black0_13x7_im.bmp"]},
        {"data offset in the information header", patched(v3b, {{10, 30}}), dots["v3_black0_13x7_im.bmp"]},
        {"data offset at the colour table", patched(v3b, {{10, 54}}), dots["v3_black0_13x7_im.bmp"]},
        {"data offset inside the colour table", patched(v3b, {{10, 61}}), dots["v3_black0_13x7_im.bmp"]},
        {"OS/2 1.x data offset at its colour table", patched(os2, {{10, 26}}),
         dots["os2v1_white0_13x7_im.bmp"]},
        {"V5 data offset 0", patched(v5, {{10, 0}}), dots["v5_black0_13x7_im.bmp"]},
        {"one colour, black", one_colour, dots["v3_black0_13x7_im.bmp"]},
        {"one colour, data offset 0", patched(one_colour, {{10, 0}}), dots["v3_black0_13x7_im.bmp"]},
        {"one colour, white", patched(without(v3w, 58, 4), {{46, 1}}), blank},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.rows.size(), 7u);
        const std::string path = dir.file("edge.bmp");
        write_file(path, c.bytes);
        h.clear();
        const std::string seq = sequence(path);
        EXPECT_TRUE(h.boxes().empty());
        EXPECT_EQ(dots_of(seq, 13, 7), c.rows);
    }
}

TEST_F(Reader, RefusedFilesSendNothingAndSayWhatIsWrong) {
    // The bases: a Windows 3, an OS/2 1.x, an OS/2 2.x and a V5 file of 13 x 7 (pixels
    // at 62, 32, 86 and 146; 7 rows of 4 bytes).
    const std::string v3 = read_file(variant("v3_black0_13x7_im.bmp"));
    const std::string os2 = read_file(variant("os2v1_black0_13x7_im.bmp"));
    const std::string os2v2 = read_file(variant("os2v2_black0_13x7.bmp"));
    const std::string v5 = read_file(variant("v5_black0_13x7_im.bmp"));
    const RefusedFile cases[] = {
        {"no signature", patched(v3, {{0, 'B' | 'A' << 8, 2}}), GR_NOT_BMP, NOT_BMP},
        {"signature swapped", patched(v3, {{0, 'M' | 'B' << 8, 2}}), GR_NOT_BMP, NOT_BMP},
        {"a PNG file", "\x89PNG\r\n\x1a\n" + std::string(60, '\0'), GR_NOT_BMP, NOT_BMP},
        {"empty", "", GR_NOT_BMP, NOT_BMP},
        {"header size 0", patched(v3, {{14, 0}}), GR_NOT_BMP, HEADER},
        {"header size 20", patched(v3, {{14, 20}}), GR_NOT_BMP, HEADER},
        {"header size 41", patched(v3, {{14, 41}}), GR_NOT_BMP, HEADER},
        {"header size 128", patched(v3, {{14, 128}}), GR_NOT_BMP, HEADER},
        {"header size 2^32 - 1", patched(v3, {{14, 0xFFFFFFFF}}), GR_NOT_BMP, HEADER},
        {"header longer than the file", patched(v3, {{14, 124}}), GR_NO_DATA, DAMAGED},
        {"RLE8", patched(v3, {{30, 1}}), GR_COMPRESSED, COMPRESSED},
        {"RLE4", patched(v3, {{30, 2}}), GR_COMPRESSED, COMPRESSED},
        {"bit fields", patched(v3, {{30, 3}}), GR_COMPRESSED, COMPRESSED},
        {"JPEG", patched(v3, {{30, 4}}), GR_COMPRESSED, COMPRESSED},
        {"PNG", patched(v3, {{30, 5}}), GR_COMPRESSED, COMPRESSED},
        {"alpha bit fields", patched(v3, {{30, 6}}), GR_COMPRESSED, COMPRESSED},
        {"compression 2^31", patched(v3, {{30, 0x80000000}}), GR_COMPRESSED, COMPRESSED},
        {"OS/2 Huffman 1D", patched(os2v2, {{30, 3}}), GR_COMPRESSED, COMPRESSED},
        {"OS/2 RLE24", patched(os2v2, {{30, 4}}), GR_COMPRESSED, COMPRESSED},
        {"V5 RLE8", patched(v5, {{30, 1}}), GR_COMPRESSED, COMPRESSED},
        {"width 0", patched(v3, {{18, 0}}), GR_TOO_WIDE, ZERO_WIDTH},
        {"height 0", patched(v3, {{22, 0}}), GR_TOO_HIGH, ZERO_HEIGHT},
        {"both 0", patched(v3, {{18, 0}, {22, 0}}), GR_TOO_HIGH, ZERO_WIDTH + ZERO_HEIGHT},
        {"OS/2 1.x height 0", patched(os2, {{20, 0, 2}}), GR_TOO_HIGH, ZERO_HEIGHT},
        {"width 641", patched(v3, {{18, 641}}), GR_TOO_WIDE, WIDTH},
        {"width 65552 (16 in its low bits)", patched(v3, {{18, 65552}}), GR_TOO_WIDE, WIDTH},
        {"height 65543 (7 in its low bits)", patched(v3, {{22, 65543}}), GR_TOO_HIGH, HEIGHT},
        {"width -13", patched(v3, {{18, -13}}), GR_TOO_WIDE, WIDTH},
        {"width -2^31", patched(v3, {{18, -2147483648LL}}), GR_TOO_WIDE, WIDTH},
        {"height -641 (top-down)", patched(v3, {{22, -641}}), GR_TOO_HIGH, HEIGHT},
        {"height -2^31", patched(v3, {{22, -2147483648LL}}), GR_TOO_HIGH, HEIGHT},
        {"OS/2 1.x width 65535", patched(os2, {{18, 0xFFFF, 2}}), GR_TOO_WIDE, WIDTH},
        // 1 x 1 is how a slot is cleared: never a logo (1 x 2 and 2 x 1 are).
        {"1 x 1", patched(v3, {{18, 1}, {22, 1}}), GR_ONE_DOT, ONE_DOT},
        {"1 x 1 top-down", patched(v3, {{18, 1}, {22, -1}}), GR_ONE_DOT, ONE_DOT},
        {"OS/2 1.x 1 x 1", patched(os2, {{18, 1, 2}, {20, 1, 2}}), GR_ONE_DOT, ONE_DOT},
        {"too wide, 24 bits", patched(v3, {{18, 800}, {28, 24, 2}}), GR_NOT_MONO, WIDTH + COLOUR},
        // A colour picture's compression field holds its masks: only the colour is wrong.
        {"24 bits, bit fields", patched(v3, {{28, 24, 2}, {30, 3}}), GR_NOT_MONO, COLOUR},
        {"4 bits, RLE4", patched(v3, {{28, 4, 2}, {30, 2}}), GR_NOT_MONO, COLOUR},
        {"zero width, compressed", patched(v3, {{18, 0}, {30, 1}}), GR_COMPRESSED, ZERO_WIDTH + COMPRESSED},
        {"data offset one row too far", patched(v3, {{10, 66}}), GR_NO_DATA, DAMAGED},
        // Rows read from just after the colours when the offset points before them: they
        // must be whole there too.
        {"data offset 0, one row short", patched(v3, {{10, 0}, {22, 8}}), GR_NO_DATA, DAMAGED},
        {"one colour, one row short", patched(v3, {{46, 1}, {10, 0}, {22, 9}}), GR_NO_DATA, DAMAGED},
        {"data offset at the end of the file", patched(v3, {{10, 90}}), GR_NO_DATA, DAMAGED},
        {"data offset far past the end", patched(v3, {{10, 0xFFFFFFF0}}), GR_NO_DATA, DAMAGED},
        // More colours announced than the file has room for before its pixels.
        {"colour count 3", patched(v3, {{46, 3}}), GR_NO_DATA, DAMAGED},
        {"colour count 2^28", patched(v3, {{46, 0x10000000}}), GR_NO_DATA, DAMAGED},
        {"height one row more than the file holds", patched(v3, {{22, 8}}), GR_NO_DATA, DAMAGED},
    };
    for (const RefusedFile& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("refused.bmp");
        expect_refused(h, path, c);
        // The printer upload builds nothing.
        h.clear();
        EXPECT_EQ(sequence(path), "");
        EXPECT_EQ(h.boxes_shown(), refusal(c.msg));
    }
}

TEST_F(Reader, AFileCutAnywhereBeforeItsLastPixelIsRefused) {
    // Cut in the signature, the file header, the information header, the colour table and
    // the pixels. The V5 file carries its colour profile after the pixels: cut there, the
    // picture is whole.
    for (const char* name : {"v3_black0_13x7_im.bmp", "os2v1_white0_13x7_im.bmp", "v4_black0_13x7_im.bmp",
                             "v5_black0_13x7_im.bmp", "topdown_black0_13x7.bmp"}) {
        const std::string whole = read_file(variant(name));
        // Header, two colours, 7 rows of 4 bytes.
        const std::size_t header = static_cast<unsigned char>(whole[14]);
        const std::size_t pixels_end = 14 + header + (header == 12 ? 6 : 8) + 28;
        const std::string full_sequence = sequence(variant(name));
        for (std::size_t n = 0; n < whole.size(); ++n) {
            SCOPED_TRACE(std::string(name) + " cut to " + std::to_string(n) + " bytes");
            const std::string path = dir.file("cut.bmp");
            write_file(path, whole.substr(0, n));
            h.clear();
            const std::string seq = sequence(path);
            if (n >= pixels_end) {
                EXPECT_EQ(seq, full_sequence);
                EXPECT_TRUE(h.boxes().empty());
                continue;
            }
            EXPECT_EQ(seq, "");
            EXPECT_EQ(run_check(path).code, n < 2 ? GR_NOT_BMP : GR_NO_DATA);
            EXPECT_EQ(h.boxes_shown(),
                      (std::vector<Box>{{"Błąd!", n < 2 ? NOT_BMP : DAMAGED, Icon::Warning}}));
        }
    }
}

TEST_F(Reader, AColourFileCompressedByARealWriterIsCalledNotMonochrome) {
    h.clear();
    EXPECT_EQ(sequence(variant("refused/rle8_13x7_im.bmp")), "");
    EXPECT_EQ(h.boxes_shown(), (std::vector<Box>{{"Błąd!", COLOUR, Icon::Warning}}));
}

TEST_F(Reader, OnlyARegularFileOpens) {
    // A folder, and a pipe that no one writes to (opening it for reading would wait for
    // a writer for ever).
    const std::string folder = dir.file("logo.bmp");
    std::filesystem::create_directory(folder);
    std::vector<std::string> paths{folder};
#ifndef _WIN32  // no named pipes in the file system there
    const std::string pipe = dir.file("pipe.bmp");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    paths.push_back(pipe);
#endif
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const std::vector<Box> box{{"Błąd!", "Nie można otworzyć pliku! :\n" + path, Icon::Warning}};
        h.clear();
        EXPECT_EQ(run_check(path).code, GR_CANNOT_OPEN);
        EXPECT_EQ(h.boxes_shown(), box);
        h.clear();
        run_bmp_check(path);
        EXPECT_EQ(h.boxes_shown(), box);
        EXPECT_FALSE(PaintBMP);
        h.clear();
        EXPECT_EQ(sequence(path), "");
        EXPECT_EQ(h.boxes_shown(), box);
    }
}

TEST_F(Reader, TopDownFileShowsItsRealHeight) {
    h.clear();
    run_bmp_check(variant("topdown_v5_13x7.bmp"));
    EXPECT_TRUE(PaintBMP);
    EXPECT_TRUE(h.boxes().empty());
    EXPECT_EQ(text(gEdit_File), "topdown_v5_13x7.bmp\r\nBMP monochromatyczna, 13 x 7 pikseli");
    EXPECT_EQ(Gr_ymax, 7);
}
