// The window's memory: it stays under 80 MB resident with a 640 x 640 picture loaded. (How
// soon it is up is a figure of bench/window_startup.cpp, not a check.)
#include <QFile>
#include <cstring>
#include <memory>

#include "common/globals.h"
#include "gui_test_util.h"

using namespace tv::guitest;

namespace {

// A line of /proc/self/status in kB ("VmRSS", "VmHWM").
long status_kb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(QByteArray(key) + ':'))
            return line.mid(int(std::strlen(key)) + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Sanitizers multiply memory: under them the figure is reported, not judged.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kInstrumented = true;
#else
constexpr bool kInstrumented = false;
#endif

}  // namespace

class FootprintTest : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(open_window());
        write_settings(dir_->path(), Settings{});
        window_->start(dir_->path());
    }

    void staysUnder80MegabytesWithA640Picture() {
        const QString pic = file("pic640.bmp");
        write_logo_bmp(pic, 640, 640);
        QVERIFY(choose(pic));
        QCOMPARE(int(tv::Gr_xmax), 640);
        QVERIFY(tv::PaintBMP);
        for (int i = 0; i < 5; ++i) window_->grab();  // paint the preview a few times
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
