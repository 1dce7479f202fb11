// The picture-conversion dialog as the user meets it: opened by "Otwórz" for a picture the
// BMP reader refuses, drawing the source and the device's dots, following its controls,
// writing NAME_logo.bmp on "OK" and loading it; "Anuluj" changes nothing. Also the
// screenshots of the dialog (a real screen grab when run on an X server).
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "common/globals.h"
#include "convert_dialog.h"
#include "gui_test_util.h"
#include "image/convert_session.h"
#include "ui/Controls.h"

using namespace tv::guitest;
using tv::gui::ConvertDialog;

namespace {

// A shop's logo as designers send it: 900 x 360, transparent background, colours, text.
void write_colour_logo(const QString& path) {
    QImage img(900, 360, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient sun(0, 0, 0, 300);
    sun.setColorAt(0, QColor(255, 200, 0));
    sun.setColorAt(1, QColor(220, 40, 20));
    p.setBrush(sun);
    p.setPen(QPen(QColor(120, 20, 10), 8));
    p.drawEllipse(QPoint(170, 170), 140, 140);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 60, 160));
    p.drawRoundedRect(340, 250, 520, 50, 20, 20);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(84);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRect(330, 60, 560, 120), Qt::AlignCenter, QStringLiteral("Żółw"));
    f.setPixelSize(40);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(60, 120, 60));
    p.drawText(QRect(330, 170, 560, 70), Qt::AlignCenter, QStringLiteral("piekarnia • cukiernia"));
    p.end();
    if (!img.save(path, "PNG")) qFatal("cannot write %s", qPrintable(path));
}

template <class T>
T* child(const QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no %s in the dialog", name);
    return c;
}

// How many dots of two pictures of the same size differ (dark: grey below 128).
int differing(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += (qGray(a.pixel(x, y)) < 128) != (qGray(b.pixel(x, y)) < 128);
    return n;
}

int dark_dots(const QImage& a) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += qGray(a.pixel(x, y)) < 128;
    return n;
}

}  // namespace

class ConvertTest : public WindowTest {
    Q_OBJECT

    // A dialog on a session of the colour logo, shown (not modal) for a test to work.
    struct Open {
        tv::ConvertSession session;
        std::unique_ptr<ConvertDialog> dialog;
    };
    std::unique_ptr<Open> open_dialog(int limit = 640) {
        auto o = std::make_unique<Open>();
        std::string error;
        if (!o->session.open(dir_->file("logo.png"), limit, error) || !o->session.update())
            qFatal("%s", error.c_str());
        o->dialog = std::make_unique<ConvertDialog>(o->session, window_.get());
        o->dialog->show();  // not modal: the stand-in user answers modal dialogs only
        if (!QTest::qWaitForWindowExposed(o->dialog.get())) qFatal("the dialog did not appear");
        return o;
    }

    // The user replaces the width box's text with typed, key by key.
    static void type_width(ConvertDialog& d, const QString& typed) {
        auto* width = child<QLineEdit>(d, "width");
        width->setFocus();
        width->selectAll();
        for (QChar key : typed) QTest::keyClick(width, key.toLatin1());
    }

  private slots:
    void initTestCase() {
        QVERIFY(open_window());
        write_colour_logo(file("logo.png"));
        write_mono_bmp(file("mono.bmp"), 100, 50);
    }

    void init() {
        QVERIFY(QDir::setCurrent(QString::fromStdString(dir_->path())));
        start_with(Settings{});
        QFile::remove(file("logo_logo.bmp"));
    }

    void cleanup() { QVERIFY(wait_for_check()); }

