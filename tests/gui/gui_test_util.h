// Helpers for the window's Qt Test programs: a main on the offscreen platform, a stand-in
// user who answers the window's message boxes and file dialogs, bounded waits for the
// core's threads that keep the event loop running, pictures and settings files, and the
// window, folder and user every test program holds.
#pragma once
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "main_window.h"
#include "support/recording_host.h"
#include "translations.h"

class QComboBox;
class QWidget;
namespace tv::gui {
class ConvertDialog;
}

// A Qt Test main that runs on the offscreen platform unless the environment says otherwise,
// with Qt's Polish texts loaded as the program loads them.
#define TV_GUI_TEST_MAIN(TestClass)                                                                  \
    int main(int argc, char** argv) {                                                                \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen"); \
        QApplication app(argc, argv);                                                                \
        tv::gui::install_polish_translations(app);                                                   \
        TestClass test;                                                                              \
        return QTest::qExec(&test, argc, argv);                                                      \
    }

namespace tv::guitest {

// A message box as the user saw it.
struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton default_button = QMessageBox::NoButton;
    QStringList button_texts;  // as shown, in the box's order
};

// A file dialog as the user saw it.
struct SeenDialog {
    QStringList filters;
    QString directory;
    QString title;
    QStringList labels;   // "look in", "file name", "file type", accept and reject texts
    QStringList columns;  // the headers of the detailed file list
    QString selected;     // the filter the dialog opened on
};

// Watches for the window's modal dialogs and answers them: message boxes with the next
// scripted button (the default button when none is scripted), file dialogs with the next
// scripted path (cancel when none is, or when the path is empty).
class ModalAnswerer : public QObject {
  public:
    ModalAnswerer();
    void answer_next(QMessageBox::StandardButton button) { answers_.push_back(button); }
    // Called once with each new dialog before it is answered (to look at it while it is
    // open); no dialog is answered while it runs.
    void before_answering(std::function<void(QWidget*)> look) { look_ = std::move(look); }
    void choose_next(const QString& path) { files_.push_back(path); }
    // The next picture-conversion dialog is handed to user, who works its controls and
    // ends it with OK or "Anuluj"; with none scripted it is cancelled.
    void convert_next(std::function<void(tv::gui::ConvertDialog&)> user) {
        converters_.push_back(std::move(user));
    }
    int convert_dialogs() const { return convert_dialogs_; }
    const QList<SeenBox>& boxes() const { return boxes_; }
    const QList<SeenDialog>& dialogs() const { return dialogs_; }
    // Waits (event loop running) until n boxes have been answered; false on time-out.
    bool wait_boxes(int n, int timeout_ms = 10000);
    void clear();

  private:
    void poll();
    // Runs look_ on a new dialog once.
    void look_at(QWidget* modal);
    QTimer timer_;
    std::function<void(QWidget*)> look_;
    bool looking_ = false;
    std::deque<QMessageBox::StandardButton> answers_;
    std::deque<QString> files_;
    std::deque<std::function<void(tv::gui::ConvertDialog&)>> converters_;
    int convert_dialogs_ = 0;
    QList<SeenBox> boxes_;
    QList<SeenDialog> dialogs_;
};

// Waits until the running job (or the BMP check) has ended, keeping the event loop running
// so that the thread's calls into the window are served. False on time-out.
bool wait_for_job(int timeout_ms = 30000);
bool wait_for_check(int timeout_ms = 10000);

// A thread standing in for the core's worker. finish() waits for it with the event loop
// running (its calls into the window are served meanwhile) and joins it; a thread still
// running when the object goes (a failed test) is left behind rather than aborting.
class WorkerThread {
  public:
    explicit WorkerThread(std::function<void()> body);
    ~WorkerThread();
    bool finish(int timeout_ms = 5000);
    bool done() const { return *done_; }

  private:
    std::shared_ptr<std::atomic<bool>> done_;
    std::thread thread_;
};

// Picks item `index` of a selector as a user does: opens its list and clicks the item.
// False when the list did not open or the pick did not take.
bool pick(QComboBox* combo, int index);

// Clicks a widget with the left mouse button.
void click(QWidget* w);

// Writes a 1-bit BMP of w x h pixels, white with a black square of side min(w,h)/4 at
// (w/8, h/8); the name and the dark area are what the tests look for.
void write_mono_bmp(const QString& path, int w, int h);
// Writes a 1-bit logo picture (text and shapes) for screenshots.
void write_logo_bmp(const QString& path, int w, int h);

// settings.cfg in dir with these values.
struct Settings {
    int interface_index = 0;  // 0 serial, 1 Ethernet
    int protocol = 0;         // 0 printers, 2 cash registers
    std::string com = "COM1";
    int baud = 9600;
    int timeout = 2;
    std::string ip = "127.0.0.1";
    int tcp_port = 6666;
};
void write_settings(const std::string& dir, const Settings& s);

// Clears the chosen picture (name, size, preview flag) left by an earlier test, and the
// preview the window shows.
void forget_picture();

// The window's widget for a handle, cast to T (fails the caller's QVERIFY when missing).
template <class T>
T* w(const tv::gui::MainWindow& window, const char* handle);

// What the window's test programs hold: a start-up folder, the window and the stand-in
// user, and the steps they take. (No slots here: Qt Test would run them in every program.)
class WindowTest : public QObject {
  protected:
    std::unique_ptr<tv::test::TempDir> dir_;
    std::unique_ptr<tv::gui::MainWindow> window_;
    std::unique_ptr<ModalAnswerer> user_;

    // Makes the folder and the user; with show, builds and shows the window. False when
    // the window did not appear.
    bool open_window(bool show = true);
    // The window shown, with its folder the current one and logo.bmp (w x h) in it, as the
    // programs that run jobs want it. False when the window did not appear.
    bool open_window_with_logo(int w, int h);
    // The window's widget for a handle; a missing one ends the program.
    template <class T>
    T* get(const char* handle) {
        T* p = w<T>(*window_, handle);
        if (!p) qFatal("no widget %s of the expected class", handle);
        return p;
    }
    QString file(const char* name) const { return QString::fromStdString(dir_->file(name)); }
    // Starts the application from settings s with no picture chosen.
    void start_with(const Settings& s);
    // Chooses a picture through "Otwórz" and the file dialog, and waits for its check.
    bool choose(const QString& path);
    // Checks that the window's keyboard focus is (or soon is) on w: the control the keys go
    // to once the window is active again after a dialog, and then with the window active.
    void focus_lands_on(QWidget* w);
};

}  // namespace tv::guitest

template <class T>
T* tv::guitest::w(const tv::gui::MainWindow& window, const char* handle) {
    return qobject_cast<T*>(window.widget(handle));
}
