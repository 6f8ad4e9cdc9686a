#include "tests/windows_stage/capture_comparison.h"

#include "platform/image_codec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>

namespace stagetest {
namespace {

// The bounds, from the frames of both builds and the faults of the test's table: the font
// substitution of the captures and of the window's Play page gives at most a mean shift of 1.0,
// 0.8 % of grounds off, area shifts of 26 (a pill that no longer fits its row) and 3, a detail
// ratio of 0.99 to 1.06 and 4.4 % of pixels far off; each fault breaks at least one bound by
// half as much again.
constexpr double maxMeanShift = 3;
constexpr double groundLevels = 3;
constexpr double maxGroundsOff = 0.015;
constexpr double maxAreaShift = 45;
constexpr double maxWideAreaShift = 7;
constexpr double minDetailRatio = 0.85;
constexpr double maxDetailRatio = 1.25;
constexpr int farLevels = 64;
constexpr double maxPixelsFarOff = 0.08;
constexpr int block = 16;
// The colour of the light detail. On the frames of both builds at most 2.1 % of it is off (where
// a longer text runs into a red ground, or a pill moved to another row); with every pixel of luma
// over 60 % turned red, at least 58 %.
constexpr int lightLevels = 48;
constexpr int colourArea = 4;
constexpr int minLightPixels = 24;
constexpr double colourDegrees = 15;
constexpr double maxLightColourOff = 0.10;

using Channels = std::array<double, 3>;

double largestChannelGap(const Channels& a, const Channels& b) {
    double gap = 0;
    for (int c = 0; c < 3; ++c) {
        gap = std::max(gap, std::abs(a[c] - b[c]));
    }
    return gap;
}

Channels meanOf(const CaptureImage& image) {
    Channels sum{};
    for (const std::uint32_t pixel : image.pixels) {
        for (int c = 0; c < 3; ++c) {
            sum[c] += channel(pixel, c);
        }
    }
    for (double& s : sum) {
        s /= static_cast<double>(image.pixels.size());
    }
    return sum;
}

// Each block's per-channel median, row by row of blocks (the last ones may be smaller).
struct BlockGrounds {
    int columns = 0;
    int rows = 0;
    std::vector<Channels> grounds;

    const Channels& at(int x, int y) const {
        return grounds[static_cast<std::size_t>(y * columns + x)];
    }
};

BlockGrounds groundsOf(const CaptureImage& image) {
    BlockGrounds result;
    result.columns = (image.width + block - 1) / block;
    result.rows = (image.height + block - 1) / block;
    std::array<std::vector<int>, 3> values;
    for (int top = 0; top < image.height; top += block) {
        for (int left = 0; left < image.width; left += block) {
            for (auto& v : values) {
                v.clear();
            }
            for (int y = top; y < std::min(image.height, top + block); ++y) {
                for (int x = left; x < std::min(image.width, left + block); ++x) {
                    for (int c = 0; c < 3; ++c) {
                        values[static_cast<std::size_t>(c)].push_back(channel(image.at(x, y), c));
                    }
                }
            }
            Channels ground{};
            for (std::size_t c = 0; c < 3; ++c) {
                auto middle = values[c].begin() + static_cast<std::ptrdiff_t>(values[c].size() / 2);
                std::nth_element(values[c].begin(), middle, values[c].end());
                ground[c] = *middle;
            }
            result.grounds.push_back(ground);
        }
    }
    return result;
}

double shareOfGroundsOff(const BlockGrounds& a, const BlockGrounds& b) {
    std::size_t off = 0;
    for (std::size_t i = 0; i < a.grounds.size(); ++i) {
        if (largestChannelGap(a.grounds[i], b.grounds[i]) > groundLevels) {
            ++off;
        }
    }
    return static_cast<double>(off) / static_cast<double>(a.grounds.size());
}

// The largest median of the signed ground differences of a channel over any n x n blocks.
double areaShift(const BlockGrounds& a, const BlockGrounds& b, int n) {
    double largest = 0;
    std::vector<double> gaps(static_cast<std::size_t>(n * n));
    for (int top = 0; top + n <= a.rows; ++top) {
        for (int left = 0; left + n <= a.columns; ++left) {
            for (std::size_t c = 0; c < 3; ++c) {
                std::size_t k = 0;
                for (int y = top; y < top + n; ++y) {
                    for (int x = left; x < left + n; ++x) {
                        gaps[k++] = a.at(x, y)[c] - b.at(x, y)[c];
                    }
                }
                auto middle = gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2);
                std::nth_element(gaps.begin(), middle, gaps.end());
                largest = std::max(largest, std::abs(*middle));
            }
        }
    }
    return largest;
}

int brightness(std::uint32_t pixel) {
    return std::max({channel(pixel, 0), channel(pixel, 1), channel(pixel, 2)});
}

double detailOf(const CaptureImage& image) {
    double sum = 0;
    for (int y = 0; y + 1 < image.height; ++y) {
        for (int x = 0; x + 1 < image.width; ++x) {
            const int here = brightness(image.at(x, y));
            sum += std::abs(brightness(image.at(x + 1, y)) - here) +
                   std::abs(brightness(image.at(x, y + 1)) - here);
        }
    }
    return sum;
}

// The light pixels of one area of colourArea x colourArea blocks: their summed excess over their
// blocks' grounds, channel by channel.
struct LightDetail {
    Channels excess{};
    int pixels = 0;
};

std::vector<LightDetail> lightDetailOf(const CaptureImage& image, const BlockGrounds& grounds) {
    const int columns = (grounds.columns + colourArea - 1) / colourArea;
    const int rows = (grounds.rows + colourArea - 1) / colourArea;
    std::vector<LightDetail> areas(static_cast<std::size_t>(columns * rows));
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Channels& ground = grounds.at(x / block, y / block);
            Channels excess{};
            double largest = 0;
            for (int c = 0; c < 3; ++c) {
                excess[c] = channel(image.at(x, y), c) - ground[c];
                largest = std::max(largest, excess[c]);
            }
            if (largest <= lightLevels) {
                continue;
            }
            const int area = (y / block / colourArea) * columns + x / block / colourArea;
            LightDetail& light = areas[static_cast<std::size_t>(area)];
            for (int c = 0; c < 3; ++c) {
                light.excess[c] += excess[c];
            }
            ++light.pixels;
        }
    }
    return areas;
}

