// What the user does to a control goes to the core: clicks to the command dispatch, picks
// in a selector to the model and then the dispatch, typing in an edit to the model.
#pragma once

class QWidget;

namespace tv {
struct Control;
}

namespace tv::gui {

// Connects the widget's user signals for the live control `model`.
void forward_input(tv::Control* model, QWidget* w);

}  // namespace tv::gui
