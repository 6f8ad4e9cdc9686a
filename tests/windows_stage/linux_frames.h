#pragma once
// Frames of the Linux build's launcher drawn in this process over a project root, optionally
// with one kind of drawing left out: what a capture or the window would show if the renderer
// lost that layer. The comparison's tests build their faulty frames from these.
#include "tests/windows_stage/capture_comparison.h"

#include <filesystem>
#include <string>
#include <vector>

namespace stagetest {

enum class Omission {
    nothing,
    fire,
    fog,
    scanlines,
    glow,
    roundedRectangles,
    text,
    letterboxOrnament,
};

// Pixels, right and bottom exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct LinuxFrame {
    CaptureImage image;
    // Where the left-out drawing would have gone: the bounds of each draw or clear left out.
    std::vector<PixelRect> omitted;
};

// The page names of the captures: the five sections and the three Settings tabs.
inline const std::vector<std::string> capturePages{
    "overview",        "roms", "build", "play", "legal", "settings-launcher", "settings-controls",
    "settings-display"};

// The capture of a page ("overview", ..., "settings-display"), as the capture modes draw it.
LinuxFrame renderCapture(const std::filesystem::path& root, const std::string& page,
                         Omission omission);

// A frame of the window on the Play page, the given size in pixels, at an animation time.
LinuxFrame renderWindowFrame(const std::filesystem::path& root, int width, int height,
                             double seconds, Omission omission);

} // namespace stagetest
