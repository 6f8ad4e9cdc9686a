#include "tests/support/sine_wav.h"

#include "tests/support/temp_folder.h"

#include <cmath>
#include <numbers>

namespace testsupport {

namespace {

void putLittleEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

double sineValue(const SineWav& wav, std::uint64_t frame, std::uint32_t channel) {
    const double phase = 2.0 * std::numbers::pi * wav.frequency * static_cast<double>(frame) /
                             static_cast<double>(wav.sampleRate) +
                         0.5 * channel;
    return wav.amplitude * std::sin(phase);
}

std::int64_t quantise(double value, int bits) {
    const double scale = std::ldexp(1.0, bits - 1) - 1.0;
    return static_cast<std::int64_t>(std::lround(value * scale));
}

} // namespace

std::int16_t sineSample16(const SineWav& wav, std::uint64_t frame, std::uint32_t channel) {
    return static_cast<std::int16_t>(quantise(sineValue(wav, frame, channel), 16));
}

std::string sineWavBytes(const SineWav& wav) {
    const std::uint32_t bytesPerSample = wav.bitsPerSample / 8;
    const std::uint32_t blockAlign = bytesPerSample * wav.channels;
    const std::uint64_t dataBytes = wav.frames * blockAlign;
    const bool extensible = wav.channels > 2 || wav.bitsPerSample > 16;
    const std::uint32_t formatBytes = extensible ? 40 : 16;

    std::string out;
    out.reserve(static_cast<std::size_t>(dataBytes) + 80);
    out += "RIFF";
    putLittleEndian(out, 4 + (8 + formatBytes) + (8 + dataBytes), 4);
    out += "WAVEfmt ";
    putLittleEndian(out, formatBytes, 4);
    putLittleEndian(out, extensible ? 0xFFFE : 1, 2);
    putLittleEndian(out, wav.channels, 2);
    putLittleEndian(out, wav.sampleRate, 4);
    putLittleEndian(out, static_cast<std::uint64_t>(blockAlign) * wav.sampleRate, 4);
    putLittleEndian(out, blockAlign, 2);
    putLittleEndian(out, wav.bitsPerSample, 2);
    if (extensible) {
        putLittleEndian(out, 22, 2);
        putLittleEndian(out, wav.bitsPerSample, 2);
        putLittleEndian(out, (1u << wav.channels) - 1, 4);
        // KSDATAFORMAT_SUBTYPE_PCM
        const unsigned char pcmGuid[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                           0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        out.append(reinterpret_cast<const char*>(pcmGuid), sizeof(pcmGuid));
    }
    out += "data";
    putLittleEndian(out, dataBytes, 4);
    for (std::uint64_t frame = 0; frame < wav.frames; ++frame) {
        for (std::uint32_t channel = 0; channel < wav.channels; ++channel) {
            const std::int64_t sample = quantise(sineValue(wav, frame, channel), wav.bitsPerSample);
            // 8-bit WAV samples are unsigned.
            const std::int64_t stored = wav.bitsPerSample == 8 ? sample + 128 : sample;
            putLittleEndian(out, static_cast<std::uint64_t>(stored),
                            static_cast<int>(bytesPerSample));
        }
    }
    return out;
}

void writeSineWav(const std::filesystem::path& path, const SineWav& wav) {
    writeFile(path, sineWavBytes(wav));
}

} // namespace testsupport
