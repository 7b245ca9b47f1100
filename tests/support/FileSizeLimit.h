// Runs a piece of a test in a forked child whose writes stop at a file size limit, as on a full disk.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace trov::test {

// Calls body in a child process with RLIMIT_FSIZE at limitBytes and SIGXFSZ ignored, so a write
// beyond the limit fails with EFBIG like a write to a full disk. Returns the child's exit code:
// body's result (0 = its expectations held), or -1 when the child did not exit normally.
inline int RunWithFileSizeLimit(rlim_t limitBytes, const std::function<int()>& body) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{limitBytes, limitBytes};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(100);
        int code = body();
        std::fflush(nullptr);
        _exit(code);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace trov::test
