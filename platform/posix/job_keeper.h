#pragma once
// The Linux stand-in of a kill-on-close job: a small keeper process, forked from the launcher,
// that starts the child and holds its whole tree. It is the subreaper of that tree, so a
// descendant that leaves the child's process group or session still ends up under it, and it
// ends every process of the tree when the launcher closes the job or dies (the launcher's end
// of a pipe closes either way).
#include <cstddef>
#include <sys/types.h>

namespace platform::posix {

struct KeptChild {
    pid_t keeper = -1;
    pid_t child = -1;    // -1 when the keeper could not start the child
    int forkError = 0;   // errno of a failed start (of the keeper or of the child)
    int lifeline = -1;   // the launcher's end: closing it ends the tree
    int statusPipe = -1; // the child's wait status, written once when it has ended
};

// Runs in the new child (already in a process group of its own); must exec or _exit, and may
// only make system calls, since the launcher may have other threads.
using ChildEntry = void (*)(const void* context);

// Forks the keeper, which forks the child. `inherited` lists descriptors the child needs (its
// standard streams, its start report); the keeper closes every other descriptor it inherited
// from the launcher, so it holds no file or lock of the launcher's.
KeptChild startKeptChild(ChildEntry entry, const void* context, const int* inherited,
                         std::size_t inheritedCount);

// Ends every process of the tree and waits until the keeper has collected them all; the child's
// status is in the status pipe by then. Does nothing the second time.
void endKeptTree(KeptChild& kept);

} // namespace platform::posix
