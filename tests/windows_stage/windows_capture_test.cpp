// The Windows product's frames against the Linux build's: every capture page and the window's
// Play page match although the fonts differ, and each fault a renderer could have, injected into
// a copy of a Windows frame, fails the same comparison; a wrong colour of the text and icons on
// every frame.
//
// Run by scripts/windows-stage.sh with LUMENARK_STAGE_DIR set to the stage's folder:
// windows/ and linux/ hold "<page>.png" for every capture page and "window-play.png", the
// window's screenshot; linux-root/ is the Linux build's demo root those were made on, and
// "window-play.seconds" the Windows window's animation time when its screenshot was taken.
#include "tests/windows_stage/capture_comparison.h"
#include "tests/windows_stage/linux_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace stagetest {
namespace {

constexpr const char* windowFrameName = "window-play";

std::filesystem::path stageFolder() {
    const char* folder = std::getenv("LUMENARK_STAGE_DIR");
    if (folder == nullptr || *folder == '\0') {
        throw std::runtime_error("LUMENARK_STAGE_DIR is not set: scripts/windows-stage.sh runs "
                                 "this program");
    }
    return folder;
}

CaptureImage windowsFrame(const std::string& name) {
    return loadCapture(stageFolder() / "windows" / (name + ".png"));
}

CaptureImage linuxFrame(const std::string& name) {
    return loadCapture(stageFolder() / "linux" / (name + ".png"));
}

double windowSeconds() {
    std::ifstream file(stageFolder() / (std::string(windowFrameName) + ".seconds"));
    double seconds = -1;
    if (!(file >> seconds) || seconds < 0) {
        throw std::runtime_error("no animation time of the window's screenshot");
    }
    return seconds;
}

// A Linux frame of the same kind as a Windows frame: the capture of its page, or the window's.
LinuxFrame linuxRendering(const std::string& frame, const CaptureImage& like, Omission omission) {
    const auto root = stageFolder() / "linux-root";
    if (frame == windowFrameName) {
        return renderWindowFrame(root, like.width, like.height, windowSeconds(), omission);
    }
    return renderCapture(root, frame, omission);
}

std::string caseName(std::string text) {
    std::replace(text.begin(), text.end(), '-', '_');
    return text;
}

// --- Every frame matches ----------------------------------------------------------------------

std::vector<std::string> comparedFrames() {
    std::vector<std::string> frames = capturePages;
    frames.push_back(windowFrameName);
    return frames;
}

class WindowsFrame : public testing::TestWithParam<std::string> {};

TEST_P(WindowsFrame, MatchesTheLinuxBuild) {
    const auto difference = compareCaptures(windowsFrame(GetParam()), linuxFrame(GetParam()));
    std::printf("  %s: %s\n", GetParam().c_str(), difference.summary().c_str());
    EXPECT_EQ(difference.failure, "") << difference.summary();
}

INSTANTIATE_TEST_SUITE_P(Pages, WindowsFrame, testing::ValuesIn(comparedFrames()),
                         [](const auto& info) { return caseName(info.param); });

// The faults below are made from frames drawn here; those are the Linux build's own captures.
class LinuxCapture : public testing::TestWithParam<std::string> {};

TEST_P(LinuxCapture, IsWhatTheFaultsAreMadeFrom) {
    const CaptureImage drawn =
        renderCapture(stageFolder() / "linux-root", GetParam(), Omission::nothing).image;
    const CaptureImage written = linuxFrame(GetParam());
    ASSERT_EQ(drawn.width, written.width);
    ASSERT_EQ(drawn.height, written.height);
    EXPECT_TRUE(drawn.pixels == written.pixels);
}

INSTANTIATE_TEST_SUITE_P(Pages, LinuxCapture, testing::ValuesIn(capturePages),
                         [](const auto& info) { return caseName(info.param); });

// --- Each injected fault fails ------------------------------------------------------------------

std::uint32_t pixelOf(int r, int g, int b) {
    return 0xFF000000u | static_cast<std::uint32_t>(std::clamp(r, 0, 255)) << 16 |
           static_cast<std::uint32_t>(std::clamp(g, 0, 255)) << 8 |
           static_cast<std::uint32_t>(std::clamp(b, 0, 255));
}

CaptureImage black(const CaptureImage& image) {
    CaptureImage result = image;
    std::fill(result.pixels.begin(), result.pixels.end(), 0xFF000000u);
    return result;
}

// One colour all over, the frame's own mean colour.
CaptureImage blank(const CaptureImage& image) {
    double sums[3] = {0, 0, 0};
    for (const auto pixel : image.pixels) {
        sums[0] += channel(pixel, 0);
        sums[1] += channel(pixel, 1);
        sums[2] += channel(pixel, 2);
    }
    const auto count = static_cast<double>(image.pixels.size());
    CaptureImage result = image;
    std::fill(result.pixels.begin(), result.pixels.end(),
              pixelOf(static_cast<int>(sums[0] / count + 0.5),
                      static_cast<int>(sums[1] / count + 0.5),
                      static_cast<int>(sums[2] / count + 0.5)));
    return result;
}

CaptureImage swappedRedAndBlue(const CaptureImage& image) {
    CaptureImage result = image;
    for (auto& pixel : result.pixels) {
        pixel = pixelOf(channel(pixel, 2), channel(pixel, 1), channel(pixel, 0));
    }
    return result;
}

// Drawn from the same origin at a scale 3 % too large.
CaptureImage scaledUp(const CaptureImage& image) {
    CaptureImage result = image;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            result.at(x, y) = image.at(static_cast<int>(x / 1.03), static_cast<int>(y / 1.03));
        }
    }
    return result;
}

