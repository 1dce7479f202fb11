// Parsing and checking the console tool's command line. CLI11 splits the words into options,
// values and the command; every value is then checked against what the matching control
// accepts, so a usage error sends nothing and writes nothing. The messages are the tool's
// own (Polish), never the parser's.
#include "options.h"

#include "common/help_text.h"
#include "image/convert.h"
#include "values.h"

#include <CLI/CLI.hpp>

#include <vector>

namespace tv::cli {
namespace {

// What the command line has given while CLI11 reads it. Every option acts the moment it is
// read, so of two opposing flags the last one typed wins, and the first bad value typed is
// the one reported. The numbers of graphics and devices at a time are checked once the
// command is known.
struct Reading {
    explicit Reading(Options& o) : out(o) {}

    Options& out;
    std::string first_error;
    std::string link_option;         // the first link option typed: a list of devices gives them
    bool conversion_option = false;  // --width, --dither, --threshold or --invert
    std::string slot, header, footer, parallel;

    void fail(const std::string& message) {
        if (first_error.empty()) first_error = message;
    }
};

// A whole decimal number from lo to hi, without leading zeros.
bool number(const std::string& s, int lo, int hi, int& value) {
    return !(s.size() > 1 && s[0] == '0') && in_range(s, lo, hi, value);
}

enum Takes { FLAG, VALUE };
enum Kind { PLAIN, LINK, CONVERSION };  // LINK: refused with --devices; CONVERSION: only when converting
using Act = void (*)(Reading& r, const std::string& value);

// One option: its names as CLI11 takes them, what it does when read, and its line of the
// help (the option as shown and its text; none for an option shown elsewhere: in the line of
// the option before it, or among the commands).
struct OptionRow {
    const char* names;
    Takes takes;
    Kind kind;
    Act act;
    const char* shown = nullptr;
    const char* help = nullptr;
    std::size_t column = 23;  // where the help's text starts
};

// A line of the help between the options: a heading, or a note.
constexpr OptionRow heading(const char* text) { return {nullptr, FLAG, PLAIN, nullptr, nullptr, text}; }

const OptionRow kOptions[] = {
    heading("Opcje (każda ustawia jedną kontrolkę; pozostałe mają wartości z settings.cfg):"),
    {"--dir", VALUE, PLAIN, [](Reading& r, const std::string& v) { r.out.dir = v; }, "--dir KATALOG",
     "katalog startowy (settings.cfg, LOGS, SEQ, ports); domyślnie bieżący"},
    {"--serial", FLAG, LINK, [](Reading& r, const std::string&) { r.out.interface = 0; },
     "--serial | --ethernet", "interfejs: RS232 / USB albo Ethernet"},
    {"--ethernet", FLAG, LINK, [](Reading& r, const std::string&) { r.out.interface = 1; }},
    {"--printer", FLAG, LINK, [](Reading& r, const std::string&) { r.out.protocol = 0; },
     "--printer | --register", "protokół: drukarki albo kasy"},
    {"--register", FLAG, LINK, [](Reading& r, const std::string&) { r.out.protocol = 1; }},
    {"--port", VALUE, LINK,
     [](Reading& r, const std::string& v) {
         if (valid_com_port(v))
             r.out.port = v;
         else
             r.fail("Niepoprawny port: " + v + " (dozwolone COM1..COM99)");
     },
     "--port COMn", "port szeregowy (COM1..COM99)"},
    {"--baud", VALUE, LINK,
     [](Reading& r, const std::string& v) {
         if (valid_speed(v))
             r.out.baud = v;
         else
             r.fail("Niepoprawna prędkość: " + v);
     },
     "--baud N", "prędkość (1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200)"},
    {"--timeout", VALUE, PLAIN,
     [](Reading& r, const std::string& v) {
         int n = 0;
         if (number(v, 1, 99, n))
             r.out.timeout = v;
         else
             r.fail("Niepoprawny timeout: " + v + " (1..99)");
     },
     "--timeout N", "timeout w sekundach (1..99)"},
    {"--ip", VALUE, LINK,
     [](Reading& r, const std::string& v) {
         if (valid_ipv4(v))
             r.out.ip = v;
         else
             r.fail("Niepoprawny adres IP: " + v);
     },
     "--ip A.B.C.D", "adres IP urządzenia"},
    {"--tcp-port", VALUE, LINK,
     [](Reading& r, const std::string& v) {
         if (valid_tcp_port(v))
             r.out.tcp_port = v;
         else
             r.fail("Niepoprawny port TCP: " + v);
     },
     "--tcp-port N", "port TCP urządzenia"},
    {"--slot", VALUE, PLAIN, [](Reading& r, const std::string& v) { r.slot = v; }, "--slot N|all",
     "numer grafiki dla send i clear; numer raportu dla report"},
    {"--header", VALUE, PLAIN, [](Reading& r, const std::string& v) { r.header = v; }, "--header N|none",
     "grafika w nagłówku (none = \"Brak\")"},
    {"--footer", VALUE, PLAIN, [](Reading& r, const std::string& v) { r.footer = v; }, "--footer N|none",
     "grafika w stopce (none = \"Brak\")"},
    {"--print", FLAG, PLAIN, [](Reading& r, const std::string&) { r.out.print = true; },
     "--print | --no-print", "\"drukuj po wysłaniu\"", 32},
    {"--no-print", FLAG, PLAIN, [](Reading& r, const std::string&) { r.out.print = false; }},
    {"--test-print", FLAG, PLAIN, [](Reading& r, const std::string&) { r.out.test_print = true; },
     "--test-print | --no-test-print", "\"wydruk testowy\"", 32},
    {"--no-test-print", FLAG, PLAIN, [](Reading& r, const std::string&) { r.out.test_print = false; }},
    {"--yes", FLAG, PLAIN, [](Reading& r, const std::string&) { r.out.yes = true; }, "--yes",
     "odpowiada \"Tak\" na pytanie \"TIMEOUT! Try again?\" najwyżej 3 razy\n"
     "w jednym przebiegu (dla każdego urządzenia), potem \"Nie\"\n"
     "(domyślnie zawsze \"Nie\")"},
    {"--trace", VALUE, PLAIN, [](Reading& r, const std::string& v) { r.out.trace_file = v; }, "--trace PLIK",
     "zapisuje cały tekst śladu komunikacji do PLIKU po zakończeniu"},
    {"--json", FLAG, PLAIN, [](Reading& r, const std::string&) { r.out.json = true; }, "--json",
     "zamiast komunikatów jeden dokument JSON na standardowym wyjściu"},
    {"--devices", VALUE, PLAIN, [](Reading& r, const std::string& v) { r.out.devices = v; },
     "--devices LISTA", "wykonuje POLECENIE na każdym urządzeniu z LISTY (plik CSV, niżej)"},
    {"--parallel", VALUE, PLAIN, [](Reading& r, const std::string& v) { r.parallel = v; }, "--parallel N",
     "przy --devices najwyżej N urządzeń naraz (1..64, domyślnie 4)"},
    {"--ports", VALUE, PLAIN, [](Reading& r, const std::string& v) { r.out.ports = v; }, "--ports LISTA",
     "scan: porty TCP, np. 6666,9100 (domyślnie port TCP z ustawień)"},
    {"--connect-timeout", VALUE, PLAIN,
     [](Reading& r, const std::string& v) {
         if (!number(v, 20, 10000, r.out.connect_timeout_ms))
             r.fail("Niepoprawny czas połączenia: " + v + " (20..10000 ms)");
     },
     "--connect-timeout MS", "scan: czas na przyjęcie połączenia przez adres (domyślnie 300 ms)"},
    {"--devices-out", VALUE, PLAIN, [](Reading& r, const std::string& v) { r.out.devices_out = v; },
     "--devices-out PLIK", "scan: zapisuje znalezione urządzenia jako listę dla --devices"},
    {"--large", FLAG, PLAIN, [](Reading& r, const std::string&) { r.out.large = true; }, "--large",
     "scan: zgoda na blok większy niż /22 (najwyżej /16)"},
    {"--debug", FLAG, PLAIN, [](Reading& r, const std::string&) { r.out.debug = true; }, "--debug",
     "wypisuje na standardowe wyjście błędów ramki i szczegóły wymiany\n(diagnostyka)"},
    {"--version", FLAG, PLAIN,
     [](Reading& r, const std::string&) {
         if (r.first_error.empty()) r.out.version = true;
     },
     "--version", "wersja programu"},
    {"-h,--help", FLAG, PLAIN,
     [](Reading& r, const std::string&) {
         if (r.first_error.empty()) r.out.help = true;
     },
     "--help", "ta pomoc"},
    {"--convert", FLAG, PLAIN, [](Reading& r, const std::string&) { r.out.convert = true; }},
    heading("\nZamiana obrazu na logo (convert, send --convert):"),
    {"--width", VALUE, CONVERSION,
     [](Reading& r, const std::string& v) {
         if (!number(v, 1, logo::PRINTER_SIDE, r.out.conversion.width))
             r.fail("Niepoprawna szerokość: " + v + " (1..640)");
     },
     "--width N",
     "szerokość logo w pikselach (w granicach urządzenia); bez niej obraz\n"
     "większy od granicy jest zmniejszany, mniejszy zostaje bez zmian"},
    {"--dither", VALUE, CONVERSION,
     [](Reading& r, const std::string& v) {
         if (!logo::dither_from_name(v, r.out.conversion.dither))
             r.fail("Nieznana metoda: " + v + " (floyd, atkinson, ordered, threshold)");
     },
     "--dither METODA",
     "floyd (Floyd-Steinberg, domyślna), atkinson, ordered (raster Bayera 8x8),\n"
     "threshold (próg, bez rastra)"},
    {"--threshold", VALUE, CONVERSION,
     [](Reading& r, const std::string& v) {
         if (!number(v, 0, 255, r.out.conversion.level)) r.fail("Niepoprawny próg: " + v + " (0..255)");
     },
     "--threshold N", "próg 0..255 metody threshold (bez niego wybierany automatycznie)"},
    {"--invert", FLAG, CONVERSION, [](Reading& r, const std::string&) { r.out.conversion.invert = true; },
     "--invert", "negatyw: zamienia kropki drukowane i puste"},
    heading("  Przezroczyste części obrazu stają się białym papierem."),
};

// Reads one option the moment CLI11 finds it.
void read_option(const OptionRow& row, Reading& r, const std::string& value) {
    if (row.kind == LINK && r.link_option.empty()) r.link_option = row.names;
    if (row.kind == CONVERSION) r.conversion_option = true;
    row.act(r, value);
}

void add_option(CLI::App& app, const OptionRow& row, Reading& r) {
    if (!row.names) return;
    if (row.takes == FLAG)
        app.add_flag_callback(row.names, [&row, &r] { read_option(row, r, {}); })
            ->trigger_on_parse()
            ->disable_flag_override();
    else
        app.add_option_function<std::string>(row.names,
                                             [&row, &r](const std::string& v) { read_option(row, r, v); })
            ->trigger_on_parse();
}

// The first word of argv that gives a value to the flag CLI11 names ("serial" for
// "--serial=1"): such a word was never an option of the tool.
std::string flag_with_value(int argc, char** argv, const std::string& what) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto eq = a.find('=');
        if (a.rfind("--", 0) == 0 && eq != std::string::npos && what.rfind(a.substr(2, eq - 2) + " ", 0) == 0)
            return a;
    }
    return {};
}

