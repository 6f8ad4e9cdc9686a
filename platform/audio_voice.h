#pragma once
// Audio output for the menu music: an engine, its mastering voice on the default device and a
// source voice that loops one buffer of 16-bit PCM. Windows uses XAudio2 2.9 from the system
// folder; Linux uses SDL2's audio (its "dummy" driver serves machines without sound).
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// Interleaved signed 16-bit PCM.
struct PcmFormat {
    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
};

// One buffer played from its start to its end, then looping over [loopBegin, loopBegin +
// loopLength) frames for ever. The samples must outlive the voice.
struct LoopingBuffer {
    const std::int16_t* samples = nullptr;
    std::size_t sampleCount = 0;
    std::uint32_t loopBeginFrames = 0;
    std::uint32_t loopLengthFrames = 0;
};

class SourceVoice {
public:
    virtual ~SourceVoice() = default;
    // Each returns false when the system refused.
    virtual bool setVolume(float volume) = 0;
    virtual bool start() = 0;
    virtual bool stop() = 0;
    virtual bool submit(const LoopingBuffer& buffer) = 0;
};

class MasteringVoice {
public:
    virtual ~MasteringVoice() = default;
};

// Failures throw std::runtime_error with the menu music's labels.
class AudioEngine {
public:
    virtual ~AudioEngine() = default;
    // Default channels and rate on the default device, as game media ("output device").
    virtual std::unique_ptr<MasteringVoice> createMasteringVoice() = 0;
    // Feeds the mastering voice; a frequency ratio of at most 2 ("music voice").
    virtual std::unique_ptr<SourceVoice> createSourceVoice(const PcmFormat& format) = 0;
};

// "audio engine" when the engine cannot be created.
std::unique_ptr<AudioEngine> createAudioEngine();

} // namespace platform
