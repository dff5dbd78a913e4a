// Work done in a child process that may be killed, hang or run out of memory without
// taking the test with it.
#pragma once

#include <functional>

// Runs `action` in a child process and waits for it: its wait status (WIFSIGNALED when it
// was killed). The child ends with _exit(0) after `action`, without running any
// destructor, so the temporary folders stay for the parent. `borne`: the child is stopped
// (SIGALRM) after 20 s and, where no sanitizer needs the address space, gets at most
// 2 GiB of it, so that an endless read or wait fails the test instead of the machine.
int DansUnFils(const std::function<void()> &action, bool borne = false);

// The child ended by itself with status 0.
bool FiniNormalement(int etat);
