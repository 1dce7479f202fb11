// Jobs started from the window: detection with its stop button, the connection test, and
// whole programming jobs against the device simulator, with every box answered by the
// test as a user would.
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <filesystem>
#include <memory>

#include "common/globals.h"
#include "gui_test_util.h"
#include "support/device_end.h"
#include "support/sim_process.h"
#include "ui/Controls.h"

using namespace tv::guitest;
using tv::test::SimProcess;

class JobsTest : public WindowTest {
    Q_OBJECT

    // A simulated printer over TCP on 127.0.0.1, with the window set up to reach it.
    std::unique_ptr<SimProcess> printer_sim(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--printer", "--tcp", "0", "--store", dir_->file("store")};
        args.insert(args.end(), extra.begin(), extra.end());
        auto sim = std::make_unique<SimProcess>(args);
        if (sim->ok()) {
            Settings s;
            s.interface_index = 1;
            s.ip = "127.0.0.1";
            s.tcp_port = sim->port();
            start_with(s);
        }
        return sim;
    }

  private slots:
    void initTestCase() {
        if (SimProcess::binary().empty()) QSKIP("the build has no simulator");
        QVERIFY(open_window_with_logo(200, 96));
    }

    void cleanup() {
        QVERIFY(wait_for_job());
        QVERIFY(wait_for_check());
    }