// Drawn 6 pixels right and 4 down of where it belongs; the uncovered edge is the clear colour.
CaptureImage shifted(const CaptureImage& image) {
    CaptureImage result = image;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            result.at(x, y) = x >= 6 && y >= 4 ? image.at(x - 6, y - 4) : pixelOf(1, 1, 2);
        }
    }
    return result;
}

// Every light pixel (luma over 60 %: the text and icons) pure red, as a text path that lost its
// tint would draw them. Pure red cannot keep a luma over 30 %.
CaptureImage lightPixelsRed(const CaptureImage& image) {
    CaptureImage result = image;
    for (auto& pixel : result.pixels) {
        const double luma =
            0.299 * channel(pixel, 0) + 0.587 * channel(pixel, 1) + 0.114 * channel(pixel, 2);
        if (luma > 0.6 * 255) {
            pixel = pixelOf(255, 0, 0);
        }
    }
    return result;
}

// The Windows frame less what the layer adds in the Linux build's frame of the same state.
CaptureImage withoutLayer(const std::string& frame, const CaptureImage& image, Omission omission) {
    const LinuxFrame whole = linuxRendering(frame, image, Omission::nothing);
    const LinuxFrame without = linuxRendering(frame, image, omission);
    CaptureImage result = image;
    for (std::size_t i = 0; i < result.pixels.size(); ++i) {
        const auto p = image.pixels[i];
        const auto a = whole.image.pixels[i];
        const auto b = without.image.pixels[i];
        result.pixels[i] = pixelOf(channel(p, 0) + channel(b, 0) - channel(a, 0),
                                   channel(p, 1) + channel(b, 1) - channel(a, 1),
                                   channel(p, 2) + channel(b, 2) - channel(a, 2));
    }
    return result;
}

// Where the layer is drawn, the Linux build's frame without it. For a layer that moves too fast
// for the two frames to be taken at the same moment (the fire).
CaptureImage layerCut(const std::string& frame, const CaptureImage& image, Omission omission) {
    const LinuxFrame without = linuxRendering(frame, image, omission);
    CaptureImage result = image;
    for (const PixelRect& r : without.omitted) {
        for (int y = std::max(r.top, 0); y < std::min(r.bottom, image.height); ++y) {
            for (int x = std::max(r.left, 0); x < std::min(r.right, image.width); ++x) {
                result.at(x, y) = without.image.at(x, y);
            }
        }
    }
    return result;
}

// No text at all: the frames differ only in their text, so this is the Windows frame without it.
CaptureImage withoutText(const std::string& frame, const CaptureImage& image) {
    return linuxRendering(frame, image, Omission::text).image;
}

struct InjectedFault {
    const char* name;
    const char* frame;
    std::function<CaptureImage(const std::string& frame, const CaptureImage&)> inject;
    // A bound the fault must break, where others would hide whether that one catches it.
    const char* breaks = nullptr;
};