// Reads the options into r, the command and its files into words, and returns the words
// that are no option of the tool.
std::vector<std::string> read_words(int argc, char** argv, Reading& r, std::vector<std::string>& words) {
    CLI::App app;
    app.set_help_flag();  // the help is the tool's own text
    app.allow_extras();   // unknown options are reported by the caller, in the tool's words
    for (const OptionRow& row : kOptions) add_option(app, row, r);
    app.add_option("command", words);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ArgumentMismatch& e) {
        // "--dir: 1 required TEXT missing", or a flag given a value ("serial was given ...").
        const std::string what = e.what();
        const std::string word = flag_with_value(argc, argv, what);
        r.fail(!word.empty() ? "Nieznana opcja: " + word
                             : "Brak wartości opcji " + what.substr(0, what.find(':')));
    } catch (const CLI::ParseError& e) {
        r.fail(std::string("Niepoprawny wiersz poleceń: ") + e.what());
    }
    return app.remaining();
}

std::string unknown_option(const std::vector<std::string>& extras) {
    for (const std::string& extra : extras)
        if (extra != "--") return "Nieznana opcja: " + extra;  // "--" ends the options
    return {};
}

// The commands: the word, and how many files follow it.
struct CommandRow {
    const char* name;
    Command command;
    std::size_t files;
};
const CommandRow kCommands[] = {
    {"send", Command::Send, 1},     {"clear", Command::Clear, 0},     {"set", Command::Set, 0},
    {"report", Command::Report, 0}, {"detect", Command::Detect, 0},   {"test", Command::Test, 0},
    {"ports", Command::Ports, 0},   {"convert", Command::Convert, 2}, {"scan", Command::Scan, 0}};

