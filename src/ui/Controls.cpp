// The panel model's storage: the control table with its initial state, and the
// thread-safe accessors through which every other piece reads and sets it.
#include "ui/Controls.h"

#include <mutex>

#include "ui/host.h"
#include "ui/trace.h"

namespace tv {

const Font F1{"Tahoma", 16, 400, 238};
const Font F2{"Tahoma", 16, 600, 238};
const Font F3{"Tahoma", 17, 600, 238};
const Font F4{"Terminal", 12, 400, 255};

namespace {

std::mutex g_mutex;

std::vector<std::string> numbered(const char* prefix, int from, int to) {
    std::vector<std::string> v;
    for (int i = from; i <= to; ++i) v.push_back(prefix + std::to_string(i));
    return v;
}

std::vector<std::string> slots_with_all() {
    auto v = numbered("", 1, 6);
    v.push_back("1-6");
    return v;
}

std::vector<std::string> none_and_slots() {
    auto v = numbered("", 1, 6);
    v.insert(v.begin(), "Brak");
    return v;
}

Control make(const char* handle, Kind kind, int id, int x, int y, int w, int h, const Font* font,
             std::string text = {}, std::vector<std::string> items = {}, int selection = -1,
             bool visible = true, unsigned style = StyleNone, int max_len = 0) {
    return Control{
        handle,           kind, id,        x,     y,    w,       h, font, style, max_len, std::move(text),
        std::move(items), {},   selection, false, true, visible, 0};
}

// The panel in creation order, with every control's initial state.
std::vector<Control> initial_panel() {
    const auto B = Kind::Button, C = Kind::CheckBox, S = Kind::Selector, G = Kind::GroupBox, E = Kind::Edit,
               L = Kind::Label;
    return {
        make("g_ProgressBar", Kind::ProgressBar, 200, 15, 685, 974, 20, nullptr),
        make("gButt_ComDetect", B, 101, 35, 150, 135, 25, &F2, "Szukaj połączenia"),
        make("gButt_ComTest", B, 102, 180, 150, 125, 25, &F2, "Test połączenia"),
        make("gButt_File", B, 103, 200, 240, 105, 25, &F3, "Otwórz"),
        make("gButt_Send", B, 104, 200, 360, 105, 35, &F3, "Wyślij >>"),
        make("gButt_Clear", B, 105, 35, 360, 105, 35, &F3, "Wyczyść"),
        make("gButt_Set", B, 106, 230, 497, 75, 65, &F3, "Ustaw"),
        make("gButt_Rep", B, 107, 35, 630, 130, 25, &F3, "Raport grafik"),
        make("gCheck_Print", C, 500, 35, 405, 180, 25, &F2, "drukuj po wysłaniu"),
        make("gCheck_TestPrint", C, 501, 35, 570, 180, 25, &F2, "wydruk testowy"),
        make("gComb_COM", S, 0, 35, 113, 70, 240, &F1, {}, numbered("COM", 1, 99), 0, true, VScroll),
        make("gComb_Baudrate", S, 0, 125, 113, 70, 200, &F1, {},
             {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}, 3),
        make("gComb_Timeout", S, 0, 275, 113, 40, 200, &F1, {}, numbered("", 1, 99), 9, true, VScroll),
        make("gComb_Interface", S, 120, 35, 50, 110, 100, &F1, {}, {"RS232 / USB", "Ethernet"}, 0),
        make("gComb_Protocol", S, 120, 175, 50, 130, 100, &F1, {}, {"TARVIX - drukarki", "TARVIX - kasy"}, 0),
        make("gComb_Slot", S, 0, 135, 322, 50, 200, &F1, {}, slots_with_all(), 0),
        make("gComb_GrHdr", S, 0, 155, 498, 60, 200, &F1, {}, none_and_slots(), 0),
        make("gComb_GrFoot", S, 0, 155, 538, 60, 200, &F1, {}, none_and_slots(), 0),
        make("gComb_Rep", S, 0, 255, 630, 50, 200, &F1, {}, slots_with_all(), 6),
        make("gGroup_FrameCfg", G, 445, 15, 10, 310, 185, &F2, "Konfiguracja połączenia"),
        make("gGroup_FrameCfg2", G, 446, 20, 80, 295, 10, nullptr),
        make("gGroup_FrameGraf", G, 444, 15, 215, 310, 230, &F2, "Programowanie grafiki"),
        make("gGroup_FrameSet", G, 444, 15, 465, 310, 210, &F2, "Grafika w nagłówku / stopce"),
        make("gGroup_FrameSet2", G, 446, 20, 600, 295, 10, nullptr),
        make("gGroup_FrameBMP", G, 444, 338, 10, 651, 667, &F2, "Podgląd grafiki"),
        make("g_IPaddress", Kind::IpAddress, 201, 35, 113, 130, 23, &F1, "192.168.1.100", {}, -1, false),
        make("gEdit_PortTCP", E, 0, 185, 113, 50, 23, &F1, "3333", {}, -1, false, RightAlign, 5),
        make("gEdit_Info", E, 0, 343, 350, 640, 325, &F4, {}, {}, -1, false, MultiLine | ReadOnly | VScroll),
        make("gEdit_File", E, 0, 35, 268, 270, 41, &F1,
             "Bitmapa monochromatyczna\r\nMaksymalny rozmiar 640 x 640 pikseli", {}, -1, true,
             MultiLine | ReadOnly, 260),
        make("gStat_Interface", L, 0, 35, 31, 60, 16, &F1, "Interfejs"),
        make("gStat_Protocol", L, 0, 175, 31, 60, 16, &F1, "Protokół"),
        make("gStat_COM", L, 0, 35, 95, 70, 16, &F1, "Port"),
        make("gStat_Baudrate", L, 0, 145, 95, 70, 16, &F1, "Prędkość"),
        make("gStat_Timeout", L, 0, 250, 95, 65, 16, &F1, "Timeout(s)"),
        make("gStat_Address", L, 0, 35, 95, 70, 16, &F1, "Adres IP", {}, -1, false),
        make("gStat_TCPPort", L, 0, 185, 95, 50, 16, &F1, "Port", {}, -1, false),
        make("gStat_File", L, 0, 35, 250, 100, 16, &F1, "Plik z grafiką"),
        make("gStat_Slot", L, 0, 35, 326, 88, 16, &F1, "Nr grafiki (1-6)"),
        make("gStat_GrHdr", L, 0, 35, 500, 120, 16, &F1, "Nagłówek - grafika nr"),
        make("gStat_GrFoot", L, 0, 35, 540, 120, 16, &F1, "Stopka - grafika nr"),
        make("gStat_Rep", L, 0, 180, 634, 70, 16, &F1, "grafika nr"),
    };
}

std::vector<Control>& panel() {
    static std::vector<Control> p = initial_panel();
    return p;
}

Control* at(int i) { return &panel()[static_cast<std::size_t>(i)]; }

void notify(const Control* c) { host().control_changed(*c); }

// The one way a setter changes a control: change(control) runs under the lock and says
// whether anything changed; only then is the host told, outside the lock.
template <class Change>
void update(Control* c, Change change) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!change(*c)) return;
    }
    notify(c);
}

