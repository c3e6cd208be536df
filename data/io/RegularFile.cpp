// SPDX-License-Identifier: MIT
#include "RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int RegularFileError(mode_t mode) {
    if (S_ISREG(mode))
        return 0;
    return S_ISDIR(mode) ? EISDIR : kNotRegularFile;
}

OpenedFile OpenRegularFile(const std::string& path) {
    OpenedFile file;
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it
    // changes nothing for a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        file.error = errno;
        return file;
    }
    struct stat st {};
    file.error = ::fstat(fd, &st) != 0 ? errno : RegularFileError(st.st_mode);
    if (file.error != 0) {
        ::close(fd);
        return file;
    }
    file.fd = fd;
    file.size = st.st_size;
    return file;
}
