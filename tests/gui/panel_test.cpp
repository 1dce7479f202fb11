// The window and its panel: title and size, every control of the panel model as its kind
// of widget at the model's place with the model's text, items and state; fonts, colours,
// and the way input reaches the core and the core's changes (also from other threads)
// reach the widgets.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <memory>
#include <thread>

#include "common/globals.h"
#include "gui_test_util.h"
#include "ui/Controls.h"
#include "ui/host.h"
#include "ui/panel.h"
#include "ui/trace.h"

using namespace tv::guitest;

namespace {

// The text a widget shows, whatever its kind.
QString shown_text(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->toPlainText();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    return {};
}

// The widget each kind of the model is drawn with: a selector is a list the user cannot
// type in; a group box without a caption a horizontal rule.
bool kind_matches(QWidget* w, const tv::Control& c) {
    switch (c.kind) {
        case tv::Kind::ProgressBar:
            return w->inherits("QProgressBar");
        case tv::Kind::Button:
            return w->inherits("QPushButton");
        case tv::Kind::CheckBox:
            return w->inherits("QCheckBox");
        case tv::Kind::Selector:
            return w->inherits("QComboBox") && !static_cast<QComboBox*>(w)->isEditable();
        case tv::Kind::GroupBox:
            return c.text.empty()
                       ? w->inherits("QFrame") && static_cast<QFrame*>(w)->frameShape() == QFrame::HLine
                       : w->inherits("QGroupBox");
        case tv::Kind::IpAddress:
            return w->inherits("QLineEdit");
        case tv::Kind::Edit:
            return w->inherits(c.style & tv::MultiLine ? "QPlainTextEdit" : "QLineEdit");
        case tv::Kind::Label:
            return w->inherits("QLabel");
    }
    return false;
}

}  // namespace

