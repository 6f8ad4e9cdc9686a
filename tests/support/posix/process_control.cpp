#include "tests/support/process_control.h"

#include <csignal>
#include <fstream>
#include <string>
#include <thread>

namespace testsupport {

namespace {

bool processEnded(std::uint32_t processId) {
    std::ifstream stat("/proc/" + std::to_string(processId) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return true;
    }
    const std::size_t close = line.rfind(')');
    const char state =
        close == std::string::npos || close + 2 >= line.size() ? 'X' : line[close + 2];
    return state == 'Z' || state == 'X';
}

} // namespace

void killProcess(std::uint32_t processId) {
    ::kill(static_cast<pid_t>(processId), SIGKILL);
}

bool waitUntilProcessEnded(std::uint32_t processId, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!processEnded(processId)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace testsupport
