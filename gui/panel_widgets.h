// The panel's widgets: one Qt widget per control of the panel model, made from a snapshot
// of the control and brought up to date from later snapshots. No rule lives here: what a
// control shows is what the model holds.
#pragma once
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <functional>

#include "ui/Controls.h"

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

// The IP address field: accepts a dotted IPv4 address only; text left half-typed when the
// field loses focus goes back to the address the model holds.
class IpAddressEdit : public QLineEdit {
public:
    IpAddressEdit(const tv::Control& c, QWidget* parent);
protected:
    void focusOutEvent(QFocusEvent* e) override;
private:
    const char* handle_;  // the control's handle name (static text of the model table)
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
// Display form of model text: line breaks are "\r\n" in the model, "\n" on this face.
QString display_text(const std::string& model_text);

}  // namespace tv::gui
