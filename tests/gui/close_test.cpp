// Closing the window while an upload runs: the question as a Polish Yes/No box, and "Tak"
// that stops the upload at the next frame, cancels it on the printer, closes the link and
// then the window. (The question's text and "Nie": the core's tests, tests/app.)
#include <QElapsedTimer>
#include <QPushButton>
#include <QSet>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/shell.h"
#include "codecs/printer/Fpos.h"
#include "common/globals.h"
#include "gui_test_util.h"
#include "support/sim_process.h"

using namespace tv::guitest;
using tv::test::SimProcess;

namespace {

// A 400 x 240 picture is 12000 bytes: the cancel line and 24 lines of 512 bytes.
constexpr int kLines = 25;

}  // namespace

class CloseTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<SimProcess> sim_;
    std::string log_;

    std::vector<std::string> frames() const { return tv::test::read_request_log(log_); }
    static std::string cancel() { return tv::tarv_frame("prncancel\t"); }

    // A printer whose reply to the first graphic line comes 1.5 s late, and an upload to
    // it started and held at that line.
    bool start_held_upload(const char* name) {
        log_ = dir_->file(name);
        sim_ = std::make_unique<SimProcess>(
            std::vector<std::string>{"--printer", "--tcp", "0", "--log", log_, "--delay", "2:1500"});
        if (!sim_->ok()) return false;
        Settings s;
        s.interface_index = 1;
        s.tcp_port = sim_->port();
        s.timeout = 20;
        start_with(s);
        if (!choose(file("logo.bmp"))) return false;
        click(get<QPushButton>("gButt_Send"));
        QElapsedTimer t;
        t.start();
        while (frames().size() < 2 && t.elapsed() < 20000) QTest::qWait(5);
        return frames().size() == 2 && tv::bAction;
    }

    void check_question(const SeenBox& box) {
        QCOMPARE(box.caption, QStringLiteral("UWAGA!"));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.default_button, QMessageBox::No);
        QCOMPARE(QSet<QString>(box.button_texts.begin(), box.button_texts.end()),
                 (QSet<QString>{"&Tak", "&Nie"}));
    }

  private slots:
    void initTestCase() {
        if (SimProcess::binary().empty()) QSKIP("the build has no simulator");
        QVERIFY(open_window_with_logo(400, 240));
    }

    // The question and its answers are the core's (tests/app); here what the window adds:
    // it goes once the job it stopped has ended, and saves the settings on the way out.
    // Last: the window goes.
    void answeringYesStopsTheUploadCancelsItAndCloses() {
        QVERIFY(start_held_upload("yes.log"));
        const std::string cfg = dir_->file("settings.cfg");
        std::filesystem::remove(cfg);
        user_->answer_next(QMessageBox::Yes);
        QVERIFY(!window_->close());  // not yet: the job is stopping
        QCOMPARE(user_->boxes().size(), 1);
        check_question(user_->boxes().at(0));
        QVERIFY(tv::job_abort);

        QTRY_VERIFY_WITH_TIMEOUT(!window_->isVisible(), 30000);
        QVERIFY(!tv::job_running());
        QCOMPARE(user_->boxes().size(), 1);  // no box after the question
        // The line under way was answered, then the printer got the cancel and nothing more.
        const auto f = frames();
        QVERIFY2(f.size() >= 3 && int(f.size()) < kLines, qPrintable(QString::number(f.size())));
        QCOMPARE(f.front(), cancel());
        QCOMPARE(f.back(), cancel());
        QCOMPARE(int(std::count(f.begin(), f.end(), cancel())), 2);
        // The link was closed before the window: the simulator takes a new connection.
        auto line = tv::test::RawLine::tcp(sim_->port());
        QVERIFY(line.ok());
        QVERIFY(line.send(tv::tarv_frame("sid\t")));
        QVERIFY(line.read_printer_reply().find("sid") != std::string::npos);
        QVERIFY(std::filesystem::exists(cfg));  // and the settings were saved on the way out
    }
};

TV_GUI_TEST_MAIN(CloseTest)
#include "close_test.moc"
