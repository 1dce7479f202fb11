// Child processes on Windows: CreateProcessW with two pipes; a stop request is Ctrl-Break
// to the child's own process group, which the console tool takes as Ctrl-C.
#include "child_process.h"

#include <windows.h>

#include <mutex>
#include <thread>

namespace tv::cli {
namespace {

std::wstring widen(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

// One argument quoted so that the C runtime of the child splits it back unchanged.
std::wstring quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring q = L"\"";
    for (auto it = arg.begin();; ++it) {
        std::size_t backslashes = 0;
        while (it != arg.end() && *it == L'\\') {
            ++it;
            ++backslashes;
        }
        if (it == arg.end()) {
            q.append(backslashes * 2, L'\\');
            break;
        }
        if (*it == L'"') {
            q.append(backslashes * 2 + 1, L'\\');
        } else {
            q.append(backslashes, L'\\');
        }
        q.push_back(*it);
    }
    q.push_back(L'"');
    return q;
}

void drain(HANDLE h, std::string& into) {
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) into.append(buf, n);
}

}  // namespace

struct ChildProcess::Impl {
    HANDLE process = nullptr;
    HANDLE out = nullptr, err = nullptr;
    DWORD pid = 0;
    std::mutex mutex;
    bool reaped = false;
};

ChildProcess::ChildProcess() : impl_(std::make_unique<Impl>()) {}

ChildProcess::~ChildProcess() {
    if (impl_->out) CloseHandle(impl_->out);
    if (impl_->err) CloseHandle(impl_->err);
    if (impl_->process) {
        if (!impl_->reaped) {
            TerminateProcess(impl_->process, 1);
            WaitForSingleObject(impl_->process, INFINITE);
        }
        CloseHandle(impl_->process);
    }
}

bool ChildProcess::start(const std::filesystem::path& program, const std::vector<std::string>& args,
                         std::string& error) {
    SECURITY_ATTRIBUTES sa{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE out_r = nullptr, out_w = nullptr, err_r = nullptr, err_w = nullptr;
    if (!CreatePipe(&out_r, &out_w, &sa, 0) || !CreatePipe(&err_r, &err_w, &sa, 0)) {
        error = "CreatePipe: " + std::to_string(GetLastError());
        for (HANDLE h : {out_r, out_w, err_r, err_w})
            if (h) CloseHandle(h);
        return false;
    }
    SetHandleInformation(out_r, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_r, HANDLE_FLAG_INHERIT, 0);
    HANDLE in =
        CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);

    std::wstring line = quoted(program.wstring());
    for (const auto& a : args) line += L" " + quoted(widen(a));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out_w;
    si.hStdError = err_w;
    PROCESS_INFORMATION pi{};
    // The children are started one after another from one thread and the write ends are
    // closed at once, so no child inherits another one's pipe.
    const BOOL ok = CreateProcessW(program.wstring().c_str(), line.data(), nullptr, nullptr, TRUE,
                                   CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &si, &pi);
    const DWORD code = GetLastError();
    CloseHandle(out_w);
    CloseHandle(err_w);
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (!ok) {
        CloseHandle(out_r);
        CloseHandle(err_r);
        error = "CreateProcess: " + std::to_string(code);
        return false;
    }
    CloseHandle(pi.hThread);
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->process = pi.hProcess;
    impl_->pid = pi.dwProcessId;
    impl_->out = out_r;
    impl_->err = err_r;
    return true;
}

void ChildProcess::interrupt() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->process && !impl_->reaped) GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, impl_->pid);
}

ChildProcess::Output ChildProcess::wait() {
    Output r;
    if (!impl_->process) return r;
    std::thread errors([&] { drain(impl_->err, r.err); });
    drain(impl_->out, r.out);
    errors.join();
    WaitForSingleObject(impl_->process, INFINITE);
    DWORD code = 0;
    const bool got = GetExitCodeProcess(impl_->process, &code);
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->reaped = true;
    r.status = got && code <= 255 ? static_cast<int>(code) : -1;
    return r;
}

std::filesystem::path own_program_path(const char*) {
    std::wstring buf(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0 || n >= buf.size()) return {};
    buf.resize(n);
    return std::filesystem::path(buf);
}

}  // namespace tv::cli
