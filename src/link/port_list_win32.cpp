// The serial ports of Windows: the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, which the
// port drivers fill (value name: the driver's device, data: the COM name).
#include <windows.h>

#include <cwctype>

#include "common/text.h"
#include "link/port_list.h"

namespace tv {

namespace {
// n of "COMn", or 0.
int com_number(const std::wstring& name) {
    if (name.size() < 4 || name.size() > 6 || name.compare(0, 3, L"COM") != 0) return 0;
    int n = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::iswdigit(name[i])) return 0;
        n = n * 10 + (name[i] - L'0');
    }
    return n;
}
}  // namespace

std::vector<PortInfo> list_serial_ports(std::string_view) {
    std::vector<PortInfo> ports;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return ports;  // no serial port driver has registered anything
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        wchar_t data[64];
        DWORD name_len = 256;
        DWORD data_size = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG r =
            RegEnumValueW(key, i, name, &name_len, nullptr, &type, reinterpret_cast<BYTE*>(data), &data_size);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || type != REG_SZ) continue;
        data[data_size / sizeof(wchar_t)] = 0;
        const std::wstring com = data;
        PortInfo p;
        p.number = com_number(com);
        p.device = "\\\\.\\" + utf8_of_wide(com);
        p.description = utf8_of_wide(std::wstring_view(name, name_len));
        ports.push_back(p);
    }
    RegCloseKey(key);
    sort_ports(ports);
    return ports;
}

}  // namespace tv
