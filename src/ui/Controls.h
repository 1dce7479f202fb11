// The control panel as a model: every control of the main window with its handle name,
// kind, id, position, font, texts and state. Faces draw it; the core reads and sets it.
// All state access goes through the functions below, which are safe from any thread.
#pragma once
#include <string>
#include <vector>

namespace tv {

enum class Kind { ProgressBar, Button, CheckBox, Selector, GroupBox, IpAddress, Edit, Label };

struct Font {
    const char* face;
    int height;
    int weight;
    int charset;
};
extern const Font F1, F2, F3, F4;

enum Style : unsigned {
    StyleNone = 0,
    VScroll = 1,     // selector or edit with a vertical scroll bar
    RightAlign = 2,  // edit text aligned right
    MultiLine = 4,   // multi-line edit
    ReadOnly = 8,    // read-only edit
};

struct Control {
    // Fixed description.
    const char* handle;
    Kind kind;
    int id;
    int x, y, w, h;
    const Font* font;  // nullptr: the face's default
    unsigned style;
    int max_len;  // edits: at most this many characters (0: no limit)
    // State (read and written through the functions below).
    std::string text;                // label/button/edit text; unused by selectors
    std::vector<std::string> items;  // selector items
    std::vector<std::string> notes;  // selector: a note shown beside each item ("" none)
    int selection;                   // selector index, -1 none
    bool checked;
    bool enabled;
    bool visible;
    int position;  // progress bar
};

// Control handles, in creation order.
extern Control* g_ProgressBar;
extern Control* gButt_ComDetect;
extern Control* gButt_ComTest;
extern Control* gButt_File;
extern Control* gButt_Send;
extern Control* gButt_Clear;
extern Control* gButt_Set;
extern Control* gButt_Rep;
extern Control* gCheck_Print;
extern Control* gCheck_TestPrint;
extern Control* gComb_COM;
extern Control* gComb_Baudrate;
extern Control* gComb_Timeout;
extern Control* gComb_Interface;
extern Control* gComb_Protocol;
extern Control* gComb_Slot;
extern Control* gComb_GrHdr;
extern Control* gComb_GrFoot;
extern Control* gComb_Rep;
extern Control* gGroup_FrameCfg;
extern Control* gGroup_FrameCfg2;
extern Control* gGroup_FrameGraf;
extern Control* gGroup_FrameSet;
extern Control* gGroup_FrameSet2;
extern Control* gGroup_FrameBMP;
extern Control* g_IPaddress;
extern Control* gEdit_PortTCP;
extern Control* gEdit_Info;
extern Control* gEdit_File;
extern Control* gStat_Interface;
extern Control* gStat_Protocol;
extern Control* gStat_COM;
extern Control* gStat_Baudrate;
extern Control* gStat_Timeout;
extern Control* gStat_Address;
extern Control* gStat_TCPPort;
extern Control* gStat_File;
extern Control* gStat_Slot;
extern Control* gStat_GrHdr;
extern Control* gStat_GrFoot;
extern Control* gStat_Rep;

// Every control in creation order (for faces that draw the whole panel).
const std::vector<Control*>& all_controls();
Control* control_by_handle(const std::string& handle);

// State access, safe from any thread. Setters tell the host what changed.
int sel(const Control* c);                                 // selector index (-1 none)
void set_sel(Control* c, int index);                       // out-of-range index: no change
std::string item(const Control* c, int index);             // "" when out of range
int find_item(const Control* c, const std::string& text);  // exact match, -1 none
// Selector notes, index for index with the items; the items themselves (what settings and
// the console tool name) stay as they are.
void set_notes(Control* c, std::vector<std::string> notes);
// An item as the open list shows it: its text and, when it has one, its note.
std::string item_label(const Control* c, int index);
std::string text(const Control* c);  // selectors: the selected item's text
void set_text(Control* c, const std::string& t);
void append_text(Control* c, const std::string& t);  // no host notice (trace pane)
bool checked(const Control* c);
void set_checked(Control* c, bool on);
bool enabled(const Control* c);
void enable(Control* c, bool on);
bool visible(const Control* c);
void show(Control* c, bool on);
int position(const Control* c);
void set_position(Control* c, int pos);  // no host notice: see set_progress

// Copies every control's state at once (for a face that redraws from the model).
Control snapshot(const Control* c);

// Resets every control to its initial state (used by mk_interface).
void reset_controls();

}  // namespace tv
