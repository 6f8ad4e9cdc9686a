#pragma once
// The launcher's background music: one user file decoded whole to 16-bit PCM, given a crossfade
// at its loop point and played for ever through one source voice whose gain follows the wanted
// volume with short fades and a duck under the click sound.
#include "platform/audio_decoder.h"
#include "platform/audio_voice.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace lumenark {

// The most samples a decoded file may hold (64 MiB of 16-bit samples).
inline constexpr std::size_t maxMenuMusicSamples = 0x2000000;

// The decoded format, laid out as WAVEFORMATEX.
struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSecond = 0;
    std::uint32_t averageBytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
};

// Decodes the file whole into `samples` (interleaved by channel). Throws std::runtime_error with
// a fixed label ("open MP3", "unsupported MP3 format", "empty MP3", ...).
WaveFormat decodeAudioFile(const std::filesystem::path& path, std::vector<std::int16_t>& samples);

// The format checks and the collection of the blocks, for any opened decoder.
WaveFormat decodeAudio(platform::AudioFileDecoder& decoder, std::vector<std::int16_t>& samples);

// The length of the loop crossfade: a quarter of the piece, at most 8 seconds.
std::size_t loopCrossfadeFrames(std::size_t frames, std::uint32_t sampleRate);

// Fades the tail into the piece's beginning with equal power, so that jumping from the end back
// to the returned frame count continues without a seam.
std::size_t applyLoopCrossfade(std::vector<std::int16_t>& samples, std::uint32_t channels,
                               std::uint32_t sampleRate);

// What the player runs on; the defaults are the system's tick count, audio engine and decoder.
struct MenuMusicServices {
    std::function<std::uint64_t()> clockMilliseconds;
    std::function<std::unique_ptr<platform::AudioEngine>()> createEngine;
    std::function<std::unique_ptr<platform::AudioFileDecoder>(const std::filesystem::path&)>
        openDecoder = platform::openAudioFileDecoder;
};
MenuMusicServices systemMenuMusicServices();

class MenuMusic {
public:
    // Decodes and prepares the voice without starting it.
    explicit MenuMusic(const std::filesystem::path& file);
    MenuMusic(const std::filesystem::path& file, MenuMusicServices services);
    MenuMusic(const MenuMusic&) = delete;
    MenuMusic& operator=(const MenuMusic&) = delete;
    ~MenuMusic();

    // Once per main-loop turn with the wanted volume (0..100). True while fading out to silence.
    bool tick(int volumePercent);

    // Stops at once, as a game starts.
    void silence();

    // While the clock is below this instant (milliseconds), the music is ducked; 0 = not ducked.
    void setDuckUntil(std::uint64_t milliseconds) { duckUntil_ = milliseconds; }

    bool playing() const { return playing_; }
    bool hasVoice() const { return sourceVoice_ != nullptr; }
    float level() const { return level_; }
    float duck() const { return duck_; }
    float lastVolume() const { return lastVolume_; }

private:
    void stopVoice();

    MenuMusicServices services_;
    std::unique_ptr<platform::AudioEngine> engine_;
    std::unique_ptr<platform::MasteringVoice> masteringVoice_;
    std::vector<std::int16_t> samples_;
    std::unique_ptr<platform::SourceVoice> sourceVoice_;
    std::uint64_t lastTick_ = 0;
    std::uint64_t duckUntil_ = 0;
    bool playing_ = false;
    float level_ = 0.0f;
    float lastVolume_ = 0.0f;
    float duck_ = 1.0f;
};

} // namespace lumenark
