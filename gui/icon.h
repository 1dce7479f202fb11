// The window's small icon ("THDICON"): a receipt with a printed logo, drawn at 16 and 32
// pixels so that no image file has to ship with the program.
#pragma once
#include <QIcon>

namespace tv::gui {

QIcon thd_icon();

}  // namespace tv::gui
