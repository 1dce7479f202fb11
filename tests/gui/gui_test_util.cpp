// The window tests' helpers.
#include "gui_test_util.h"

#include <cstdlib>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFont>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTreeView>
#include <atomic>
#include <fstream>
#include <memory>
#include <thread>

#include "app/shell.h"
#include "common/globals.h"
#include "convert_dialog.h"
#include "ui/panel.h"

// The window's network scan in these tests reaches loopback addresses only (see
// tests/support/fixture.cpp).
namespace {
[[maybe_unused]] const bool kLoopbackOnlyScans = ::setenv("TV_SCAN_LOOPBACK_ONLY", "1", 1) == 0;
}  // namespace

namespace tv::guitest {

ModalAnswerer::ModalAnswerer() {
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    timer_.start();
}

void ModalAnswerer::clear() {
    answers_.clear();
    files_.clear();
    converters_.clear();
    convert_dialogs_ = 0;
    boxes_.clear();
    dialogs_.clear();
}

void ModalAnswerer::look_at(QWidget* modal) {
    if (!look_ || modal->property("tv_looked").toBool()) return;
    modal->setProperty("tv_looked", true);
    looking_ = true;
    look_(modal);
    looking_ = false;
}

void ModalAnswerer::poll() {
    if (looking_) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal->property("tv_answered").toBool()) return;
    look_at(modal);
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        modal->setProperty("tv_answered", true);
        SeenBox seen;
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.default_button =
            box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
        for (QAbstractButton* b : box->buttons()) seen.button_texts << b->text();
        boxes_ << seen;
        QMessageBox::StandardButton answer = seen.default_button;
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
        QAbstractButton* b = box->button(answer);
        if (!b)
            b = box->button(seen.default_button != QMessageBox::NoButton ? seen.default_button
                                                                         : QMessageBox::Ok);
        if (b)
            b->click();
        else
            box->reject();
    } else if (auto* convert = qobject_cast<tv::gui::ConvertDialog*>(modal)) {
        modal->setProperty("tv_answered", true);
        ++convert_dialogs_;
        if (converters_.empty()) {
            convert->reject();
            return;
        }
        const auto user = std::move(converters_.front());
        converters_.pop_front();
        user(*convert);
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        // The dialog fills its file list on a thread of its own; until it has, an "Open"
        // may not take. So the answer is given again on every poll while the dialog stays.
        if (!modal->property("tv_seen").toBool()) {
            modal->setProperty("tv_seen", true);
            SeenDialog seen{dialog->nameFilters(),
                            dialog->directory().absolutePath(),
                            dialog->windowTitle(),
                            {},
                            {},
                            dialog->selectedNameFilter()};
            for (auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType,
                               QFileDialog::Accept, QFileDialog::Reject})
                seen.labels << dialog->labelText(label);
            if (auto* list = dialog->findChild<QTreeView*>())
                for (int i = 0; i < list->header()->count(); ++i)
                    seen.columns << list->model()->headerData(i, Qt::Horizontal).toString();
            dialogs_ << seen;
            QString path;
            if (!files_.empty()) {
                path = files_.front();
                files_.pop_front();
            }
            modal->setProperty("tv_path", path);
        }
        const QString path = modal->property("tv_path").toString();
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->setText(path);
        static_cast<QDialog*>(dialog)->accept();  // validates like the Open button
    }
}

bool ModalAnswerer::wait_boxes(int n, int timeout_ms) {
    QElapsedTimer t;
    t.start();
    while (boxes_.size() < n && t.elapsed() < timeout_ms) QTest::qWait(5);
    return boxes_.size() >= n;
}

namespace {

bool wait_core(void (*waiter)(), int timeout_ms) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread([waiter, done] {
        waiter();
        *done = true;
    }).detach();  // on a time-out it is left waiting: the test has failed by then
    QElapsedTimer t;
    t.start();
    while (!*done && t.elapsed() < timeout_ms) QTest::qWait(5);
    QCoreApplication::processEvents();
    return *done;
}

}  // namespace

WorkerThread::WorkerThread(std::function<void()> body) : done_(std::make_shared<std::atomic<bool>>(false)) {
    thread_ = std::thread([body = std::move(body), done = done_] {
        body();
        *done = true;
    });
}

WorkerThread::~WorkerThread() {
    if (!finish() && thread_.joinable()) thread_.detach();
}

