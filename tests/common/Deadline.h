// SPDX-License-Identifier: MIT
#pragma once
// Ends the test process with SIGALRM when a test outlives its deadline, so
// that a hang shows as a failure instead of stalling the run.

#include <unistd.h>

class Deadline {
public:
    explicit Deadline(unsigned seconds) { ::alarm(seconds); }
    ~Deadline() { ::alarm(0); }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;
};
