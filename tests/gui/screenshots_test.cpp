// Screenshots of the window for people to look at: at start, in the middle of an upload
// (with and without the trace pane), with the file dialog, with the close question, and
// with a wrong IP address refused. Each is taken from the screen while the state it shows
// is on it. Run on a real X server (scripts/screenshots.sh) they are what a user sees;
// under CTest they run offscreen into the build tree.
#include <QAbstractItemView>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>
#include <filesystem>
#include <memory>

#include "common/globals.h"
#include "gui_test_util.h"
#include "panel_widgets.h"
#include "support/sim_process.h"
#include "ui/Controls.h"

using namespace tv::guitest;
using tv::test::SimProcess;

class ScreenshotsTest : public WindowTest {
    Q_OBJECT

    QString out_;
    std::unique_ptr<SimProcess> sim_;

    // The screen around the window (and a dialog over it), as the screen shows it now.
    bool shoot(const QString& name, QWidget* dialog = nullptr) {
        // Everything painted now, and on the screen.
        QCoreApplication::processEvents();
        window_->repaint();
        if (dialog) dialog->repaint();
        QGuiApplication::sync();
        QRect area = window_->frameGeometry();
        if (dialog) area |= dialog->frameGeometry();
        QScreen* screen = window_->screen();
        area &= screen->geometry();
        const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        return !shot.isNull() && shot.save(out_ + QLatin1Char('/') + name, "PNG");
    }

    // Waits (bounded) until w is shown and painted.
    static bool shown(QWidget* w) {
        if (!QTest::qWaitForWindowExposed(w, 5000)) return false;
        QCoreApplication::processEvents();
        return true;
    }

  private slots:
    void initTestCase() {
        if (SimProcess::binary().empty()) QSKIP("the build has no simulator");
        out_ = qEnvironmentVariable("TV_SHOTS_DIR", QStringLiteral(TV_SCREENSHOT_DIR));
        QVERIFY(QDir().mkpath(out_));
        QVERIFY(open_window_with_logo(400, 240));
        // A printer whose reply to the fourth frame comes late: the upload is held there.
        sim_ = std::make_unique<SimProcess>(std::vector<std::string>{
            "--printer", "--tcp", "0", "--log", dir_->file("requests.log"), "--delay", "4:4000"});
        QVERIFY2(sim_->ok(), sim_->error().c_str());
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    void cleanup() { QVERIFY(wait_for_job()); }

    // The first start: the serial interface, the defaults.
    void atStart() {
        Settings first;  // what a first start shows
        first.timeout = 10;
        first.ip = "10.10.10.10";
        start_with(first);
        QVERIFY(shown(window_.get()));
        QVERIFY(get<QPushButton>("gButt_ComDetect")->isVisible());
        QVERIFY(shoot(QStringLiteral("start.png")));
        // From here on, the simulated printer over Ethernet.
        Settings s;
        s.interface_index = 1;
        s.tcp_port = sim_->port();
        s.timeout = 20;
        start_with(s);
    }

    void fileDialog() {
        bool looked = false;
        user_->before_answering([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog || !shown(dialog)) return;
            // The folder's files are listed on a thread of the dialog's own.
            auto* list = dialog->findChild<QTreeView*>();
            QElapsedTimer t;
            t.start();
            while (list && list->model()->rowCount(list->rootIndex()) < 1 && t.elapsed() < 5000)
                QTest::qWait(10);
            looked = shoot(QStringLiteral("file-dialog.png"), dialog);
        });
        QVERIFY(choose(file("logo.bmp")));
        user_->before_answering(nullptr);
        QVERIFY(looked);
        QVERIFY(get<QPushButton>("gButt_Send")->isEnabled());
    }

    void midJobAndTheCloseQuestion() {
        click(get<QPushButton>("gButt_Send"));
        QTRY_VERIFY_WITH_TIMEOUT(tv::test::read_request_log(dir_->file("requests.log")).size() >= 4, 20000);
        QVERIFY(!get<QPushButton>("gButt_File")->isEnabled());
        QVERIFY(shoot(QStringLiteral("mid-job.png")));
        tv::show(tv::gEdit_Info, true);  // F12: the technicians' trace pane
        QVERIFY(shoot(QStringLiteral("mid-job-trace.png")));
        tv::show(tv::gEdit_Info, false);

        bool looked = false;
        user_->before_answering([&](QWidget* modal) {
            if (qobject_cast<QMessageBox*>(modal) && shown(modal))
                looked = shoot(QStringLiteral("close-question.png"), modal);
        });
        user_->answer_next(QMessageBox::No);
        QVERIFY(!window_->close());
        user_->before_answering(nullptr);
        QVERIFY(looked);
        QCOMPARE(user_->boxes().last().caption, QStringLiteral("UWAGA!"));
        QVERIFY(user_->wait_boxes(2, 30000));  // the upload's own end
    }

    // "Szukaj w sieci" with a printer and a cash register found on loopback addresses.
    void networkScanDialog() {
        SimProcess printer({"--printer", "--listen", "127.0.0.20", "--tcp", "0"});
        SimProcess cash({"--register", "--listen", "127.0.0.30", "--tcp", std::to_string(printer.port())});
        QVERIFY(printer.ok() && cash.ok());
        Settings s;
        s.interface_index = 1;
        s.ip = "127.0.0.20";
        s.tcp_port = printer.port();
        start_with(s);
        bool looked = false;
        user_->before_answering([&](QWidget* modal) {
            if (modal->objectName() != QStringLiteral("rowDialog") || !shown(modal)) return;
            looked = shoot(QStringLiteral("scan-dialog.png"), modal);
            qobject_cast<QDialog*>(modal)->reject();
        });
        click(get<QPushButton>("gButt_ComDetect"));
        QVERIFY(wait_for_job());
        user_->before_answering(nullptr);
        QVERIFY(looked);
    }

    void aWrongAddressIsRefused() {
        auto* ip = get<tv::gui::FieldEdit>("g_IPaddress");
        ip->setFocus();
        ip->selectAll();
        QTest::keyClicks(ip, "300.1.2.3");
        QVERIFY(!ip->marked().isEmpty());
        bool looked = false;
        user_->before_answering([&](QWidget* modal) {
            if (qobject_cast<QMessageBox*>(modal) && shown(modal))
                looked = shoot(QStringLiteral("invalid-ip.png"), modal);
        });
        click(get<QPushButton>("gButt_ComTest"));
        user_->before_answering(nullptr);
        QVERIFY(looked);
        QCOMPARE(user_->boxes().last().caption, QStringLiteral("Błąd"));
        QVERIFY(!tv::bAction);
    }
};

TV_GUI_TEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