    void detectionStopsAtTheSecondPress() {
        // COM1 is a silent pseudo-terminal: each attempt there waits out its time-out, so
        // the scan is still on its first port when the stop comes.
        tv::test::PtyDevice silent;
        std::filesystem::create_directories(dir_->file("ports"));
        std::filesystem::remove(dir_->file("ports/com1"));
        std::filesystem::create_symlink(silent.slave_path(), dir_->file("ports/com1"));
        Settings s;
        s.timeout = 4;
        start_with(s);

        auto* detect = get<QPushButton>("gButt_ComDetect");
        click(detect);
        QVERIFY(tv::bAction);
        QCOMPARE(detect->text(), QStringLiteral("Zatrzymaj"));
        QVERIFY(detect->isEnabled());
        for (const char* h : {"gButt_ComTest", "gButt_File", "gButt_Send", "gButt_Clear", "gButt_Set",
                              "gButt_Rep", "gComb_COM", "gComb_Protocol", "gCheck_Print"})
            QVERIFY2(!window_->widget(h)->isEnabled(), h);

        click(detect);
        QVERIFY(!detect->isEnabled());
        QVERIFY(user_->wait_boxes(1));
        QVERIFY(wait_for_job());
        const SeenBox& box = user_->boxes().at(0);
        QCOMPARE(box.caption, QStringLiteral("Komunikat"));
        QCOMPARE(box.text, QStringLiteral("Zatrzymano proces detekcji połączenia!"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(user_->boxes().size(), 1);

        QVERIFY(!tv::bAction);
        QCOMPARE(detect->text(), QStringLiteral("Szukaj połączenia"));
        QVERIFY(detect->isEnabled());
        QVERIFY(get<QPushButton>("gButt_ComTest")->isEnabled());
        QCOMPARE(get<QProgressBar>("g_ProgressBar")->value(), 0);
        // The scan stopped on its first port, and the time-out is the user's again.
        const QString trace = get<QPlainTextEdit>("gEdit_Info")->toPlainText();
        QVERIFY2(trace.contains(QStringLiteral("COM1 = ")), qPrintable(trace));
        QVERIFY2(!trace.contains(QStringLiteral("COM3 = ")), qPrintable(trace));
        QCOMPARE(tv::RCV_TIMEOUT.load(), 4);
    }

    // "Szukaj w sieci": a printer and a cash register at two loopback addresses on one port
    // are listed in the dialog; the row chosen fills the address, the port and the protocol.
    void networkScanListsTheDevicesAndTheChosenOneFillsThePanel() {
        SimProcess printer({"--printer", "--name", "ZAPLECZE", "--listen", "127.0.0.20", "--tcp", "0"});
        QVERIFY2(printer.ok(), printer.error().c_str());
        const QString port = QString::number(printer.port());
        SimProcess cash(
            {"--register", "--model", "11", "--listen", "127.0.0.30", "--tcp", port.toStdString()});
        QVERIFY2(cash.ok(), cash.error().c_str());
        Settings s;
        s.interface_index = 1;
        s.ip = "127.0.0.20";
        s.tcp_port = printer.port();
        start_with(s);
        auto* detect = get<QPushButton>("gButt_ComDetect");
        QVERIFY(detect->isVisible());
        QCOMPARE(detect->text(), QStringLiteral("Szukaj w sieci"));

        QStringList shown;
        user_->before_answering([&](QWidget* modal) {
            auto* rows = modal->findChild<QTableWidget*>("rows");
            if (!rows) return;
            for (int r = 0; r < rows->rowCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < rows->columnCount(); ++c) cells << rows->item(r, c)->text();
                shown << cells.join(QStringLiteral(" | "));
            }
            rows->selectRow(1);
            qobject_cast<QDialog*>(modal)->accept();
        });
        click(detect);
        QVERIFY(user_->wait_boxes(1, 30000));
        QVERIFY(wait_for_job());
        user_->before_answering({});
        QCOMPARE(shown, (QStringList{"127.0.0.20 | " + port + " | drukarka fiskalna | ZAPLECZE | 1.00",
                                     "127.0.0.30 | " + port + " | kasa fiskalna | TORMA DT EJ | 4.01"}));
        QCOMPARE(user_->boxes().at(0).text,
                 "Wykryto połączenie z kasą fiskalną\nTORMA DT EJ\n127.0.0.30:" + port);
        QCOMPARE(get<QLineEdit>("g_IPaddress")->text(), QStringLiteral("127.0.0.30"));
        QCOMPARE(get<QComboBox>("gComb_Protocol")->currentIndex(), 1);
        QCOMPARE(detect->text(), QStringLiteral("Szukaj w sieci"));
    }

    void connectionTestReadsTheIdentity() {
        auto sim = printer_sim({"--name", "Drukarka Łódź"});
        QVERIFY2(sim->ok(), sim->error().c_str());
        click(get<QPushButton>("gButt_ComTest"));
        QVERIFY(user_->wait_boxes(1));
        QVERIFY(wait_for_job());
        const SeenBox& box = user_->boxes().at(0);
        QCOMPARE(box.caption, QStringLiteral("Komunikat"));
        QCOMPARE(box.text, QStringLiteral("Test połączenia zakończony sukcesem!\n"
                                          "Możliwa komunikacja z drukarką fiskalną\n"
                                          "Drukarka Łódź"));
        QCOMPARE(box.icon, QMessageBox::Information);
        // The worker replaced the trace pane's text before it appended the exchange.
        const QString trace = get<QPlainTextEdit>("gEdit_Info")->toPlainText();
        QVERIFY2(trace.startsWith(QStringLiteral("Connection test...\nPlease wait.\n\n")), qPrintable(trace));
        QVERIFY(trace.contains(QStringLiteral("Drukarka Łódź")));
        QVERIFY(!tv::bAction);
    }

    void programmingJobRunsToTheSuccessBox() {
        auto sim = printer_sim();
        QVERIFY2(sim->ok(), sim->error().c_str());
        QVERIFY(choose(file("logo.bmp")));
        QVERIFY(pick(get<QComboBox>("gComb_Slot"), 1));  // slot 2
        auto* send = get<QPushButton>("gButt_Send");
        QVERIFY(send->isEnabled());

        std::vector<int> bar;
        connect(get<QProgressBar>("g_ProgressBar"), &QProgressBar::valueChanged, this,
                [&bar](int v) { bar.push_back(v); });
        user_->answer_next(QMessageBox::Ok);
        click(send);
        QVERIFY(tv::bAction);
        QVERIFY(!send->isEnabled());
        QVERIFY(!get<QPushButton>("gButt_File")->isEnabled());
        QVERIFY(user_->wait_boxes(1, 20000));
        QVERIFY(wait_for_job());
        disconnect(get<QProgressBar>("g_ProgressBar"), nullptr, this, nullptr);

        const SeenBox& box = user_->boxes().at(0);
        QCOMPARE(box.caption, QStringLiteral("Komunikat"));
        QCOMPARE(box.text, QStringLiteral("Grafika została poprawnie zaprogramowana!"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(user_->boxes().size(), 1);
        // The bar climbed line by line, reached 100 and went back to 0.
        QVERIFY(bar.size() >= 3);
        QCOMPARE(bar.back(), 0);
        QCOMPARE(bar[bar.size() - 2], 100);
        for (std::size_t i = 1; i + 1 < bar.size(); ++i) QVERIFY(bar[i] >= bar[i - 1]);
        // The controls are back and the device holds the picture in slot 2, dot for dot.
        QVERIFY(send->isEnabled());
        QVERIFY(get<QPushButton>("gButt_File")->isEnabled());
        QImage sent(file("logo.bmp"));
        QImage stored(QString::fromStdString(dir_->file("store/slot2.pbm")));
        QVERIFY(!stored.isNull());
        QCOMPARE(stored.size(), sent.size());
        for (int y = 0; y < sent.height(); ++y)
            for (int x = 0; x < sent.width(); ++x)
                QVERIFY2((qGray(sent.pixel(x, y)) < 128) == (qGray(stored.pixel(x, y)) < 128),
                         qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
    }

    void aDeviceErrorEndsTheJobWithItsBox() {
        auto sim = printer_sim({"--fail", "2:3251"});
        QVERIFY2(sim->ok(), sim->error().c_str());
        QVERIFY(choose(file("logo.bmp")));
        click(get<QPushButton>("gButt_Send"));
        QVERIFY(user_->wait_boxes(1, 20000));
        QVERIFY(wait_for_job());
        QCOMPARE(user_->boxes().size(), 1);  // no success box after the error
        const SeenBox& box = user_->boxes().at(0);
        QCOMPARE(box.caption, QStringLiteral("UWAGA!"));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QVERIFY2(box.text.startsWith(QStringLiteral("Wystąpił błąd podczas modyfikowania grafiki nr 1.")),
                 qPrintable(box.text));
        QVERIFY(box.text.contains(QStringLiteral("BŁĄD : 3251")));
        QVERIFY(get<QPushButton>("gButt_Send")->isEnabled());
        QVERIFY(!tv::bAction);
    }
};

TV_GUI_TEST_MAIN(JobsTest)
#include "jobs_test.moc"
