// The panel's widgets: one Qt widget per control of the panel model, made from a snapshot
// of the control and brought up to date from later snapshots. No rule lives here: what a
// control shows is what the model holds.
#pragma once
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QList>
#include <QPair>
#include <functional>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/fields.h"

class QWidget;

namespace tv::gui {

// A check box that does not toggle itself: a click is only reported, and the box shows
// the model's state when the model says so.
class ModelCheckBox : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    void nextCheckState() override {}
};

// A typed link field (the IP address, the TCP port): keeps every keystroke, and marks in
// red the parts of its text that the core's check finds wrong.
class FieldEdit : public QLineEdit {
    Q_OBJECT
  public:
    using Check = std::vector<tv::TextSpan> (*)(const std::string&);
    FieldEdit(const QString& text, Check check, QWidget* parent);
    // The marked stretches, in positions of text().
    QList<QPair<int, int>> marked() const;

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    Check check_;
};

// A selector whose open list shows each item with the core's note beside it (the port
// selector: which ports exist), while the closed box shows the item alone. on_open runs
// just before the list opens, so the core can bring the notes up to date.
class Selector : public QComboBox {
  public:
    using QComboBox::QComboBox;
    std::function<void()> on_open;
    void showPopup() override;

  protected:
    void paintEvent(QPaintEvent* e) override;
};

// A selector's closed height: the model's height includes the drop-down list.
constexpr int kSelectorHeight = 23;

// Makes the widget for a control (from its snapshot), named after its handle, placed at
// its position, in its font and colours, in its initial state.
QWidget* make_widget(const tv::Control& c, QWidget* parent);
// Brings the widget up to the control's state: text, items, selection, check, enabled,
// visibility, progress position.
void sync_widget(QWidget* w, const tv::Control& c);
// Display form of model text: line breaks are "\r\n" in the model, "\n" on this face, and
// control bytes of the trace show as readable marks.
QString display_text(const std::string& model_text);

}  // namespace tv::gui