    void theDialogShowsTheSourceTheDotsAndPolishControls() {
        auto o = open_dialog();
        ConvertDialog& d = *o->dialog;
        QCOMPARE(d.windowTitle(), QStringLiteral("Zamiana obrazu na logo"));
        QStringList titles;
        for (auto* g : d.findChildren<QGroupBox*>()) titles << g->title();
        QCOMPARE(titles, (QStringList{"Obraz źródłowy", "Wynik – tak wydrukuje urządzenie"}));
        QCOMPARE(child<QLabel>(d, "sourceText")->text(), QStringLiteral("logo.png – PNG, 900 x 360 pikseli"));
        QVERIFY(!child<QLabel>(d, "source")->pixmap().isNull());
        QCOMPARE(child<QLabel>(d, "resultText")->text(), QStringLiteral("Wynik: 640 x 256 pikseli"));

        QCOMPARE(child<QLineEdit>(d, "width")->text(), QStringLiteral("dopasuj"));
        auto* method = child<QComboBox>(d, "method");
        QCOMPARE(method->count(), 4);
        QCOMPARE(method->currentText(), QStringLiteral("Floyd–Steinberg (rozpraszanie błędu)"));
        QCOMPARE(method->itemText(2), QStringLiteral("Uporządkowany (raster Bayera 8×8)"));
        QVERIFY(!child<QSlider>(d, "level")->isEnabled());
        QVERIFY(child<QCheckBox>(d, "levelAuto")->isChecked());
        QVERIFY(!child<QCheckBox>(d, "levelAuto")->isEnabled());
        QCOMPARE(child<QCheckBox>(d, "levelAuto")->text(), QStringLiteral("automatyczny"));
        QCOMPARE(child<QCheckBox>(d, "invert")->text(), QStringLiteral("Odwróć (negatyw)"));
        QVERIFY(!child<QCheckBox>(d, "invert")->isChecked());
        QCOMPARE(child<QPushButton>(d, "ok")->text(), QStringLiteral("OK"));
        QCOMPARE(child<QPushButton>(d, "cancel")->text(), QStringLiteral("Anuluj"));

        // At 1:1 the view holds the device's dots exactly: those of the core's logo.
        click(child<QRadioButton>(d, "zoomOne"));
        const QImage dots = ConvertDialog::logo_image(o->session);
        QCOMPARE(d.shown_result().size(), QSize(640, 256));
        QCOMPARE(differing(d.shown_result(), dots), 0);
        QVERIFY(dark_dots(dots) > 0);
        // Fitted, the whole logo fits the view.
        click(child<QRadioButton>(d, "zoomFit"));
        QVERIFY(d.shown_result().width() <= 460 && d.shown_result().height() <= 400);
    }

    void theResultFollowsEveryControl() {
        auto o = open_dialog();
        ConvertDialog& d = *o->dialog;
        auto* method = child<QComboBox>(d, "method");
        auto* level = child<QSlider>(d, "level");
        auto* level_auto = child<QCheckBox>(d, "levelAuto");
        auto* result_text = child<QLabel>(d, "resultText");

        // The plain threshold: its automatic level is a choice, the slider shows it.
        QVERIFY(pick(method, 3));
        QCOMPARE(o->session.options.dither, tv::logo::Dither::Threshold);
        QVERIFY(level_auto->isEnabled() && level_auto->isChecked());
        QVERIFY(!level->isEnabled());
        QCOMPARE(level->value(), o->session.logo().level);
        QVERIFY(result_text->text().endsWith(QStringLiteral(" (automatyczny)")));

        // A level of the user's own: the slider, moved with the keyboard to its end.
        click(level_auto);
        QVERIFY(level->isEnabled());
        level->setFocus();
        QTest::keyClick(level, Qt::Key_End);
        QCOMPARE(level->value(), 255);
        QCOMPARE(o->session.options.level, 255);
        QCOMPARE(result_text->text(), QStringLiteral("Wynik: 640 x 256 pikseli, próg 255"));
        QTest::keyClick(level, Qt::Key_Home);
        QCOMPARE(o->session.options.level, 0);
        QCOMPARE(dark_dots(ConvertDialog::logo_image(o->session)), 0);  // below level 0 is nothing

        // A width typed in.
        QVERIFY(pick(method, 0));
        type_width(d, "100");
        QTest::keyClick(child<QLineEdit>(d, "width"), Qt::Key_Return);
        QTest::keyClick(child<QLineEdit>(d, "width"), Qt::Key_Return);  // again: the width in effect
        QVERIFY(d.isVisible());  // Enter shows the width, also the one in effect; "OK" takes it
        QCOMPARE(result_text->text(), QStringLiteral("Wynik: 100 x 40 pikseli"));
        click(child<QRadioButton>(d, "zoomOne"));
        QCOMPARE(d.shown_result().size(), QSize(100, 40));
        // Fitted, a small logo is enlarged by a whole factor, each dot a square.
        click(child<QRadioButton>(d, "zoomFit"));
        const QImage big = d.shown_result();
        QCOMPARE(big.size(), QSize(400, 160));
        const QImage small = ConvertDialog::logo_image(o->session);
        QCOMPARE(differing(big.scaled(100, 40, Qt::IgnoreAspectRatio, Qt::FastTransformation), small), 0);

        // Invert flips every dot.
        const QImage before = ConvertDialog::logo_image(o->session);
        click(child<QCheckBox>(d, "invert"));
        QVERIFY(o->session.options.invert);
        QCOMPARE(differing(ConvertDialog::logo_image(o->session), before), 100 * 40);
    }

