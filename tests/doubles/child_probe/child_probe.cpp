// A child for the tests of the child-process service. Its arguments are words done in order:
//   out <text> / err <text>   write the text and a line break to standard output / error
//   env <name>                write "<name>=<value>", or "<name> unset"
//   cwd                       write the current folder
//   stdin                     read standard input to its end, write "stdin <n> bytes"
//   wait <file>               wait until the file exists; exit 97 after 30 s without it
//   grandchild <file>         start a copy of itself that beats the file, and go on
//   beat <file>               write a growing count into the file every 20 ms (for a minute)
//   forever                   sleep; exit 98 after a minute, so a lost child cannot linger
//   handle <value> <file>     write "handle inherited" and exit 10 when the handle value is
//                             open here on that file, else write "handle not inherited"
//   exit <n>                  exit with the code
#include "platform/child_process.h"
#include "platform/process.h"
#include "platform/text.h"
#include "tests/support/inherited_handle.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

void writeLine(std::FILE* stream, const std::string& text) {
    std::fputs(text.c_str(), stream);
    std::fputs("\n", stream);
    std::fflush(stream);
}

void sleepFor(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int waitForFile(const fs::path& file) {
    const auto end = Clock::now() + std::chrono::seconds(30);
    std::error_code ignored;
    while (!fs::exists(file, ignored)) {
        if (Clock::now() > end) {
            return 97;
        }
        sleepFor(10);
    }
    return 0;
}

int beat(const fs::path& file) {
    const auto end = Clock::now() + std::chrono::minutes(1);
    for (unsigned count = 1; Clock::now() < end; ++count) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << count;
        sleepFor(20);
    }
    return 0;
}

void startGrandchild(const fs::path& file) {
    const std::wstring self = platform::executablePath(32768).text;
    platform::ChildProcessRequest request;
    request.application = platform::pathFromWide(self);
    request.commandLine = L"\"" + self + L"\" beat \"" + platform::wideFromPath(file) + L"\"";
    const auto input = platform::openChildNullInput();
    request.standardInput = input.get();
    // Its handles are dropped at once: it lives on until its tree is ended.
    platform::startChildProcess(request);
}

std::string readInput() {
    std::size_t bytes = 0;
    while (std::fgetc(stdin) != EOF) {
        ++bytes;
    }
    return "stdin " + std::to_string(bytes) + " bytes";
}

} // namespace

int main() {
    const auto arguments = platform::commandLineArguments();
    if (!arguments) {
        return 96;
    }
    std::vector<std::string> words;
    for (const auto& argument : *arguments) {
        words.push_back(platform::utf8FromWide(argument));
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const bool hasValue = i + 1 < words.size();
        const auto value = [&] { return hasValue ? words[++i] : std::string(); };
        if (word == "out") {
            writeLine(stdout, value());
        } else if (word == "err") {
            writeLine(stderr, value());
        } else if (word == "env") {
            const std::string name = value();
            const auto found = platform::environmentVariable(platform::wideFromUtf8(name));
            writeLine(stdout,
                      found ? name + "=" + platform::utf8FromWide(*found) : name + " unset");
        } else if (word == "cwd") {
            writeLine(stdout, platform::utf8FromWide(platform::wideFromPath(fs::current_path())));
        } else if (word == "stdin") {
            writeLine(stdout, readInput());
        } else if (word == "wait") {
            if (const int code =
                    waitForFile(platform::pathFromWide(platform::wideFromUtf8(value())));
                code != 0) {
                return code;
            }
        } else if (word == "grandchild") {
            startGrandchild(platform::pathFromWide(platform::wideFromUtf8(value())));
        } else if (word == "beat") {
            return beat(platform::pathFromWide(platform::wideFromUtf8(value())));
        } else if (word == "forever") {
            sleepFor(60000);
            return 98;
        } else if (word == "handle") {
            const std::string handle = value();
            const std::string state = testsupport::inheritedHandleState(handle + " " + value());
            writeLine(stdout, "handle " + state);
            if (state == "inherited") {
                return 10;
            }
        } else if (word == "exit") {
            return std::stoi(value());
        } else {
            writeLine(stderr, "child_probe: unknown word " + word);
            return 95;
        }
    }
    return 0;
}
