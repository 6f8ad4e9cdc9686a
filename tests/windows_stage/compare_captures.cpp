// compare_captures <candidate.png> <reference.png>: prints the figures of the comparison and
// exits 0 when the candidate shows what the reference shows, 1 when it does not.
// compare_captures --same-build <a.png> <b.png>: the same for two frames of one build, taken one
// after the other, by the tight bound of frame_sameness.h.
// Either exits 2 when it cannot read an image.
#include "tests/windows_stage/capture_comparison.h"
#include "tests/windows_stage/frame_sameness.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

int crossBuild(const char* candidate, const char* reference) {
    const auto d = stagetest::compareCaptures(stagetest::loadCapture(candidate),
                                              stagetest::loadCapture(reference));
    std::printf("%s: %s%s%s\n", candidate, d.summary().c_str(), d.failure.empty() ? "" : ": ",
                d.failure.c_str());
    return d.failure.empty() ? 0 : 1;
}

int sameBuild(const char* a, const char* b) {
    const auto s =
        stagetest::compareSameBuild(stagetest::loadCapture(a), stagetest::loadCapture(b));
    std::printf("%s against %s: %s%s%s\n", a, b, s.summary().c_str(), s.failure.empty() ? "" : ": ",
                s.failure.c_str());
    return s.failure.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const bool same = argc == 4 && std::strcmp(argv[1], "--same-build") == 0;
    if (argc != 3 && !same) {
        std::fputs("usage: compare_captures <candidate.png> <reference.png>\n"
                   "       compare_captures --same-build <a.png> <b.png>\n",
                   stderr);
        return 2;
    }
    try {
        return same ? sameBuild(argv[2], argv[3]) : crossBuild(argv[1], argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "compare_captures: %s\n", error.what());
        return 2;
    }
}
