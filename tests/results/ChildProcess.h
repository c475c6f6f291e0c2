#pragma once
// Runs part of a test in a forked child process, as an ordinary user or with a
// limit on the size of the files it may write. The tests run as root, which
// ignores permission bits; a child that gives up root shows what a user sees,
// and a file size limit makes a write fail part-way as a full disk does.

#ifndef _WIN32

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>

// The user a child runs as when it should not be root: "nobody" on Linux.
inline constexpr uid_t kOrdinaryUser = 65534;

struct ChildSetup {
    bool ordinaryUser = false;             // give up root for kOrdinaryUser
    rlim_t fileSizeLimit = RLIM_INFINITY;  // largest file the child may write
};

// Only root can switch to another user.
inline bool CanRunAsOrdinaryUser() {
    return geteuid() == 0;
}

// The child's exit code: what body returned (0-125), 126 when the child could
// not be set up, -1 when it did not end normally.
inline int RunInChild(const ChildSetup& setup, const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (setup.ordinaryUser && (setgroups(0, nullptr) != 0 ||
                                   setresgid(kOrdinaryUser, kOrdinaryUser, kOrdinaryUser) != 0 ||
                                   setresuid(kOrdinaryUser, kOrdinaryUser, kOrdinaryUser) != 0))
            _exit(126);
        if (setup.fileSizeLimit != RLIM_INFINITY) {
            // A write past the limit then fails with EFBIG instead of ending the process.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{setup.fileSizeLimit, setup.fileSizeLimit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
        const int code = body();
        std::fflush(nullptr);
        _exit(code);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif
