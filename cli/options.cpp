// Parsing and checking the console tool's command line. CLI11 splits the words into options,
// values and the command; every value is then checked against what the matching control
// accepts, so a usage error sends nothing and writes nothing. The messages are the tool's
// own (Polish), never the parser's.
#include "options.h"

#include "image/convert.h"
#include "values.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <vector>

namespace tv::cli {
namespace {

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

}  // namespace

const char* help_text() {
    return "Użycie: tarvix-vizaze-cli [OPCJE] POLECENIE [PLIK...]\n"
           "       tarvix-vizaze-cli [OPCJE] --devices LISTA [--parallel N] POLECENIE [PLIK]\n"
           "\n"
           "Polecenia (przycisk, który naciska):\n"
           "  send PLIK   \"Wyślij >>\"          programuje grafikę z PLIKU (BMP) w slocie --slot\n"
           "  clear       \"Wyczyść\"            kasuje slot --slot (1..6 lub all)\n"
           "  set         \"Ustaw\"              ustawia grafikę w nagłówku (--header) i stopce (--footer)\n"
           "  report      \"Raport grafik\"      drukuje raport grafik slotu --slot (1..6 lub all)\n"
           "  detect      \"Szukaj połączenia\"  szuka urządzenia na portach szeregowych i prędkościach\n"
           "  test        \"Test połączenia\"    testuje skonfigurowane połączenie\n"
           "  ports                            wypisuje porty szeregowe, które są w systemie:\n"
           "                                   nazwa COMn, urządzenie, opis (jeden wiersz na port)\n"
           "  convert OBRAZ WYNIK.bmp           zamienia obraz (PNG, JPEG, GIF, BMP, TGA, PPM/PGM) na logo:\n"
           "                                    1-bitową bitmapę w granicach urządzenia (640 x 640 "
           "drukarki,\n"
           "                                    384 x 384 kasy; wybiera je --printer albo --register)\n"
           "  send --convert OBRAZ              zamienia obraz na logo i od razu je programuje\n"
           "\n"
           "Opcje (każda ustawia jedną kontrolkę; pozostałe mają wartości z settings.cfg):\n"
           "  --dir KATALOG          katalog startowy (settings.cfg, LOGS, SEQ, ports); domyślnie bieżący\n"
           "  --serial | --ethernet  interfejs: RS232 / USB albo Ethernet\n"
           "  --printer | --register protokół: drukarki albo kasy\n"
           "  --port COMn            port szeregowy (COM1..COM99)\n"
           "  --baud N               prędkość (1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200)\n"
           "  --timeout N            timeout w sekundach (1..99)\n"
           "  --ip A.B.C.D           adres IP urządzenia\n"
           "  --tcp-port N           port TCP urządzenia\n"
           "  --slot N|all           numer grafiki dla send i clear; numer raportu dla report\n"
           "  --header N|none        grafika w nagłówku (none = \"Brak\")\n"
           "  --footer N|none        grafika w stopce (none = \"Brak\")\n"
           "  --print | --no-print            \"drukuj po wysłaniu\"\n"
           "  --test-print | --no-test-print  \"wydruk testowy\"\n"
           "  --yes                  odpowiada \"Tak\" na pytanie \"TIMEOUT! Try again?\" najwyżej 3 razy\n"
           "                         w jednym przebiegu (dla każdego urządzenia), potem \"Nie\"\n"
           "                         (domyślnie zawsze \"Nie\")\n"
           "  --trace PLIK           zapisuje cały tekst śladu komunikacji do PLIKU po zakończeniu\n"
           "  --json                 zamiast komunikatów jeden dokument JSON na standardowym wyjściu\n"
           "  --devices LISTA        wykonuje POLECENIE na każdym urządzeniu z LISTY (plik CSV, niżej)\n"
           "  --parallel N           przy --devices najwyżej N urządzeń naraz (1..64, domyślnie 4)\n"
           "  --version              wersja programu\n"
           "  --help                 ta pomoc\n"
           "\n"
           "Zamiana obrazu na logo (convert, send --convert):\n"
           "  --width N              szerokość logo w pikselach (w granicach urządzenia); bez niej obraz\n"
           "                         większy od granicy jest zmniejszany, mniejszy zostaje bez zmian\n"
           "  --dither METODA        floyd (Floyd-Steinberg, domyślna), atkinson, ordered (raster Bayera "
           "8x8),\n"
           "                         threshold (próg, bez rastra)\n"
           "  --threshold N          próg 0..255 metody threshold (bez niego wybierany automatycznie)\n"
           "  --invert               negatyw: zamienia kropki drukowane i puste\n"
           "  Przezroczyste części obrazu stają się białym papierem.\n"
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
}

bool parse(int argc, char** argv, Options& out, std::string& error) {
    CLI::App app;
    app.set_help_flag();  // the help is the tool's own text
    app.allow_extras();   // unknown options are reported below, in the tool's words

    // Every option acts the moment it is read, so of two opposing flags the last one typed
    // wins, and the first bad value typed is the one reported.
    std::string first_error;
    auto fail = [&](const std::string& message) {
        if (first_error.empty()) first_error = message;
    };
    auto flag = [&](const char* names, std::function<void()> act) {
        app.add_flag_callback(names, std::move(act))->trigger_on_parse()->disable_flag_override();
    };
    auto value = [&](const char* name, std::function<void(const std::string&)> act) {
        app.add_option_function<std::string>(name, std::move(act))->trigger_on_parse();
    };

    flag("-h,--help", [&] {
        if (first_error.empty()) out.help = true;
    });
    flag("--version", [&] {
        if (first_error.empty()) out.version = true;
    });
    flag("--print", [&] { out.print = true; });
    flag("--no-print", [&] { out.print = false; });
    flag("--test-print", [&] { out.test_print = true; });
    flag("--no-test-print", [&] { out.test_print = false; });
    flag("--yes", [&] { out.yes = true; });
    flag("--json", [&] { out.json = true; });
    bool conversion_option = false;
    flag("--convert", [&] { out.convert = true; });
    flag("--invert", [&] {
        out.conversion.invert = true;
        conversion_option = true;
    });
    value("--width", [&](const std::string& v) {
        int n = 0;
        conversion_option = true;
        if (v.empty() || v[0] == '0' || !in_range(v, 1, logo::PRINTER_SIDE, n))
            fail("Niepoprawna szerokość: " + v + " (1..640)");
        else
            out.conversion.width = n;
    });
    value("--dither", [&](const std::string& v) {
        conversion_option = true;
        if (!logo::dither_from_name(v, out.conversion.dither))
            fail("Nieznana metoda: " + v + " (floyd, atkinson, ordered, threshold)");
    });
    value("--threshold", [&](const std::string& v) {
        int n = 0;
        conversion_option = true;
        if ((v.size() > 1 && v[0] == '0') || !in_range(v, 0, 255, n))
            fail("Niepoprawny próg: " + v + " (0..255)");
        else
            out.conversion.level = n;
    });

    // The link options, for the check that a list of devices gives them instead.
    std::string link_option;
    auto link = [&](const char* name) {
        if (link_option.empty()) link_option = name;
    };
    flag("--serial", [&] {
        link("--serial");
        out.interface = 0;
    });
    flag("--ethernet", [&] {
        link("--ethernet");
        out.interface = 1;
    });
    flag("--printer", [&] {
        link("--printer");
        out.protocol = 0;
    });
    flag("--register", [&] {
        link("--register");
        out.protocol = 1;
    });

    value("--dir", [&](const std::string& v) { out.dir = v; });
    value("--trace", [&](const std::string& v) { out.trace_file = v; });
    value("--devices", [&](const std::string& v) { out.devices = v; });
    std::string slot_text, header_text, footer_text, parallel_text;
    value("--slot", [&](const std::string& v) { slot_text = v; });
    value("--header", [&](const std::string& v) { header_text = v; });
    value("--footer", [&](const std::string& v) { footer_text = v; });
    value("--parallel", [&](const std::string& v) { parallel_text = v; });
    value("--port", [&](const std::string& v) {
        link("--port");
        if (!valid_com_port(v))
            fail("Niepoprawny port: " + v + " (dozwolone COM1..COM99)");
        else
            out.port = v;
    });
    value("--baud", [&](const std::string& v) {
        link("--baud");
        if (!valid_speed(v))
            fail("Niepoprawna prędkość: " + v);
        else
            out.baud = v;
    });
    value("--timeout", [&](const std::string& v) {
        int n = 0;
        if (v.empty() || v[0] == '0' || !in_range(v, 1, 99, n))
            fail("Niepoprawny timeout: " + v + " (1..99)");
        else
            out.timeout = v;
    });
    value("--ip", [&](const std::string& v) {
        link("--ip");
        if (!valid_ipv4(v))
            fail("Niepoprawny adres IP: " + v);
        else
            out.ip = v;
    });
    value("--tcp-port", [&](const std::string& v) {
        link("--tcp-port");
        if (!valid_tcp_port(v))
            fail("Niepoprawny port TCP: " + v);
        else
            out.tcp_port = v;
    });
    std::vector<std::string> positional;
    app.add_option("command", positional);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ArgumentMismatch& e) {
        if (out.help || out.version) return true;
        // "--dir: 1 required TEXT missing", or a flag given a value ("serial was given ...").
        const std::string what = e.what();
        const std::string word = flag_with_value(argc, argv, what);
        if (first_error.empty())
            first_error = !word.empty() ? "Nieznana opcja: " + word
                                        : "Brak wartości opcji " + what.substr(0, what.find(':'));
    } catch (const CLI::ParseError& e) {
        if (first_error.empty()) first_error = std::string("Niepoprawny wiersz poleceń: ") + e.what();
    }
    if (out.help || out.version) return true;
    if (!first_error.empty()) {
        error = first_error;
        return false;
    }
    for (const std::string& extra : app.remaining()) {
        if (extra == "--") continue;  // the end of the options
        error = "Nieznana opcja: " + extra;
        return false;
    }

