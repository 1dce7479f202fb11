// tarvix-vizaze: the window. Starts the application in the current directory, shows the
// panel and runs the event loop; closing the window saves the settings.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QWindow>

#include <cstdlib>

#include "app/shell.h"
#include "common/globals.h"
#include "icon.h"
#include "main_window.h"
#include "qt_host.h"
#include "translations.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tv::gui::install_polish_translations(app);
    QApplication::setWindowIcon(tv::gui::thd_icon());

    int rc = 0;
    {
        tv::gui::MainWindow window;
        window.start(QDir::toNativeSeparators(QDir::currentPath()).toStdString());
        window.show();
        if (!window.windowHandle() || !window.isVisible()) {
            QMessageBox::warning(nullptr, QString::fromUtf8(tv::WINDOW_FAILED_CAPTION),
                                 QString::fromUtf8(tv::WINDOW_FAILED_TEXT));
            return 0;
        }
        rc = QApplication::exec();
        // The window closes while a job runs only when that job did not stop in its time;
        // from here on its host calls find no window and get the default answers.
        tv::gui::QtHost::instance().detach(&window);
    }
    // Ask a job still running to end after its current exchange, and give it a moment to
    // close the link. One that does not end in time must not run on while the program's
    // objects are destroyed: leave at once then.
    tv::job_abort = true;
    tv::Stoper = true;
    if (!tv::wait_for_worker_for(3000)) std::_Exit(rc);
    return rc;
}
