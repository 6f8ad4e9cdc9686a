#include "platform/audio_voice.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace platform {

namespace {

// What the source voice plays; read by the audio thread under the device lock.
struct VoiceState {
    SDL_AudioStream* converter = nullptr;
    LoopingBuffer buffer{};
    std::uint32_t channels = 0;
    std::size_t frame = 0;
    bool submitted = false;
    bool running = false;
    float volume = 0.0f;
};

// The default output device in float samples, mixing the one attached source voice into it.
class Mixer {
public:
    Mixer() {
        SDL_AudioSpec wanted{};
        wanted.freq = 48000;
        wanted.format = AUDIO_F32SYS;
        wanted.channels = 2;
        wanted.samples = 1024;
        wanted.callback = &Mixer::fill;
        wanted.userdata = this;
        device_ = ::SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained_,
                                        SDL_AUDIO_ALLOW_FREQUENCY_CHANGE |
                                            SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
        if (device_ == 0) {
            throw std::runtime_error("output device");
        }
        scratch_.resize(obtained_.size / sizeof(float) + 1);
        ::SDL_PauseAudioDevice(device_, 0);
    }
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;
    ~Mixer() { ::SDL_CloseAudioDevice(device_); }

    const SDL_AudioSpec& outputFormat() const { return obtained_; }

    template <typename Change> void locked(Change&& change) {
        ::SDL_LockAudioDevice(device_);
        change();
        ::SDL_UnlockAudioDevice(device_);
    }

    void attach(VoiceState* voice) {
        locked([&] { voice_ = voice; });
    }
    void detach(VoiceState* voice) {
        locked([&] {
            if (voice_ == voice) {
                voice_ = nullptr;
            }
        });
    }

private:
    static void SDLCALL fill(void* user, Uint8* out, int length) {
        static_cast<Mixer*>(user)->mix(reinterpret_cast<float*>(out), length);
    }

    void mix(float* out, int length) {
        std::memset(out, 0, static_cast<std::size_t>(length));
        VoiceState* voice = voice_;
        if (voice == nullptr || !voice->running || !voice->submitted) {
            return;
        }
        while (::SDL_AudioStreamAvailable(voice->converter) < length) {
            if (!feed(*voice)) {
                return;
            }
        }
        const int bytes = std::min<int>(length, static_cast<int>(scratch_.size() * sizeof(float)));
        const int got = ::SDL_AudioStreamGet(voice->converter, scratch_.data(), bytes);
        for (int i = 0; i < got / static_cast<int>(sizeof(float)); ++i) {
            out[i] = scratch_[static_cast<std::size_t>(i)] * voice->volume;
        }
    }

    // Puts the next stretch of the buffer into the converter, jumping back at its end.
    static bool feed(VoiceState& voice) {
        const std::size_t frames = voice.buffer.sampleCount / voice.channels;
        if (frames == 0) {
            return false;
        }
        const std::size_t count = std::min<std::size_t>(1024, frames - voice.frame);
        const std::int16_t* start = voice.buffer.samples + voice.frame * voice.channels;
        if (::SDL_AudioStreamPut(voice.converter, start,
                                 static_cast<int>(count * voice.channels * 2)) != 0) {
            return false;
        }
        voice.frame += count;
        if (voice.frame >= frames) {
            voice.frame = std::min<std::size_t>(voice.buffer.loopBeginFrames, frames - 1);
        }
        return true;
    }

    SDL_AudioSpec obtained_{};
    SDL_AudioDeviceID device_ = 0;
    std::vector<float> scratch_;
    VoiceState* voice_ = nullptr;
};

class SdlMasteringVoice final : public MasteringVoice {
public:
    explicit SdlMasteringVoice(std::shared_ptr<Mixer> mixer) : mixer_(std::move(mixer)) {}

private:
    std::shared_ptr<Mixer> mixer_;
};

class SdlSourceVoice final : public SourceVoice {
public:
    SdlSourceVoice(std::shared_ptr<Mixer> mixer, const PcmFormat& format)
        : mixer_(std::move(mixer)) {
        const SDL_AudioSpec& out = mixer_->outputFormat();
        if (format.channels == 0 || format.sampleRate == 0) {
            throw std::runtime_error("music voice");
        }
        state_.channels = format.channels;
        state_.converter = ::SDL_NewAudioStream(AUDIO_S16SYS, static_cast<Uint8>(format.channels),
                                                static_cast<int>(format.sampleRate), out.format,
                                                out.channels, out.freq);
        if (state_.converter == nullptr) {
            throw std::runtime_error("music voice");
        }
        mixer_->attach(&state_);
    }
    SdlSourceVoice(const SdlSourceVoice&) = delete;
    SdlSourceVoice& operator=(const SdlSourceVoice&) = delete;
    ~SdlSourceVoice() override {
        mixer_->detach(&state_);
        ::SDL_FreeAudioStream(state_.converter);
    }

    bool setVolume(float volume) override {
        mixer_->locked([&] { state_.volume = volume; });
        return true;
    }
    bool start() override {
        mixer_->locked([&] { state_.running = true; });
        return true;
    }
    bool stop() override {
        mixer_->locked([&] { state_.running = false; });
        return true;
    }
    bool submit(const LoopingBuffer& buffer) override {
        if (buffer.samples == nullptr || buffer.sampleCount < state_.channels) {
            return false;
        }
        mixer_->locked([&] {
            state_.buffer = buffer;
            state_.frame = 0;
            state_.submitted = true;
        });
        return true;
    }

private:
    std::shared_ptr<Mixer> mixer_;
    VoiceState state_;
};

class SdlAudioEngine final : public AudioEngine {
public:
    SdlAudioEngine() {
        if (::SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            throw std::runtime_error("audio engine");
        }
    }
    SdlAudioEngine(const SdlAudioEngine&) = delete;
    SdlAudioEngine& operator=(const SdlAudioEngine&) = delete;
    ~SdlAudioEngine() override { ::SDL_QuitSubSystem(SDL_INIT_AUDIO); }

    std::unique_ptr<MasteringVoice> createMasteringVoice() override {
        auto mixer = std::make_shared<Mixer>();
        mixer_ = mixer;
        return std::make_unique<SdlMasteringVoice>(std::move(mixer));
    }

    std::unique_ptr<SourceVoice> createSourceVoice(const PcmFormat& format) override {
        auto mixer = mixer_.lock();
        if (!mixer) {
            throw std::runtime_error("music voice");
        }
        return std::make_unique<SdlSourceVoice>(std::move(mixer), format);
    }

private:
    std::weak_ptr<Mixer> mixer_;
};

} // namespace

std::unique_ptr<AudioEngine> createAudioEngine() {
    return std::make_unique<SdlAudioEngine>();
}

} // namespace platform
