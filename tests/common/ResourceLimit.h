// SPDX-License-Identifier: MIT
#pragma once
// A resource limit lowered for the life of an object.

#include <algorithm>
#include <csignal>
#include <sys/resource.h>

// Lowers a resource limit for the life of the object. Writes past the file
// size limit then fail with EFBIG instead of raising SIGXFSZ.
class ResourceLimit {
public:
    ResourceLimit(int resource, rlim_t limit) : resource_(resource) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ok_ = ::sigaction(SIGXFSZ, &ignore, &oldAction_) == 0 &&
              ::getrlimit(resource_, &old_) == 0;
        rlimit low = old_;
        low.rlim_cur = std::min(limit, old_.rlim_max);
        ok_ = ok_ && ::setrlimit(resource_, &low) == 0;
    }
    ~ResourceLimit() {
        ::setrlimit(resource_, &old_);
        ::sigaction(SIGXFSZ, &oldAction_, nullptr);
    }
    ResourceLimit(const ResourceLimit&) = delete;
    ResourceLimit& operator=(const ResourceLimit&) = delete;

    bool ok() const { return ok_; }

private:
    int resource_;
    rlimit old_{};
    struct sigaction oldAction_ {};
    bool ok_ = false;
};