    if (positional.empty()) {
        error = "Brak polecenia";
        return false;
    }
    const std::string cmd = positional[0];
    std::size_t files = 0;
    if (cmd == "send") {
        out.command = Command::Send;
        files = 1;
    } else if (cmd == "clear")
        out.command = Command::Clear;
    else if (cmd == "set")
        out.command = Command::Set;
    else if (cmd == "report")
        out.command = Command::Report;
    else if (cmd == "detect")
        out.command = Command::Detect;
    else if (cmd == "test")
        out.command = Command::Test;
    else if (cmd == "ports")
        out.command = Command::Ports;
    else if (cmd == "convert") {
        out.command = Command::Convert;
        files = 2;
    } else {
        error = "Nieznane polecenie: " + cmd;
        return false;
    }
    out.command_name = cmd;
    if (positional.size() - 1 < files) {
        error = out.command == Command::Convert ? "Polecenie convert potrzebuje dwóch plików: OBRAZ WYNIK.bmp"
                : out.convert                   ? "Brak pliku obrazu dla polecenia send --convert"
                                                : "Brak pliku BMP dla polecenia send";
        return false;
    }
    if (positional.size() - 1 > files) {
        error = "Nadmiarowy argument: " + positional[files + 1];
        return false;
    }
    if (files) out.file = positional[1];
    if (files == 2) out.out_file = positional[2];
    if (out.convert && out.command != Command::Send) {
        error = "Opcja --convert działa tylko z poleceniem send";
        return false;
    }
    const bool converting = out.command == Command::Convert || out.convert;
    if (conversion_option && !converting) {
        error =
            "Opcje --width, --dither, --threshold i --invert działają tylko z convert albo send --convert";
        return false;
    }
    if (out.conversion.level != logo::AUTO_LEVEL && out.conversion.dither != logo::Dither::Threshold) {
        error = "Opcja --threshold działa tylko z --dither threshold";
        return false;
    }

