// Widgets for the controls of the panel model.
#include "panel_widgets.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <cstring>

#include "fonts.h"
#include "ui/panel_layout.h"
#include "ui/trace.h"

namespace tv::gui {
namespace {

bool is(const tv::Control& c, const char* handle) { return std::strcmp(c.handle, handle) == 0; }

QColor qcolor(tv::Rgb c) { return QColor(c.r, c.g, c.b); }

// Foreground on background, on the edit's own palette.
void colour_edit(QWidget* w, const QColor& text, const QColor& base) {
    QPalette pal = w->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Base, base);
        pal.setColor(group, QPalette::Text, text);
    }
    w->setPalette(pal);
}

QWidget* make_selector(const tv::Control& c, QWidget* parent) {
    auto* combo = new Selector(parent);
    combo->setEditable(false);
    for (const auto& s : c.items) combo->addItem(QString::fromStdString(s), QString::fromStdString(s));
    combo->setCurrentIndex(c.selection);
    // As many rows in the open list as the model's list height holds (about 16 px each).
    combo->setMaxVisibleItems(std::max(2, (c.h - kSelectorHeight) / 16));
    combo->setGeometry(c.x, c.y, c.w, kSelectorHeight);
    return combo;
}

QWidget* make_edit(const tv::Control& c, QWidget* parent) {
    if (c.style & tv::MultiLine) {
        auto* e = new QPlainTextEdit(parent);
        e->setReadOnly(c.style & tv::ReadOnly);
        // The trace pane wraps; the file box keeps the name on its first line, however long,
        // so that the size line under it stays in view.
        e->setLineWrapMode((c.style & tv::VScroll) ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        e->setVerticalScrollBarPolicy((c.style & tv::VScroll) ? Qt::ScrollBarAlwaysOn
                                                              : Qt::ScrollBarAlwaysOff);
        e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        e->document()->setDocumentMargin(1);
        e->setPlainText(display_text(c.text));
        return e;
    }
    // The one single-line edit is the TCP port.
    auto* e = new FieldEdit(QString::fromStdString(c.text), &tv::tcp_port_faults, parent);
    if (c.style & tv::RightAlign) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (c.max_len > 0) e->setMaxLength(c.max_len);
    e->setReadOnly(c.style & tv::ReadOnly);
    return e;
}

QWidget* make_bare(const tv::Control& c, QWidget* parent) {
    switch (c.kind) {
        case tv::Kind::ProgressBar: {
            auto* bar = new QProgressBar(parent);
            bar->setRange(0, 100);
            bar->setValue(c.position);
            bar->setTextVisible(false);
            return bar;
        }
        case tv::Kind::Button:
            return new QPushButton(QString::fromStdString(c.text), parent);
        case tv::Kind::CheckBox:
            return new ModelCheckBox(QString::fromStdString(c.text), parent);
        case tv::Kind::Selector:
            return make_selector(c, parent);
        case tv::Kind::GroupBox:
            if (c.text.empty()) {
                // A group box without a caption serves as a dividing rule.
                auto* rule = new QFrame(parent);
                rule->setFrameShape(QFrame::HLine);
                rule->setFrameShadow(QFrame::Sunken);
                return rule;
            }
            {
                // An etched frame whose top line runs through the middle of the caption.
                auto* group = new QGroupBox(QString::fromStdString(c.text), parent);
                group->setStyleSheet(QStringLiteral(
                    "QGroupBox { border: 2px groove palette(mid); border-radius: 0px; margin-top: 7px; }"
                    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                    " left: 7px; padding: 0px 2px; }"));
                return group;
            }
        case tv::Kind::IpAddress:
            return new FieldEdit(QString::fromStdString(c.text), &tv::ip_address_faults, parent);
        case tv::Kind::Edit:
            return make_edit(c, parent);
        case tv::Kind::Label:
            return new QLabel(QString::fromStdString(c.text), parent);
    }
    return new QWidget(parent);
}

}  // namespace

FieldEdit::FieldEdit(const QString& text, Check check, QWidget* parent)
    : QLineEdit(text, parent), check_(check) {
    // A changed text may change what is marked.
    connect(this, &QLineEdit::textChanged, this, [this] { update(); });
}

QList<QPair<int, int>> FieldEdit::marked() const {
    // The core counts characters; QString positions count UTF-16 units.
    const QString t = text();
    QList<int> unit_of;  // the position in t of each character
    for (int i = 0; i < t.size(); ++i) {
        if (t.at(i).isLowSurrogate() && i > 0 && t.at(i - 1).isHighSurrogate()) continue;
        unit_of << i;
    }
    unit_of << t.size();
    QList<QPair<int, int>> spans;
    for (const tv::TextSpan& s : check_(t.toStdString())) {
        const int from = unit_of.value(s.start, t.size());
        const int to = unit_of.value(s.start + s.length, t.size());
        if (to > from) spans << qMakePair(from, to - from);
    }
    return spans;
}