bool WorkerThread::finish(int timeout_ms) {
    QElapsedTimer t;
    t.start();
    while (!*done_ && t.elapsed() < timeout_ms) QTest::qWait(5);
    if (!*done_) return false;
    if (thread_.joinable()) thread_.join();
    return true;
}

bool wait_for_job(int timeout_ms) { return wait_core(&tv::wait_for_worker, timeout_ms); }
bool wait_for_check(int timeout_ms) { return wait_core(&tv::wait_for_check, timeout_ms); }

bool pick(QComboBox* combo, int index) {
    if (!combo || index < 0 || index >= combo->count()) return false;
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    QElapsedTimer t;
    t.start();
    while (!view->isVisible() && t.elapsed() < 20000) QTest::qWait(5);
    if (!view->isVisible()) return false;
    const QModelIndex item = view->model()->index(index, combo->modelColumn());
    view->scrollTo(item);
    // The item's row, in the middle of the list's visible width.
    const QPoint at(view->viewport()->width() / 2, view->visualRect(item).center().y());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    t.restart();
    while (view->isVisible() && t.elapsed() < 20000) QTest::qWait(5);
    return combo->currentIndex() == index && !view->isVisible();
}

void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

namespace {

void save_mono(const QImage& rgb, const QString& path) {
    const QImage mono = rgb.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    if (!mono.save(path, "BMP")) qFatal("cannot write %s", qPrintable(path));
}

}  // namespace

void write_mono_bmp(const QString& path, int w, int h) {
    QImage rgb(w, h, QImage::Format_RGB32);
    rgb.fill(Qt::white);
    QPainter p(&rgb);
    const int side = std::min(w, h) / 4;
    p.fillRect(w / 8, h / 8, side, side, Qt::black);
    p.end();
    save_mono(rgb, path);
}

void write_logo_bmp(const QString& path, int w, int h) {
    QImage rgb(w, h, QImage::Format_RGB32);
    rgb.fill(Qt::white);
    QPainter p(&rgb);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 6));
    p.drawRect(8, 8, w - 16, h - 16);
    p.setBrush(Qt::black);
    p.drawEllipse(QPoint(w / 2, h / 3), h / 6, h / 6);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(h / 6);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, h / 2, w, h / 4), Qt::AlignCenter, QStringLiteral("SKLEP ŻÓŁW"));
    f.setPixelSize(h / 12);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(0, 3 * h / 4 - 4, w, h / 6), Qt::AlignCenter, QStringLiteral("ul. Łąkowa 5, Gdańsk"));
    p.end();
    save_mono(rgb, path);
}

void write_settings(const std::string& dir, const Settings& s) {
    std::ofstream f(dir + "/settings.cfg", std::ios::binary | std::ios::trunc);
    f << "[Interface]=" << s.interface_index << "\n"
      << "[Protocol]=" << s.protocol << "\n"
      << "[COM]=" << s.com << "\n"
      << "[Baudrate]=" << s.baud << "\n"
      << "[Tiemout]=" << s.timeout << "\n"
      << "[IP_Address]=" << s.ip << "\n"
      << "[TCP_Port]=" << s.tcp_port << "\n"
      << "[GR_Print]=0\n"
      << "[GR_Test_Print]=0\n";
}

bool WindowTest::open_window(bool show) {
    dir_ = std::make_unique<tv::test::TempDir>();
    user_ = std::make_unique<ModalAnswerer>();
    if (!show) return true;
    window_ = std::make_unique<tv::gui::MainWindow>();
    window_->show();
    return QTest::qWaitForWindowExposed(window_.get());
}

bool WindowTest::open_window_with_logo(int w, int h) {
    if (!open_window() || !QDir::setCurrent(QString::fromStdString(dir_->path()))) return false;
    write_logo_bmp(file("logo.bmp"), w, h);
    return true;
}

void WindowTest::start_with(const Settings& s) {
    forget_picture();
    write_settings(dir_->path(), s);
    window_->start(dir_->path());
    user_->clear();
}

bool WindowTest::choose(const QString& path) {
    user_->choose_next(path);
    click(get<QPushButton>("gButt_File"));
    return wait_for_check();
}

void WindowTest::focus_lands_on(QWidget* w) {
    QTRY_COMPARE(window_->focusWidget(), w);
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTRY_COMPARE(QApplication::focusWidget(), w);
}

void forget_picture() {
    tv::set_gr_filename("");
    tv::PaintBMP = false;
    tv::Gr_xmax = 0;
    tv::Gr_ymax = 0;
    tv::clear_bmp();  // the window drops the preview it holds
}

}  // namespace tv::guitest
