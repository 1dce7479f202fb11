// Child processes on POSIX systems: fork and exec, two pipes, poll, SIGINT.
#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace tv::cli {

struct ChildProcess::Impl {
    pid_t pid = -1;
    int out = -1, err = -1;
    std::mutex mutex;  // pid and reaped: a signal never goes to a reaped (perhaps reused) pid
    bool reaped = false;
};

ChildProcess::ChildProcess() : impl_(std::make_unique<Impl>()) {}

ChildProcess::~ChildProcess() {
    if (impl_->out >= 0) ::close(impl_->out);
    if (impl_->err >= 0) ::close(impl_->err);
    if (impl_->pid > 0 && !impl_->reaped) {
        ::kill(impl_->pid, SIGKILL);
        int status = 0;
        while (::waitpid(impl_->pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

bool ChildProcess::start(const std::filesystem::path& program, const std::vector<std::string>& args,
                         std::string& error) {
    int out[2], err[2];
    // Close-on-exec: a pipe of one child must not stay open in the next one, or its
    // reader would wait for both to end.
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        ::close(out[0]);
        ::close(out[1]);
        return false;
    }
    // Everything the child needs is made before the fork: after it only calls that are
    // safe in a child of a threaded process.
    const std::string path = program.string();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        for (int fd : {out[0], out[1], err[0], err[1]}) ::close(fd);
        return false;
    }
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        if (in >= 0) ::dup2(in, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execv(path.c_str(), argv.data());
        _exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->pid = pid;
    impl_->out = out[0];
    impl_->err = err[0];
    return true;
}

void ChildProcess::interrupt() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->pid > 0 && !impl_->reaped) ::kill(impl_->pid, SIGINT);
}

ChildProcess::Output ChildProcess::wait() {
    Output r;
    if (impl_->pid <= 0) return r;
    pollfd fds[2] = {{impl_->out, POLLIN, 0}, {impl_->err, POLLIN, 0}};
    int open_fds = 2;
    while (open_fds > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                (i == 0 ? r.out : r.err).append(buf, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open_fds;
            }
        }
    }
    int status = 0;
    pid_t got;
    while ((got = ::waitpid(impl_->pid, &status, 0)) < 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->reaped = true;
    r.status = got == impl_->pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::filesystem::path own_program_path(const char* argv0) {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !self.empty()) return self;
    const std::string name = argv0 ? argv0 : "";
    if (name.find('/') == std::string::npos) return {};
    return std::filesystem::absolute(name, ec);
}

}  // namespace tv::cli
