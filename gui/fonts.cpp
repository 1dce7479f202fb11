// Model fonts to QFonts.
#include "fonts.h"

#include <QFontInfo>
#include <QStringList>
#include <cmath>
#include <cstring>

#include "ui/Controls.h"

namespace tv::gui {

QFont qfont(const tv::Font& f) {
    QFont q;
    const bool terminal = std::strcmp(f.face, "Terminal") == 0;
    if (terminal) {
        // A raster face with no internal leading: the cell height is the pixel size.
        q.setFamilies({QStringLiteral("Terminal"), QStringLiteral("DejaVu Sans Mono"),
                       QStringLiteral("Liberation Mono"), QStringLiteral("Noto Sans Mono"),
                       QStringLiteral("Monospace")});
        q.setStyleHint(QFont::TypeWriter);
        q.setFixedPitch(true);
        q.setPixelSize(f.height);
    } else {
        // Tahoma's cell is 2472/2048 of its em: a cell of 16 pixels is a 13-pixel em. The
        // stand-in faces run wider than Tahoma, so they get three quarters of the cell, which
        // keeps every text of the panel inside its control.
        q.setFamilies({QString::fromUtf8(f.face), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                       QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                       QStringLiteral("DejaVu Sans")});
        q.setStyleHint(QFont::SansSerif);
        q.setPixelSize(static_cast<int>(std::lround(f.height * 2048.0 / 2472.0)));
        if (QFontInfo(q).family().compare(QString::fromUtf8(f.face), Qt::CaseInsensitive) != 0)
            q.setPixelSize(static_cast<int>(std::lround(f.height * 0.75)));
    }
    q.setWeight(static_cast<QFont::Weight>(f.weight));
    return q;
}

}  // namespace tv::gui
