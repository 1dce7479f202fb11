// The picture-conversion dialog "Zamiana obrazu na logo": the source on the left, the 1-bit
// result on the right as the device will print it, and the controls of the conversion
// (width, method, level, invert). It draws the core's model (tv::ConvertSession) and
// forwards every change to it; the rules and texts are the core's.
#pragma once
#include <windows.h>

#include "ui/host.h"

namespace tv::win {

// The dialog's controls (the tests find them by these ids; OK and Cancel are IDOK and
// IDCANCEL).
namespace convert_id {
enum : int {
    SourceView = 100,
    SourceText,
    ResultView,
    ResultText,
    ZoomFit,
    ZoomOne,
    Width,
    WidthSpin,
    Method,
    Level,
    LevelValue,
    LevelAuto,
    Invert,
    Label = 200,  // the group frames and the labels beside the controls: 200 and on
};
}  // namespace convert_id

// Shows the dialog, modal, owned by owner (none: on its own). "OK" gives Accepted.
DialogResult run_convert_dialog(HWND owner, ConvertSession& session);

}  // namespace tv::win
