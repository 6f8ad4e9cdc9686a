#pragma once
// Sine-wave WAV files made at test time, in any integer sample width, channel count and rate.
#include <cstdint>
#include <filesystem>
#include <string>

namespace testsupport {

struct SineWav {
    std::uint32_t sampleRate = 44100;
    std::uint16_t channels = 2;
    std::uint16_t bitsPerSample = 16;
    std::uint64_t frames = 44100;
    double frequency = 440.0;
    double amplitude = 0.5;
};

// The file's bytes: a RIFF "WAVE" with a "fmt " and a "data" chunk. More than two channels or
// more than 16 bits use the extensible format.
std::string sineWavBytes(const SineWav& wav);

void writeSineWav(const std::filesystem::path& path, const SineWav& wav);

// The 16-bit sample a SineWav holds at (frame, channel); each channel is a little out of phase.
std::int16_t sineSample16(const SineWav& wav, std::uint64_t frame, std::uint32_t channel);

} // namespace testsupport
