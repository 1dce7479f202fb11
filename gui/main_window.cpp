// The main window: panel widgets, host requests, preview, close and the trace-pane key.
#include "main_window.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QShortcut>
#include <QTableWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/shell.h"
#include "convert_dialog.h"
#include "fonts.h"
#include "icon.h"
#include "image/convert_session.h"
#include "image/preview.h"
#include "panel_input.h"
#include "panel_widgets.h"
#include "qt_host.h"
#include "raster_image.h"
#include "ui/Controls.h"
#include "ui/panel.h"
#include "ui/panel_layout.h"

namespace tv::gui {
namespace {

QMessageBox::Icon qicon(Icon icon) {
    switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MainWindow::MainWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QString::fromUtf8(tv::WINDOW_TITLE));
    setWindowIcon(thd_icon());
    setFixedSize(tv::kClientWidth, tv::kClientHeight);
    // The window's background is the button face, on which the labels, group boxes and check
    // boxes draw transparently.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);
    build_panel();
    // For technicians: F12 shows and hides the trace pane.
    auto* f12 = new QShortcut(QKeySequence(Qt::Key_F12), this);
    f12->setContext(Qt::WindowShortcut);
    connect(f12, &QShortcut::activated, this, [] { tv::toggle_trace_pane(); });
    close_wait_.setInterval(20);
    connect(&close_wait_, &QTimer::timeout, this, [this] { close_after_job(); });
    QtHost::instance().attach(this);
}

MainWindow::~MainWindow() { QtHost::instance().detach(this); }

void MainWindow::build_panel() {
    for (tv::Control* c : tv::all_controls()) {
        const tv::Control snap = tv::snapshot(c);
        QWidget* w = make_widget(snap, this);
        forward_input(c, w);
        widgets_[snap.handle] = w;
    }
    // Group frames and rules lie beneath the controls they enclose, so every click reaches
    // the control and the frame only draws around it.
    for (tv::Control* c : tv::all_controls())
        if (c->kind == tv::Kind::GroupBox) widgets_[c->handle]->lower();

    set_tab_order();

    // Under the progress bar, its right end in line with the bar's.
    auto* version = new QLabel(QString::fromStdString(tv::version_label_text()), this);
    version->setObjectName(QStringLiteral("version"));
    version->setFont(qfont(tv::F1));
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const tv::Rect at = tv::kVersionLabel;
    version->setGeometry(at.x, at.y, at.w, at.h);
}

void MainWindow::set_tab_order() {
    const auto& order = tv::tab_order();
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(widget(order[i - 1]->handle), widget(order[i]->handle));
    // What the order leaves out is reached by a click only.
    for (tv::Control* c : tv::all_controls()) {
        QWidget* w = widget(c->handle);
        if (std::find(order.begin(), order.end(), c) == order.end() && (w->focusPolicy() & Qt::TabFocus))
            w->setFocusPolicy(Qt::ClickFocus);
    }
}

void MainWindow::start(const std::string& startup_dir) { tv::app_start(startup_dir); }

QWidget* MainWindow::widget(const char* handle) const {
    auto it = widgets_.find(handle);
    return it == widgets_.end() ? nullptr : it->second;
}

Answer MainWindow::show_message_box(const std::string& caption, const std::string& text, Icon icon,
                                    Buttons buttons, Answer default_button) {
    QMessageBox box(qicon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::NoButton, isVisible() ? this : nullptr);
    box.setTextFormat(Qt::PlainText);  // device texts may hold '<' and '&'
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(default_button == Answer::Yes ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

void MainWindow::set_progress(int position) {
    if (auto* bar = qobject_cast<QProgressBar*>(widget("g_ProgressBar"))) bar->setValue(position);
}

void MainWindow::append_trace(const std::string& text) {
    auto* pane = qobject_cast<QPlainTextEdit*>(widget("gEdit_Info"));
    if (!pane) return;
    QTextCursor cursor(pane->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(display_text(text));
    pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
}

void MainWindow::replace_trace(const std::string& text) {
    if (auto* pane = qobject_cast<QPlainTextEdit*>(widget("gEdit_Info")))
        pane->setPlainText(display_text(text));
}

void MainWindow::sync_control(const char* handle) {
    QWidget* w = widget(handle);
    const tv::Control* c = tv::control_by_handle(handle);
    if (w && c) sync_widget(w, tv::snapshot(c));
}

bool MainWindow::open_file_dialog(const std::string& start_dir, std::string& path) {
    QStringList filters;
    for (const std::string& f : tv::picture_file_filters()) filters << QString::fromStdString(f);
    QFileDialog dialog(this, QString(), QString::fromStdString(start_dir),
                       filters.join(QStringLiteral(";;")));
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Qt's own dialog: the size, type and date columns as wide as what they show, the name
    // taking the rest, in a dialog wide enough for all four.
    if (auto* details = dialog.findChild<QTreeView*>()) {
        details->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
        dialog.resize(std::max(dialog.width(), 760), dialog.height());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const QString chosen = dialog.selectedFiles().constFirst();
    path = QDir::toNativeSeparators(chosen).toStdString();
    return true;
}

DialogResult MainWindow::show_convert_dialog(ConvertSession& session) {
    ConvertDialog dialog(session, isVisible() ? this : nullptr);
    return dialog.exec() == QDialog::Accepted ? DialogResult::Accepted : DialogResult::Cancelled;
}

int MainWindow::show_row_dialog(const std::string& caption, const std::vector<std::string>& columns,
                                const std::vector<std::vector<std::string>>& rows) {
    QDialog dialog(isVisible() ? this : nullptr);
    dialog.setObjectName("rowDialog");
    dialog.setWindowTitle(QString::fromStdString(caption));
    auto* table = new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(columns.size()), &dialog);
    table->setObjectName("rows");
    QStringList headings;
    for (const std::string& c : columns) headings << QString::fromStdString(c);
    table->setHorizontalHeaderLabels(headings);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size() && c < columns.size(); ++c)
            table->setItem(static_cast<int>(r), static_cast<int>(c),
                           new QTableWidgetItem(QString::fromStdString(rows[r][c])));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    if (!rows.empty()) table->selectRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(table, &QTableWidget::cellDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    dialog.resize(560, 260);
    if (dialog.exec() != QDialog::Accepted) return -1;
    return table->currentRow();
}

QRect MainWindow::preview_area() {
    const tv::Rect a = tv::kPreviewArea;
    return QRect(a.x, a.y, a.w, a.h);
}

void MainWindow::update_preview() {
    preview_ = raster_image(tv::preview_raster());
    update(preview_area());
}

void MainWindow::focus_control(const char* handle) {
    if (QWidget* w = widget(handle)) w->setFocus(Qt::OtherFocusReason);
}

void MainWindow::paintEvent(QPaintEvent*) {
    if (preview_.isNull()) return;  // no picture chosen, or one that cannot be read
    QPainter p(this);
    p.drawImage(QPoint(kPreviewCentreX - preview_.width() / 2, kPreviewCentreY - preview_.height() / 2),
                preview_);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (closed_) {
        e->accept();
        return;
    }
    if (close_wait_.isActive()) {  // already waiting for the job to stop
        e->ignore();
        return;
    }
    switch (tv::app_close_request()) {
        case tv::CloseRequest::Stay:
            e->ignore();
            return;
        case tv::CloseRequest::AfterJob:
            // The job is stopping; the window stays (its host serves the job's last calls)
            // until it has ended.
            e->ignore();
            close_limit_ms_ = tv::app_close_wait_ms();
            close_asked_.start();
            close_wait_.start();
            return;
        case tv::CloseRequest::Close:
            break;
    }
    closed_ = true;
    tv::app_close();
    e->accept();
}

void MainWindow::close_after_job() {
    if (tv::job_running() && close_asked_.elapsed() < close_limit_ms_) return;
    finish_close();
}

void MainWindow::finish_close() {
    close_wait_.stop();
    closed_ = true;
    tv::app_close();
    close();
}

}  // namespace tv::gui