class PanelTest : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY(open_window()); }

    void cleanupTestCase() {
        window_.reset();
        QVERIFY(!tv::bAction);
    }

    void init() { user_->clear(); }

    void windowIsFixedAndTitled() {
        QCOMPARE(window_->windowTitle(), QStringLiteral("Tarvix Vizaze"));
        // The inner area of a 1024 x 768 window with its frame and title bar.
        QCOMPARE(window_->size(), QSize(1008, 730));
        QCOMPARE(window_->minimumSize(), QSize(1008, 730));
        QCOMPARE(window_->maximumSize(), QSize(1008, 730));
        QVERIFY(!(window_->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window_->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(window_->windowFlags() & Qt::WindowCloseButtonHint);
        const QIcon icon = window_->windowIcon();
        QVERIFY(!icon.isNull());
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    }

    // Before the application starts, every control of the model is a widget of its kind at
    // the model's place, showing the model's text, items and state, in the model's weight.
    void everyControlAtItsPlaceWithItsTextAndFont() {
        for (const tv::Control* c : tv::all_controls()) {
            const tv::Control m = tv::snapshot(c);
            QWidget* w = window_->widget(m.handle);
            QVERIFY2(w, m.handle);
            QVERIFY2(kind_matches(w, m), m.handle);
            const QRect g = w->geometry();
            QCOMPARE(QRect(g.x(), g.y(), g.width(), 0), QRect(m.x, m.y, m.w, 0));
            // A selector's model height is its open list's; closed it is one row high.
            QCOMPARE(g.height(), m.kind == tv::Kind::Selector ? 23 : m.h);
            if (m.kind == tv::Kind::Selector) {
                auto* box = static_cast<QComboBox*>(w);
                QCOMPARE(box->count(), int(m.items.size()));
                for (int i = 0; i < box->count(); ++i)
                    QCOMPARE(box->itemText(i), QString::fromStdString(tv::item(c, i)));
                QCOMPARE(box->currentIndex(), m.selection);
            } else {
                QCOMPARE(shown_text(w).replace('\n', "\r\n"), QString::fromStdString(m.text));
            }
            QVERIFY2(w->isVisibleTo(window_.get()) == m.visible, m.handle);
            QVERIFY2(w->isEnabled() == m.enabled, m.handle);
            if (m.font && m.font->weight >= 600) QCOMPARE(w->font().weight(), QFont::DemiBold);
            if (m.font && m.font->weight < 600) QCOMPARE(w->font().weight(), QFont::Normal);
        }
        QVERIFY(QFontInfo(get<QPlainTextEdit>("gEdit_Info")->font()).fixedPitch());
        const int f1 = get<QLabel>("gStat_File")->font().pixelSize();
        const int f2 = get<QPushButton>("gButt_ComDetect")->font().pixelSize();
        const int f3 = get<QPushButton>("gButt_File")->font().pixelSize();
        QCOMPARE(f1, f2);
        QVERIFY(f3 > f2);
        QVERIFY(f1 >= 11 && f1 <= 14);
        QCOMPARE(get<QPlainTextEdit>("gEdit_Info")->font().pixelSize(), 12);
        // Nothing is ticked and the bar is empty.
        QVERIFY(!get<QCheckBox>("gCheck_Print")->isChecked());
        QVERIFY(!get<QCheckBox>("gCheck_TestPrint")->isChecked());
        QCOMPARE(get<QProgressBar>("g_ProgressBar")->minimum(), 0);
        QCOMPARE(get<QProgressBar>("g_ProgressBar")->maximum(), 100);
        QCOMPARE(get<QProgressBar>("g_ProgressBar")->value(), 0);
    }

    // The panel fills the inner area: nothing outside it, no wide empty band under the
    // progress bar, and the margins right and left of the panel about equal.
    void panelFillsTheClientArea() {
        const QRect area = window_->rect();
        QRect used;
        for (QWidget* w : window_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            QVERIFY2(area.contains(w->geometry()), qPrintable(w->objectName()));
            used |= w->geometry();
        }
        QVERIFY(area.bottom() - used.bottom() <= 10);
        QCOMPARE(used.left(), 15);
        QVERIFY(qAbs((area.right() - used.right()) - used.left()) <= 5);
    }

    void portListScrolls() {
        // The open list of the port selector is a scrolling list, not 99 rows.
        QVERIFY(get<QComboBox>("gComb_COM")->maxVisibleItems() < 20);
    }

    void editsTakeOnlyWhatTheyMayHold() {
        auto* port = get<QLineEdit>("gEdit_PortTCP");
        QCOMPARE(port->maxLength(), 5);
        QVERIFY(port->alignment() & Qt::AlignRight);
        // The address and the port keep every keystroke: nothing is filtered out as typed.
        auto* ip = get<QLineEdit>("g_IPaddress");
        QVERIFY(!ip->validator());
        QVERIFY(!port->validator());
        QVERIFY(get<QPlainTextEdit>("gEdit_Info")->isReadOnly());
        QVERIFY(get<QPlainTextEdit>("gEdit_File")->isReadOnly());
    }

    void coloursOfThePanesAndTheFace() {
        auto* info = get<QPlainTextEdit>("gEdit_Info");
        QCOMPARE(info->palette().color(QPalette::Text), QColor(0, 255, 0));
        QCOMPARE(info->palette().color(QPalette::Base), QColor(0, 0, 0));
        QCOMPARE(get<QPlainTextEdit>("gEdit_File")->palette().color(QPalette::Base), QColor(255, 255, 255));
        const QColor face = window_->palette().color(QPalette::Button);
        QCOMPARE(window_->palette().color(QPalette::Window), face);
        for (const char* h : {"gStat_File", "gGroup_FrameBMP", "gCheck_Print"})
            QVERIFY2(!window_->widget(h)->autoFillBackground(), h);
        auto* version = window_->findChild<QLabel*>(QStringLiteral("version"));
        QVERIFY(version);
        QCOMPARE(version->text(), QStringLiteral("v1.0.0"));
        QCOMPARE(version->geometry(), QRect(889, 708, 100, 16));
        QVERIFY(!version->autoFillBackground());
    }

    // The group frames lie beneath the controls they enclose: a click inside a frame
    // reaches the control.
    void framesDoNotSwallowClicks() {
        for (const char* h : {"gButt_File", "gButt_Rep", "gComb_Slot", "gCheck_Print"}) {
            QWidget* target = window_->widget(h);
            const QPoint centre = target->geometry().center();
            QWidget* hit = window_->childAt(centre);
            QVERIFY2(hit == target || target->isAncestorOf(hit), h);
        }
    }

    // From here on the application runs in the temporary directory.
    void settingsFileReachesTheWidgets() {
        Settings s;
        s.interface_index = 1;
        s.baud = 19200;
        s.com = "COM12";
        s.timeout = 3;
        s.ip = "127.0.0.1";
        s.tcp_port = 4321;
        write_settings(dir_->path(), s);
        window_->start(dir_->path());
        QCOMPARE(get<QComboBox>("gComb_Interface")->currentText(), QStringLiteral("Ethernet"));
        QCOMPARE(get<QComboBox>("gComb_COM")->currentText(), QStringLiteral("COM12"));
        QCOMPARE(get<QComboBox>("gComb_Baudrate")->currentText(), QStringLiteral("19200"));
        QCOMPARE(get<QComboBox>("gComb_Timeout")->currentText(), QStringLiteral("3"));
        QCOMPARE(get<QLineEdit>("g_IPaddress")->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(get<QLineEdit>("gEdit_PortTCP")->text(), QStringLiteral("4321"));
        QVERIFY(get<QLineEdit>("g_IPaddress")->isVisible());
        QCOMPARE(get<QPushButton>("gButt_ComDetect")->text(), QStringLiteral("Szukaj w sieci"));
        QVERIFY(!get<QPushButton>("gButt_Send")->isEnabled());  // no file chosen
    }

    // Tab walks group by group, top to bottom and left to right, over what is shown and
    // enabled ("Wyślij >>" waits for a picture), and comes round to the start.
    void tabVisitsTheGroupsInOrder() {
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        const QStringList rest = {"gButt_ComTest",    "gButt_File",  "gComb_Slot",   "gButt_Clear",
                                  "gCheck_Print",     "gComb_GrHdr", "gComb_GrFoot", "gButt_Set",
                                  "gCheck_TestPrint", "gButt_Rep",   "gComb_Rep",    "gComb_Interface"};
        const QStringList ethernet = QStringList{"gComb_Protocol", "g_IPaddress", "gEdit_PortTCP",
                                                 "gComb_Timeout", "gButt_ComDetect"} +
                                     rest;
        const QStringList serial =
            QStringList{"gComb_Protocol", "gComb_COM", "gComb_Baudrate", "gComb_Timeout", "gButt_ComDetect"} +
            rest;
        for (int iface : {1, 0}) {
            tv::set_sel(tv::gComb_Interface, iface);
            tv::change_interface();
            get<QComboBox>("gComb_Interface")->setFocus();
            QStringList visited;
            for (int i = 0; i < (iface ? ethernet : serial).size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                visited << QApplication::focusWidget()->objectName();
            }
            QCOMPARE(visited, iface ? ethernet : serial);
        }
        tv::set_sel(tv::gComb_Interface, 1);
        tv::change_interface();
    }

    void checkBoxesFollowTheModelNotTheirOwnClick() {
        auto* box = get<QCheckBox>("gCheck_Print");
        // The box changes only after the model has: never ahead of it on its own.
        int changes = 0;
        bool ahead_of_model = false;
        connect(box, &QCheckBox::toggled, this, [&](bool on) {
            ++changes;
            if (tv::checked(tv::gCheck_Print) != on) ahead_of_model = true;
        });
        QVERIFY(!tv::checked(tv::gCheck_Print));
        click(box);
        QVERIFY(tv::checked(tv::gCheck_Print));
        QVERIFY(box->isChecked());
        click(box);
        QVERIFY(!tv::checked(tv::gCheck_Print));
        QVERIFY(!box->isChecked());
        disconnect(box, nullptr, this, nullptr);
        QCOMPARE(changes, 2);
        QVERIFY(!ahead_of_model);
        // The model alone can tick it.
        tv::set_checked(tv::gCheck_TestPrint, true);
        QVERIFY(get<QCheckBox>("gCheck_TestPrint")->isChecked());
        click(get<QCheckBox>("gCheck_TestPrint"));
        QVERIFY(!tv::checked(tv::gCheck_TestPrint));
        QVERIFY(!get<QCheckBox>("gCheck_TestPrint")->isChecked());
    }

    void selectorPicksGoToTheModel() {
        QVERIFY(pick(get<QComboBox>("gComb_GrHdr"), 3));
        QCOMPARE(tv::sel(tv::gComb_GrHdr), 3);
        QVERIFY(pick(get<QComboBox>("gComb_Baudrate"), 7));
        QCOMPARE(tv::text(tv::gComb_Baudrate), std::string("115200"));
        // And the model's changes come back to the widget.
        tv::set_sel(tv::gComb_GrFoot, 6);
        QCOMPARE(get<QComboBox>("gComb_GrFoot")->currentText(), QStringLiteral("6"));
    }

    // What is typed stays in the field and in the model, valid or not: nothing is dropped.
    void typedAddressAndPortReachTheModel() {
        window_->activateWindow();  // focus moves between fields of the active window only
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        auto* ip = get<QLineEdit>("g_IPaddress");
        ip->setFocus();
        ip->selectAll();
        QTest::keyClicks(ip, "10.0.0.7");
        QCOMPARE(tv::text(tv::g_IPaddress), std::string("10.0.0.7"));
        QTest::keyClicks(ip, "x.");
        QCOMPARE(ip->text(), QStringLiteral("10.0.0.7x."));
        QCOMPARE(tv::text(tv::g_IPaddress), std::string("10.0.0.7x."));
        get<QLineEdit>("gEdit_PortTCP")->setFocus();  // leaving the field changes nothing
        QCOMPARE(ip->text(), QStringLiteral("10.0.0.7x."));
        ip->setFocus();
        ip->selectAll();
        QTest::keyClicks(ip, "300.1.2.3");
        QCOMPARE(ip->text(), QStringLiteral("300.1.2.3"));
        QCOMPARE(tv::text(tv::g_IPaddress), std::string("300.1.2.3"));

        auto* port = get<QLineEdit>("gEdit_PortTCP");
        port->setFocus();
        port->selectAll();
        QTest::keyClicks(port, "6a6b");
        QCOMPARE(port->text(), QStringLiteral("6a6b"));
        port->selectAll();
        QTest::keyClicks(port, "99999");
        QCOMPARE(port->text(), QStringLiteral("99999"));
        QCOMPARE(tv::text(tv::gEdit_PortTCP), std::string("99999"));
    }

    void f12ShowsAndHidesTheTracePane() {
        auto* pane = get<QPlainTextEdit>("gEdit_Info");
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QVERIFY(!pane->isVisible());
        QTest::keyClick(window_.get(), Qt::Key_F12);
        QVERIFY(pane->isVisible());
        QVERIFY(tv::visible(tv::gEdit_Info));
        QTest::keyClick(window_.get(), Qt::Key_F12);
        QVERIFY(!pane->isVisible());
        QVERIFY(!tv::visible(tv::gEdit_Info));
    }

    void tracePaneIsAppendedAndReplaced() {
        auto* pane = get<QPlainTextEdit>("gEdit_Info");
        tv::trace_replace("Connection test...\r\nPlease wait.\r\n\r\n");
        QCOMPARE(pane->toPlainText(), QStringLiteral("Connection test...\nPlease wait.\n\n"));
        tv::s("COM1 = ");
        tv::s("zażółć\r\n");
        QCOMPARE(pane->toPlainText(), QStringLiteral("Connection test...\nPlease wait.\n\nCOM1 = zażółć\n"));
        // A frame's control bytes are shown as marks a technician can read.
        tv::trace_replace("");
        tv::s("Send : \x02sid\t#8A94\x03");
        QCOMPARE(pane->toPlainText(), QStringLiteral("Send : <STX>sid\t#8A94<ETX>"));
    }

    // Showing the pane while a worker's append is on its way shows that text once.
    void tracePaneShownDuringAnAppendHoldsItOnce() {
        auto* pane = get<QPlainTextEdit>("gEdit_Info");
        tv::trace_replace("");
        QVERIFY(pane->toPlainText().isEmpty());
        WorkerThread worker([] { tv::s("COM2 = \r\n"); });
        // The model has the text as soon as the worker has handed the append over.
        QElapsedTimer t;
        t.start();
        while (tv::text(tv::gEdit_Info).empty() && t.elapsed() < 5000) std::this_thread::yield();
        QVERIFY(!tv::text(tv::gEdit_Info).empty());
        tv::show(tv::gEdit_Info, true);  // before the window has served the append
        QVERIFY(worker.finish());
        QCOMPARE(pane->toPlainText(), QStringLiteral("COM2 = \n"));
        tv::show(tv::gEdit_Info, false);
    }

    // A worker's calls are carried out on the window's thread, in order, and each returns
    // only when done: a message box holds the worker until the user answers.
    void workerThreadCallsAreDoneOnTheWindowThreadInOrder() {
        user_->clear();
        user_->answer_next(QMessageBox::Yes);
        std::vector<int> seen_by_window;
        auto* bar = get<QProgressBar>("g_ProgressBar");
        connect(bar, &QProgressBar::valueChanged, this, [&](int v) {
            QCOMPARE(QThread::currentThread(), window_->thread());
            seen_by_window.push_back(v);
        });
        std::atomic<bool> returned{false};
        std::atomic<int> answer{-1};
        std::atomic<int> bar_value_seen_by_worker{-1};
        WorkerThread worker([&] {
            tv::set_progress(30);
            bar_value_seen_by_worker = bar->value();  // already shown when the call returned
            tv::set_progress(60);
            tv::s("linia z wątku\r\n");
            answer = static_cast<int>(tv::message("Czy kontynuować?", "Pytanie", tv::Icon::Question,
                                                  tv::Buttons::YesNo, tv::Answer::No));
            tv::set_progress(0);
            returned = true;
        });
        QVERIFY(user_->wait_boxes(1));
        QVERIFY(worker.finish());
        QVERIFY(returned);
        disconnect(bar, nullptr, this, nullptr);
        QCOMPARE(bar_value_seen_by_worker.load(), 30);
        QCOMPARE(seen_by_window, (std::vector<int>{30, 60, 0}));
        QCOMPARE(answer.load(), static_cast<int>(tv::Answer::Yes));
        const SeenBox& box = user_->boxes().at(0);
        QCOMPARE(box.caption, QStringLiteral("Pytanie"));
        QCOMPARE(box.text, QStringLiteral("Czy kontynuować?"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.default_button, QMessageBox::No);
        QVERIFY(get<QPlainTextEdit>("gEdit_Info")->toPlainText().endsWith("linia z wątku\n"));
    }

    void boxTextsAreShownAsGiven() {
        user_->clear();
        tv::message("Błąd <1> & \"2\"\nDruga linia", "Błąd!", tv::Icon::Warning);
        QCOMPARE(user_->boxes().size(), 1);
        QCOMPARE(user_->boxes().at(0).text, QStringLiteral("Błąd <1> & \"2\"\nDruga linia"));
        QCOMPARE(user_->boxes().at(0).icon, QMessageBox::Warning);
        QCOMPARE(user_->boxes().at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void closingSavesTheSettings() {
        const std::string cfg = dir_->file("settings.cfg");
        std::remove(cfg.c_str());
        QVERIFY(window_->close());
        const std::string saved = tv::test::read_file(cfg);
        QVERIFY(saved.find("[Interface]=1\n") != std::string::npos);
        QVERIFY(saved.find("[Baudrate]=115200\n") != std::string::npos);
        // What the fields hold, as typed.
        QVERIFY(saved.find("[IP_Address]=300.1.2.3\n") != std::string::npos);
        QVERIFY(saved.find("[TCP_Port]=99999\n") != std::string::npos);
    }

    // A job still running when the window goes is not held up: a call already on its way
    // to the window, and every later one, returns with the default answer.
    void callsAfterTheWindowHasGoneAreAnsweredQuietly() {
        std::atomic<bool> calling{false};
        std::atomic<int> first{-1}, second{-1};
        WorkerThread worker([&] {
            calling = true;
            first = static_cast<int>(
                tv::message("?", "Pytanie", tv::Icon::Question, tv::Buttons::YesNo, tv::Answer::No));
            second = static_cast<int>(
                tv::message("?", "Pytanie", tv::Icon::Question, tv::Buttons::YesNo, tv::Answer::Yes));
        });
        while (!calling) std::this_thread::yield();
        window_.reset();  // drops the call if it is queued already
        QVERIFY(worker.finish());
        QCOMPARE(first.load(), static_cast<int>(tv::Answer::No));
        QCOMPARE(second.load(), static_cast<int>(tv::Answer::Yes));
        QVERIFY(user_->boxes().size() <= 1);  // none shown unless it got there first
    }
};

TV_GUI_TEST_MAIN(PanelTest)
#include "panel_test.moc"
