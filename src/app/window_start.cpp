#include "app/window_start.h"

namespace tv {
namespace {

const char* const kHelp =
    "Użycie: tarvix-vizaze [--help] [--version]\n"
    "\n"
    "Okno programu Tarvix Vizaze: programuje logo (grafikę w nagłówku i stopce paragonu)\n"
    "w drukarkach fiskalnych i kasach fiskalnych przez port szeregowy albo TCP, kasuje\n"
    "sloty, ustawia grafikę w nagłówku i stopce, drukuje raport grafik, szuka urządzenia\n"
    "na portach szeregowych i testuje połączenie.\n"
    "\n"
    "Katalogiem startowym jest bieżący katalog. Są w nim: settings.cfg (ustawienia\n"
    "połączenia i wydruku, zapisywane przed każdym zadaniem i przy zamknięciu okna),\n"
    "LOGS i SEQ (zapis wymiany i wysłanych ramek, tylko gdy te katalogi istnieją) oraz\n"
    "ports (w Linuksie: dowiązania comN do urządzeń szeregowych).\n"
    "\n"
    "Opcje:\n"
    "  --help      ta pomoc\n"
    "  --version   wersja programu\n"
    "\n"
    "Bez ekranu (na przykład na serwerze przez SSH) te same zadania wykonuje\n"
    "tarvix-vizaze-cli (pomoc: tarvix-vizaze-cli --help).\n";

}  // namespace

WindowStart window_start(const std::vector<std::string>& args, const std::string& version) {
    WindowStart start;
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") return {WindowStart::Action::Print, kHelp, 0};
        if (a == "--version") start = {WindowStart::Action::Print, "tarvix-vizaze " + version + "\n", 0};
    }
    return start;
}

std::string window_no_screen_text(const std::string& details) {
    std::string text =
        "tarvix-vizaze: nie można otworzyć okna: brak ekranu (zmienna DISPLAY albo\n"
        "WAYLAND_DISPLAY nie jest ustawiona albo serwer grafiki nie przyjął połączenia).\n"
        "Te same zadania w terminalu wykonuje tarvix-vizaze-cli (pomoc: tarvix-vizaze-cli --help).\n";
    if (!details.empty()) text += "Szczegóły:\n" + details;
    if (!text.empty() && text.back() != '\n') text += '\n';
    return text;
}

}  // namespace tv
