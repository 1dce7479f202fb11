// The picture-conversion dialog.
#include "convert_dialog.h"

#include <algorithm>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>

#include "image/convert_session.h"
#include "raster_image.h"

namespace tv::gui {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
QString q(const char* s) { return QString::fromUtf8(s); }

constexpr int kViewW = 460;
constexpr int kViewH = 400;

// The source picture fitted into the view, over a light checkerboard where it is
// transparent.
QPixmap source_pixmap(const tv::logo::Picture& p) {
    const QImage rgba(p.pixels(), p.width, p.height, p.width * 4, QImage::Format_RGBA8888);
    const QImage fitted = rgba.scaled(kViewW, kViewH, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage canvas(fitted.size(), QImage::Format_RGB32);
    QPainter paint(&canvas);
    for (int y = 0; y < canvas.height(); y += 8)
        for (int x = 0; x < canvas.width(); x += 8)
            paint.fillRect(x, y, 8, 8, ((x + y) / 8) % 2 ? QColor(204, 204, 204) : QColor(255, 255, 255));
    paint.drawImage(0, 0, fitted);
    paint.end();
    return QPixmap::fromImage(canvas);
}

}  // namespace

ConvertDialog::ConvertDialog(tv::ConvertSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
    setWindowTitle(q(tv::convert_text::TITLE));
    build();
    show_model();
}

ConvertDialog::~ConvertDialog() { width_->disconnect(this); }

QImage ConvertDialog::logo_image(const tv::ConvertSession& session) { return raster_image(session.logo()); }

QImage ConvertDialog::shown_result() const { return result_view_->pixmap().toImage(); }

void ConvertDialog::build() {
    auto* views = new QHBoxLayout;
    views->addWidget(build_source_box());
    views->addWidget(build_result_box());
    auto* main = new QVBoxLayout(this);
    main->addLayout(views);
    main->addLayout(build_controls());
    main->addWidget(build_buttons());

    connect(width_, &QLineEdit::textEdited, this, [this] { width_typed(); });
    connect(width_, &QLineEdit::editingFinished, this, [this] { take_width(); });
    connect(method_, &QComboBox::currentIndexChanged, this, [this] { changed(); });
    connect(level_, &QSlider::valueChanged, this, [this] { changed(); });
    connect(level_auto_, &QCheckBox::toggled, this, [this] { changed(); });
    connect(invert_, &QCheckBox::toggled, this, [this] { changed(); });
    connect(zoom_fit_, &QRadioButton::toggled, this, [this] { draw_result(); });

    source_view_->setPixmap(source_pixmap(session_.shown_source()));
    source_text_->setText(q(session_.source_text()));
}

QGroupBox* ConvertDialog::build_source_box() {
    auto* box = new QGroupBox(q(tv::convert_text::SOURCE), this);
    source_view_ = new QLabel(box);
    source_view_->setObjectName(QStringLiteral("source"));
    source_view_->setAlignment(Qt::AlignCenter);
    source_view_->setFixedSize(kViewW, kViewH);
    source_text_ = new QLabel(box);
    source_text_->setObjectName(QStringLiteral("sourceText"));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(source_view_);
    layout->addWidget(source_text_);
    return box;
}

QGroupBox* ConvertDialog::build_result_box() {
    auto* box = new QGroupBox(q(tv::convert_text::RESULT), this);
    result_area_ = new QScrollArea(box);
    result_area_->setFixedSize(kViewW, kViewH);
    result_area_->setAlignment(Qt::AlignCenter);
    result_area_->setBackgroundRole(QPalette::Dark);
    result_area_->setFocusPolicy(Qt::NoFocus);  // it shows no focus: Tab passes it by
    result_view_ = new QLabel;
    result_view_->setObjectName(QStringLiteral("result"));
    result_area_->setWidget(result_view_);
    zoom_fit_ = new QRadioButton(q(tv::convert_text::ZOOM_FIT), box);
    zoom_fit_->setObjectName(QStringLiteral("zoomFit"));
    zoom_one_ = new QRadioButton(q(tv::convert_text::ZOOM_ONE), box);
    zoom_one_->setObjectName(QStringLiteral("zoomOne"));
    zoom_fit_->setChecked(true);
    result_text_ = new QLabel(box);
    result_text_->setObjectName(QStringLiteral("resultText"));
    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(result_text_, 1);
    zoomRow->addWidget(zoom_fit_);
    zoomRow->addWidget(zoom_one_);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(result_area_);
    layout->addLayout(zoomRow);
    return box;
}

QGridLayout* ConvertDialog::build_controls() {
    width_ = new QLineEdit(this);
    width_->setObjectName(QStringLiteral("width"));
    method_ = new QComboBox(this);
    method_->setObjectName(QStringLiteral("method"));
    for (tv::logo::Dither d : tv::logo::ALL_DITHERS) method_->addItem(q(tv::logo::dither_label(d)));
    level_ = new QSlider(Qt::Horizontal, this);
    level_->setObjectName(QStringLiteral("level"));
    level_->setRange(0, 255);
    level_value_ = new QLabel(this);
    level_value_->setObjectName(QStringLiteral("levelValue"));
    level_value_->setMinimumWidth(30);
    level_auto_ = new QCheckBox(q(tv::convert_text::LEVEL_AUTO), this);
    level_auto_->setObjectName(QStringLiteral("levelAuto"));
    invert_ = new QCheckBox(q(tv::convert_text::INVERT), this);
    invert_->setObjectName(QStringLiteral("invert"));

    auto* controls = new QGridLayout;
    controls->addWidget(new QLabel(q(tv::convert_text::WIDTH), this), 0, 0);
    controls->addWidget(width_, 0, 1);
    controls->addWidget(new QLabel(q(tv::convert_text::METHOD), this), 0, 2);
    controls->addWidget(method_, 0, 3, 1, 3);
    controls->addWidget(new QLabel(q(tv::convert_text::LEVEL), this), 1, 0);
    controls->addWidget(level_, 1, 1, 1, 3);
    controls->addWidget(level_value_, 1, 4);
    controls->addWidget(level_auto_, 1, 5);
    controls->addWidget(invert_, 2, 0, 1, 2);
    controls->setColumnStretch(3, 1);
    return controls;
}

QDialogButtonBox* ConvertDialog::build_buttons() {
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(q(tv::convert_text::OK), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(q(tv::convert_text::CANCEL), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

void ConvertDialog::accept() {
    take_width();
    // Enter in the width box shows the width typed and keeps the dialog open, also when the
    // width was already in effect; "OK" takes the result.
    if (width_->hasFocus()) return;
    if (session_.accept()) QDialog::accept();
}

void ConvertDialog::width_typed() {
    session_.set_width_text(width_->text().toStdString());
    mark_width();
    result_text_->setText(q(session_.status_text()));
}

bool ConvertDialog::take_width() {
    if (!session_.take_typed_width()) return false;
    show_model();
    return true;
}

void ConvertDialog::mark_width() {
    const bool ok = session_.width_ok();
    width_->setStyleSheet(ok ? QString() : QStringLiteral("QLineEdit { background: #ffd6d6; }"));
    width_->setToolTip(ok ? QString() : q(session_.width_problem()));
}

void ConvertDialog::changed() {
    if (showing_) return;
    tv::logo::Options& o = session_.options;
    o.dither = tv::logo::ALL_DITHERS[std::max(0, method_->currentIndex())];
    o.level = level_auto_->isChecked() ? tv::logo::AUTO_LEVEL : level_->value();
    o.invert = invert_->isChecked();
    session_.update();
    show_model();
}

void ConvertDialog::show_model() {
    showing_ = true;
    const tv::logo::Options& o = session_.options;
    if (width_->text() != q(session_.width_text())) width_->setText(q(session_.width_text()));
    mark_width();
    for (int i = 0; i < method_->count(); ++i)
        if (tv::logo::ALL_DITHERS[i] == o.dither) method_->setCurrentIndex(i);
    level_auto_->setEnabled(session_.level_applies());
    level_auto_->setChecked(o.level == tv::logo::AUTO_LEVEL);
    level_->setEnabled(session_.level_slider_enabled());
    level_->setValue(session_.slider_level());
    level_value_->setEnabled(session_.level_applies());
    level_value_->setText(QString::number(session_.slider_level()));
    invert_->setChecked(o.invert);
    result_text_->setText(q(session_.status_text()));
    result_ = logo_image(session_);
    draw_result();
    showing_ = false;
}

void ConvertDialog::draw_result() {
    if (result_.isNull()) return;
    QImage shown = result_;
    if (zoom_fit_->isChecked()) {
        const QSize room = result_area_->maximumViewportSize() - QSize(2, 2);
        // A small logo is enlarged by a whole factor, each dot a square of equal size; a
        // large one is shrunk by averaging, which shows the grey a field of dots makes.
        const int factor = std::min(room.width() / result_.width(), room.height() / result_.height());
        if (factor >= 1)
            shown = result_.scaled(result_.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        else
            shown = result_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    result_view_->setPixmap(QPixmap::fromImage(shown));
    result_view_->resize(shown.size());
}

void ConvertDialog::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    draw_result();
}

}  // namespace tv::gui
