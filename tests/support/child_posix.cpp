// Child processes on POSIX systems: fork and exec with pipes.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/child.h"

namespace tv::test {

struct Child::Os {
    pid_t pid = -1;
    int out = -1, err = -1;
    bool reaped = false;
    int status = -1;
};

Child::Child() : os_(std::make_unique<Os>()) {}

Child::~Child() {
    if (os_->pid > 0 && !os_->reaped) {
        kill();
    }
    if (os_->out >= 0) ::close(os_->out);
    if (os_->err >= 0) ::close(os_->err);
}

bool Child::start(const std::string& path, const std::vector<std::string>& args, const std::string& cwd,
                  bool capture_err, std::string& error) {
    int out[2] = {-1, -1}, err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || (capture_err && ::pipe2(err, O_CLOEXEC) != 0)) {
        error = std::string("pipe: ") + std::strerror(errno);
        for (int fd : {out[0], out[1], err[0], err[1]})
            if (fd >= 0) ::close(fd);
        return false;
    }
    std::vector<std::string> copies(args);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    [[maybe_unused]] const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
#ifdef __linux__
        // The child goes with the test: should the test end without ending it (a crash,
        // CTest's time-out), the kernel kills it, so no simulator is left behind.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
#endif
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0) ::dup2(null, STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        if (capture_err) ::dup2(err[1], STDERR_FILENO);
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(126);
        ::execv(path.c_str(), argv.data());
        ::_exit(127);
    }
    const int rc = pid < 0 ? errno : 0;
    ::close(out[1]);
    if (capture_err) ::close(err[1]);
    if (rc != 0) {
        ::close(out[0]);
        if (capture_err) ::close(err[0]);
        error = "fork " + path + ": " + std::strerror(rc);
        return false;
    }
    os_->pid = pid;
    os_->out = out[0];
    os_->err = capture_err ? err[0] : -1;
    return true;
}

namespace {
long read_fd(int fd, char* buf, std::size_t n) {
    if (fd < 0) return 0;
    ssize_t r;
    do r = ::read(fd, buf, n);
    while (r < 0 && errno == EINTR);
    return r < 0 ? 0 : static_cast<long>(r);
}
}  // namespace

long Child::read_out(char* buf, std::size_t n) { return read_fd(os_->out, buf, n); }
long Child::read_err(char* buf, std::size_t n) { return read_fd(os_->err, buf, n); }

int Child::poll_exit() {
    if (os_->pid <= 0) return -1;
    if (os_->reaped) return os_->status;
    int wstatus = 0;
    const pid_t r = ::waitpid(os_->pid, &wstatus, WNOHANG);
    if (r == 0) return -2;
    os_->status = (r == os_->pid && WIFEXITED(wstatus)) ? WEXITSTATUS(wstatus) : -1;
    os_->reaped = true;
    return os_->status;
}

void Child::terminate() {
    if (os_->pid > 0 && !os_->reaped) ::kill(os_->pid, SIGTERM);
}

bool Child::interrupt(int signal_number) {
    if (os_->pid > 0 && !os_->reaped) ::kill(os_->pid, signal_number);
    return true;
}

int Child::pid() const { return os_->pid; }

void Child::kill() {
    if (os_->pid <= 0 || os_->reaped) return;
    ::kill(os_->pid, SIGKILL);
    int wstatus = 0;
    ::waitpid(os_->pid, &wstatus, 0);
    os_->status = -1;
    os_->reaped = true;
}

}  // namespace tv::test
