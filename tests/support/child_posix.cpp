// Child processes on POSIX systems: posix_spawn with pipes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/child.h"

extern char** environ;

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

bool Child::start(const std::string& path, const std::vector<std::string>& args,
                  const std::string& cwd, bool capture_err, std::string& error) {
    int out[2] = {-1, -1}, err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || (capture_err && ::pipe2(err, O_CLOEXEC) != 0)) {
        error = std::string("pipe: ") + std::strerror(errno);
        for (int fd : {out[0], out[1], err[0], err[1]})
            if (fd >= 0) ::close(fd);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (capture_err) posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());

    std::vector<std::string> copies(args);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (auto& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (capture_err) ::close(err[1]);
    if (rc != 0) {
        ::close(out[0]);
        if (capture_err) ::close(err[0]);
        error = "spawn " + path + ": " + std::strerror(rc);
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

bool Child::interrupt() {
    if (os_->pid > 0 && !os_->reaped) ::kill(os_->pid, SIGINT);
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