std::function<CaptureImage(const std::string&, const CaptureImage&)>
plain(CaptureImage (*fault)(const CaptureImage&)) {
    return [fault](const std::string&, const CaptureImage& image) { return fault(image); };
}

std::function<CaptureImage(const std::string&, const CaptureImage&)> without(Omission omission) {
    return [omission](const std::string& frame, const CaptureImage& image) {
        return withoutLayer(frame, image, omission);
    };
}

constexpr const char* lightColour = "the colour of the light detail (text and icons) differs";

const InjectedFault injectedFaults[] = {
    {"black_frame", "overview", plain(black)},
    {"blank_frame", "overview", plain(blank)},
    {"black_window", windowFrameName, plain(black)},
    {"blank_window", windowFrameName, plain(blank)},
    {"swapped_red_and_blue", "build", plain(swappedRedAndBlue)},
    {"swapped_red_and_blue_window", windowFrameName, plain(swappedRedAndBlue)},
    {"scale_3_percent_large", "settings-launcher", plain(scaledUp)},
    {"scale_3_percent_large_window", windowFrameName, plain(scaledUp)},
    {"offset_6_by_4_pixels", "roms", plain(shifted)},
    {"offset_6_by_4_pixels_window", windowFrameName, plain(shifted)},
    {"no_glow", "overview", without(Omission::glow)},
    {"no_glow_play", "play", without(Omission::glow)},
    {"no_scanlines", "play", without(Omission::scanlines)},
    {"no_rounded_rectangles", "build", without(Omission::roundedRectangles)},
    {"no_rounded_rectangles_settings", "settings-controls", without(Omission::roundedRectangles)},
    {"no_text", "legal",
     [](const std::string& f, const CaptureImage& i) { return withoutText(f, i); }},
    {"no_text_play", "play",
     [](const std::string& f, const CaptureImage& i) { return withoutText(f, i); }},
    {"no_fire", windowFrameName,
     [](const std::string& f, const CaptureImage& i) { return layerCut(f, i, Omission::fire); }},
    {"no_fog", windowFrameName, without(Omission::fog)},
    {"no_letterbox_ornament", windowFrameName, without(Omission::letterboxOrnament)},
    {"light_pixels_red_overview", "overview", plain(lightPixelsRed), lightColour},
    {"light_pixels_red_roms", "roms", plain(lightPixelsRed), lightColour},
    {"light_pixels_red_build", "build", plain(lightPixelsRed), lightColour},
    {"light_pixels_red_play", "play", plain(lightPixelsRed), lightColour},
    {"light_pixels_red_legal", "legal", plain(lightPixelsRed), lightColour},
    {"light_pixels_red_settings_launcher", "settings-launcher", plain(lightPixelsRed), lightColour},
    {"light_pixels_red_settings_controls", "settings-controls", plain(lightPixelsRed), lightColour},
    {"light_pixels_red_settings_display", "settings-display", plain(lightPixelsRed), lightColour},
    {"light_pixels_red_window", windowFrameName, plain(lightPixelsRed), lightColour},
};

void PrintTo(const InjectedFault& fault, std::ostream* out) {
    *out << fault.name << " on " << fault.frame;
}

class InjectedFaultTest : public testing::TestWithParam<InjectedFault> {};

TEST_P(InjectedFaultTest, FailsTheComparison) {
    const InjectedFault& fault = GetParam();
    const CaptureImage original = windowsFrame(fault.frame);
    const CaptureImage faulty = fault.inject(fault.frame, original);
    ASSERT_TRUE(faulty.pixels != original.pixels) << "the fault changed nothing";
    const auto difference = compareCaptures(faulty, linuxFrame(fault.frame));
    std::printf("  %s on %s: %s: %s\n", fault.name, fault.frame, difference.summary().c_str(),
                difference.failure.c_str());
    EXPECT_NE(difference.failure, "") << difference.summary();
    if (fault.breaks != nullptr) {
        EXPECT_NE(difference.failure.find(fault.breaks), std::string::npos) << difference.failure;
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, InjectedFaultTest, testing::ValuesIn(injectedFaults),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace stagetest
