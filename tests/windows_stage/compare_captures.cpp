// compare_captures <candidate.png> <reference.png>: prints the figures of the comparison and
// exits 0 when the candidate shows what the reference shows, 1 when it does not.
#include "tests/windows_stage/capture_comparison.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: compare_captures <candidate.png> <reference.png>\n", stderr);
        return 2;
    }
    try {
        const auto d = stagetest::compareCaptures(stagetest::loadCapture(argv[1]),
                                                  stagetest::loadCapture(argv[2]));
        std::printf("%s: %s%s%s\n", argv[1], d.summary().c_str(), d.failure.empty() ? "" : ": ",
                    d.failure.c_str());
        return d.failure.empty() ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "compare_captures: %s\n", error.what());
        return 2;
    }
}
