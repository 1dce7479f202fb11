// "Otwórz" with a picture the BMP reader refuses: the conversion dialog is offered on a face
// that has one, "OK" writes NAME_logo.bmp and loads it the normal way; cancel, replace,
// damaged and over-large pictures, and a face without the dialog (the console tool).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/shell.h"
#include "bmp_files.h"
#include "common/globals.h"
#include "common/paths.h"
#include "image/convert_session.h"
#include "support/fixture.h"
#include "ui/Controls.h"
#include "ui/panel.h"

using namespace tv;
using namespace tv::test;

namespace {

std::string card(const std::string& name) {
    return std::string(TV_SOURCE_DIR) + "/tests/data/pictures/" + name;
}

class ConvertOffer : public Test {
  protected:
    void SetUp() override {
        set_gr_filename("");
        PaintBMP = false;
        Gr_xmax = 0;
        Gr_ymax = 0;
        PROTOCOL = 0;
        host.clear();
    }
    // A copy of a test picture in the test's folder.
    std::string copy(const std::string& name, const std::string& as) {
        const std::string to = dir.file(as);
        std::filesystem::copy_file(fs_path(card(name)), fs_path(to));
        return to;
    }
    // "Otwórz", the file dialog answering with path, and the check that follows.
    void open(const std::string& path) {
        host.choose_next(path);
        dispatch_command(103, Notify::Clicked, gButt_File);
        wait_for_check();
    }
    // The user presses OK after setting the options with set.
    void accept_with(std::function<void(logo::Options&)> set = {}) {
        host.convert_with([this, set](ConvertSession& s) {
            seen_limit = s.options.limit;
            seen_source = s.source_text();
            if (set) set(s.options);
            return s.update() ? DialogResult::Accepted : DialogResult::Cancelled;
        });
    }
    std::size_t dialogs() const {
        std::size_t n = 0;
        for (const Event& e : host.events()) n += e.type == Event::ConvertDialog;
        return n;
    }

    int seen_limit = 0;
    std::string seen_source;
};

}  // namespace

TEST_F(ConvertOffer, OkWritesTheLogoBesideThePictureAndLoadsIt) {
    const std::string png = copy("card_rgba.png", "Sklep Żółw.png");
    accept_with([](logo::Options& o) { o.width = 48; });
    open(png);
    const std::string out = dir.file("Sklep Żółw_logo.bmp");
    EXPECT_EQ(dialogs(), 1u);
    EXPECT_EQ(seen_limit, 640);
    EXPECT_EQ(seen_source, "Sklep Żółw.png – PNG, 24 x 16 pikseli");
    EXPECT_EQ(host.boxes_shown(),
              (std::vector<Box>{{"Komunikat", "Logo zapisano w pliku:\n" + out + "\n(48 x 32 pikseli)",
                                 Icon::Information}}));
    // Loaded the normal way: the reader has taken it.
    EXPECT_EQ(gr_filename(), out);
    EXPECT_TRUE(PaintBMP);
    EXPECT_EQ(Gr_xmax, 48);
    EXPECT_EQ(Gr_ymax, 32);
    EXPECT_EQ(text(gEdit_File), "Sklep Żółw_logo.bmp\r\nBMP monochromatyczna, 48 x 32 pikseli");
    EXPECT_TRUE(enabled(gButt_Send));
    EXPECT_NE(host.trace().find("Logo z obrazu : " + png), std::string::npos);
}

// A 1-bit BMP the reader takes but a cash register refuses (over 384 x 384) is offered too.
TEST_F(ConvertOffer, CashRegistersGetTheirLimit) {
    set_sel(gComb_Protocol, 1);
    change_protocol();
    accept_with();
    write_file(dir.file("wide.bmp"), bmp_1bit(640, 80, [](int x, int) { return x < 50; }));
    open(dir.file("wide.bmp"));
    EXPECT_EQ(seen_limit, 384);
    EXPECT_EQ(Gr_xmax, 384);
    EXPECT_EQ(Gr_ymax, 48);
    EXPECT_EQ(gr_filename(), dir.file("wide_logo.bmp"));
}

TEST_F(ConvertOffer, APictureTheReaderTakesIsNotOffered) {
    accept_with();
    write_file(dir.file("mono.bmp"), bmp_1bit(100, 20, [](int x, int) { return x < 50; }));
    open(dir.file("mono.bmp"));
    EXPECT_EQ(dialogs(), 0u);
    EXPECT_EQ(gr_filename(), dir.file("mono.bmp"));
    EXPECT_TRUE(host.boxes_shown().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("mono_logo.bmp")));
}