    int value_of = 0;
    if (!slot_text.empty()) {
        if (!slot_value(slot_text, true, false, value_of)) {
            error = "Niepoprawny numer grafiki: " + slot_text;
            return false;
        }
        if (value_of == 6 && out.command == Command::Send) {
            error = "Polecenie send programuje jeden slot (1..6), nie \"all\"";
            return false;
        }
        out.slot = value_of;
    }
    if (!header_text.empty()) {
        if (!slot_value(header_text, false, true, value_of)) {
            error = "Niepoprawna grafika nagłówka: " + header_text;
            return false;
        }
        out.header = value_of;
    }
    if (!footer_text.empty()) {
        if (!slot_value(footer_text, false, true, value_of)) {
            error = "Niepoprawna grafika stopki: " + footer_text;
            return false;
        }
        out.footer = value_of;
    }

    // A run over a list of devices: the list gives each device's link; the scan looks for
    // one device on this computer's own ports.
    if (!parallel_text.empty()) {
        if (out.devices.empty()) {
            error = "Opcja --parallel działa tylko z --devices";
            return false;
        }
        if (!in_range(parallel_text, 1, 64, out.parallel) || parallel_text[0] == '0') {
            error = "Niepoprawna liczba urządzeń naraz: " + parallel_text + " (1..64)";
            return false;
        }
    }
    if (!out.devices.empty()) {
        if (!link_option.empty()) {
            error = "Opcja " + link_option +
                    " nie działa z --devices: połączenie każdego urządzenia podaje lista";
            return false;
        }
        if (out.command == Command::Detect || out.command == Command::Ports ||
            out.command == Command::Convert) {
            error = "Polecenie " + out.command_name + " nie działa z --devices";
            return false;
        }
        if (out.convert) {
            error = "Opcja --convert nie działa z --devices: zamień obraz raz poleceniem convert";
            return false;
        }
    }
    return true;
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
