// Choosing a picture that the BMP reader refuses: the conversion dialog's model with its
// texts and rules, what "OK" does (NAME_logo.bmp written and handed on), and the same
// conversion for the console tool. The faces only draw and forward.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "image/convert.h"

namespace tv {

// Texts of the conversion dialog.
namespace convert_text {
inline constexpr char TITLE[] = "Zamiana obrazu na logo";
inline constexpr char SOURCE[] = "Obraz źródłowy";
inline constexpr char RESULT[] = "Wynik – tak wydrukuje urządzenie";
inline constexpr char WIDTH[] = "Szerokość:";
inline constexpr char WIDTH_FIT[] = "dopasuj";  // the width box's value 0
inline constexpr char WIDTH_UNIT[] = " pikseli";
inline constexpr char METHOD[] = "Metoda:";
inline constexpr char LEVEL[] = "Próg:";
inline constexpr char LEVEL_AUTO[] = "automatyczny";
inline constexpr char INVERT[] = "Odwróć (negatyw)";
inline constexpr char ZOOM_FIT[] = "Dopasuj";
inline constexpr char ZOOM_ONE[] = "1:1";
inline constexpr char OK[] = "OK";
inline constexpr char CANCEL[] = "Anuluj";
}  // namespace convert_text

// The filters of the open-file dialog, the first one chosen at the start: every picture
// the window takes (a 1-bit BMP as it is, any other through the conversion), then BMP only.
const std::vector<std::string>& picture_file_filters();

// The conversion dialog's model: the chosen picture, the options the user sets, and the
// logo they give. The face edits `options` and calls update() as the controls move.
class ConvertSession {
  public:
    // Largest side of the source as the dialog shows it.
    static constexpr int SHOWN_SIDE = 1024;

    // Reads and decodes the picture. False with the message when it cannot be used
    // (fault() tells why).
    bool open(const std::string& path, int limit, std::string& error);
    logo::Fault fault() const { return fault_; }

    const std::string& source_path() const { return path_; }
    const logo::Picture& shown_source() const { return shown_; }  // RGBA, at most SHOWN_SIDE
    std::string source_text() const;                              // "logo.png – PNG, 2400 x 800 pikseli"
    bool one_dot() const { return source_w_ == 1 && source_h_ == 1; }  // the source is 1 x 1

    logo::Options options;  // limit set by open(); width 0 and Floyd–Steinberg at first

    // Makes the logo for the current options (only the dithering again when the size did
    // not change). False when memory ran out; the message is in error().
    bool update();
    const logo::Logo& logo() const { return logo_; }
    const std::string& error() const { return error_; }
    std::string result_text() const;  // "Wynik: 640 x 213 pikseli" (and the level used)

    // The width box holds what the user typed, whatever it is: a width from 1 to the limit
    // (digits, "640 pikseli" as shown), or 0, nothing or "dopasuj" to fit. A text that is
    // no such width is kept as typed, marked by the faces, and "OK" refuses it; the result
    // stays the one last made (from a width typed earlier, or the fit).
    // Takes the box's text; true when it set another width (update() is due).
    bool set_width_text(const std::string& typed);
    const std::string& width_text() const { return width_text_; }
    bool width_ok() const { return width_problem().empty(); }
    std::string width_problem() const;  // what is wrong with the text, naming the limit
    // Sets the width itself (the arrows); the box then shows it.
    void set_width(int width);
    // A typed width takes effect once it is complete (Enter, or leaving the box): resampling
    // a large picture for every digit on the way would make typing slow. Makes the logo
    // again when the width is not the one the result was made with; true then. Enter in the
    // width box only does this: the dialog stays open, whatever the width, and "OK" closes it.
    bool take_typed_width();

    // The line under the result: what is wrong (the width typed, a failed conversion) or
    // the result's size.
    std::string status_text() const;

    // "OK" pressed: true when the dialog may close. A width that is no width is refused
    // with a message naming the limit; an existing NAME_logo.bmp is replaced only when the
    // user says so ("Nie" keeps the dialog open with its settings).
    bool accept();
    // Where "OK" writes the logo: NAME_logo.bmp beside the picture, or in the start-up
    // directory when that folder cannot be written.
    std::string output_path() const;

    // The rules of the controls.
    int width_max() const { return options.limit; }  // the width: 0 (fit) .. the limit
    bool level_applies() const { return options.dither == logo::Dither::Threshold; }
    bool level_slider_enabled() const { return level_applies() && options.level != logo::AUTO_LEVEL; }
    // Where the slider stands: the level given, or the one chosen automatically.
    int slider_level() const { return options.level == logo::AUTO_LEVEL ? logo_.level : options.level; }

  private:
    std::string path_;
    std::string width_text_;
    int made_width_ = -1;  // options.width when the logo was last made
    std::string format_;
    int source_w_ = 0;
    int source_h_ = 0;
    logo::Picture picture_;  // the decoded picture, which the maker works from
    logo::Picture shown_;
    std::unique_ptr<logo::Maker> maker_;
    logo::Logo logo_;
    std::string error_;
    logo::Fault fault_ = logo::Fault::None;
};

// The device limit of the protocol selected (640 printers, 384 cash registers).
int logo_limit();

// What "Otwórz" does with the chosen file before the BMP check runs.
enum class PictureChoice {
    Take,       // the file itself (a BMP the reader takes, or one whose refusal it explains)
    Converted,  // the logo written from it (its name in `use`)
    Keep,       // nothing changes: the dialog was cancelled
    Drop,       // the picture cannot be read (shown); forget the chosen file as a refusal does
};
// On a face that shows the conversion dialog, a picture the reader would refuse is opened
// in it; "OK" writes NAME_logo.bmp beside the picture (or in the start-up directory when
// that folder cannot be written), asking before it replaces a file, and says where.
PictureChoice offer_conversion(const std::string& path, std::string& use);

// Whether the conversion can make a logo of the picture at path for the console tool to
// suggest: a picture it reads, of more than one dot (fitted, one dot stays one dot).
bool conversion_helps(const std::string& path);

// The console tool's conversion: the picture at in, converted with options, written to
// out. Failures are shown (box "Błąd!") and leave nothing behind; out is untouched.
bool convert_picture_file(const std::string& in, const std::string& out, const logo::Options& options,
                          logo::Logo* made = nullptr);
// The message that tells where a logo went.
std::string logo_saved_text(const std::string& path, const logo::Logo& logo);

}  // namespace tv
