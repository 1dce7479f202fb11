// Reading and checking a list of devices.
#include "device_list.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>

#include "common/paths.h"
#include "values.h"

namespace tv::cli {
namespace {

const char* kHeader = "name,interface,protocol,address,port";
constexpr std::size_t kMaxListBytes = 1 << 20;

std::string trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(
            trim(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

// A name that is a folder name on every system the tool runs on: letters, digits, '-',
// '_' and '.', not starting with '.', and none of the names Windows keeps for devices.
bool valid_name(const std::string& name) {
    if (name.empty() || name.size() > 64 || name[0] == '.') return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.') return false;
    const std::string stem = lower(name.substr(0, name.find('.')));
    static const char* reserved[] = {"con", "prn", "aux", "nul"};
    for (const char* r : reserved)
        if (stem == r) return false;
    if (stem.size() == 4 && (stem.rfind("com", 0) == 0 || stem.rfind("lpt", 0) == 0) && stem[3] >= '1' &&
        stem[3] <= '9')
        return false;
    return true;
}

std::string at(int line, const std::string& message) {
    return "wiersz " + std::to_string(line) + ": " + message;
}

// The header names the five columns, in any case.
bool is_header(const std::vector<std::string>& fields) {
    std::string joined;
    for (const auto& field : fields) {
        if (!joined.empty()) joined += ',';
        joined += lower(field);
    }
    return joined == kHeader;
}

// The device's link from its last two fields: a COM port and a speed, or an IPv4 address and
// a TCP port. Returns what is wrong, if anything.
std::string read_link(const std::vector<std::string>& f, Device& d) {
    d.address = f[3];
    d.port = f[4];
    if (!d.serial) {
        if (!valid_ipv4(d.address)) return "niepoprawny adres IPv4 \"" + f[3] + "\"";
        if (!valid_tcp_port(d.port)) return "niepoprawny port TCP \"" + f[4] + "\" (1..65535)";
        return {};
    }
    if (d.address.size() > 3 && lower(d.address.substr(0, 3)) == "com") d.address.replace(0, 3, "COM");
    if (!valid_com_port(d.address)) return "niepoprawny port szeregowy \"" + f[3] + "\" (COM1..COM99)";
    if (!valid_speed(d.port))
        return "niepoprawna prędkość \"" + f[4] + "\" (1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200)";
    return {};
}

// One device from the fields of its line; names holds the names met so far (lower case)
// with their lines. Returns what is wrong, if anything.
std::string read_device(const std::vector<std::string>& f, int line_no, std::map<std::string, int>& names,
                        Device& d) {
    if (f.size() != 5) return "oczekiwano 5 pól oddzielonych przecinkami, jest " + std::to_string(f.size());
    d.line = line_no;
    d.name = f[0];
    if (!valid_name(d.name))
        return "niepoprawna nazwa urządzenia \"" + d.name +
               "\" (litery, cyfry, - _ ., najwyżej 64 znaki, nie nazwa zastrzeżona w Windows)";
    const auto [it, fresh] = names.emplace(lower(d.name), line_no);
    if (!fresh)
        return "nazwa \"" + d.name + "\" powtarza się (pierwszy raz w wierszu " + std::to_string(it->second) +
               ")";
    const std::string interface = lower(f[1]), protocol = lower(f[2]);
    if (interface != "serial" && interface != "ethernet")
        return "nieznany interfejs \"" + f[1] + "\" (serial albo ethernet)";
    if (protocol != "printer" && protocol != "register")
        return "nieznany protokół \"" + f[2] + "\" (printer albo register)";
    d.serial = interface == "serial";
    d.printer = protocol == "printer";
    return read_link(f, d);
}

}  // namespace

bool parse_device_list(const std::string& text, std::vector<Device>& out, std::string& error) {
    out.clear();
    std::map<std::string, int> names;  // lower-case name -> its line (folder names ignore case on Windows)
    bool header_seen = false;
    int line_no = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++line_no;
        if (line_no == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);  // a spreadsheet's UTF-8 mark
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> f = split(line);
        std::string wrong;
        if (!header_seen) {
            if (!is_header(f))
                wrong = std::string("nagłówek listy musi brzmieć ") + kHeader + ", jest \"" + line + "\"";
            header_seen = true;
        } else {
            Device d;
            wrong = read_device(f, line_no, names, d);
            if (wrong.empty()) out.push_back(std::move(d));
        }
        if (!wrong.empty()) {
            error = at(line_no, wrong);
            return false;
        }
    }
    if (!header_seen) {
        error = std::string("brak nagłówka ") + kHeader;
        return false;
    }
    if (out.empty()) {
        error = "lista nie zawiera żadnego urządzenia";
        return false;
    }
    return true;
}

bool read_device_list(const std::string& path, std::vector<Device>& out, std::string& error) {
    std::ifstream in(fs_path(path), std::ios::binary);
    if (!in) {
        error = "Nie można odczytać listy urządzeń: " + path;
        return false;
    }
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxListBytes) {
            error = "Lista urządzeń " + path + " jest za duża (ponad 1 MiB)";
            return false;
        }
    }
    if (in.bad()) {
        error = "Nie można odczytać listy urządzeń: " + path;
        return false;
    }
    if (!parse_device_list(text, out, error)) {
        error = "Lista urządzeń " + path + ", " + error;
        return false;
    }
    return true;
}

}  // namespace tv::cli
