#include "app/click_sound.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lumenark {
namespace {

constexpr std::array<double, 3> onsets{0.0, 0.047, 0.129};
constexpr std::uint32_t dataBytes = clickSampleCount * 2;
constexpr std::uint32_t headerBytes = 44;

void put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
    out.insert(out.end(), tag, tag + 4);
}

std::vector<std::uint8_t> buildClickSound() {
    std::vector<std::uint8_t> image;
    image.reserve(headerBytes + dataBytes);
    putTag(image, "RIFF");
    put32(image, 36 + dataBytes);
    putTag(image, "WAVE");
    putTag(image, "fmt ");
    put32(image, 16);
    put16(image, 1); // PCM
    put16(image, 1); // mono
    put32(image, clickSampleRate);
    put32(image, clickSampleRate * 2);
    put16(image, 2);
    put16(image, 16);
    putTag(image, "data");
    put32(image, dataBytes);
    // The noise generator runs across the whole buffer: once per begun onset and sample.
    std::uint32_t generator = 17;
    for (std::uint32_t i = 0; i < clickSampleCount; ++i) {
        const double t = static_cast<double>(i) / clickSampleRate;
        double sum = 0.0;
        for (const double onset : onsets) {
            if (t < onset) {
                continue;
            }
            const double u = t - onset;
            generator = generator * 1664525u + 1013904223u;
            const double noise = static_cast<double>(generator >> 16) * std::ldexp(1.0, -15) - 1.0;
            const double tone = std::sin(13697.34396926 * u) + 0.7 * std::sin(22097.962724719 * u) +
                                0.4 * std::sin(33131.236123811 * u);
            sum += noise * 0.22 * std::exp(-260.0 * u) + tone * 0.12 * std::exp(-34.0 * u);
        }
        sum = std::clamp(sum, -1.0, 1.0);
        const auto sample = static_cast<std::int16_t>(sum * 32767.0);
        put16(image, static_cast<std::uint16_t>(sample));
    }
    return image;
}

} // namespace

const std::vector<std::uint8_t>& clickSoundImage() {
    static const std::vector<std::uint8_t> image = buildClickSound();
    return image;
}

} // namespace lumenark
