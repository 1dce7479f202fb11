// The window's start-up time and memory: the window is up in under a second from the
// process's start, and stays under 80 MB resident with a 640 x 640 picture loaded.
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <memory>

#include "common/globals.h"
#include "gui_test_util.h"

using namespace tv::guitest;

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

// A line of /proc/self/status in kB ("VmRSS", "VmHWM").
long status_kb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(QByteArray(key) + ':'))
            return line.mid(int(std::strlen(key)) + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Sanitizers multiply memory and time: under them the figures are reported, not judged.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kInstrumented = true;
#else
constexpr bool kInstrumented = false;
#endif

}  // namespace

class FootprintTest : public WindowTest {
    Q_OBJECT

private slots:
    void windowIsUpWithinOneSecond() {
        QVERIFY(open_window(false));  // the window itself is built on the clock
        write_settings(dir_->path(), Settings{});
        QElapsedTimer t;
        t.start();
        window_ = std::make_unique<tv::gui::MainWindow>();
        window_->start(dir_->path());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->grab();  // one full paint
        const qint64 window_ms = t.elapsed();
        const double since_start = seconds_since_process_start();
        qInfo("window built, started and painted in %lld ms; %.2f s since the process started",
              window_ms, since_start);
        QVERIFY(since_start >= 0);
        if (kInstrumented) QSKIP("sanitizer build: start-up time reported only");
        QVERIFY(since_start < 1.0);
    }

    void staysUnder80MegabytesWithA640Picture() {
        const QString pic = file("pic640.bmp");
        write_logo_bmp(pic, 640, 640);
        QVERIFY(choose(pic));
        QCOMPARE(int(tv::Gr_xmax), 640);
        QVERIFY(tv::PaintBMP);
        for (int i = 0; i < 5; ++i) window_->grab();  // paint the preview a few times
        QTest::qWait(50);
        const long rss = status_kb("VmRSS");
        const long peak = status_kb("VmHWM");
        qInfo("resident with a 640 x 640 picture: %ld kB now, %ld kB at the peak", rss, peak);
        QVERIFY(rss > 0);
        if (kInstrumented) QSKIP("sanitizer build: memory reported only");
        QVERIFY(peak < 80 * 1024);
    }

    void cleanupTestCase() { window_.reset(); }
};

TV_GUI_TEST_MAIN(FootprintTest)
#include "footprint_test.moc"
