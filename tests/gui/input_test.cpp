// What the user types and reads: the IP address and TCP port fields keep what was typed and
// mark what is wrong, a job refuses a wrong field by name, and Qt's own dialogs speak Polish.
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>

#include "common/globals.h"
#include "gui_test_util.h"
#include "panel_widgets.h"
#include "ui/Controls.h"
#include "ui/host.h"

using namespace tv::guitest;
using tv::gui::FieldEdit;

namespace {

// The columns of a field where the red line under a marked part is drawn.
QList<int> marked_columns(QWidget* field) {
    const QImage img = field->grab().toImage();
    QList<int> columns;
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y) {
            const QColor c(img.pixel(x, y));
            if (c.red() > 150 && c.green() < 60 && c.blue() < 60) {
                columns << x;
                break;
            }
        }
    return columns;
}

using Spans = QList<QPair<int, int>>;

}  // namespace

class InputTest : public WindowTest {
    Q_OBJECT

    void type_into(QLineEdit* field, const char* keys) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, keys);
    }

  private slots:
    void initTestCase() { QVERIFY(open_window()); }

    void init() {
        QVERIFY(QDir::setCurrent(QString::fromStdString(dir_->path())));
        Settings s;
        s.interface_index = 1;
        start_with(s);
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    void theAddressKeepsEveryKeystrokeAndMarksTheWrongPart() {
        auto* ip = get<FieldEdit>("g_IPaddress");
        type_into(ip, "300.1.2.3");
        QCOMPARE(ip->text(), QStringLiteral("300.1.2.3"));
        QCOMPARE(tv::text(tv::g_IPaddress), std::string("300.1.2.3"));
        QCOMPARE(ip->marked(), (Spans{{0, 3}}));
        const QList<int> first = marked_columns(ip);
        QVERIFY(!first.isEmpty());

        type_into(ip, "1.2.3.300");
        QCOMPARE(ip->marked(), (Spans{{6, 3}}));
        const QList<int> last = marked_columns(ip);
        QVERIFY(!last.isEmpty());
        QVERIFY(first.last() < last.first());  // the first part, then the last one

        type_into(ip, "10.1.2");
        QCOMPARE(ip->marked(), (Spans{{0, 6}}));  // a part short: all of it
        type_into(ip, "10.1.2.3");
        QVERIFY(ip->marked().isEmpty());
        QVERIFY(marked_columns(ip).isEmpty());
    }

    void thePortKeepsEveryKeystrokeAndIsMarkedOutOfRange() {
        auto* port = get<FieldEdit>("gEdit_PortTCP");
        type_into(port, "99999");
        QCOMPARE(port->text(), QStringLiteral("99999"));
        QCOMPARE(port->marked(), (Spans{{0, 5}}));
        QVERIFY(!marked_columns(port).isEmpty());
        type_into(port, "0");
        QCOMPARE(port->marked(), (Spans{{0, 1}}));
        type_into(port, "65535");
        QVERIFY(port->marked().isEmpty());
        QVERIFY(marked_columns(port).isEmpty());
    }

    // Which field is refused with which text is the core's table (tests/app); here one
    // refusal through the keyboard: the box, the fields as typed, the focus on the wrong one.
    void aJobRefusesAWrongFieldAndFocusesIt() {
        const QString ip = QStringLiteral("127.0.0.1"), port = QStringLiteral("99999");
        type_into(get<QLineEdit>("g_IPaddress"), ip.toUtf8().constData());
        type_into(get<QLineEdit>("gEdit_PortTCP"), port.toUtf8().constData());
        auto* test = get<QPushButton>("gButt_ComTest");
        test->setFocus();
        QTest::keyClick(test, Qt::Key_Space);
        QVERIFY(user_->wait_boxes(1));
        QVERIFY(!tv::bAction);
        QVERIFY(wait_for_job());
        const SeenBox& box = user_->boxes().at(0);
        QCOMPARE(box.caption, QStringLiteral("Błąd"));
        QVERIFY(box.text.contains(QStringLiteral("\"99999\"")));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(user_->boxes().size(), 1);
        QCOMPARE(get<QLineEdit>("g_IPaddress")->text(), ip);
        QCOMPARE(get<QLineEdit>("gEdit_PortTCP")->text(), port);
        focus_lands_on(window_->widget("gEdit_PortTCP"));
        QVERIFY(test->isEnabled());
    }

    void theFileDialogSpeaksPolish() {
        QVERIFY(choose(QString()));  // opened and cancelled
        QCOMPARE(user_->dialogs().size(), 1);
        const SeenDialog& d = user_->dialogs().at(0);
        QCOMPARE(d.title, QStringLiteral("Otwórz"));
        QCOMPARE(d.labels,
                 (QStringList{"Szukaj w:", "Nazwa &pliku:", "Pliki rodzaju:", "&Otwórz", "Anuluj"}));
        QCOMPARE(d.columns, (QStringList{"Nazwa", "Rozmiar", "Rodzaj", "Data modyfikacji"}));
        // It opens on every picture the window takes, so none is hidden at first.
        QCOMPARE(d.selected,
                 QStringLiteral("Obrazy (*.png *.jpg *.jpeg *.gif *.bmp *.tga *.pnm *.ppm *.pgm)"));
        QCOMPARE(d.filters.value(1), QStringLiteral("Bitmapy (*.bmp)"));
    }

    void questionButtonsSpeakPolish() {
        user_->answer_next(QMessageBox::No);
        const tv::Answer a =
            tv::message("?", "UWAGA!", tv::Icon::Warning, tv::Buttons::YesNo, tv::Answer::No);
        QCOMPARE(static_cast<int>(a), static_cast<int>(tv::Answer::No));
        QCOMPARE(user_->boxes().size(), 1);
        const QStringList shown = user_->boxes().at(0).button_texts;
        QCOMPARE(QSet<QString>(shown.begin(), shown.end()), (QSet<QString>{"&Tak", "&Nie"}));
    }
};

TV_GUI_TEST_MAIN(InputTest)
#include "input_test.moc"
