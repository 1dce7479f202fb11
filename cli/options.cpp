// Parsing and checking the console tool's command line. Every value is checked against
// what the matching control accepts, so a usage error sends nothing and writes nothing.
#include "options.h"

#include <cstring>
#include <vector>

#include "ui/fields.h"

namespace tv::cli {
namespace {

bool all_digits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool in_range(const std::string& s, int lo, int hi, int& value) {
    if (!all_digits(s) || s.size() > 5) return false;
    value = std::stoi(s);
    return value >= lo && value <= hi;
}

bool slot_value(const std::string& s, bool allow_all, bool allow_none, int& out) {
    int v = 0;
    if (allow_all && s == "all") { out = 6; return true; }
    if (allow_none && s == "none") { out = 0; return true; }
    if (!in_range(s, 1, 6, v) || s.size() != 1) return false;
    out = allow_none ? v : v - 1;
    return true;
}

}  // namespace

const char* help_text() {
    return "Użycie: tarvix-vizaze-cli [OPCJE] POLECENIE [PLIK...]\n"
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
           "                                    1-bitową bitmapę w granicach urządzenia (640 x 640 drukarki,\n"
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
           "  --yes                  odpowiada \"Tak\" na pytanie \"TIMEOUT! Try again?\" (domyślnie \"Nie\")\n"
           "  --trace PLIK           zapisuje cały tekst śladu komunikacji do PLIKU po zakończeniu\n"
           "\n"
           "Zamiana obrazu na logo (convert, send --convert):\n"
           "  --width N              szerokość logo w pikselach (w granicach urządzenia); bez niej obraz\n"
           "                         większy od granicy jest zmniejszany, mniejszy zostaje bez zmian\n"
           "  --dither METODA        floyd (Floyd-Steinberg, domyślna), atkinson, ordered (raster Bayera 8x8),\n"
           "                         threshold (próg, bez rastra)\n"
           "  --threshold N          próg 0..255 metody threshold (bez niego wybierany automatycznie)\n"
           "  --invert               negatyw: zamienia kropki drukowane i puste\n"
           "  Przezroczyste części obrazu stają się białym papierem.\n"
           "  --help                 ta pomoc\n"
           "\n"
           "Kod wyjścia: 0 zadanie zakończone sukcesem, 1 niepowodzenie, 2 błąd użycia.\n";
}

bool parse(int argc, char** argv, Options& out, std::string& error) {
    std::vector<std::string> positional;
    auto need = [&](int& i, const char* name, std::string& value) {
        if (i + 1 >= argc) {
            error = std::string("Brak wartości opcji ") + name;
            return false;
        }
        value = argv[++i];
        return true;
    };
    std::string slot_text, header_text, footer_text;
    bool conversion_option = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        std::string v;
        int n = 0;
        if (a == "--help" || a == "-h") { out.help = true; return true; }
        else if (a == "--serial") out.interface = 0;
        else if (a == "--ethernet") out.interface = 1;
        else if (a == "--printer") out.protocol = 0;
        else if (a == "--register") out.protocol = 1;
        else if (a == "--print") out.print = true;
        else if (a == "--no-print") out.print = false;
        else if (a == "--test-print") out.test_print = true;
        else if (a == "--no-test-print") out.test_print = false;
        else if (a == "--yes") out.yes = true;
        else if (a == "--convert") out.convert = true;
        else if (a == "--invert") { out.conversion.invert = true; conversion_option = true; }
        else if (a == "--width") {
            if (!need(i, "--width", v)) return false;
            if (v[0] == '0' || !in_range(v, 1, logo::PRINTER_SIDE, n)) {
                error = "Niepoprawna szerokość: " + v + " (1..640)";
                return false;
            }
            out.conversion.width = n;
            conversion_option = true;
        } else if (a == "--dither") {
            if (!need(i, "--dither", v)) return false;
            if (!logo::dither_from_name(v, out.conversion.dither)) {
                error = "Nieznana metoda: " + v + " (floyd, atkinson, ordered, threshold)";
                return false;
            }
            conversion_option = true;
        } else if (a == "--threshold") {
            if (!need(i, "--threshold", v)) return false;
            if ((v.size() > 1 && v[0] == '0') || !in_range(v, 0, 255, n)) {
                error = "Niepoprawny próg: " + v + " (0..255)";
                return false;
            }
            out.conversion.level = n;
            conversion_option = true;
        }
        else if (a == "--dir") { if (!need(i, "--dir", out.dir)) return false; }
        else if (a == "--trace") { if (!need(i, "--trace", out.trace_file)) return false; }
        else if (a == "--port") {
            if (!need(i, "--port", v)) return false;
            if (v.size() < 4 || v.compare(0, 3, "COM") != 0 || v[3] == '0' || !in_range(v.substr(3), 1, 99, n)) {
                error = "Niepoprawny port: " + v + " (dozwolone COM1..COM99)";
                return false;
            }
            out.port = v;
        } else if (a == "--baud") {
            if (!need(i, "--baud", v)) return false;
            static const char* speeds[] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
            bool ok = false;
            for (const char* s : speeds) ok = ok || v == s;
            if (!ok) { error = "Niepoprawna prędkość: " + v; return false; }
            out.baud = v;
        } else if (a == "--timeout") {
            if (!need(i, "--timeout", v)) return false;
            if (v[0] == '0' || !in_range(v, 1, 99, n)) { error = "Niepoprawny timeout: " + v + " (1..99)"; return false; }
            out.timeout = v;
        } else if (a == "--ip") {
            if (!need(i, "--ip", v)) return false;
            if (!ip_address_valid(v)) { error = "Niepoprawny adres IP: " + v; return false; }
            out.ip = v;
        } else if (a == "--tcp-port") {
            if (!need(i, "--tcp-port", v)) return false;
            if (!tcp_port_valid(v)) { error = "Niepoprawny port TCP: " + v; return false; }
            out.tcp_port = v;
        } else if (a == "--slot") {
            if (!need(i, "--slot", slot_text)) return false;
        } else if (a == "--header") {
            if (!need(i, "--header", header_text)) return false;
        } else if (a == "--footer") {
            if (!need(i, "--footer", footer_text)) return false;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "Nieznana opcja: " + a;
            return false;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.empty()) { error = "Brak polecenia"; return false; }
    const std::string cmd = positional[0];
    std::size_t files = 0;
    if (cmd == "send") { out.command = Command::Send; files = 1; }
    else if (cmd == "clear") out.command = Command::Clear;
    else if (cmd == "set") out.command = Command::Set;
    else if (cmd == "report") out.command = Command::Report;
    else if (cmd == "detect") out.command = Command::Detect;
    else if (cmd == "test") out.command = Command::Test;
    else if (cmd == "ports") out.command = Command::Ports;
    else if (cmd == "convert") { out.command = Command::Convert; files = 2; }
    else { error = "Nieznane polecenie: " + cmd; return false; }
    if (positional.size() - 1 < files) {
        error = out.command == Command::Convert ? "Polecenie convert potrzebuje dwóch plików: OBRAZ WYNIK.bmp"
                : out.convert                   ? "Brak pliku obrazu dla polecenia send --convert"
                                                : "Brak pliku BMP dla polecenia send";
        return false;
    }
    if (positional.size() - 1 > files) { error = "Nadmiarowy argument: " + positional[files + 1]; return false; }
    if (files) out.file = positional[1];
    if (files == 2) out.out_file = positional[2];
    if (out.convert && out.command != Command::Send) {
        error = "Opcja --convert działa tylko z poleceniem send";
        return false;
    }
    const bool converting = out.command == Command::Convert || out.convert;
    if (conversion_option && !converting) {
        error = "Opcje --width, --dither, --threshold i --invert działają tylko z convert albo send --convert";
        return false;
    }
    if (out.conversion.level != logo::AUTO_LEVEL && out.conversion.dither != logo::Dither::Threshold) {
        error = "Opcja --threshold działa tylko z --dither threshold";
        return false;
    }

    int value = 0;
    if (!slot_text.empty()) {
        if (!slot_value(slot_text, true, false, value)) { error = "Niepoprawny numer grafiki: " + slot_text; return false; }
        if (value == 6 && out.command == Command::Send) {
            error = "Polecenie send programuje jeden slot (1..6), nie \"all\"";
            return false;
        }
        out.slot = value;
    }
    if (!header_text.empty()) {
        if (!slot_value(header_text, false, true, value)) { error = "Niepoprawna grafika nagłówka: " + header_text; return false; }
        out.header = value;
    }
    if (!footer_text.empty()) {
        if (!slot_value(footer_text, false, true, value)) { error = "Niepoprawna grafika stopki: " + footer_text; return false; }
        out.footer = value;
    }
    return true;
}

}  // namespace tv::cli
