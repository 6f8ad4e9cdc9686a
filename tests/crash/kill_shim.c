// Preloaded into a writer to kill it at one file-changing system call: with LUMENARK_KILL_AT=N
// the N-th such call (counted from 1) never happens, the process is killed with SIGKILL at that
// point, as by a power cut or a user's kill. LUMENARK_KILL_TRACE names a file that gets one line
// per call: its number and its name. The standard streams are not counted.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

static long killAt = -1;
static long calls = 0;
static int traceFd = -1;

static void* next(const char* name) {
    return dlsym(RTLD_NEXT, name);
}

__attribute__((constructor)) static void start(void) {
    const char* at = getenv("LUMENARK_KILL_AT");
    killAt = at != NULL ? atol(at) : -1;
    const char* trace = getenv("LUMENARK_KILL_TRACE");
    if (trace != NULL) {
        int (*realOpen)(const char*, int, ...) = (int (*)(const char*, int, ...))next("open");
        traceFd = realOpen(trace, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }
}

static void point(const char* name) {
    ++calls;
    if (traceFd >= 0) {
        ssize_t (*realWrite)(int, const void*, size_t) =
            (ssize_t(*)(int, const void*, size_t))next("write");
        char line[64];
        const int length = snprintf(line, sizeof(line), "%ld %s\n", calls, name);
        realWrite(traceFd, line, (size_t)length);
    }
    if (calls == killAt) {
        kill(getpid(), SIGKILL);
    }
}

static int changesOnOpen(int flags) {
    return (flags & (O_CREAT | O_TRUNC)) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

static mode_t modeOf(int flags, va_list arguments) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t)
                                                                      : 0;
}

static int openAt(const char* name, int folder, const char* path, int flags, mode_t mode) {
    if (changesOnOpen(flags)) {
        point(name);
    }
    return ((int (*)(int, const char*, int, ...))next("openat"))(folder, path, flags, mode);
}

// open(path, ...) is openat(AT_FDCWD, path, ...); FOLDER_PARAMETER stands for "int folder,".
#define FOLDER_PARAMETER int folder,
#define OPEN_LIKE(name, folderParameter, folder)                                                   \
    int name(folderParameter const char* path, int flags, ...) {                                   \
        va_list arguments;                                                                         \
        va_start(arguments, flags);                                                                \
        const mode_t mode = modeOf(flags, arguments);                                              \
        va_end(arguments);                                                                         \
        return openAt(#name, folder, path, flags, mode);                                           \
    }
OPEN_LIKE(open, , AT_FDCWD)
OPEN_LIKE(open64, , AT_FDCWD)
OPEN_LIKE(openat, FOLDER_PARAMETER, folder)
OPEN_LIKE(openat64, FOLDER_PARAMETER, folder)

int creat(const char* path, mode_t mode) {
    point("creat");
    return ((int (*)(const char*, mode_t))next("creat"))(path, mode);
}

ssize_t write(int fd, const void* bytes, size_t count) {
    if (fd > 2) {
        point("write");
    }
    return ((ssize_t(*)(int, const void*, size_t))next("write"))(fd, bytes, count);
}

ssize_t pwrite(int fd, const void* bytes, size_t count, off_t offset) {
    point("pwrite");
    return ((ssize_t(*)(int, const void*, size_t, off_t))next("pwrite"))(fd, bytes, count, offset);
}

ssize_t pwrite64(int fd, const void* bytes, size_t count, off_t offset) {
    point("pwrite64");
    return ((ssize_t(*)(int, const void*, size_t, off_t))next("pwrite64"))(fd, bytes, count,
                                                                           offset);
}

ssize_t writev(int fd, const struct iovec* vectors, int count) {
    if (fd > 2) {
        point("writev");
    }
    return ((ssize_t(*)(int, const struct iovec*, int))next("writev"))(fd, vectors, count);
}

#define ONE_ARGUMENT(type, name, argumentType)                                                     \
    type name(argumentType argument) {                                                             \
        point(#name);                                                                              \
        return ((type(*)(argumentType))next(#name))(argument);                                     \
    }
ONE_ARGUMENT(int, fsync, int)
ONE_ARGUMENT(int, fdatasync, int)
ONE_ARGUMENT(int, unlink, const char*)
ONE_ARGUMENT(int, rmdir, const char*)

int mkdir(const char* path, mode_t mode) {
    point("mkdir");
    return ((int (*)(const char*, mode_t))next("mkdir"))(path, mode);
}

int mkdirat(int folder, const char* path, mode_t mode) {
    point("mkdirat");
    return ((int (*)(int, const char*, mode_t))next("mkdirat"))(folder, path, mode);
}

int rename(const char* from, const char* to) {
    point("rename");
    return ((int (*)(const char*, const char*))next("rename"))(from, to);
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    point("renameat");
    return ((int (*)(int, const char*, int, const char*))next("renameat"))(fromFolder, from,
                                                                           toFolder, to);
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
    point("renameat2");
    return ((int (*)(int, const char*, int, const char*, unsigned))next("renameat2"))(
        fromFolder, from, toFolder, to, flags);
}

int unlinkat(int folder, const char* path, int flags) {
    point("unlinkat");
    return ((int (*)(int, const char*, int))next("unlinkat"))(folder, path, flags);
}

int ftruncate(int fd, off_t length) {
    point("ftruncate");
    return ((int (*)(int, off_t))next("ftruncate"))(fd, length);
}

int truncate(const char* path, off_t length) {
    point("truncate");
    return ((int (*)(const char*, off_t))next("truncate"))(path, length);
}

int link(const char* from, const char* to) {
    point("link");
    return ((int (*)(const char*, const char*))next("link"))(from, to);
}

int symlink(const char* target, const char* path) {
    point("symlink");
    return ((int (*)(const char*, const char*))next("symlink"))(target, path);
}