    // A width past the limit stays as typed, marked, and "OK" is refused naming the limit.
    void aWidthPastTheLimitIsKeptMarkedAndRefused() {
        for (int limit : {640, 384}) {
            auto o = open_dialog(limit);
            ConvertDialog& d = *o->dialog;
            const QString typed = QString::number(limit + 260);
            type_width(d, typed);
            auto* width = child<QLineEdit>(d, "width");
            QCOMPARE(width->text(), typed);
            QVERIFY(!width->styleSheet().isEmpty());
            const QString problem =
                QStringLiteral("Wpisz szerokość od 1 do %1 pikseli albo „dopasuj”.").arg(limit);
            QCOMPARE(child<QLabel>(d, "resultText")->text(), problem);
            user_->clear();
            click(child<QPushButton>(d, "ok"));
            QVERIFY(user_->wait_boxes(1));
            QCOMPARE(user_->boxes().at(0).text, problem);
            QVERIFY(d.isVisible());
            QCOMPARE(width->text(), typed);
        }
    }

    // Tab stops only on controls that show the focus.
    void tabVisitsOnlyVisibleControls() {
        auto o = open_dialog();
        child<QLineEdit>(*o->dialog, "width")->setFocus();
        for (int i = 0; i < 12; ++i) {
            QWidget* at = QApplication::focusWidget();
            QVERIFY(at);
            QVERIFY2(!at->objectName().isEmpty() && at->isVisible(), at->metaObject()->className());
            QTest::keyClick(at, Qt::Key_Tab);
        }
    }

    void okWritesTheLogoBesideThePictureAndLoadsIt() {
        user_->convert_next([](ConvertDialog& d) {
            type_width(d, "320");
            click(child<QPushButton>(d, "ok"));
        });
        QVERIFY(choose(file("logo.png")));
        QCOMPARE(user_->convert_dialogs(), 1);
        QVERIFY(user_->wait_boxes(1));
        QCOMPARE(user_->boxes().at(0).caption, QStringLiteral("Komunikat"));
        QCOMPARE(user_->boxes().at(0).text, QStringLiteral("Logo zapisano w pliku:\n") +
                                                file("logo_logo.bmp") +
                                                QStringLiteral("\n(320 x 128 pikseli)"));
        // Loaded the normal way: the file box, "Wyślij >>", and the preview.
        QCOMPARE(QString::fromStdString(tv::gr_filename()), file("logo_logo.bmp"));
        QCOMPARE(get<QPlainTextEdit>("gEdit_File")->toPlainText(),
                 QStringLiteral("logo_logo.bmp\nBMP monochromatyczna, 320 x 128 pikseli"));
        QVERIFY(get<QPushButton>("gButt_Send")->isEnabled());
        const QImage written(file("logo_logo.bmp"));  // Qt's own BMP reader
        QCOMPARE(written.size(), QSize(320, 128));
        QVERIFY(dark_dots(written) > 1000);
        const QImage shot = window_->grab().toImage();
        const QImage shown = shot.copy(663 - 160, 350 - 64, 320, 128);
        QCOMPARE(differing(shown, written), 0);
    }

    void cancelChangesNothing() {
        QVERIFY(choose(file("mono.bmp")));
        user_->convert_next([](ConvertDialog& d) { click(child<QPushButton>(d, "cancel")); });
        QVERIFY(choose(file("logo.png")));
        QCOMPARE(user_->convert_dialogs(), 1);
        QVERIFY(!QFile::exists(file("logo_logo.bmp")));
        QCOMPARE(QString::fromStdString(tv::gr_filename()), file("mono.bmp"));
        QVERIFY(get<QPlainTextEdit>("gEdit_File")->toPlainText().startsWith(QStringLiteral("mono.bmp\n")));
        QVERIFY(user_->boxes().isEmpty());
    }
};

TV_GUI_TEST_MAIN(ConvertTest)
#include "convert_test.moc"