// The command and its files from words; the error when they do not fit.
std::string read_command(const std::vector<std::string>& words, Options& out) {
    if (words.empty()) return "Brak polecenia";
    const CommandRow* row = nullptr;
    for (const CommandRow& c : kCommands)
        if (words[0] == c.name) row = &c;
    if (!row) return "Nieznane polecenie: " + words[0];
    out.command = row->command;
    out.command_name = row->name;
    if (words.size() - 1 < row->files)
        return out.command == Command::Convert ? "Polecenie convert potrzebuje dwóch plików: OBRAZ WYNIK.bmp"
               : out.convert                   ? "Brak pliku obrazu dla polecenia send --convert"
                                               : "Brak pliku BMP dla polecenia send";
    // scan takes its addresses as an optional word.
    const std::size_t most = out.command == Command::Scan ? 1 : row->files;
    if (words.size() - 1 > most) return "Nadmiarowy argument: " + words[most + 1];
    if (out.command == Command::Scan && words.size() == 2) out.file = words[1];
    if (row->files) out.file = words[1];
    if (row->files == 2) out.out_file = words[2];
    return {};
}

// The conversion options are for a conversion only.
std::string check_conversion(const Reading& r) {
    const Options& out = r.out;
    if (out.convert && out.command != Command::Send) return "Opcja --convert działa tylko z poleceniem send";
    const bool converting = out.command == Command::Convert || out.convert;
    if (r.conversion_option && !converting)
        return "Opcje --width, --dither, --threshold i --invert działają tylko z convert albo send --convert";
    if (out.conversion.level != logo::AUTO_LEVEL && out.conversion.dither != logo::Dither::Threshold)
        return "Opcja --threshold działa tylko z --dither threshold";
    return {};
}