// A field of c read under the lock.
template <class T>
T read(const Control* c, T Control::*field) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return c->*field;
}

// Sets field to value; false when it held that value already.
template <class T>
bool assign(T& field, T value) {
    if (field == value) return false;
    field = std::move(value);
    return true;
}

// t cut after max_len characters (never inside one); whole when max_len is 0.
std::string cut_to(const std::string& t, int max_len) {
    if (max_len <= 0) return t;
    std::size_t chars = 0, i = 0;
    for (; i < t.size(); ++i) {
        if ((static_cast<unsigned char>(t[i]) & 0xC0) == 0x80) continue;
        if (chars++ == static_cast<std::size_t>(max_len)) break;
    }
    return t.substr(0, i);
}

}  // namespace

Control* g_ProgressBar = at(0);
Control* gButt_ComDetect = at(1);
Control* gButt_ComTest = at(2);
Control* gButt_File = at(3);
Control* gButt_Send = at(4);
Control* gButt_Clear = at(5);
Control* gButt_Set = at(6);
Control* gButt_Rep = at(7);
Control* gCheck_Print = at(8);
Control* gCheck_TestPrint = at(9);
Control* gComb_COM = at(10);
Control* gComb_Baudrate = at(11);
Control* gComb_Timeout = at(12);
Control* gComb_Interface = at(13);
Control* gComb_Protocol = at(14);
Control* gComb_Slot = at(15);
Control* gComb_GrHdr = at(16);
Control* gComb_GrFoot = at(17);
Control* gComb_Rep = at(18);
Control* gGroup_FrameCfg = at(19);
Control* gGroup_FrameCfg2 = at(20);
Control* gGroup_FrameGraf = at(21);
Control* gGroup_FrameSet = at(22);
Control* gGroup_FrameSet2 = at(23);
Control* gGroup_FrameBMP = at(24);
Control* g_IPaddress = at(25);
Control* gEdit_PortTCP = at(26);
Control* gEdit_Info = at(27);
Control* gEdit_File = at(28);
Control* gStat_Interface = at(29);
Control* gStat_Protocol = at(30);
Control* gStat_COM = at(31);
Control* gStat_Baudrate = at(32);
Control* gStat_Timeout = at(33);
Control* gStat_Address = at(34);
Control* gStat_TCPPort = at(35);
Control* gStat_File = at(36);
Control* gStat_Slot = at(37);
Control* gStat_GrHdr = at(38);
Control* gStat_GrFoot = at(39);
Control* gStat_Rep = at(40);