void FieldEdit::paintEvent(QPaintEvent* e) {
    QLineEdit::paintEvent(e);
    const QList<QPair<int, int>> spans = marked();
    if (spans.isEmpty()) return;
    // Where the text starts: the cursor's rectangle (5 pixels left of the cursor's x) less
    // the width of the text before the cursor; this holds with any alignment and scrolling.
    const QFontMetrics fm(font());
    const QString t = text();
    const int origin = cursorRect().x() + 5 - fm.horizontalAdvance(t.left(cursorPosition()));
    const QRect inner = contentsRect().adjusted(1, 2, -1, -2);
    QPainter p(this);
    p.setClipRect(inner);
    for (const auto& [from, length] : spans) {
        const int x0 = origin + fm.horizontalAdvance(t.left(from));
        const int x1 = origin + fm.horizontalAdvance(t.left(from + length));
        const QRect part(x0, inner.top(), std::max(x1 - x0, 2), inner.height());
        // A red tint under the part's letters, and a red line beneath them.
        p.setCompositionMode(QPainter::CompositionMode_Multiply);
        p.fillRect(part, QColor(255, 160, 160));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.fillRect(QRect(part.left(), part.bottom() - 1, part.width(), 2), QColor(210, 0, 0));
    }
}

void Selector::showPopup() {
    if (on_open) on_open();
    // The list is as wide as its longest row; the closed box keeps its own width.
    view()->setMinimumWidth(std::max(width(), view()->sizeHintForColumn(0) + 24));
    QComboBox::showPopup();
}

void Selector::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    if (currentIndex() >= 0) option.currentText = itemData(currentIndex(), Qt::UserRole).toString();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

QString display_text(const std::string& model_text) {
    return QString::fromStdString(tv::readable_trace(model_text));
}

QWidget* make_widget(const tv::Control& c, QWidget* parent) {
    QWidget* w = make_bare(c, parent);
    w->setObjectName(QString::fromUtf8(c.handle));
    if (c.kind != tv::Kind::Selector) w->setGeometry(c.x, c.y, c.w, c.h);
    if (c.font) w->setFont(qfont(*c.font));
    if (is(c, "gEdit_Info")) colour_edit(w, qcolor(tv::kTraceText), qcolor(tv::kTraceBackground));
    if (is(c, "gEdit_File"))
        colour_edit(w, w->palette().color(QPalette::Text), qcolor(tv::kFileBoxBackground));
    // Labels, group boxes and check boxes draw on the window's button face (no fill).
    w->setAutoFillBackground(false);
    sync_widget(w, c);
    return w;
}

void sync_widget(QWidget* w, const tv::Control& c) {
    const QString text = QString::fromStdString(c.text);
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        if (b->text() != text) b->setText(text);
    } else if (auto* cb = qobject_cast<QCheckBox*>(w)) {
        if (cb->text() != text) cb->setText(text);
        cb->setChecked(c.checked);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        const QSignalBlocker block(combo);
        // Rows show the core's labels (item and note); the item itself rides along for
        // the closed box.
        QStringList labels;
        for (int i = 0; i < static_cast<int>(c.items.size()); ++i)
            labels << QString::fromStdString(tv::item_label(&c, i));
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
        if (shown != labels) {
            combo->clear();
            for (int i = 0; i < labels.size(); ++i)
                combo->addItem(labels[i], QString::fromStdString(c.items[static_cast<std::size_t>(i)]));
        }
        combo->setCurrentIndex(c.selection);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text() != text) label->setText(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
        if (line->text() != text) line->setText(text);
    } else if (auto* pane = qobject_cast<QPlainTextEdit*>(w)) {
        // The trace pane's text arrives through the host's trace calls, each in its turn; a
        // copy taken here could already hold a piece whose append is still on its way.
        // Only a cleared pane is taken from the model.
        if (!is(c, "gEdit_Info")) {
            const QString shown = display_text(c.text);
            if (pane->toPlainText() != shown) pane->setPlainText(shown);
        } else if (c.text.empty() && !pane->document()->isEmpty()) {
            pane->clear();
        }
    } else if (auto* bar = qobject_cast<QProgressBar*>(w)) {
        bar->setValue(c.position);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        if (group->title() != text) group->setTitle(text);
    }
    w->setEnabled(c.enabled);
    w->setVisible(c.visible);
}

}  // namespace tv::gui