bool slot_value(const std::string& s, bool allow_all, bool allow_none, int& out) {
    int v = 0;
    if (allow_all && s == "all") {
        out = 6;
        return true;
    }
    if (allow_none && s == "none") {
        out = 0;
        return true;
    }
    if (!in_range(s, 1, 6, v) || s.size() != 1) return false;
    out = allow_none ? v : v - 1;
    return true;
}

// --slot, --header and --footer.
std::string read_graphics(const Reading& r) {
    Options& out = r.out;
    int value = 0;
    if (!r.slot.empty()) {
        if (!slot_value(r.slot, true, false, value)) return "Niepoprawny numer grafiki: " + r.slot;
        if (value == 6 && out.command == Command::Send)
            return "Polecenie send programuje jeden slot (1..6), nie \"all\"";
        out.slot = value;
    }
    if (!r.header.empty()) {
        if (!slot_value(r.header, false, true, value)) return "Niepoprawna grafika nagłówka: " + r.header;
        out.header = value;
    }
    if (!r.footer.empty()) {
        if (!slot_value(r.footer, false, true, value)) return "Niepoprawna grafika stopki: " + r.footer;
        out.footer = value;
    }
    return {};
}

// A run over a list of devices: the list gives each device's link; the scan looks for one
// device on this computer's own ports.
std::string check_list_run(const Reading& r) {
    Options& out = r.out;
    const bool scan = out.command == Command::Scan;
    if (!scan &&
        (!out.ports.empty() || !out.devices_out.empty() || out.large || out.connect_timeout_ms != 300))
        return "Opcje --ports, --connect-timeout, --devices-out i --large działają tylko z poleceniem scan";
    if (scan) {
        out.parallel = 64;
        if (!r.parallel.empty() && !number(r.parallel, 1, 256, out.parallel))
            return "Niepoprawna liczba połączeń naraz: " + r.parallel + " (1..256)";
        if (!out.devices.empty()) return "Polecenie scan nie działa z --devices";
        return {};
    }
    if (!r.parallel.empty()) {
        if (out.devices.empty()) return "Opcja --parallel działa tylko z --devices";
        if (!number(r.parallel, 1, 64, out.parallel))
            return "Niepoprawna liczba urządzeń naraz: " + r.parallel + " (1..64)";
    }
    if (out.devices.empty()) return {};
    if (!r.link_option.empty())
        return "Opcja " + r.link_option +
               " nie działa z --devices: połączenie każdego urządzenia podaje lista";
    if (out.command == Command::Detect || out.command == Command::Ports || out.command == Command::Convert)
        return "Polecenie " + out.command_name + " nie działa z --devices";
    if (out.convert) return "Opcja --convert nie działa z --devices: zamień obraz raz poleceniem convert";
    return {};
}

}  // namespace

