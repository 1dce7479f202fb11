// How soon the window is up: builds, starts, shows and paints the main window on Qt's
// offscreen platform (unless QT_QPA_PLATFORM says otherwise) in a fresh start-up folder,
// and prints the time that took and the time since the process started. The first Qt
// process on a machine also builds the font cache; run it twice to see both figures.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#include "main_window.h"

namespace {

// Seconds since this process started (from /proc, 10 ms resolution).
double seconds_since_process_start() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly)) return -1;
    const QByteArray s = stat.readAll();
    // Field 22 (starttime) counts from the closing parenthesis of the command name.
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    const double started = fields.value(19).toDouble() / double(sysconf(_SC_CLK_TCK));
    const double now = uptime.readAll().split(' ').value(0).toDouble();
    return now - started;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;

    QElapsedTimer t;
    t.start();
    tv::gui::MainWindow window;
    window.start(QDir::toNativeSeparators(dir.path()).toStdString());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window did not appear\n");
        return 1;
    }
    window.grab();  // one full paint
    const qint64 window_ms = t.elapsed();
    std::printf("window built, started and painted in %lld ms; %.2f s since the process started\n",
                static_cast<long long>(window_ms), seconds_since_process_start());
    return 0;
}
