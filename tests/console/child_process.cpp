#include "tests/console/child_process.h"

#include <fcntl.h>
#include <linux/securebits.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// What the child wrote last is in the pipes once it has ended; a grandchild
// that keeps them open must not hold the test longer than this.
constexpr uint64_t kDrainMs = 2000;

uint64_t NowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return uint64_t(t.tv_sec) * 1000 + uint64_t(t.tv_nsec) / 1000000;
}

void CloseFd(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

}  // namespace

Child::Child(const ChildSpec& spec) {
    int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1}, inPipe[2] = {-1, -1};
    int master = -1;
    std::string slave;
    if (spec.terminal) {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        slave = ptsname(master);
    } else if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0 ||
               pipe2(inPipe, O_CLOEXEC) != 0) {
        return;
    }
    std::vector<char*> argv;
    for (const std::string& a : spec.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        if (spec.terminal) {
            setsid();
            const int fd = open(slave.c_str(), O_RDWR);
            if (fd < 0) _exit(127);
            ioctl(fd, TIOCSCTTY, 0);
            dup2(fd, 0);
            dup2(fd, 1);
            dup2(fd, 2);
        } else {
            dup2(inPipe[0], 0);
            dup2(outPipe[1], 1);
            dup2(errPipe[1], 2);
        }
        // As a shell starts a program: every signal at its default, none
        // blocked (a process that loaded umockdev ignores SIGPIPE).
        for (int sig = 1; sig < NSIG; ++sig) signal(sig, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        // Root regains every capability at exec unless told not to.
        if (spec.noRoot) prctl(PR_SET_SECUREBITS, SECBIT_NOROOT | SECBIT_NOROOT_LOCKED);
        execv(argv[0], argv.data());
        _exit(127);
    }
    terminal_ = spec.terminal;
    if (spec.terminal) {
        outFd_ = master;
        inFd_ = dup(master);
    } else {
        close(outPipe[1]);
        close(errPipe[1]);
        close(inPipe[0]);
        outFd_ = outPipe[0];
        errFd_ = errPipe[0];
        inFd_ = inPipe[1];
    }
}

Child::~Child() {
    if (pid_ > 0 && status_ < 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    CloseFd(&outFd_);
    CloseFd(&errFd_);
    CloseFd(&inFd_);
}

// Reads what is there within limitMs.
void Child::Pump(int limitMs) {
    pollfd fds[2];
    nfds_t n = 0;
    if (outFd_ >= 0) fds[n++] = {outFd_, POLLIN, 0};
    if (errFd_ >= 0) fds[n++] = {errFd_, POLLIN, 0};
    if (n == 0 || poll(fds, n, limitMs) <= 0) return;
    for (nfds_t i = 0; i < n; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buffer[4096];
        const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
        std::string& to = fds[i].fd == outFd_ ? out : err;
        if (got > 0) {
            to.append(buffer, size_t(got));
        } else if (got == 0 || errno != EINTR) {
            // The end of a pipe, or EIO on a terminal whose child has gone.
            CloseFd(fds[i].fd == outFd_ ? &outFd_ : &errFd_);
        }
    }
}

bool Child::WaitFor(const std::string& text, int limitMs) {
    const uint64_t end = NowMs() + uint64_t(limitMs);
    while ((out + err).find(text) == std::string::npos) {
        const uint64_t now = NowMs();
        if (now >= end || (outFd_ < 0 && errFd_ < 0)) return false;
        Pump(int(end - now));
    }
    return true;
}

void Child::Type(const std::string& text) {
    if (inFd_ >= 0 && write(inFd_, text.data(), text.size()) != ssize_t(text.size())) CloseFd(&inFd_);
}

void Child::CloseOutput() {
    CloseFd(&outFd_);
    if (terminal_) CloseFd(&inFd_);
}

void Child::Signal(int sig) {
    if (pid_ > 0 && status_ < 0) kill(pid_, sig);
}

// The output drains to its end first: a terminal's master loses what the
// child wrote last once its slave is gone and the master is read too late.
int Child::Wait(int limitMs) {
    if (pid_ <= 0) return -1;
    const uint64_t end = NowMs() + uint64_t(limitMs);
    while (status_ < 0) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = status;
            break;
        }
        const uint64_t now = NowMs();
        if (now >= end) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            status_ = 0;
            return -1;
        }
        // Reading keeps a chatty child from blocking on a full pipe.
        Pump(outFd_ < 0 && errFd_ < 0 ? 10 : int(end - now < 10 ? end - now : 10));
    }
    const uint64_t drained = NowMs() + kDrainMs;
    while ((outFd_ >= 0 || errFd_ >= 0) && NowMs() < drained) Pump(100);
    if (WIFSIGNALED(status_)) return 128 + WTERMSIG(status_);
    return WEXITSTATUS(status_);
}
