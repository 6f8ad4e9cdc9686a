#pragma once
// Desktop services the launcher window uses beside its own window: the click sound for now.
// Windows plays it with PlaySoundW from memory; Linux through an SDL2 audio device.
#include <cstdint>
#include <memory>
#include <span>

namespace platform {

class Desktop {
public:
    virtual ~Desktop() = default;

    // Plays a RIFF/WAVE image asynchronously, cutting off a sound still playing. The image must
    // stay alive while it plays; a sound that cannot play is silently dropped.
    virtual void playSound(std::span<const std::uint8_t> waveImage) = 0;
    // Stops a sound still playing.
    virtual void stopSound() = 0;
};

std::unique_ptr<Desktop> createDesktop();

} // namespace platform