TEST_F(ConvertOffer, CancelWritesNothingAndKeepsTheFileChosenBefore) {
    write_file(dir.file("mono.bmp"), bmp_1bit(100, 20, [](int x, int) { return x < 50; }));
    open(dir.file("mono.bmp"));
    host.convert_with([](ConvertSession&) { return DialogResult::Cancelled; });
    open(copy("card_rgb.jpg", "photo.jpg"));
    EXPECT_EQ(dialogs(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("photo_logo.bmp")));
    EXPECT_EQ(gr_filename(), dir.file("mono.bmp"));
    EXPECT_TRUE(PaintBMP);
    EXPECT_EQ(text(gEdit_File), "mono.bmp\r\nBMP monochromatyczna, 100 x 20 pikseli");
    EXPECT_TRUE(host.boxes_shown().empty());
}

// The user's turns at the dialog: each types a width key by key, presses Enter and then OK
// (or, past the list, cancels); what the dialog showed at each turn is kept.
struct Turns {
    std::vector<std::string> typed;
    std::vector<std::string> shown;
    std::vector<int> result_widths;  // the result's width at each turn
    DialogResult operator()(ConvertSession& s) {
        shown.push_back(s.width_text());
        result_widths.push_back(s.logo().width);
        if (shown.size() > typed.size()) return DialogResult::Cancelled;
        const std::string& text = typed[shown.size() - 1];
        for (std::size_t n = text.empty() ? 0 : 1; n <= text.size(); ++n) s.set_width_text(text.substr(0, n));
        s.take_typed_width();
        return DialogResult::Accepted;
    }
};

TEST_F(ConvertOffer, NoToReplacingALogoReturnsToTheDialogWithItsSettings) {
    const std::string png = copy("card_rgb.png", "card.png");
    write_file(dir.file("card_logo.bmp"), "the user's own file");
    const Box question{"UWAGA!",
                       "Plik " + dir.file("card_logo.bmp") + " już istnieje.\nCzy zastąpić go nowym logo?",
                       Icon::Question, Buttons::YesNo};
    auto turns = std::make_shared<Turns>(Turns{{"48"}, {}, {}});
    host.convert_with([turns](ConvertSession& s) { return (*turns)(s); });
    host.answer_next(Answer::No);
    open(png);
    EXPECT_EQ(turns->shown, (std::vector<std::string>{"dopasuj", "48"}));
    EXPECT_EQ(host.boxes_shown(), std::vector<Box>{question});
    EXPECT_EQ(read_file(dir.file("card_logo.bmp")), "the user's own file");
    EXPECT_EQ(gr_filename(), "");

    host.clear();
    *turns = Turns{{"48"}, {}, {}};
    host.answer_next(Answer::Yes);
    open(png);
    ASSERT_EQ(host.boxes_shown().size(), 2u);
    EXPECT_EQ(host.boxes_shown()[0], question);
    EXPECT_EQ(host.boxes_shown()[1].caption, "Komunikat");
    EXPECT_EQ(gr_filename(), dir.file("card_logo.bmp"));
    EXPECT_EQ(Gr_xmax, 48);
}

TEST_F(ConvertOffer, AWidthOverTheLimitIsKeptAsTypedAndOkRefusedNamingTheLimit) {
    struct Case {
        int protocol;
        std::vector<std::string> typed;  // the last one is taken
        int width;
    };
    const Case cases[] = {
        {0, {"900", "640"}, 640},   {1, {"500", "384 pikseli"}, 384},
        {0, {"12a", " 96px "}, 96}, {0, {"-5", "0"}, 24},
        {0, {"641", ""}, 24},       {0, {"6400000000000", "dopasuj"}, 24},
    };
    for (const Case& c : cases) {
        set_sel(gComb_Protocol, c.protocol);
        change_protocol();
        const int limit = c.protocol == 0 ? 640 : 384;
        std::filesystem::remove(dir.file("card_logo.bmp"));
        host.clear();
        auto turns = std::make_shared<Turns>(Turns{c.typed, {}, {}});
        host.convert_with([turns](ConvertSession& s) { return (*turns)(s); });
        open(copy("card_rgb.png", "card.png"));
        std::filesystem::remove(dir.file("card.png"));
        // The refused text is still in the box when the user comes back to it.
        ASSERT_EQ(turns->shown.size(), 2u) << c.typed[0];
        EXPECT_EQ(turns->shown[1], c.typed[0]);
        // ... over the result as it was (the fit), never one made at a prefix's width.
        EXPECT_EQ(turns->result_widths[1], 24) << c.typed[0];
        ASSERT_EQ(host.boxes_shown().size(), 2u) << c.typed[0];
        EXPECT_EQ(
            host.boxes_shown()[0],
            (Box{"Błąd!", "Wpisz szerokość od 1 do " + std::to_string(limit) + " pikseli albo „dopasuj”.",
                 Icon::Warning}));
        EXPECT_EQ(Gr_xmax, c.width) << c.typed[0];
    }
}

