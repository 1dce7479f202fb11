// The conversion dialog's model, the offer made when a chosen picture is not a logo the
// reader takes, and the console tool's conversion.
#include "image/convert_session.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

#include "common/globals.h"
#include "common/paths.h"
#include "image/bmp_check.h"
#include "image/gr_grid.h"
#include "ui/host.h"
#include "ui/panel.h"
#include "ui/trace.h"

namespace tv {
namespace {

std::string size_text(int w, int h) { return std::to_string(w) + " x " + std::to_string(h) + " pikseli"; }

std::string base_name(const std::string& path) {
    const std::size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

void show_error(const std::string& text) { message(text, "Błąd!", Icon::Warning); }

// The file begins with the BMP signature "BM".
bool bmp_signature(const std::string& path) {
    std::ifstream f(fs_path(path), std::ios::binary);
    char sig[2] = {};
    return f.read(sig, 2) && sig[0] == 'B' && sig[1] == 'M';
}

// The width box's text for a width: "dopasuj" for 0, else the number and its unit.
std::string shown_width(int width) {
    return width == 0 ? std::string(convert_text::WIDTH_FIT)
                      : std::to_string(width) + convert_text::WIDTH_UNIT;
}

// The width a box's text names: digits with an optional unit ("pikseli" or "px"), or
// nothing or "dopasuj" for 0; -1 for any other text, or a number above limit.
int typed_width(const std::string& typed, int limit) {
    std::size_t b = typed.find_first_not_of(" \t");
    if (b == std::string::npos) return 0;
    const std::size_t e = typed.find_last_not_of(" \t");
    const std::string t = typed.substr(b, e - b + 1);
    if (t == convert_text::WIDTH_FIT) return 0;
    std::size_t digits = 0;
    long value = 0;
    while (digits < t.size() && t[digits] >= '0' && t[digits] <= '9' && value <= limit)
        value = value * 10 + (t[digits++] - '0');
    if (digits == 0 || value > limit) return -1;
    const std::size_t unit = t.find_first_not_of(" \t", digits);
    if (unit != std::string::npos && t.compare(unit, std::string::npos, "pikseli") != 0 &&
        t.compare(unit, std::string::npos, "px") != 0)
        return -1;
    return static_cast<int>(value);
}

}  // namespace

const std::vector<std::string>& picture_file_filters() {
    static const std::vector<std::string> filters = {
        "Obrazy (*.png *.jpg *.jpeg *.gif *.bmp *.tga *.pnm *.ppm *.pgm)",
        "Bitmapy (*.bmp)",
    };
    return filters;
}

bool ConvertSession::open(const std::string& path, int limit, std::string& error) {
    path_ = path;
    options = logo::Options{};
    options.limit = limit;
    width_text_ = shown_width(0);
    made_width_ = -1;
    maker_.reset();
    picture_ = logo::Picture{};
    logo_ = logo::Logo{};
    std::vector<std::uint8_t> bytes;
    logo::Error e;
    logo::Info info;
    logo::Picture picture;
    if (!logo::read_file(path, bytes, e) || !logo::probe(bytes.data(), bytes.size(), info, e) ||
        !logo::decode(bytes.data(), bytes.size(), picture, e)) {
        error = e.message;
        fault_ = e.fault;
        return false;
    }
    bytes = {};  // the file's bytes go before anything more is made
    try {
        format_ = info.format;
        source_w_ = picture.width;
        source_h_ = picture.height;
        shown_ = logo::preview_copy(picture, SHOWN_SIDE);
        picture_ = std::move(picture);
        maker_ = std::make_unique<logo::Maker>(picture_);
    } catch (const std::bad_alloc&) {
        error = "Za mało pamięci, aby zamienić ten obraz.";
        fault_ = logo::Fault::NoMemory;
        return false;
    }
    return true;
}

std::string ConvertSession::source_text() const {
    return base_name(path_) + " – " + format_ + ", " + size_text(source_w_, source_h_);
}

bool ConvertSession::update() {
    logo::Error e;
    if (!maker_) return false;
    made_width_ = options.width;
    if (!maker_->make(options, logo_, e)) {
        error_ = e.message;
        return false;
    }
    error_.clear();
    return true;
}

bool ConvertSession::set_width_text(const std::string& typed) {
    width_text_ = typed;
    const int width = typed_width(typed, options.limit);
    if (width < 0) {
        // A text that is no width ("900" after "90" on the way to it) leaves the result as it
        // was: the width in effect goes back to the one it was made with, never a prefix's.
        if (made_width_ >= 0) options.width = made_width_;
        return false;
    }
    if (width == options.width) return false;
    options.width = width;
    return true;
}

std::string ConvertSession::width_problem() const {
    if (typed_width(width_text_, options.limit) >= 0) return "";
    return "Wpisz szerokość od 1 do " + std::to_string(options.limit) + " pikseli albo „" +
           convert_text::WIDTH_FIT + "”.";
}

void ConvertSession::set_width(int width) {
    options.width = std::clamp(width, 0, options.limit);
    width_text_ = shown_width(options.width);
}

bool ConvertSession::take_typed_width() {
    if (!width_ok() || options.width == made_width_) return false;
    update();
    return true;
}

std::string ConvertSession::status_text() const {
    if (!width_ok()) return width_problem();
    return error_.empty() ? result_text() : error_;
}

std::string ConvertSession::output_path() const { return logo::logo_path(path_, gCurrendDir); }

bool ConvertSession::accept() {
    if (!width_ok()) {
        show_error(width_problem());
        return false;
    }
    const std::string out = output_path();
    std::error_code ec;
    return !std::filesystem::exists(fs_path(out), ec) ||
           message("Plik " + out + " już istnieje.\nCzy zastąpić go nowym logo?", "UWAGA!", Icon::Question,
                   Buttons::YesNo, Answer::No) == Answer::Yes;
}

std::string ConvertSession::result_text() const {
    std::string t = "Wynik: " + size_text(logo_.width, logo_.height);
    if (level_applies()) {
        t += ", próg " + std::to_string(logo_.level);
        if (options.level == logo::AUTO_LEVEL) t += " (automatyczny)";
    }
    return t;
}

int logo_limit() { return PROTOCOL == 2 ? logo::REGISTER_SIDE : logo::PRINTER_SIDE; }

std::string logo_saved_text(const std::string& path, const logo::Logo& logo) {
    return "Logo zapisano w pliku:\n" + path + "\n(" + size_text(logo.width, logo.height) + ")";
}

PictureChoice offer_conversion(const std::string& path, std::string& use) {
    use = path;
    // A BMP the reader takes is used as it is, unless the device would refuse its size (a
    // cash register one over 384 x 384): that one is offered the conversion too.
    GrHeader hdr;
    if (!host().shows_convert_dialog() || (gr_accepts(path, hdr) && device_takes(hdr.W, hdr.H)))
        return PictureChoice::Take;
    ConvertSession session;
    std::string error;
    if (!session.open(path, logo_limit(), error)) {
        // A file that does not open, or that says it is a BMP, gets the reader's own
        // refusal (it names what is wrong with the bitmap); any other file that is no
        // picture is told so by the conversion's message, which names the formats.
        if (session.fault() == logo::Fault::CannotOpen ||
            (session.fault() == logo::Fault::UnknownFormat && bmp_signature(path)))
            return PictureChoice::Take;
        show_error(error);
        return PictureChoice::Drop;
    }
    // A picture of one dot is fitted to a logo of one dot, which would clear the slot; the
    // dialog would only offer a width for it: it gets the reader's refusal of such a bitmap.
    if (session.one_dot()) {
        show_error(gr_one_dot_message());
        return PictureChoice::Drop;
    }
    if (!session.update()) {
        show_error(session.error());
        return PictureChoice::Drop;
    }
    // The dialog closes on "OK" only once the session accepted it (a width, and the user's
    // word on replacing a file).
    if (host().convert_dialog(session) != DialogResult::Accepted) return PictureChoice::Keep;
    if (!session.update()) {
        show_error(session.error());
        return PictureChoice::Keep;
    }
    const std::string out = session.output_path();
    logo::Error e;
    if (!logo::write_file_atomic(out, logo::bmp_bytes(session.logo()), e)) {
        show_error(e.message);
        return PictureChoice::Keep;
    }
    s("\r\nLogo z obrazu : " + path + "\r\n");
    message(logo_saved_text(out, session.logo()), "Komunikat", Icon::Information);
    use = out;
    return PictureChoice::Converted;
}

bool conversion_helps(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    logo::Error error;
    logo::Info info;
    return logo::read_file(path, bytes, error) && logo::probe(bytes.data(), bytes.size(), info, error) &&
           !(info.width == 1 && info.height == 1);
}

bool convert_picture_file(const std::string& in, const std::string& out, const logo::Options& options,
                          logo::Logo* made) {
    std::vector<std::uint8_t> bytes;
    logo::Error e;
    logo::Logo logo;
    if (!logo::read_file(in, bytes, e) || !logo::convert(bytes.data(), bytes.size(), options, logo, e) ||
        !logo::write_file_atomic(out, logo::bmp_bytes(logo), e)) {
        show_error(e.message);
        return false;
    }
    if (made) *made = std::move(logo);
    return true;
}

}  // namespace tv
