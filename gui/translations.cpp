// Loading Qt's Polish translations.
#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tv::gui {

bool install_polish_translations(QCoreApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    auto* qtbase = new QTranslator(&app);
    if (!qtbase->load(QStringLiteral("qtbase_pl"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qtbase;
        return false;
    }
    return QCoreApplication::installTranslator(qtbase);
}

}  // namespace tv::gui
