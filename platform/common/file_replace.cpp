// The replace of every safe write, the same on both platforms over each one's rename.
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/system_error.h"

namespace platform {

namespace {

// What another process's open handle on the target causes; it may be gone a moment later.
bool heldByAnother(std::uint32_t error) {
    return error == errorSharingViolation || error == errorLockViolation ||
           error == errorAccessDenied;
}

} // namespace

std::uint32_t ReplaceSteps::renameOver(NativeHandle file, const std::filesystem::path& target) {
    return renameOpenFileOver(file, target);
}

void ReplaceSteps::pause(std::uint32_t milliseconds) {
    sleepMilliseconds(milliseconds);
}

ReplaceSteps& systemReplaceSteps() {
    static ReplaceSteps steps;
    return steps;
}

std::uint32_t replaceOpenFile(NativeHandle file, const std::filesystem::path& target,
                              ReplaceSteps& steps, const std::function<void()>& beforeAttempt) {
    for (int attempt = 1;; ++attempt) {
        if (beforeAttempt) {
            beforeAttempt();
        }
        const std::uint32_t error = steps.renameOver(file, target);
        if (error == errorSuccess || !heldByAnother(error) || attempt == replaceAttempts) {
            return error;
        }
        steps.pause(replaceRetryMilliseconds);
    }
}

} // namespace platform