double degreesBetween(const Channels& a, const Channels& b) {
    double dot = 0;
    double aa = 0;
    double bb = 0;
    for (int c = 0; c < 3; ++c) {
        dot += a[c] * b[c];
        aa += a[c] * a[c];
        bb += b[c] * b[c];
    }
    if (aa <= 0 || bb <= 0) {
        return 180;
    }
    return std::acos(std::clamp(dot / std::sqrt(aa * bb), -1.0, 1.0)) * 180 / std::numbers::pi;
}

// Over the areas with light detail in both frames, weighted by the fewer light pixels of the two.
double shareOfLightColourOff(const std::vector<LightDetail>& a, const std::vector<LightDetail>& b) {
    double compared = 0;
    double off = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].pixels < minLightPixels || b[i].pixels < minLightPixels) {
            continue;
        }
        const double weight = std::min(a[i].pixels, b[i].pixels);
        compared += weight;
        off += degreesBetween(a[i].excess, b[i].excess) > colourDegrees ? weight : 0;
    }
    return compared > 0 ? off / compared : 0;
}

void breaks(std::string& failure, bool broken, const char* what) {
    if (broken) {
        failure += failure.empty() ? what : std::string("; ") + what;
    }
}

} // namespace

CaptureImage loadCapture(const std::filesystem::path& path) {
    auto file = platform::openImageFile(path);
    if (!file) {
        throw std::runtime_error("cannot read the image " + path.string());
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    file->size(width, height);
    CaptureImage image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels = file->pixels();
    return image;
}

std::string CaptureDifference::summary() const {
    char text[400];
    std::snprintf(text, sizeof(text),
                  "mean shift %.2f, mean absolute %.2f, grounds off %.2f %%, area shifts %.0f "
                  "and %.0f, detail ratio %.3f, pixels far off %.2f %%, light detail off in "
                  "colour %.2f %%",
                  meanShift, meanAbsolute, groundsOff * 100, areaShift, wideAreaShift, detailRatio,
                  pixelsFarOff * 100, lightColourOff * 100);
    return text;
}

CaptureDifference compareCaptures(const CaptureImage& candidate, const CaptureImage& reference) {
    CaptureDifference d;
    if (candidate.width != reference.width || candidate.height != reference.height ||
        reference.pixels.empty()) {
        d.failure = "the sizes differ";
        return d;
    }
    d.meanShift = largestChannelGap(meanOf(candidate), meanOf(reference));
    double absolute = 0;
    std::size_t far = 0;
    for (std::size_t i = 0; i < reference.pixels.size(); ++i) {
        int gap = 0;
        for (int c = 0; c < 3; ++c) {
            const int step =
                std::abs(channel(candidate.pixels[i], c) - channel(reference.pixels[i], c));
            absolute += step;
            gap = std::max(gap, step);
        }
        far += gap > farLevels ? 1 : 0;
    }
    const auto count = static_cast<double>(reference.pixels.size());
    d.meanAbsolute = absolute / (3 * count);
    d.pixelsFarOff = static_cast<double>(far) / count;
    const BlockGrounds a = groundsOf(candidate);
    const BlockGrounds b = groundsOf(reference);
    d.groundsOff = shareOfGroundsOff(a, b);
    d.areaShift = areaShift(a, b, 3);
    d.wideAreaShift = areaShift(a, b, 5);
    const double referenceDetail = detailOf(reference);
    d.detailRatio = referenceDetail > 0 ? detailOf(candidate) / referenceDetail : 0;
    d.lightColourOff =
        shareOfLightColourOff(lightDetailOf(candidate, a), lightDetailOf(reference, b));

    breaks(d.failure, d.meanShift > maxMeanShift, "the colour means differ");
    breaks(d.failure, d.groundsOff > maxGroundsOff, "too many blocks differ in their ground");
    breaks(d.failure, d.areaShift > maxAreaShift, "an area of blocks differs");
    breaks(d.failure, d.wideAreaShift > maxWideAreaShift, "a wide area of blocks differs");
    breaks(d.failure, d.detailRatio < minDetailRatio || d.detailRatio > maxDetailRatio,
           "the fine detail (the text) differs");
    breaks(d.failure, d.pixelsFarOff > maxPixelsFarOff, "too many pixels are far off");
    breaks(d.failure, d.lightColourOff > maxLightColourOff,
           "the colour of the light detail (text and icons) differs");
    return d;
}

} // namespace stagetest
