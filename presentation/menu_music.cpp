#include "presentation/menu_music.h"

#include "platform/clock.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>
#include <utility>

namespace lumenark {

namespace {

constexpr std::uint16_t waveFormatPcm = 1;
constexpr std::uint32_t minimumRate = 8000;
constexpr std::uint32_t maximumRate = 48000;
constexpr std::uint32_t crossfadeSecondsCap = 8;
constexpr float fadeInMilliseconds = 440.0f;
constexpr float fadeOutMilliseconds = 160.0f;
constexpr float duckDownMilliseconds = -65.0f;
constexpr float duckUpMilliseconds = 550.0f;
constexpr float duckFloor = 0.6f;
// A preference of 100 plays at about +2.8 dB.
constexpr float fullScaleGain = 1.386f;

bool isSupported(const platform::DecodedAudioFormat& format) {
    return format.bitsPerSample == 16 && (format.channels == 1 || format.channels == 2) &&
           format.sampleRate >= minimumRate && format.sampleRate <= maximumRate;
}

} // namespace

WaveFormat decodeAudio(platform::AudioFileDecoder& decoder, std::vector<std::int16_t>& samples) {
    const platform::DecodedAudioFormat decoded = decoder.format();
    if (!isSupported(decoded)) {
        throw std::runtime_error("unsupported MP3 format");
    }
    const auto channels = static_cast<std::uint16_t>(decoded.channels);
    const auto blockAlign = static_cast<std::uint16_t>(channels * 2);
    samples.clear();
    const auto append = [&](std::span<const std::byte> bytes) {
        if (bytes.size() % blockAlign != 0 ||
            bytes.size() / 2 > maxMenuMusicSamples - samples.size()) {
            throw std::runtime_error("invalid or oversized decoded MP3");
        }
        if (bytes.empty()) {
            return; // an empty block may come with no buffer at all
        }
        const std::size_t start = samples.size();
        samples.resize(start + bytes.size() / 2);
        std::memcpy(samples.data() + start, bytes.data(), bytes.size());
    };
    while (decoder.readBlock(append)) {
    }
    if (samples.empty()) {
        throw std::runtime_error("empty MP3");
    }
    return WaveFormat{waveFormatPcm,
                      channels,
                      decoded.sampleRate,
                      blockAlign * decoded.sampleRate,
                      blockAlign,
                      16,
                      0};
}

WaveFormat decodeAudioFile(const std::filesystem::path& path, std::vector<std::int16_t>& samples) {
    const auto decoder = platform::openAudioFileDecoder(path);
    return decodeAudio(*decoder, samples);
}

std::size_t loopCrossfadeFrames(std::size_t frames, std::uint32_t sampleRate) {
    return std::min<std::size_t>(frames / 4,
                                 static_cast<std::size_t>(sampleRate) * crossfadeSecondsCap);
}

std::size_t applyLoopCrossfade(std::vector<std::int16_t>& samples, std::uint32_t channels,
                               std::uint32_t sampleRate) {
    if (channels == 0) {
        return 0;
    }
    const std::size_t frames = samples.size() / channels;
    const std::size_t fade = loopCrossfadeFrames(frames, sampleRate);
    const float quarterTurn = std::numbers::pi_v<float> / 2.0f;
    const std::size_t tailStart = frames - fade;
    for (std::size_t j = 0; j < fade; ++j) {
        const float theta = static_cast<float>(j) * quarterTurn / static_cast<float>(fade);
        const float headWeight = std::sin(theta);
        const float tailWeight = std::cos(theta);
        for (std::uint32_t c = 0; c < channels; ++c) {
            const float head = samples[j * channels + c];
            std::int16_t& tail = samples[(tailStart + j) * channels + c];
            const float mixed = std::clamp(
                head * headWeight + static_cast<float>(tail) * tailWeight, -32768.0f, 32767.0f);
            tail = static_cast<std::int16_t>(mixed);
        }
    }
    return fade;
}

MenuMusicServices systemMenuMusicServices() {
    return MenuMusicServices{platform::tickCountMilliseconds, platform::createAudioEngine,
                             platform::openAudioFileDecoder};
}

MenuMusic::MenuMusic(const std::filesystem::path& file)
    : MenuMusic(file, systemMenuMusicServices()) {}

MenuMusic::MenuMusic(const std::filesystem::path& file, MenuMusicServices services)
    : services_(std::move(services)), lastTick_(services_.clockMilliseconds()) {
    // On a failure the members made so far go in the destructor's order.
    const WaveFormat format = decodeAudio(*services_.openDecoder(file), samples_);
    const std::size_t fade = applyLoopCrossfade(samples_, format.channels, format.samplesPerSecond);
    const std::size_t frames = samples_.size() / format.channels;
    engine_ = services_.createEngine();
    masteringVoice_ = engine_->createMasteringVoice();
    sourceVoice_ =
        engine_->createSourceVoice(platform::PcmFormat{format.channels, format.samplesPerSecond});
    if (!sourceVoice_->setVolume(0.0f)) {
        throw std::runtime_error("initial gain");
    }
    const platform::LoopingBuffer buffer{samples_.data(), samples_.size(),
                                         static_cast<std::uint32_t>(fade),
                                         static_cast<std::uint32_t>(frames - fade)};
    if (!sourceVoice_->submit(buffer)) {
        throw std::runtime_error("music loop");
    }
}

MenuMusic::~MenuMusic() {
    sourceVoice_.reset();
    samples_ = {};
    masteringVoice_.reset();
    engine_.reset();
}

void MenuMusic::stopVoice() {
    sourceVoice_->setVolume(0.0f);
    sourceVoice_->stop();
    playing_ = false;
    level_ = 0.0f;
    lastVolume_ = 0.0f;
    duck_ = 1.0f;
    duckUntil_ = 0;
}

bool MenuMusic::tick(int volumePercent) {
    if (!sourceVoice_) {
        return false;
    }
    const float target = static_cast<float>(std::clamp(volumePercent, 0, 100)) / 100.0f;
    const std::uint64_t now = services_.clockMilliseconds();
    float elapsed = static_cast<float>(now - lastTick_);
    lastTick_ = now;
    bool fadingOut = false;
    if (playing_) {
        level_ += std::clamp(target - level_, -elapsed / fadeOutMilliseconds,
                             elapsed / fadeInMilliseconds);
        if (level_ == 0.0f && target == 0.0f) {
            stopVoice();
            return false;
        }
        fadingOut = target == 0.0f;
    } else {
        if (target == 0.0f) {
            return false;
        }
        if (!sourceVoice_->start()) {
            // A voice that cannot start stays gone: the launcher goes on silent.
            sourceVoice_.reset();
            return false;
        }
        playing_ = true;
        elapsed = 0.0f;
    }
    const float duckRate = now < duckUntil_ ? duckDownMilliseconds : duckUpMilliseconds;
    duck_ = std::min(1.0f, std::max(duckFloor, duck_ + elapsed / duckRate));
    const float volume = level_ * fullScaleGain * duck_;
    if (volume != lastVolume_) {
        sourceVoice_->setVolume(volume);
        lastVolume_ = volume;
    }
    return fadingOut;
}

void MenuMusic::silence() {
    if (playing_ && sourceVoice_) {
        stopVoice();
        return;
    }
    playing_ = false;
    level_ = 0.0f;
    lastVolume_ = 0.0f;
    duck_ = 1.0f;
    duckUntil_ = 0;
}

} // namespace lumenark
