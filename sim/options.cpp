// Parsing of the simulator's command line into Options.
#include "options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "common/help_text.h"
#include "common/hex.h"

namespace tv::sim {

namespace {

bool parse_long(const std::string& text, long min, long max, long& out) {
    if (text.empty() || text.size() > 18) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    errno = 0;
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || v < min || v > max) return false;
    out = v;
    return true;
}

bool parse_int(const std::string& text, int min, int max, int& out) {
    long v = 0;
    if (!parse_long(text, min, max, v)) return false;
    out = static_cast<int>(v);
    return true;
}

// "*" (every command) or a command number from 1.
bool parse_command(const std::string& text, CommandNo& out) {
    if (text == "*") {
        out = 0;
        return true;
    }
    return parse_long(text, 1, 1000000000L, out);
}

// "K:VALUE" with the value from min to max.
bool parse_pair(const std::string& text, int min, int max, CommandNo& k, int& value) {
    auto colon = text.find(':');
    if (colon == std::string::npos) return false;
    return parse_command(text.substr(0, colon), k) && parse_int(text.substr(colon + 1), min, max, value);
}

bool parse_hex_bytes(const std::string& text, std::string& out) {
    if (text.empty() || text.size() % 2 != 0 || text.size() > 2048) return false;
    out.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int hi = hex_value(text[i]), lo = hex_value(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

// "K:N" into a fault keyed by command numbers.
bool add_pair(const std::string& text, int min, int max, std::map<CommandNo, int>& fault) {
    CommandNo k = 0;
    int n = 0;
    if (!parse_pair(text, min, max, k, n)) return false;
    fault[k] = n;
    return true;
}

bool add_command(const std::string& text, std::set<CommandNo>& fault) {
    CommandNo k = 0;
    if (!parse_command(text, k)) return false;
    fault.insert(k);
    return true;
}

// "K:COMMAND", the command at most 16 characters.
bool add_wrong_reply(const std::string& text, std::map<CommandNo, std::string>& fault) {
    CommandNo k = 0;
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon + 1 >= text.size() || text.size() - colon > 17 ||
        !parse_command(text.substr(0, colon), k))
        return false;
    fault[k] = text.substr(colon + 1);
    return true;
}

// "K", or "K:HEX" with the bytes in hex digits; without them "***".
bool add_junk(const std::string& text, std::map<CommandNo, std::string>& fault) {
    CommandNo k = 0;
    const auto colon = text.find(':');
    std::string bytes = "***";
    if (!parse_command(text.substr(0, colon), k)) return false;
    if (colon != std::string::npos && !parse_hex_bytes(text.substr(colon + 1), bytes)) return false;
    fault[k] = bytes;
    return true;
}

bool add_slot(const std::string& text, std::set<int>& slots) {
    int n = 0;
    if (!parse_int(text, 1, 6, n)) return false;
    slots.insert(n);
    return true;
}

bool device_named(const std::string& name, DeviceKind& device) {
    if (name != "printer" && name != "register") return false;
    device = name == "printer" ? DeviceKind::Printer : DeviceKind::Register;
    return true;
}

// A text value, which may be empty; and one which may not.
bool store(const std::string& text, std::string& field) {
    field = text;
    return true;
}
bool store_some(const std::string& text, std::string& field) {
    field = text;
    return !text.empty();
}

// The options read so far, and what the check of the whole line needs.
struct Reading {
    Options& o;
    bool tcp_given = false;
};

// What an option does with its value (empty for a flag); false when the value is not valid.
using Act = bool (*)(Reading& r, const std::string& value);

// One option: its names (separated by commas), whether a value follows it, what it does, and
// its line of the help (the option as shown and its text).
struct OptionRow {
    const char* names;
    bool takes_value;
    Act act;
    const char* shown;
    const char* help;
    std::size_t column = 25;  // where the help's text starts
};

template <bool Options::*flag>
bool set_flag(Reading& r, const std::string&) {
    r.o.*flag = true;
    return true;
}

// A line of the help between the options: a heading, or a note.
constexpr OptionRow heading(const char* text) { return {nullptr, false, nullptr, nullptr, text}; }

const OptionRow kOptions[] = {
    heading("Użycie: tarvix-vizaze-sim [opcje]\n"
            "Symulator drukarki fiskalnej lub kasy fiskalnej dla Tarvix Vizaze.\n"
            "\n"
            "Urządzenie:"),
    {"--printer", false, [](Reading& r, const std::string&) { return device_named("printer", r.o.device); },
     "--printer", "drukarka fiskalna, protokół tekstowy (domyślnie)"},
    {"--register", false, [](Reading& r, const std::string&) { return device_named("register", r.o.device); },
     "--register", "kasa fiskalna, protokół binarny"},
    {"--device", true, [](Reading& r, const std::string& v) { return device_named(v, r.o.device); },
     "--device printer|register", "to samo co wyżej", 27},
    heading("Połączenie:"),
    {"--tcp", true,
     [](Reading& r, const std::string& v) {
         r.tcp_given = true;
         return parse_int(v, 0, 65535, r.o.tcp_port);
     },
     "--tcp PORT", "nasłuch na 127.0.0.1:PORT (domyślnie 6666; 0 = dowolny wolny)"},
    {"--listen", true,
     [](Reading& r, const std::string& v) {
         // Loopback only: a simulated device never stands on a real network.
         unsigned a = 0, b = 0, c = 0, d = 0;
         char end = 0;
         if (std::sscanf(v.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &end) != 4 || a != 127 || b > 255 ||
             c > 255 || d > 255)
             return false;
         r.o.listen_address = v;
         return true;
     },
     "--listen ADRES", "nasłuch na tym adresie z 127.0.0.0/8 (domyślnie 127.0.0.1)"},
    {"--pty", true,
     [](Reading& r, const std::string& v) {
         r.o.use_pty = true;
         return store_some(v, r.o.pty_link);
     },
     "--pty ŚCIEŻKA",
     "pseudoterminal; dowiązanie symboliczne ŚCIEŻKA wskazuje jego\n"
     "stronę podrzędną (np. ports/com3)"},
    heading("Tożsamość:"),
    {"--name", true, [](Reading& r, const std::string& v) { return store(v, r.o.printer_name); },
     "--name TEKST", "typ drukarki (sid: nm), domyślnie \"TARVIX SIM\""},
    {"--fw-version", true, [](Reading& r, const std::string& v) { return store(v, r.o.printer_version); },
     "--fw-version TEKST", "wersja (sid: vr), domyślnie \"1.00\""},
    {"--unique", true, [](Reading& r, const std::string& v) { return store(v, r.o.unique_number); },
     "--unique TEKST", "numer unikatowy (scomm: nu), domyślnie \"ABC12345678\""},
    {"--fiscal", true,
     [](Reading& r, const std::string& v) { return (v == "T" || v == "N") && store(v, r.o.fiscal_mode); },
     "--fiscal T|N", "tryb fiskalny lub niefiskalny (scomm: fs), domyślnie T"},
    {"--status", true,
     [](Reading& r, const std::string& v) { return parse_int(v, 0, 999, r.o.device_status); }, "--status N",
     "status urządzenia (!sdev: ds), domyślnie 0"},
    {"--model", true, [](Reading& r, const std::string& v) { return parse_int(v, 0, 255, r.o.model); },
     "--model N", "kod modelu kasy (status 501), domyślnie 5"},
    heading("Pliki:"),
    {"--store", true, [](Reading& r, const std::string& v) { return store(v, r.o.store_dir); },
     "--store KATALOG",
     "po każdym udanym programowaniu zapisuje KATALOG/slotN.pbm\n"
     "i KATALOG/state.txt"},
    {"--dump", true, [](Reading& r, const std::string& v) { return store(v, r.o.dump_dir); },
     "--dump KATALOG", "to samo przy zakończeniu pracy"},
    {"--log", true, [](Reading& r, const std::string& v) { return store(v, r.o.log_file); }, "--log PLIK",
     "dopisuje każdą odebraną ramkę do PLIK (binarnie) i PLIK.hex"},
    heading("Awarie (K = numer polecenia od 1 albo * = każde polecenie; opcje można powtarzać):"),
    {"--fail", true, [](Reading& r, const std::string& v) { return add_pair(v, 0, 65535, r.o.fail); },
     "--fail K:N", "odpowiedź z błędem N na polecenie K"},
    {"--no-reply", true, [](Reading& r, const std::string& v) { return add_command(v, r.o.no_reply); },
     "--no-reply K", "brak odpowiedzi na polecenie K"},
    {"--bad-crc", true, [](Reading& r, const std::string& v) { return add_command(v, r.o.bad_crc); },
     "--bad-crc K", "błędna suma kontrolna w odpowiedzi K"},
    {"--drop", true, [](Reading& r, const std::string& v) { return add_command(v, r.o.drop); }, "--drop K",
     "zerwanie połączenia przy poleceniu K"},
    {"--stale", true, [](Reading& r, const std::string& v) { return add_command(v, r.o.stale); }, "--stale K",
     "na polecenie K odpowiedź przeznaczona dla K-1"},
    {"--delay", true, [](Reading& r, const std::string& v) { return add_pair(v, 0, 600000, r.o.delay_ms); },
     "--delay K:MS", "odpowiedź K opóźniona o MS milisekund"},
    {"--junk", true, [](Reading& r, const std::string& v) { return add_junk(v, r.o.junk); }, "--junk K[:HEX]",
     "dodatkowe bajty po odpowiedzi K (domyślnie \"***\")"},
    {"--trickle", true,
     [](Reading& r, const std::string& v) { return parse_int(v, 0, 10000, r.o.trickle_ms); }, "--trickle MS",
     "każda odpowiedź bajt po bajcie, MS ms przerwy na bajt"},
    {"--cut", true, [](Reading& r, const std::string& v) { return add_pair(v, 0, 65535, r.o.cut); },
     "--cut K:N", "z odpowiedzi K wysyłane jest tylko N pierwszych bajtów"},
    {"--reset", true, [](Reading& r, const std::string& v) { return add_command(v, r.o.reset); }, "--reset K",
     "zerwanie połączenia przy poleceniu K przez RST (TCP)"},
    {"--wrong-reply", true,
     [](Reading& r, const std::string& v) { return add_wrong_reply(v, r.o.wrong_reply); },
     "--wrong-reply K:POL", "na polecenie K odpowiedź na polecenie POL (nazwa lub CMD_ID)"},
    {"--read-only", true, [](Reading& r, const std::string& v) { return add_slot(v, r.o.read_only_slots); },
     "--read-only N", "slot N tylko do odczytu (błąd 3252)"},
    heading("Praca w tle:"),
    {"--background", false, set_flag<&Options::background>, "--background",
     "uruchamia symulator w tle; polecenie kończy się (kod 0), gdy\n"
     "symulator już nasłuchuje, i wypisuje jego wiersz READY"},
    {"--pid-file", true, [](Reading& r, const std::string& v) { return store_some(v, r.o.pid_file); },
     "--pid-file PLIK", "zapisuje numer procesu symulatora do PLIKU (usuwany przy końcu)"},
    heading("Inne:"),
    {"--verbose,-v", false, set_flag<&Options::verbose>, "--verbose, -v",
     "komunikaty diagnostyczne na standardowe wyjście błędów"},
    {"--debug", false, set_flag<&Options::debug>, "--debug",
     "wypisuje na standardowe wyjście błędów ramki i szczegóły wymiany\n"
     "(diagnostyka)"},
    {"--version", false, set_flag<&Options::version>, "--version", "wersja programu"},
    {"--help,-h", false, set_flag<&Options::help>, "--help, -h", "ten tekst"},
    heading("\n"
            "Po uruchomieniu wypisuje \"READY tcp 127.0.0.1 PORT\" lub \"READY pty /dev/pts/N\".\n"
            "SIGTERM lub SIGINT kończy pracę (kod 0) i usuwa dowiązanie pseudoterminala.\n"
            "Przykład w tle: tarvix-vizaze-sim --tcp 6666 --background --pid-file sim.pid;\n"
            "zatrzymanie: kill $(cat sim.pid)"),
};

// The row of the option named word; nullptr for no option of the simulator.
const OptionRow* option_named(const std::string& word) {
    for (const OptionRow& row : kOptions) {
        if (!row.names) continue;
        const std::string names = std::string(row.names) + ",";
        if (names.find(word + ",") == 0 || names.find("," + word + ",") != std::string::npos) return &row;
    }
    return nullptr;
}

}  // namespace

bool parse_options(const std::vector<std::string>& args, Options& o, std::string& error) {
    Reading r{o};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const OptionRow* row = option_named(a);
        if (!row) {
            error = "Nieznana opcja: " + a;
            return false;
        }
        if (row->takes_value && i + 1 >= args.size()) {
            error = "Brak wartości opcji " + a;
            return false;
        }
        const std::string value = row->takes_value ? args[++i] : std::string();
        if (!row->act(r, value)) {
            error = "Niepoprawna wartość opcji " + a + ": \"" + value + "\"";
            return false;
        }
    }
    if (o.use_pty && r.tcp_given) {
        error = "Opcje --tcp i --pty wykluczają się";
        return false;
    }
    return true;
}

const char* usage_text() {
    static const std::string text = [] {
        std::string t;
        for (const OptionRow& row : kOptions)
            t += row.names ? help_line(row.shown, row.help, row.column) : std::string(row.help) + "\n";
        return t;
    }();
    return text.c_str();
}

}  // namespace tv::sim
