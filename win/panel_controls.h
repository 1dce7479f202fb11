// The panel's controls: one system control per control of the panel model, made from a
// snapshot of the control and brought up to date from later snapshots. No rule lives
// here: what a control shows is what the model holds.
#pragma once
#include <windows.h>

#include <string>

namespace tv {
struct Control;
}

namespace tv::win {

// The window class and styles for a control of the model; tab_stop: Tab visits it.
HWND make_control(const tv::Control& c, HWND parent, int id, bool tab_stop);
// Places the control at its model position and size for the density (a selector's height is
// that of its open list, as the model gives it; the system sets the closed box's height).
void place_control(HWND w, const tv::Control& c, UINT dpi);
// Brings the control up to the model's state: text, items, selection, check, enabled,
// visibility, progress position. The trace pane takes only a cleared text from the model:
// its text arrives through the host's trace calls, each in its turn.
void sync_control(HWND w, const tv::Control& c);
// What the address control shows, as the model's text: "a.b.c.d", "" when blank, and with
// an empty part for each blank field of a partly filled one.
std::string address_text(HWND w);
// What an edit shows for model text: control bytes as readable marks, lines ending CR LF.
std::wstring shown_text(const std::string& model_text);

// An owner-drawn selector's row: the open list shows each item with its note, the closed
// box the item alone.
void draw_selector_row(const DRAWITEMSTRUCT& d, const tv::Control* model);
// The open list's width: the selector's own, or more for its longest row.
int selector_list_width(HWND w, const tv::Control* model);

}  // namespace tv::win
