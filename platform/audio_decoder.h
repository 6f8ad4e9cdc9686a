#pragma once
// Decoding an audio file whole to PCM. Windows decodes with Media Foundation's source reader;
// Linux reads the file with libsndfile and reports the file's own sample layout.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>

namespace platform {

// The layout of the decoded PCM as the decoder delivers it.
struct DecodedAudioFormat {
    std::uint32_t sampleRate = 0;
    std::uint32_t channels = 0;
    std::uint32_t bitsPerSample = 0;
};

// One file opened for decoding. Every failure throws std::runtime_error with the menu music's
// fixed label ("Media Foundation", "open MP3", "decoded format", "decode MP3", ...).
class AudioFileDecoder {
public:
    virtual ~AudioFileDecoder() = default;

    virtual DecodedAudioFormat format() const = 0;

    // Hands the next decoded block to `consume` while the decoder's buffer is held (a block may
    // be empty). Returns false once the end of the stream is reached.
    virtual bool readBlock(const std::function<void(std::span<const std::byte>)>& consume) = 0;
};

// Opens the file and selects 16-bit PCM output where the decoder can choose.
std::unique_ptr<AudioFileDecoder> openAudioFileDecoder(const std::filesystem::path& path);

} // namespace platform