const char* help_text() {
    static const std::string text = [] {
        std::string t =
            "Użycie: tarvix-vizaze-cli [OPCJE] POLECENIE [PLIK...]\n"
            "       tarvix-vizaze-cli [OPCJE] --devices LISTA [--parallel N] POLECENIE [PLIK]\n"
            "\n"
            "Polecenia (przycisk, który naciska):\n"
            "  send PLIK   \"Wyślij >>\"          programuje grafikę z PLIKU (BMP) w slocie --slot\n"
            "  clear       \"Wyczyść\"            kasuje slot --slot (1..6 lub all)\n"
            "  set         \"Ustaw\"              ustawia grafikę w nagłówku (--header) i stopce (--footer)\n"
            "  report      \"Raport grafik\"      drukuje raport grafik slotu --slot (1..6 lub all)\n"
            "  detect      \"Szukaj połączenia\"  szuka urządzenia na portach szeregowych i prędkościach;\n"
            "                                   z --ethernet \"Szukaj w sieci\": w bloku /24 adresu --ip\n"
            "  scan [ADRESY]                    szuka drukarek i kas w sieci: adres, zakres a.b.c.d-e albo\n"
            "                                   blok a.b.c.d/n (bez ADRESÓW: sieci tego komputera);\n"
            "                                   wysyła tylko zapytania o tożsamość; jeden wiersz na "
            "urządzenie\n"
            "  test        \"Test połączenia\"    testuje skonfigurowane połączenie\n"
            "  ports                            wypisuje porty szeregowe, które są w systemie:\n"
            "                                   nazwa COMn, urządzenie, opis (jeden wiersz na port)\n"
            "  convert OBRAZ WYNIK.bmp           zamienia obraz (PNG, JPEG, GIF, BMP, TGA, PPM/PGM) na "
            "logo:\n"
            "                                    1-bitową bitmapę w granicach urządzenia (640 x 640 "
            "drukarki,\n"
            "                                    384 x 384 kasy; wybiera je --printer albo --register)\n"
            "  send --convert OBRAZ              zamienia obraz na logo i od razu je programuje\n"
            "\n";
        for (const OptionRow& row : kOptions)
            if (!row.names)
                t += std::string(row.help) + "\n";
            else if (row.shown)
                t += help_line(row.shown, row.help, row.column);
        return t +
               "\n"
               "Lista urządzeń: plik CSV z nagłówkiem name,interface,protocol,address,port, potem jeden\n"
               "wiersz na urządzenie: nazwa (litery, cyfry, - _ .), serial albo ethernet, printer albo\n"
               "register, COMn albo adres IPv4, prędkość (serial) albo port TCP (ethernet). Wiersze puste\n"
               "i zaczynające się od # są pomijane. Każde urządzenie pracuje w katalogu\n"
               "KATALOG/devices/NAZWA (własne settings.cfg, LOGS, SEQ), jako osobny proces; pozostałe opcje\n"
               "dotyczą wszystkich urządzeń, ślad (--trace) trafia do katalogu urządzenia. Urządzenia na\n"
               "jednym porcie nigdy nie pracują jednocześnie. Po każdym urządzeniu jeden wiersz z wynikiem,\n"
               "na końcu liczba sukcesów. Ctrl-C: nowe urządzenia nie są uruchamiane, pracujące kończą po\n"
               "bieżącej wymianie.\n"
               "\n"
               "Kod wyjścia: 0 zadanie zakończone sukcesem (z --devices: na każdym urządzeniu),\n"
               "1 niepowodzenie (z --devices: na którymkolwiek), 2 błąd użycia (także błędna lista\n"
               "urządzeń: wtedy nic nie jest wysyłane).\n";
    }();
    return text.c_str();
}

bool parse(int argc, char** argv, Options& out, std::string& error) {
    Reading r{out};
    std::vector<std::string> words;
    const std::vector<std::string> extras = read_words(argc, argv, r, words);
    if (out.help || out.version) return true;
    error = r.first_error;
    if (error.empty()) error = unknown_option(extras);
    if (error.empty()) error = read_command(words, out);
    if (error.empty()) error = check_conversion(r);
    if (error.empty()) error = read_graphics(r);
    if (error.empty()) error = check_list_run(r);
    return error.empty();
}

std::vector<std::string> shared_arguments(const Options& o) {
    std::vector<std::string> a;
    if (o.timeout) a.insert(a.end(), {"--timeout", *o.timeout});
    if (o.slot)
        a.insert(a.end(), {"--slot", *o.slot == 6 ? std::string("all") : std::to_string(*o.slot + 1)});
    if (o.header)
        a.insert(a.end(), {"--header", *o.header == 0 ? std::string("none") : std::to_string(*o.header)});
    if (o.footer)
        a.insert(a.end(), {"--footer", *o.footer == 0 ? std::string("none") : std::to_string(*o.footer)});
    if (o.print) a.push_back(*o.print ? "--print" : "--no-print");
    if (o.test_print) a.push_back(*o.test_print ? "--test-print" : "--no-test-print");
    if (o.yes) a.push_back("--yes");
    return a;
}

}  // namespace tv::cli
