// Parsing of the simulator's command line into Options.
#include "options.h"

#include <cerrno>
#include <cstdlib>

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

}  // namespace

bool parse_options(const std::vector<std::string>& args, Options& o, std::string& error) {
    bool have_tcp = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) {
                error = "Brak wartości opcji " + a;
                return false;
            }
            v = args[++i];
            return true;
        };
        auto bad = [&](const std::string& v) {
            error = "Niepoprawna wartość opcji " + a + ": \"" + v + "\"";
            return false;
        };
        std::string v;
        CommandNo k = 0;
        int n = 0;

        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--verbose" || a == "-v") {
            o.verbose = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--background") {
            o.background = true;
        } else if (a == "--pid-file") {
            if (!value(v)) return false;
            if (v.empty()) return bad(v);
            o.pid_file = v;
        } else if (a == "--printer") {
            o.device = DeviceKind::Printer;
        } else if (a == "--register") {
            o.device = DeviceKind::Register;
        } else if (a == "--device") {
            if (!value(v)) return false;
            if (v == "printer")
                o.device = DeviceKind::Printer;
            else if (v == "register")
                o.device = DeviceKind::Register;
            else
                return bad(v);
        } else if (a == "--tcp") {
            if (!value(v)) return false;
            if (!parse_int(v, 0, 65535, o.tcp_port)) return bad(v);
            have_tcp = true;
        } else if (a == "--pty") {
            if (!value(v)) return false;
            if (v.empty()) return bad(v);
            o.pty_link = v;
            o.use_pty = true;
        } else if (a == "--name") {
            if (!value(o.printer_name)) return false;
        } else if (a == "--fw-version") {
            if (!value(o.printer_version)) return false;
        } else if (a == "--unique") {
            if (!value(o.unique_number)) return false;
        } else if (a == "--fiscal") {
            if (!value(v)) return false;
            if (v != "T" && v != "N") return bad(v);
            o.fiscal_mode = v;
        } else if (a == "--status") {
            if (!value(v)) return false;
            if (!parse_int(v, 0, 999, o.device_status)) return bad(v);
        } else if (a == "--model") {
            if (!value(v)) return false;
            if (!parse_int(v, 0, 255, o.model)) return bad(v);
        } else if (a == "--store") {
            if (!value(o.store_dir)) return false;
        } else if (a == "--dump") {
            if (!value(o.dump_dir)) return false;
        } else if (a == "--log") {
            if (!value(o.log_file)) return false;
        } else if (a == "--fail") {
            if (!value(v)) return false;
            if (!parse_pair(v, 0, 65535, k, n)) return bad(v);
            o.fail[k] = n;
        } else if (a == "--no-reply" || a == "--bad-crc" || a == "--drop" || a == "--stale" ||
                   a == "--reset") {
            if (!value(v)) return false;
            if (!parse_command(v, k)) return bad(v);
            auto& set = a == "--no-reply"  ? o.no_reply
                        : a == "--bad-crc" ? o.bad_crc
                        : a == "--drop"    ? o.drop
                        : a == "--reset"   ? o.reset
                                           : o.stale;
            set.insert(k);
        } else if (a == "--cut") {
            if (!value(v)) return false;
            if (!parse_pair(v, 0, 65535, k, n)) return bad(v);
            o.cut[k] = n;
        } else if (a == "--wrong-reply") {
            if (!value(v)) return false;
            const auto colon = v.find(':');
            if (colon == std::string::npos || colon + 1 >= v.size() || v.size() - colon > 17 ||
                !parse_command(v.substr(0, colon), k))
                return bad(v);
            o.wrong_reply[k] = v.substr(colon + 1);
        } else if (a == "--delay") {
            if (!value(v)) return false;
            if (!parse_pair(v, 0, 600000, k, n)) return bad(v);
            o.delay_ms[k] = n;
        } else if (a == "--trickle") {
            if (!value(v)) return false;
            if (!parse_int(v, 0, 10000, o.trickle_ms)) return bad(v);
        } else if (a == "--junk") {
            if (!value(v)) return false;
            auto colon = v.find(':');
            std::string bytes = "***";
            if (!parse_command(v.substr(0, colon), k)) return bad(v);
            if (colon != std::string::npos && !parse_hex_bytes(v.substr(colon + 1), bytes)) return bad(v);
            o.junk[k] = bytes;
        } else if (a == "--read-only") {
            if (!value(v)) return false;
            if (!parse_int(v, 1, 6, n)) return bad(v);
            o.read_only_slots.insert(n);
        } else {
            error = "Nieznana opcja: " + a;
            return false;
        }
    }
    if (o.use_pty && have_tcp) {
        error = "Opcje --tcp i --pty wykluczają się";
        return false;
    }
    return true;
}

