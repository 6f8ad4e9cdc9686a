// The Linux stand-in of the desktop services. The click sound plays through an SDL2 audio device
// of its own, opened on the first click (SDL's "dummy" driver serves machines without sound).
#include "platform/desktop.h"

#include <SDL.h>

namespace platform {
namespace {

class SdlDesktop final : public Desktop {
public:
    SdlDesktop() = default;
    SdlDesktop(const SdlDesktop&) = delete;
    SdlDesktop& operator=(const SdlDesktop&) = delete;
    ~SdlDesktop() override {
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_);
        }
        if (audioStarted_) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }

    void playSound(std::span<const std::uint8_t> waveImage) override {
        SDL_AudioSpec format{};
        Uint8* samples = nullptr;
        Uint32 length = 0;
        if (!startAudio() ||
            SDL_LoadWAV_RW(SDL_RWFromConstMem(waveImage.data(), static_cast<int>(waveImage.size())),
                           1, &format, &samples, &length) == nullptr) {
            return;
        }
        if (device_ == 0) {
            // SDL converts to what the device plays; the clicks all share one format.
            device_ = SDL_OpenAudioDevice(nullptr, 0, &format, nullptr, 0);
        }
        if (device_ != 0) {
            SDL_ClearQueuedAudio(device_);
            SDL_QueueAudio(device_, samples, length);
            SDL_PauseAudioDevice(device_, 0);
        }
        SDL_FreeWAV(samples);
    }

    void stopSound() override {
        if (device_ != 0) {
            SDL_ClearQueuedAudio(device_);
        }
    }

private:
    bool startAudio() {
        if (!audioStarted_) {
            audioStarted_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        }
        return audioStarted_;
    }

    bool audioStarted_ = false;
    SDL_AudioDeviceID device_ = 0;
};

} // namespace

std::unique_ptr<Desktop> createDesktop() {
    return std::make_unique<SdlDesktop>();
}

} // namespace platform
