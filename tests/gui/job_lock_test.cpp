// A job, held at its first frame by a slow simulator, while the test looks at every widget:
// nothing a user could press is enabled, nothing comes back during the job, and afterwards
// the keyboard focus is on the button that started it. (Every kind of job: tests/jobs.)
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <filesystem>
#include <memory>

#include "common/globals.h"
#include "gui_test_util.h"
#include "support/device_end.h"
#include "support/sim_process.h"
#include "ui/Controls.h"
#include "ui/panel_layout.h"

using namespace tv::guitest;
using tv::test::SimProcess;

namespace {

// Notes every job control that becomes enabled while a job runs.
class EnableWatch : public QObject {
  public:
    EnableWatch(const QList<QWidget*>& watched, const QWidget* exempt) : exempt_(exempt) {
        for (QWidget* w : watched) w->installEventFilter(this);
    }
    QStringList woke;

  protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        auto* w = qobject_cast<QWidget*>(o);
        if (e->type() == QEvent::EnabledChange && w && w != exempt_ && w->isEnabled() && tv::bAction)
            woke << w->objectName();
        return false;
    }

  private:
    const QWidget* exempt_;
};

}  // namespace

class JobLockTest : public WindowTest {
    Q_OBJECT

    // The controls a user acts on: every Tab stop, and the file box.
    QList<QWidget*> job_widgets() const {
        QList<QWidget*> l;
        for (tv::Control* c : tv::tab_order()) l << window_->widget(c->handle);
        l << window_->widget("gEdit_File");
        return l;
    }

    // The focus is on no control that could start anything.
    bool focus_is_harmless() const {
        QWidget* f = QApplication::focusWidget();
        return !f || !job_widgets().contains(f) || !f->isEnabled();
    }

  private slots:
    void initTestCase() {
        if (SimProcess::binary().empty()) QSKIP("the build has no simulator");
        QVERIFY(open_window_with_logo(200, 96));
    }

    void init() {
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    void cleanup() {
        QVERIFY(wait_for_job());
        QVERIFY(wait_for_check());
    }

    void everyJobKeepsThePanelLocked_data() {
        QTest::addColumn<bool>("registers");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("picture");
        // Which controls each kind of job locks is the core's table (tests/jobs); here one
        // job started from the keyboard shows that the widgets follow it.
        QTest::newRow("register: send") << true << "gButt_Send" << true;
    }

    void everyJobKeepsThePanelLocked() {
        QFETCH(bool, registers);
        QFETCH(QString, button);
        QFETCH(bool, picture);
        const std::string log = dir_->file("requests.log");
        std::filesystem::remove(log);
        // The first reply is held back until the simulator is stopped.
        SimProcess sim(
            {registers ? "--register" : "--printer", "--tcp", "0", "--log", log, "--delay", "1:120000"});
        QVERIFY2(sim.ok(), sim.error().c_str());
        Settings s;
        s.interface_index = 1;
        s.protocol = registers ? 2 : 0;
        s.tcp_port = sim.port();
        s.timeout = 60;
        start_with(s);
        if (picture) QVERIFY(choose(file("logo.bmp")));

        auto* start = get<QPushButton>(button.toUtf8().constData());
        QVERIFY(start->isEnabled());
        EnableWatch watch(job_widgets(), nullptr);
        // A technician's keyboard press.
        start->setFocus();
        QTest::keyClick(start, Qt::Key_Space);
        QVERIFY(tv::bAction);
        QTRY_VERIFY_WITH_TIMEOUT(!tv::test::read_request_log(log).empty(), 20000);

        for (QWidget* w : job_widgets()) QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(focus_is_harmless());
        QVERIFY(tv::bAction);

        sim.stop();  // the line breaks: the job reports it and ends
        QVERIFY(wait_for_job());
        QVERIFY2(watch.woke.isEmpty(), qPrintable(watch.woke.join(QLatin1Char(' '))));
        QVERIFY(!tv::bAction);
        QVERIFY(start->isEnabled());
        focus_lands_on(start);
        QCOMPARE(get<QPushButton>("gButt_Rep")->isEnabled(), !registers);
    }

    void theScanLeavesOnlyItsStopButton() {
        // COM1 is a silent pseudo-terminal: the scan waits there on every speed.
        tv::test::PtyDevice silent;
        std::filesystem::create_directories(dir_->file("ports"));
        std::filesystem::remove(dir_->file("ports/com1"));
        std::filesystem::create_symlink(silent.slave_path(), dir_->file("ports/com1"));
        start_with(Settings{});
        auto* detect = get<QPushButton>("gButt_ComDetect");
        EnableWatch watch(job_widgets(), detect);
        detect->setFocus();
        QTest::keyClick(detect, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(tv::text(tv::gEdit_Info).find("COM1 = ") != std::string::npos, 20000);

        for (QWidget* w : job_widgets())
            QVERIFY2(w->isEnabled() == (w == detect), qPrintable(w->objectName()));
        QCOMPARE(detect->text(), QStringLiteral("Zatrzymaj"));
        QCOMPARE(QApplication::focusWidget(), detect);  // the key that stops the scan

        detect->click();  // stop; a click that does not move the focus
        QVERIFY(user_->wait_boxes(1));
        QVERIFY(wait_for_job());
        QVERIFY2(watch.woke.isEmpty(), qPrintable(watch.woke.join(QLatin1Char(' '))));
        QCOMPARE(detect->text(), QStringLiteral("Szukaj połączenia"));
        focus_lands_on(detect);
    }

    void theFileDialogGivesTheFocusBack() {
        start_with(Settings{});
        auto* open = get<QPushButton>("gButt_File");
        open->setFocus();
        user_->choose_next(file("logo.bmp"));
        QTest::keyClick(open, Qt::Key_Space);
        QVERIFY(wait_for_check());
        QCOMPARE(user_->dialogs().size(), 1);
        focus_lands_on(open);
        QVERIFY(get<QPushButton>("gButt_Send")->isEnabled());
    }
};

TV_GUI_TEST_MAIN(JobLockTest)
#include "job_lock_test.moc"
