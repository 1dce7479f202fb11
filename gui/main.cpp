// tarvix-vizaze: the window. Answers --help and --version before Qt starts; says so in
// words when there is no screen to show it; otherwise starts the application in the
// current directory, shows the panel and runs the event loop; closing the window saves
// the settings.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/shell.h"
#include "app/window_start.h"
#include "common/globals.h"
#include "common/program_args.h"
#include "icon.h"
#include "main_window.h"
#include "qt_host.h"
#include "translations.h"

namespace {

// Qt's messages while the application object is made are held back: when no platform can
// be started (no display, or the display refused), Qt ends with a fatal message and an
// abort; the user gets the program's own message instead, with Qt's lines as details.
// Otherwise the held lines go out as Qt would have printed them.
struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};
std::vector<HeldMessage> g_held;
QtMessageHandler g_qt_handler = nullptr;

void hold_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        g_held.push_back({type, context.category ? context.category : "", text});
        return;
    }
    std::string details;
    for (const HeldMessage& m : g_held) details += m.text.toStdString() + "\n";
    details += text.toStdString();
    std::fputs(tv::window_no_screen_text(details).c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(tv::window_no_screen_exit);
}

void release_messages() {
    qInstallMessageHandler(g_qt_handler);
    for (const HeldMessage& m : g_held)
        qt_message_output(m.type, QMessageLogContext(nullptr, 0, nullptr, m.category.c_str()), m.text);
    g_held.clear();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args = tv::utf8_arguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());  // the program's own name
    const tv::WindowStart start = tv::window_start(args, TV_VERSION);
    if (start.action == tv::WindowStart::Action::Print) {
        tv::use_utf8_console();
        std::fputs(start.text.c_str(), stdout);
        return start.exit_code;
    }

    g_qt_handler = qInstallMessageHandler(hold_message);
    QApplication app(argc, argv);
    release_messages();
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
    if (!tv::join_background_threads(3000)) std::_Exit(rc);
    return rc;
}
