// Preloaded into a writer to cut it short at one file-changing system call: with
// LUMENARK_KILL_AT=N the N-th such call (counted from 1) never happens, the process is killed
// with SIGKILL at that point, as by a power cut or a user's kill; with LUMENARK_FAIL_AT=N the
// N-th call does not happen either but fails with EIO, as on a failing disk, and the writer goes
// on. LUMENARK_KILL_TRACE names a file that gets one line per call, its fields separated by tabs:
// its number, its name and the paths it works on (a descriptor as the file it stands for).
// The standard streams are not counted.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
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
static long failAt = -1;
static long calls = 0;
static int traceFd = -1;

static void* next(const char* name) {
    return dlsym(RTLD_NEXT, name);
}

__attribute__((constructor)) static void start(void) {
    const char* at = getenv("LUMENARK_KILL_AT");
    killAt = at != NULL ? atol(at) : -1;
    const char* fail = getenv("LUMENARK_FAIL_AT");
    failAt = fail != NULL ? atol(fail) : -1;
    const char* trace = getenv("LUMENARK_KILL_TRACE");
    if (trace != NULL) {
        int (*realOpen)(const char*, int, ...) = (int (*)(const char*, int, ...))next("open");
        traceFd = realOpen(trace, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }
}

// The file a descriptor stands for, or "?".
static void describeDescriptor(int fd, char* out, size_t size) {
    char link[64];
    snprintf(link, sizeof(link), "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, out, size - 1);
    if (length < 0) {
        snprintf(out, size, "?");
        return;
    }
    out[length] = '\0';
}

// A path as the call resolves it: relative to the folder descriptor unless it is absolute.
static void describePath(int folder, const char* path, char* out, size_t size) {
    if (path == NULL) {
        snprintf(out, size, "?");
        return;
    }
    if (path[0] == '/' || folder == AT_FDCWD) {
        snprintf(out, size, "%s", path);
        return;
    }
    char base[PATH_MAX];
    describeDescriptor(folder, base, sizeof(base));
    snprintf(out, size, "%s/%s", base, path);
}

// Counts one call; true when it is to fail instead of happening.
static int point(const char* name, const char* first, const char* second) {
    ++calls;
    if (traceFd >= 0) {
        ssize_t (*realWrite)(int, const void*, size_t) =
            (ssize_t(*)(int, const void*, size_t))next("write");
        char line[2 * PATH_MAX + 64];
        const int length = snprintf(line, sizeof(line), "%ld\t%s\t%s\t%s\n", calls, name,
                                    first != NULL ? first : "", second != NULL ? second : "");
        realWrite(traceFd, line, (size_t)(length < (int)sizeof(line) ? length : (int)sizeof(line)));
    }
    if (calls == killAt) {
        kill(getpid(), SIGKILL);
    }
    if (calls == failAt) {
        errno = EIO;
        return 1;
    }
    return 0;
}

static int pointOnPath(const char* name, int folder, const char* path) {
    char described[PATH_MAX];
    describePath(folder, path, described, sizeof(described));
    return point(name, described, NULL);
}

static int pointOnTwoPaths(const char* name, int fromFolder, const char* from, int toFolder,
                           const char* to) {
    char first[PATH_MAX];
    char second[PATH_MAX];
    describePath(fromFolder, from, first, sizeof(first));
    describePath(toFolder, to, second, sizeof(second));
    return point(name, first, second);
}

static int pointOnDescriptor(const char* name, int fd) {
    char described[PATH_MAX];
    describeDescriptor(fd, described, sizeof(described));
    return point(name, described, NULL);
}

static int changesOnOpen(int flags) {
    return (flags & (O_CREAT | O_TRUNC)) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

static mode_t modeOf(int flags, va_list arguments) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t)
                                                                      : 0;
}

static int openAt(const char* name, int folder, const char* path, int flags, mode_t mode) {
    if (changesOnOpen(flags) && pointOnPath(name, folder, path)) {
        return -1;
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
    if (pointOnPath("creat", AT_FDCWD, path)) {
        return -1;
    }
    return ((int (*)(const char*, mode_t))next("creat"))(path, mode);
}

ssize_t write(int fd, const void* bytes, size_t count) {
    if (fd > 2 && pointOnDescriptor("write", fd)) {
        return -1;
    }
    return ((ssize_t(*)(int, const void*, size_t))next("write"))(fd, bytes, count);
}

ssize_t pwrite(int fd, const void* bytes, size_t count, off_t offset) {
    if (pointOnDescriptor("pwrite", fd)) {
        return -1;
    }
    return ((ssize_t(*)(int, const void*, size_t, off_t))next("pwrite"))(fd, bytes, count, offset);
}

ssize_t pwrite64(int fd, const void* bytes, size_t count, off_t offset) {
    if (pointOnDescriptor("pwrite64", fd)) {
        return -1;
    }
    return ((ssize_t(*)(int, const void*, size_t, off_t))next("pwrite64"))(fd, bytes, count,
                                                                           offset);
}

ssize_t writev(int fd, const struct iovec* vectors, int count) {
    if (fd > 2 && pointOnDescriptor("writev", fd)) {
        return -1;
    }
    return ((ssize_t(*)(int, const struct iovec*, int))next("writev"))(fd, vectors, count);
}

int fsync(int fd) {
    if (pointOnDescriptor("fsync", fd)) {
        return -1;
    }
    return ((int (*)(int))next("fsync"))(fd);
}

int fdatasync(int fd) {
    if (pointOnDescriptor("fdatasync", fd)) {
        return -1;
    }
    return ((int (*)(int))next("fdatasync"))(fd);
}

int ftruncate(int fd, off_t length) {
    if (pointOnDescriptor("ftruncate", fd)) {
        return -1;
    }
    return ((int (*)(int, off_t))next("ftruncate"))(fd, length);
}

int unlink(const char* path) {
    if (pointOnPath("unlink", AT_FDCWD, path)) {
        return -1;
    }
    return ((int (*)(const char*))next("unlink"))(path);
}

int rmdir(const char* path) {
    if (pointOnPath("rmdir", AT_FDCWD, path)) {
        return -1;
    }
    return ((int (*)(const char*))next("rmdir"))(path);
}

int truncate(const char* path, off_t length) {
    if (pointOnPath("truncate", AT_FDCWD, path)) {
        return -1;
    }
    return ((int (*)(const char*, off_t))next("truncate"))(path, length);
}

int mkdir(const char* path, mode_t mode) {
    if (pointOnPath("mkdir", AT_FDCWD, path)) {
        return -1;
    }
    return ((int (*)(const char*, mode_t))next("mkdir"))(path, mode);
}

int mkdirat(int folder, const char* path, mode_t mode) {
    if (pointOnPath("mkdirat", folder, path)) {
        return -1;
    }
    return ((int (*)(int, const char*, mode_t))next("mkdirat"))(folder, path, mode);
}

int unlinkat(int folder, const char* path, int flags) {
    if (pointOnPath("unlinkat", folder, path)) {
        return -1;
    }
    return ((int (*)(int, const char*, int))next("unlinkat"))(folder, path, flags);
}

int rename(const char* from, const char* to) {
    if (pointOnTwoPaths("rename", AT_FDCWD, from, AT_FDCWD, to)) {
        return -1;
    }
    return ((int (*)(const char*, const char*))next("rename"))(from, to);
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    if (pointOnTwoPaths("renameat", fromFolder, from, toFolder, to)) {
        return -1;
    }
    return ((int (*)(int, const char*, int, const char*))next("renameat"))(fromFolder, from,
                                                                           toFolder, to);
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
    if (pointOnTwoPaths("renameat2", fromFolder, from, toFolder, to)) {
        return -1;
    }
    return ((int (*)(int, const char*, int, const char*, unsigned))next("renameat2"))(
        fromFolder, from, toFolder, to, flags);
}

int link(const char* from, const char* to) {
    if (pointOnTwoPaths("link", AT_FDCWD, from, AT_FDCWD, to)) {
        return -1;
    }
    return ((int (*)(const char*, const char*))next("link"))(from, to);
}

int symlink(const char* target, const char* path) {
    if (pointOnTwoPaths("symlink", AT_FDCWD, target, AT_FDCWD, path)) {
        return -1;
    }
    return ((int (*)(const char*, const char*))next("symlink"))(target, path);
}
