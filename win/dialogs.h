// The system's dialogs the core asks for: message boxes and the open-file dialog.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ui/host.h"

namespace tv::win {

// A message box owned by owner (none: on its own) with the core's caption, text, icon and
// buttons; the default button as given. Returns the button pressed (closing a Yes/No box
// is No).
Answer message_box(HWND owner, const std::string& caption, const std::string& text, Icon icon,
                   Buttons buttons, Answer default_button);

// The open-file dialog's filter list as the system wants it: each of the core's filters
// ("Bitmapy (*.bmp)") as its name and its patterns ("*.bmp;*.png"), every string ended by
// a zero, the list by another.
std::wstring file_filter_list(const std::vector<std::string>& filters);

// The open-file dialog, owned by owner, starting in start_dir, with the core's picture
// filters (the first chosen). True and the path (UTF-8) when a file was chosen.
bool choose_picture(HWND owner, const std::string& start_dir, std::string& path);

// A modal list owned by owner: the core's caption, column headings and rows in a list view,
// "OK" and "Anuluj" (a double click is OK). Returns the row chosen, or -1.
int choose_row(HWND owner, const std::string& caption, const std::vector<std::string>& columns,
               const std::vector<std::vector<std::string>>& rows);

}  // namespace tv::win
