// Linux versions of the clock, sleep and input services.
#include "base/platform.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

double GetTime() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void SleepMs(int ms) {
    timespec ts{ms / 1000, long(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

bool InputWaiting(int timeout_ms) {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    int r = poll(&p, 1, timeout_ms);
    return r > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL));
}

long ReadInput(char* buf, size_t n) {
    ssize_t r = read(STDIN_FILENO, buf, n);
    if (r < 0) return (errno == EAGAIN || errno == EINTR) ? -1 : 0;
    return long(r);
}

FILE* OpenRegularFile(const char* name, const char* mode) {
    const bool read = mode[0] == 'r';
    int flags = O_CLOEXEC | O_NONBLOCK | (read ? O_RDONLY : O_WRONLY | O_CREAT);
    if (mode[0] == 'a') flags |= O_APPEND;
    // Not truncated yet: a "w" of something that turns out not to be a plain
    // file leaves it alone.
    int fd = open(name, flags, 0644);
    if (fd < 0) return nullptr;
    struct stat st {};
    // A device may take output (/dev/null, /dev/full) but gives no end of file.
    const bool plain = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!plain && (read || !S_ISCHR(st.st_mode))) {
        const bool dir = S_ISDIR(st.st_mode);
        close(fd);
        errno = dir ? EISDIR : ENOTSUP;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (mode[0] == 'w' && plain && ftruncate(fd, 0) != 0) {
        close(fd);
        return nullptr;
    }
    FILE* f = fdopen(fd, read ? "r" : mode[0] == 'a' ? "a" : "w");
    if (!f) close(fd);
    return f;
}

FILE* OpenLockedForWriting(const char* name, int* error) {
    // Opened without truncating: the file may still be another process's.
    const int fd = open(name, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    FILE* f = nullptr;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        *error = EWOULDBLOCK;
    else if (ftruncate(fd, 0) != 0 || !(f = fdopen(fd, "w")))
        *error = errno;
    if (!f) close(fd);
    return f;
}
