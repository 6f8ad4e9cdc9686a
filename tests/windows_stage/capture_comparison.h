#pragma once
// Whether a frame of the Windows launcher shows what the Linux build's frame of the same page
// shows. The two differ in their text: the fonts differ, and with them the width of every text
// and of what is laid out around it (a pill, a wrapped list). So the comparison looks at each
// 16 x 16 block's ground, the per-channel median, which thin strokes of text do not move, over
// the frame and over areas of blocks where a few blocks of text layout are outvoted; at the colour
// means; at how much fine detail (the text itself) the frame holds and at its colour, area by
// area; and bounds the share of pixels far off.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace stagetest {

// Pixels 0xAARRGGBB, rows top to bottom.
struct CaptureImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t& at(int x, int y) {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// A colour channel of a pixel, 0 red, 1 green, 2 blue, in levels of 0..255.
inline int channel(std::uint32_t pixel, int c) {
    return static_cast<int>((pixel >> (16 - 8 * c)) & 0xFF);
}

// Throws std::runtime_error naming the file when it cannot be read as an image.
CaptureImage loadCapture(const std::filesystem::path& path);

// The figures of one comparison; colour differences in levels of 0..255.
struct CaptureDifference {
    // The largest difference of a colour channel's mean over the whole frame.
    double meanShift = 0;
    // The mean absolute difference over all pixels and channels (for the record only).
    double meanAbsolute = 0;
    // The share of blocks whose ground differs by more than 3 levels in a channel.
    double groundsOff = 0;
    // The largest median of the blocks' signed ground differences in a channel, over any area
    // of 3 x 3 blocks (a layer missing over a small area, as the fire's) and of 5 x 5 blocks (a
    // faint layer missing over a wide one, as the fog's).
    double areaShift = 0;
    double wideAreaShift = 0;
    // The candidate's fine detail (summed brightness steps between neighbours) as a share of the
    // reference's.
    double detailRatio = 0;
    // The share of pixels with a channel more than 64 levels off.
    double pixelsFarOff = 0;
    // The share of the light detail (text and icons: pixels more than 48 levels above their
    // block's ground in a channel) in areas of 4 x 4 blocks where its colour differs by more than
    // 15 degrees. An area's colour is the direction of its light pixels' summed excess over their
    // grounds, which does not depend on how much of a pixel a glyph covers, so that two fonts of
    // one colour agree.
    double lightColourOff = 0;
    // Empty when the candidate matches, else which bounds it breaks.
    std::string failure;

    std::string summary() const;
};

CaptureDifference compareCaptures(const CaptureImage& candidate, const CaptureImage& reference);

} // namespace stagetest
