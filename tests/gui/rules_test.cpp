// The panel's rules as the user meets them in the window: choosing a file, the send
// button, the slot and protocol and interface selectors, the 384 x 384 warning, and the
// preview of the chosen picture (with a screenshot of the window).
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

#include "common/globals.h"
#include "gui_test_util.h"
#include "image/preview.h"
#include "ui/Controls.h"

using namespace tv::guitest;

class RulesTest : public WindowTest {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(open_window());
        write_mono_bmp(file("pic400x200.bmp"), 400, 200);
        write_mono_bmp(file("pic384.bmp"), 384, 384);
        write_mono_bmp(file("pic640.bmp"), 640, 640);
        write_logo_bmp(file("logo.bmp"), 400, 240);
    }

    // Every case starts from the saved settings with no picture chosen.
    void init() {
        QVERIFY(QDir::setCurrent(QString::fromStdString(dir_->path())));
        start_with(Settings{});
    }

    void cleanup() { QVERIFY(wait_for_check()); }

    void sendIsDisabledWithoutAFileAndDoesNothing() {
        auto* send = get<QPushButton>("gButt_Send");
        QVERIFY(!send->isEnabled());
        click(send);
        QVERIFY(!tv::bAction);
        QVERIFY(user_->boxes().isEmpty());
        // A slot pick with no file keeps it disabled.
        QVERIFY(pick(get<QComboBox>("gComb_Slot"), 2));
        QVERIFY(!send->isEnabled());
    }

    void choosingAFileShowsItAndEnablesSend() {
        QVERIFY(choose(file("pic400x200.bmp")));
        QCOMPARE(user_->dialogs().size(), 1);
        QCOMPARE(user_->dialogs().at(0).filters,
                 (QStringList{"Obrazy (*.png *.jpg *.jpeg *.gif *.bmp *.tga *.pnm *.ppm *.pgm)",
                              "Bitmapy (*.bmp)"}));
        QCOMPARE(QDir(user_->dialogs().at(0).directory).canonicalPath(),
                 QDir(QString::fromStdString(dir_->path())).canonicalPath());
        QCOMPARE(get<QPlainTextEdit>("gEdit_File")->toPlainText(),
                 QStringLiteral("pic400x200.bmp\nBMP monochromatyczna, 400 x 200 pikseli"));
        QVERIFY(get<QPushButton>("gButt_Send")->isEnabled());
        QVERIFY(user_->boxes().isEmpty());
        QVERIFY(get<QPushButton>("gButt_File")->isEnabled());
    }

    void slotAllDisablesSendAndASlotEnablesIt() {
        QVERIFY(choose(file("pic384.bmp")));
        auto* send = get<QPushButton>("gButt_Send");
        auto* slot = get<QComboBox>("gComb_Slot");
        QVERIFY(send->isEnabled());
        QVERIFY(pick(slot, 6));
        QCOMPARE(slot->currentText(), QStringLiteral("1-6"));
        QVERIFY(!send->isEnabled());
        QVERIFY(pick(slot, 2));
        QCOMPARE(tv::sel(tv::gComb_Slot), 2);
        QVERIFY(send->isEnabled());
    }

    void cancellingTheDialogKeepsThePreviousFile() {
        QVERIFY(choose(file("pic384.bmp")));
        QVERIFY(choose(QString()));  // cancelled
        QCOMPARE(user_->dialogs().size(), 2);
        QCOMPARE(QString::fromStdString(tv::gr_filename()), file("pic384.bmp"));
        QVERIFY(get<QPlainTextEdit>("gEdit_File")->toPlainText().startsWith("pic384.bmp\n"));
        QVERIFY(get<QPushButton>("gButt_Send")->isEnabled());
    }

    void cashRegistersGreyThePrinterOnlyControls() {
        auto* protocol = get<QComboBox>("gComb_Protocol");
        const char* printer_only[] = {"gCheck_TestPrint", "gButt_Rep", "gComb_Rep"};
        for (const char* h : printer_only) QVERIFY2(window_->widget(h)->isEnabled(), h);
        QVERIFY(pick(protocol, 1));
        QCOMPARE(tv::PROTOCOL.load(), std::int16_t(2));
        for (const char* h : printer_only) QVERIFY2(!window_->widget(h)->isEnabled(), h);
        QCOMPARE(get<QPlainTextEdit>("gEdit_File")->toPlainText(),
                 QStringLiteral("Bitmapa monochromatyczna\nMaksymalny rozmiar 384 x 384 pikseli"));
        // The rest stays usable.
        for (const char* h : {"gButt_Clear", "gButt_Set", "gCheck_Print", "gComb_Slot"})
            QVERIFY2(window_->widget(h)->isEnabled(), h);
        QVERIFY(pick(protocol, 0));
        QCOMPARE(tv::PROTOCOL.load(), std::int16_t(0));
        for (const char* h : printer_only) QVERIFY2(window_->widget(h)->isEnabled(), h);
        QCOMPARE(get<QPlainTextEdit>("gEdit_File")->toPlainText(),
                 QStringLiteral("Bitmapa monochromatyczna\nMaksymalny rozmiar 640 x 640 pikseli"));
        QVERIFY(user_->boxes().isEmpty());
    }

    void ethernetShowsTheAddressFieldsInsteadOfThePort() {
        auto* iface = get<QComboBox>("gComb_Interface");
        QVERIFY(pick(iface, 1));
        QCOMPARE(tv::sel(tv::gComb_Interface), 1);
        for (const char* h : {"g_IPaddress", "gEdit_PortTCP", "gStat_Address", "gStat_TCPPort",
                              "gComb_Timeout", "gStat_Timeout", "gButt_ComDetect"})
            QVERIFY2(window_->widget(h)->isVisible(), h);
        for (const char* h : {"gComb_COM", "gComb_Baudrate", "gStat_COM", "gStat_Baudrate"})
            QVERIFY2(!window_->widget(h)->isVisible(), h);
        QCOMPARE(get<QPushButton>("gButt_ComDetect")->text(), QStringLiteral("Szukaj w sieci"));
        QCOMPARE(get<QLabel>("gStat_Address")->text(), QStringLiteral("Adres IP"));
        QCOMPARE(get<QLineEdit>("g_IPaddress")->text(), QStringLiteral("127.0.0.1"));
        QVERIFY(pick(iface, 0));
        QVERIFY(get<QPushButton>("gButt_ComDetect")->isVisible());
        QCOMPARE(get<QPushButton>("gButt_ComDetect")->text(), QStringLiteral("Szukaj połączenia"));
        QVERIFY(get<QComboBox>("gComb_COM")->isVisible());
        QVERIFY(!get<QLineEdit>("g_IPaddress")->isVisible());
        QVERIFY(!get<QLineEdit>("gEdit_PortTCP")->isVisible());
    }

    void registersWarnAboutAPictureOver384() {
        QVERIFY(choose(file("pic400x200.bmp")));
        QVERIFY(user_->boxes().isEmpty());
        QVERIFY(pick(get<QComboBox>("gComb_Protocol"), 1));
        QCOMPARE(user_->boxes().size(), 1);
        const SeenBox& box = user_->boxes().at(0);
        QCOMPARE(box.caption, QStringLiteral("UWAGA!"));
        QCOMPARE(box.text, QStringLiteral("Maksymalny rozmiar bitmapy dla kas wynosi 384 x 384 pikseli!"));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        // The picture's description stays in the file box.
        QVERIFY(get<QPlainTextEdit>("gEdit_File")->toPlainText().startsWith("pic400x200.bmp\n"));
        QVERIFY(pick(get<QComboBox>("gComb_Protocol"), 0));
        QCOMPARE(user_->boxes().size(), 1);
    }

    void registersTakeA384PictureWithoutWarning() {
        QVERIFY(choose(file("pic384.bmp")));
        QVERIFY(pick(get<QComboBox>("gComb_Protocol"), 1));
        QVERIFY(user_->boxes().isEmpty());  // a box would have been answered within the pick
        QVERIFY(pick(get<QComboBox>("gComb_Protocol"), 0));
    }

    // The preview is the core's raster dot for dot, unscaled, centred on (663, 350), in black
    // and white whatever the file's own colours: what the device prints.
    void previewShowsTheDotsThatAreSent() {
        for (const char* name : {"logo_64x24_white0_im.bmp", "variants/red_green_13x7_im.bmp",
                                 "variants/topdown_white0_13x7.bmp"}) {
            QVERIFY(choose(QStringLiteral(TV_SOURCE_DIR "/tests/data/") + QString::fromUtf8(name)));
            const tv::Raster r = tv::preview_raster();
            QVERIFY2(!r.empty(), name);
            const QImage shot = window_->grab().toImage();
            const QPoint origin(663 - r.width / 2, 350 - r.height / 2);
            int wrong = 0;
            for (int y = 0; y < r.height; ++y)
                for (int x = 0; x < r.width; ++x)
                    wrong += QColor(shot.pixel(origin + QPoint(x, y))) !=
                             QColor(r.dark(x, y) ? Qt::black : Qt::white);
            QVERIFY2(wrong == 0, name);
        }
    }

    void aRefusedPictureIsNotPreviewed() {
        QVERIFY(choose(file("pic400x200.bmp")));
        // A file that is neither a 1-bit BMP nor a picture the conversion reads: the check
        // refuses it and the preview goes.
        QFile junk(file("junk.bmp"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(100, 'x'));
        junk.close();
        user_->answer_next(QMessageBox::Ok);
        QVERIFY(choose(file("junk.bmp")));
        QVERIFY(user_->wait_boxes(1));
        QCOMPARE(user_->boxes().at(0).caption, QStringLiteral("Błąd!"));
        QVERIFY(!tv::PaintBMP);
        const QImage shot = window_->grab().toImage();
        QVERIFY(QColor(shot.pixel(463 + 60, 250 + 30)) != QColor(Qt::black));
        QVERIFY(!get<QPushButton>("gButt_Send")->isEnabled() || tv::gr_filename().empty());
    }
};

TV_GUI_TEST_MAIN(RulesTest)
#include "rules_test.moc"
