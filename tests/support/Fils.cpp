#include "Fils.h"

#include <cerrno>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int DansUnFils(const std::function<void()> &action, bool borne)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (borne) {
            ::alarm(20);
#if !defined(__SANITIZE_ADDRESS__)
            const struct rlimit memoire = {rlim_t(2) << 30, rlim_t(2) << 30};
            ::setrlimit(RLIMIT_AS, &memoire);
#endif
        }
        action();
        ::_exit(0);
    }
    int etat = -1;
    while (pid > 0 && ::waitpid(pid, &etat, 0) < 0 && errno == EINTR) {
    }
    return etat;
}

bool FiniNormalement(int etat)
{
    return WIFEXITED(etat) && WEXITSTATUS(etat) == 0;
}