const std::vector<Control*>& all_controls() {
    static const std::vector<Control*> all = [] {
        std::vector<Control*> v;
        for (auto& c : panel()) v.push_back(&c);
        return v;
    }();
    return all;
}

Control* control_by_handle(const std::string& handle) {
    for (auto* c : all_controls())
        if (handle == c->handle) return c;
    return nullptr;
}

int sel(const Control* c) { return read(c, &Control::selection); }

void set_sel(Control* c, int index) {
    update(c, [&](Control& k) {
        return index >= 0 && index < static_cast<int>(k.items.size()) && assign(k.selection, index);
    });
}

std::string item(const Control* c, int index) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (index < 0 || index >= static_cast<int>(c->items.size())) return {};
    return c->items[static_cast<std::size_t>(index)];
}

int find_item(const Control* c, const std::string& t) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (std::size_t i = 0; i < c->items.size(); ++i)
        if (c->items[i] == t) return static_cast<int>(i);
    return -1;
}

void set_notes(Control* c, std::vector<std::string> notes) {
    update(c, [&](Control& k) {
        notes.resize(k.items.size());
        return assign(k.notes, std::move(notes));
    });
}

std::string item_label(const Control* c, int index) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (index < 0 || index >= static_cast<int>(c->items.size())) return {};
    const auto i = static_cast<std::size_t>(index);
    const bool noted = i < c->notes.size() && !c->notes[i].empty();
    return noted ? c->items[i] + "   " + c->notes[i] : c->items[i];
}

std::string text(const Control* c) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (c->kind == Kind::Selector) {
        if (c->selection < 0 || c->selection >= static_cast<int>(c->items.size())) return {};
        return c->items[static_cast<std::size_t>(c->selection)];
    }
    return c->text;
}

void set_text(Control* c, const std::string& t) {
    // The limit counts characters.
    update(c, [&](Control& k) { return assign(k.text, cut_to(t, k.max_len)); });
}

void append_text(Control* c, const std::string& t) {
    std::lock_guard<std::mutex> lock(g_mutex);
    c->text += t;
}

bool checked(const Control* c) { return read(c, &Control::checked); }

void set_checked(Control* c, bool on) {
    update(c, [&](Control& k) { return assign(k.checked, on); });
}

bool enabled(const Control* c) { return read(c, &Control::enabled); }

void enable(Control* c, bool on) {
    update(c, [&](Control& k) { return assign(k.enabled, on); });
}

bool visible(const Control* c) { return read(c, &Control::visible); }

void show(Control* c, bool on) {
    update(c, [&](Control& k) { return assign(k.visible, on); });
}

int position(const Control* c) { return read(c, &Control::position); }

void set_position(Control* c, int pos) {
    std::lock_guard<std::mutex> lock(g_mutex);
    c->position = pos;
}

Control snapshot(const Control* c) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return *c;
}

namespace {
const TracePane kTracePane{
    [](const std::string& t) { append_text(gEdit_Info, t); },
    [](const std::string& t) { set_text(gEdit_Info, t); },
    [](int position) { set_position(g_ProgressBar, position); },
};
[[maybe_unused]] const bool kTracePaneRegistered = (set_trace_pane(&kTracePane), true);
}  // namespace

void reset_controls() {
    auto fresh = initial_panel();
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (std::size_t i = 0; i < fresh.size(); ++i) panel()[i] = fresh[i];
    }
    for (auto* c : all_controls()) notify(c);
}

}  // namespace tv
