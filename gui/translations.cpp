// Loading Qt's Polish translations.
#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tv::gui {

bool install_polish_translations(QCoreApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    auto* qt = new QTranslator(&app);
    // Qt's folder as installed (Debian: qt6-translations-l10n), then the one windeployqt
    // makes beside the program; windeployqt merges the catalogues into "qt_pl".
    const QString folders[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                               QCoreApplication::applicationDirPath() + QStringLiteral("/translations")};
    for (const QString& folder : folders)
        for (const char* name : {"qtbase_pl", "qt_pl"})
            if (qt->load(QLatin1String(name), folder)) return QCoreApplication::installTranslator(qt);
    delete qt;
    return false;
}

}  // namespace tv::gui
