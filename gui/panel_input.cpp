// Forwarding of user input from the panel's widgets to the core.
#include "panel_input.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

#include "app/shell.h"
#include "panel_widgets.h"
#include "ui/Controls.h"

namespace tv::gui {
namespace {

void forward_selector(tv::Control* model, QComboBox* combo) {
    if (auto* selector = dynamic_cast<Selector*>(combo))
        selector->on_open = [model] { tv::selector_opening(model); };
    QObject::connect(combo, &QComboBox::activated, combo,
                     [model](int index) { tv::selector_picked(model, index); });
}

void forward_edit(tv::Control* model, QLineEdit* edit) {
    // What is typed is what the field holds: the core checks it when a job would use it.
    QObject::connect(edit, &QLineEdit::textEdited, edit,
                     [model](const QString& t) { tv::set_text(model, t.toStdString()); });
}

}  // namespace

void forward_input(tv::Control* model, QWidget* w) {
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        // Push buttons and check boxes alike: the dispatch decides (a check box is toggled
        // in the model, and the widget follows).
        QObject::connect(button, &QAbstractButton::clicked, button,
                         [model] { tv::dispatch_command(model->id, tv::Notify::Clicked, model); });
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        forward_selector(model, combo);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (!edit->isReadOnly()) forward_edit(model, edit);
    }
}

}  // namespace tv::gui
