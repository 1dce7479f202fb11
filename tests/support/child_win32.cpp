// Child processes on Windows: CreateProcessW with inherited pipe ends, the command line
// quoted as the C runtime splits it.
#include <windows.h>

#include "common/paths.h"
#include "support/child.h"

namespace tv::test {

struct Child::Os {
    PROCESS_INFORMATION pi{};
    HANDLE out = nullptr, err = nullptr;
    bool started = false, ended = false, killed = false;
    int status = -1;
};

namespace {

// One argument quoted for CommandLineToArgvW and the C runtime.
std::wstring quoted(const std::wstring& a) {
    if (!a.empty() && a.find_first_of(L" \t\n\v\"") == std::wstring::npos) return a;
    std::wstring q = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : a) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        q.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        q.push_back(c);
    }
    q.append(slashes * 2, L'\\');
    q.push_back(L'"');
    return q;
}

std::wstring wide(const std::string& utf8) { return tv::fs_path(utf8).native(); }

long read_handle(HANDLE h, char* buf, std::size_t n) {
    if (!h) return 0;
    DWORD got = 0;
    if (!ReadFile(h, buf, static_cast<DWORD>(n), &got, nullptr)) return 0;  // broken pipe: the end
    return static_cast<long>(got);
}

}  // namespace

Child::Child() : os_(std::make_unique<Os>()) {}

Child::~Child() {
    if (os_->started && !os_->ended) kill();
    if (os_->started) {
        CloseHandle(os_->pi.hProcess);
        CloseHandle(os_->pi.hThread);
    }
    if (os_->out) CloseHandle(os_->out);
    if (os_->err) CloseHandle(os_->err);
}

bool Child::start(const std::string& path, const std::vector<std::string>& args, const std::string& cwd,
                  bool capture_err, std::string& error) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
    if (!CreatePipe(&out_read, &out_write, &inherit, 0) ||
        (capture_err && !CreatePipe(&err_read, &err_write, &inherit, 0))) {
        error = "CreatePipe failed: " + std::to_string(GetLastError());
        return false;
    }
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    if (err_read) SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
    HANDLE null_in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 OPEN_EXISTING, 0, nullptr);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = null_in;
    si.hStdOutput = out_write;
    si.hStdError = capture_err ? err_write : GetStdHandle(STD_ERROR_HANDLE);

    std::wstring line = quoted(wide(path));
    for (const auto& a : args) line += L" " + quoted(wide(a));
    const std::wstring app = wide(path);
    const std::wstring dir = cwd.empty() ? std::wstring() : wide(cwd);
    const BOOL ok = CreateProcessW(app.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                   nullptr, dir.empty() ? nullptr : dir.c_str(), &si, &os_->pi);
    const DWORD code = GetLastError();
    CloseHandle(out_write);
    if (err_write) CloseHandle(err_write);
    if (null_in != INVALID_HANDLE_VALUE) CloseHandle(null_in);
    if (!ok) {
        CloseHandle(out_read);
        if (err_read) CloseHandle(err_read);
        error = "CreateProcessW " + path + " failed: " + std::to_string(code);
        return false;
    }
    os_->started = true;
    os_->out = out_read;
    os_->err = err_read;
    return true;
}

long Child::read_out(char* buf, std::size_t n) { return read_handle(os_->out, buf, n); }
long Child::read_err(char* buf, std::size_t n) { return read_handle(os_->err, buf, n); }

int Child::poll_exit() {
    if (!os_->started) return -1;
    if (os_->ended) return os_->status;
    if (WaitForSingleObject(os_->pi.hProcess, 0) != WAIT_OBJECT_0) return -2;
    DWORD code = 0;
    GetExitCodeProcess(os_->pi.hProcess, &code);
    os_->ended = true;
    os_->status = os_->killed || code > 255 ? -1 : static_cast<int>(code);
    return os_->status;
}

void Child::terminate() { kill(); }

bool Child::interrupt(int) { return false; }

int Child::pid() const { return os_->started ? static_cast<int>(os_->pi.dwProcessId) : -1; }

void Child::kill() {
    if (!os_->started || os_->ended) return;
    os_->killed = true;
    TerminateProcess(os_->pi.hProcess, 1);
    WaitForSingleObject(os_->pi.hProcess, 5000);
    poll_exit();
}

}  // namespace tv::test