const char* usage_text() {
    return "Użycie: tarvix-vizaze-sim [opcje]\n"
           "Symulator drukarki fiskalnej lub kasy fiskalnej dla Tarvix Vizaze.\n"
           "\n"
           "Urządzenie:\n"
           "  --printer                drukarka fiskalna, protokół tekstowy (domyślnie)\n"
           "  --register               kasa fiskalna, protokół binarny\n"
           "  --device printer|register  to samo co wyżej\n"
           "Połączenie:\n"
           "  --tcp PORT               nasłuch na 127.0.0.1:PORT (domyślnie 6666; 0 = dowolny wolny)\n"
           "  --pty ŚCIEŻKA            pseudoterminal; dowiązanie symboliczne ŚCIEŻKA wskazuje jego\n"
           "                           stronę podrzędną (np. ports/com3)\n"
           "Tożsamość:\n"
           "  --name TEKST             typ drukarki (sid: nm), domyślnie \"TARVIX SIM\"\n"
           "  --fw-version TEKST       wersja (sid: vr), domyślnie \"1.00\"\n"
           "  --unique TEKST           numer unikatowy (scomm: nu), domyślnie \"ABC12345678\"\n"
           "  --fiscal T|N             tryb fiskalny lub niefiskalny (scomm: fs), domyślnie T\n"
           "  --status N               status urządzenia (!sdev: ds), domyślnie 0\n"
           "  --model N                kod modelu kasy (status 501), domyślnie 5\n"
           "Pliki:\n"
           "  --store KATALOG          po każdym udanym programowaniu zapisuje KATALOG/slotN.pbm\n"
           "                           i KATALOG/state.txt\n"
           "  --dump KATALOG           to samo przy zakończeniu pracy\n"
           "  --log PLIK               dopisuje każdą odebraną ramkę do PLIK (binarnie) i PLIK.hex\n"
           "Awarie (K = numer polecenia od 1 albo * = każde polecenie; opcje można powtarzać):\n"
           "  --fail K:N               odpowiedź z błędem N na polecenie K\n"
           "  --no-reply K             brak odpowiedzi na polecenie K\n"
           "  --bad-crc K              błędna suma kontrolna w odpowiedzi K\n"
           "  --drop K                 zerwanie połączenia przy poleceniu K\n"
           "  --stale K                na polecenie K odpowiedź przeznaczona dla K-1\n"
           "  --delay K:MS             odpowiedź K opóźniona o MS milisekund\n"
           "  --junk K[:HEX]           dodatkowe bajty po odpowiedzi K (domyślnie \"***\")\n"
           "  --trickle MS             każda odpowiedź bajt po bajcie, MS ms przerwy na bajt\n"
           "  --cut K:N                z odpowiedzi K wysyłane jest tylko N pierwszych bajtów\n"
           "  --reset K                zerwanie połączenia przy poleceniu K przez RST (TCP)\n"
           "  --wrong-reply K:POL      na polecenie K odpowiedź na polecenie POL (nazwa lub CMD_ID)\n"
           "  --read-only N            slot N tylko do odczytu (błąd 3252)\n"
           "Praca w tle:\n"
           "  --background             uruchamia symulator w tle; polecenie kończy się (kod 0), gdy\n"
           "                           symulator już nasłuchuje, i wypisuje jego wiersz READY\n"
           "  --pid-file PLIK          zapisuje numer procesu symulatora do PLIKU (usuwany przy końcu)\n"
           "Inne:\n"
           "  --verbose, -v            komunikaty diagnostyczne na standardowe wyjście błędów\n"
           "  --version                wersja programu\n"
           "  --help, -h               ten tekst\n"
           "\n"
           "Po uruchomieniu wypisuje \"READY tcp 127.0.0.1 PORT\" lub \"READY pty /dev/pts/N\".\n"
           "SIGTERM lub SIGINT kończy pracę (kod 0) i usuwa dowiązanie pseudoterminala.\n"
           "Przykład w tle: tarvix-vizaze-sim --tcp 6666 --background --pid-file sim.pid;\n"
           "zatrzymanie: kill $(cat sim.pid)\n";
}

}  // namespace tv::sim
