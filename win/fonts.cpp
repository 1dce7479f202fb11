// Model fonts to logical fonts.
#include "fonts.h"

#include "dpi.h"
#include "ui/Controls.h"
#include "win_text.h"

namespace tv::win {

LOGFONTW logical_font(const tv::Font& f, UINT dpi) {
    LOGFONTW lf{};
    lf.lfHeight = scaled(f.height, dpi);  // positive: the cell height
    lf.lfWeight = f.weight;
    lf.lfCharSet = static_cast<BYTE>(f.charset);
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = wide(f.face);
    face.copy(lf.lfFaceName, LF_FACESIZE - 1);
    return lf;
}

FontSet::~FontSet() {
    for (auto& [f, font] : fonts_)
        if (font) DeleteObject(font);
}

HFONT FontSet::get(const tv::Font* f) {
    auto it = fonts_.find(f);
    if (it != fonts_.end()) return it->second;
    HFONT font = nullptr;
    if (f) {
        const LOGFONTW lf = logical_font(*f, dpi_);
        font = CreateFontIndirectW(&lf);
    } else {
        NONCLIENTMETRICSW m{};
        m.cbSize = sizeof m;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
        m.lfMessageFont.lfHeight =
            MulDiv(m.lfMessageFont.lfHeight, static_cast<int>(dpi_), static_cast<int>(window_dpi(nullptr)));
        font = CreateFontIndirectW(&m.lfMessageFont);
    }
    fonts_[f] = font;
    return font;
}

}  // namespace tv::win
