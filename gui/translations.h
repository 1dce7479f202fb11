// Qt's own texts (standard buttons, the file dialog) in Polish, like the rest of the tool.
#pragma once

class QCoreApplication;

namespace tv::gui {

// Loads Qt's Polish translations from Qt's translations folder into app and makes Polish
// the default locale. False when they are not installed (Qt's texts then stay English).
bool install_polish_translations(QCoreApplication& app);

}  // namespace tv::gui
