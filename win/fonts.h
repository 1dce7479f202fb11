// The panel model's fonts as the system's logical fonts, made for one pixel density.
#pragma once
#include <windows.h>

#include <map>

namespace tv {
struct Font;
}

namespace tv::win {

// The model's font as a logical font: the height is the cell height (em and internal
// leading, as the model gives it), the weight and character set the model's.
LOGFONTW logical_font(const tv::Font& f, UINT dpi);

// The fonts of one window at one density, made on first use and deleted with the set (a
// window that moves to another density makes a new set, gives its controls the new fonts,
// then lets the old set go).
class FontSet {
  public:
    explicit FontSet(UINT dpi) : dpi_(dpi) {}
    ~FontSet();
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;

    // nullptr: the system's font for dialogs.
    HFONT get(const tv::Font* f);
    UINT dpi() const { return dpi_; }

  private:
    UINT dpi_;
    std::map<const tv::Font*, HFONT> fonts_;
};

}  // namespace tv::win
