// SPDX-License-Identifier: MIT
#pragma once
// Runs part of a test in a forked child process: one that may be killed,
// that runs as an unprivileged user, or under a resource limit, without
// touching the test process. The child reports back through a pipe.

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

struct ChildOutcome {
    bool exited = false;  // ended by its own exit, not by a signal
    int status = -1;      // exit status, or the signal that ended it
    std::string output;   // what the child's body returned

    bool ok() const { return exited && status == 0; }
};

// A forked child that runs `body`; what the body returns comes back as the
// output. The child exits with 0 after it, 2 when it throws, or dies of
// whatever kills it. A child not waited for is killed at the end.
class Child {
public:
    explicit Child(const std::function<std::string()>& body) {
        int channel[2];
        if (::pipe2(channel, O_CLOEXEC) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(channel[0]);
            std::string out;
            try {
                out = body();
            } catch (...) {
                ::_exit(2);  // never back into the test runner
            }
            std::size_t done = 0;
            while (done < out.size()) {
                const ssize_t n = ::write(channel[1], out.data() + done, out.size() - done);
                if (n <= 0)
                    ::_exit(3);
                done += static_cast<std::size_t>(n);
            }
            ::_exit(0);
        }
        ::close(channel[1]);
        channel_ = channel[0];
    }
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }

    ChildOutcome Wait() {
        ChildOutcome outcome;
        char buffer[4096];
        for (ssize_t n; channel_ >= 0 && (n = ::read(channel_, buffer, sizeof buffer)) != 0;) {
            if (n > 0)
                outcome.output.append(buffer, static_cast<std::size_t>(n));
            else if (errno != EINTR)
                break;
        }
        if (channel_ >= 0)
            ::close(channel_);
        channel_ = -1;
        int wstatus = 0;
        while (pid_ > 0 && ::waitpid(pid_, &wstatus, 0) < 0 && errno == EINTR) {
        }
        if (pid_ <= 0)
            return outcome;
        pid_ = -1;
        outcome.exited = WIFEXITED(wstatus);
        outcome.status = outcome.exited ? WEXITSTATUS(wstatus) : WTERMSIG(wstatus);
        return outcome;
    }

private:
    pid_t pid_ = -1;
    int channel_ = -1;
};

inline ChildOutcome RunInChild(const std::function<std::string()>& body) { return Child(body).Wait(); }

// The user and group "nobody" on Debian.
inline constexpr uid_t kUnprivilegedId = 65534;

// True when the tests run as root, for whom file permissions do not bind.
inline bool RunningAsRoot() { return ::geteuid() == 0; }

// Runs `body` as an ordinary user: as root in a child that drops to
// kUnprivilegedId first, otherwise here. Its result, or "<failed>" when the
// child could not drop its privileges or did not end normally.
inline std::string RunUnprivileged(const std::function<std::string()>& body) {
    if (!RunningAsRoot())
        return body();
    const ChildOutcome child = RunInChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedId) != 0 || ::setuid(kUnprivilegedId) != 0)
            ::_exit(4);
        return body();
    });
    return child.ok() ? child.output : std::string("<failed>");
}