TEST_F(ConvertOffer, AFolderThatCannotBeWrittenSendsTheLogoToTheStartDirectory) {
    std::filesystem::create_directories(dir.file("shop/card_logo.bmp.part"));  // nothing can be made there
    std::filesystem::copy_file(card("card_rgb.png"), dir.file("shop/card.png"));
    accept_with();
    open(dir.file("shop/card.png"));
    EXPECT_EQ(gr_filename(), dir.file("card_logo.bmp"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("card_logo.bmp")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("shop/card_logo.bmp")));
}

TEST_F(ConvertOffer, DamagedOrOverLargePicturesAreRefusedWithoutTheDialog) {
    write_file(dir.file("mono.bmp"), bmp_1bit(100, 20, [](int x, int) { return x < 50; }));
    open(dir.file("mono.bmp"));
    accept_with();
    struct Case {
        std::string file;
        std::string text;
    };
    write_file(
        dir.file("huge.png"),
        std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x4e\x21\0\0\0\x01\x08\x02\0\0\0\0\0\0\0", 33));
    const Case cases[] = {
        {card("card_cut.png"), "Plik obrazu jest uszkodzony i nie można go odczytać."},
        {card("card_rle8.bmp"),
         "Bitmapy skompresowane (RLE) nie są obsługiwane. Zapisz obraz bez kompresji albo jako PNG."},
        {dir.file("huge.png"),
         "Obraz jest za duży (20001 x 1 pikseli). Największy obsługiwany obraz ma 100 megapikseli "
         "i najwyżej 20000 pikseli w każdym kierunku."},
    };
    for (const Case& c : cases) {
        host.clear();
        open(c.file);
        EXPECT_EQ(dialogs(), 0u) << c.file;
        EXPECT_EQ(host.boxes_shown(), (std::vector<Box>{{"Błąd!", c.text, Icon::Warning}})) << c.file;
        // Forgotten as a refused file is.
        EXPECT_EQ(gr_filename(), "") << c.file;
        EXPECT_FALSE(PaintBMP) << c.file;
        EXPECT_EQ(text(gEdit_File), "") << c.file;
        EXPECT_FALSE(enabled(gButt_Send)) << c.file;
    }
    std::size_t files = 0;
    for (const auto& f : std::filesystem::directory_iterator(dir.path()))
        files += f.path().extension() == ".bmp";
    EXPECT_EQ(files, 1u);  // mono.bmp alone: no logo was written
}

// A file that is no picture is told so in words that name the formats, not BMP alone;
// one that says it is a BMP keeps the reader's refusal, which names its fault.
TEST_F(ConvertOffer, AFileThatIsNoPictureIsToldWhatItIsNot) {
    accept_with();
    const std::string not_a_picture =
        "Plik nie jest obrazem w obsługiwanym formacie (PNG, JPEG, GIF, BMP, TGA, PPM/PGM).";
    const std::pair<std::string, std::string> cases[] = {
        {"notes.txt", not_a_picture},
        {"photo.png", not_a_picture},
        {"junk.bmp", not_a_picture},
        {"odd_header.bmp", "Nieobsługiwany nagłówek bitmapy BMP !!!\n"},
        // One dot, whatever its kind, would clear the slot: no dialog, which offers only a width.
        {"dot.bmp",
         "Bitmapa 1 x 1 piksel oznacza wyczyszczenie slotu !!!\nWybierz większy obraz albo użyj "
         "\"Wyczyść\".\n"},
    };
    write_file(dir.file("dot.bmp"), bmp_24bit(1, 1));
    write_file(dir.file("notes.txt"), "To nie jest obraz, tylko tekst.\n");
    write_file(dir.file("photo.png"), "To nie jest obraz, tylko tekst.\n");
    write_file(dir.file("junk.bmp"), std::string(100, 'x'));
    write_file(dir.file("odd_header.bmp"), "BM" + std::string(12, '\0') + "\x14" + std::string(80, '\0'));
    for (const auto& [name, text] : cases) {
        host.clear();
        open(dir.file(name));
        EXPECT_EQ(dialogs(), 0u) << name;
        EXPECT_EQ(host.boxes_shown(), (std::vector<Box>{{"Błąd!", text, Icon::Warning}})) << name;
        EXPECT_EQ(gr_filename(), "") << name;
    }
}

// The console tool shows no dialog: a picture the reader refuses is refused as before.
TEST_F(ConvertOffer, AFaceWithoutTheDialogKeepsTheReadersRefusal) {
    write_file(dir.file("wide.bmp"), bmp_24bit(800, 100));
    open(dir.file("wide.bmp"));
    EXPECT_EQ(dialogs(), 0u);
    EXPECT_EQ(host.boxes_shown(),
              (std::vector<Box>{{"Błąd!",
                                 "Za duża szerokość !!! Maksymalna szerokość to 640 pikseli !\n"
                                 "Bitmapa musi być monochromatyczna !!!\n",
                                 Icon::Warning}}));
    EXPECT_EQ(gr_filename(), "");
}

TEST(ConvertSessionRules, TheLevelControlsFollowTheMethod) {
    ConvertSession s;
    std::string error;
    ASSERT_TRUE(s.open(card("card_rgb.png"), 384, error)) << error;
    EXPECT_EQ(s.options.limit, 384);
    EXPECT_EQ(s.options.width, 0);
    EXPECT_EQ(s.options.dither, logo::Dither::FloydSteinberg);
    EXPECT_EQ(s.width_max(), 384);
    ASSERT_TRUE(s.update());
    EXPECT_FALSE(s.level_applies());
    EXPECT_FALSE(s.level_slider_enabled());
    EXPECT_EQ(s.result_text(), "Wynik: 24 x 16 pikseli");

    s.options.dither = logo::Dither::Threshold;
    ASSERT_TRUE(s.update());
    EXPECT_TRUE(s.level_applies());
    EXPECT_FALSE(s.level_slider_enabled());  // automatic
    EXPECT_EQ(s.slider_level(), s.logo().level);
    EXPECT_EQ(s.result_text(),
              "Wynik: 24 x 16 pikseli, próg " + std::to_string(s.logo().level) + " (automatyczny)");

    s.options.level = 30;
    s.options.width = 48;
    ASSERT_TRUE(s.update());
    EXPECT_TRUE(s.level_slider_enabled());
    EXPECT_EQ(s.slider_level(), 30);
    EXPECT_EQ(s.result_text(), "Wynik: 48 x 32 pikseli, próg 30");
    EXPECT_EQ(s.shown_source().channels, 4);
    EXPECT_EQ(s.shown_source().width, 24);
}

TEST(ConvertSessionRules, OpenFileDialogOffersEveryPictureFirstThenBitmaps) {
    EXPECT_EQ(picture_file_filters(),
              (std::vector<std::string>{"Obrazy (*.png *.jpg *.jpeg *.gif *.bmp *.tga *.pnm *.ppm *.pgm)",
                                        "Bitmapy (*.bmp)"}));
}

// The width box as a user types into it: one key at a time ('<' is Backspace, '*' selects
// all, so that the next key replaces the text), Enter before each '*' and at the end. The 24 x 16 card fits
// at 24.
TEST(ConvertSessionRules, AWidthTypedKeyByKeyTakesTheLastText) {
    const struct {
        const char* keys;
        int width;  // of the logo made after Enter
    } cases[] = {
        {"48", 48},       {"48*dopasuj", 24}, {"48<<dopasuj", 24}, {"48<<", 24}, {"48*120 pikseli", 120},
        {"dopasuj*7", 7}, {"48*x", 48},  // no width: the last one stays (and "OK" refuses the text)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        ConvertSession s;
        std::string error;
        ASSERT_TRUE(s.open(card("card_rgb.png"), 384, error)) << error;
        ASSERT_TRUE(s.update());
        std::string box = s.width_text();
        bool selected = true;  // the box's text is selected when the dialog opens
        for (const char* k = c.keys; *k; ++k) {
            if (*k == '*') {
                selected = true;
                continue;
            }
            if (*k == '<')
                box = selected ? "" : box.substr(0, box.size() - 1);
            else
                box = (selected ? "" : box) + *k;
            selected = false;
            s.set_width_text(box);
            if (k[1] == '\0' || k[1] == '*') s.take_typed_width();  // Enter
        }
        EXPECT_EQ(s.width_text(), box);
        EXPECT_EQ(s.logo().width, c.width);
    }
}
