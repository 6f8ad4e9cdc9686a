#include "platform/desktop.h"

#include <windows.h>

#include <mmsystem.h>

namespace platform {
namespace {

class Win32Desktop final : public Desktop {
public:
    void playSound(std::span<const std::uint8_t> waveImage) override {
        ::PlaySoundW(reinterpret_cast<LPCWSTR>(waveImage.data()), nullptr,
                     SND_ASYNC | SND_NODEFAULT | SND_MEMORY);
    }
    void stopSound() override { ::PlaySoundW(nullptr, nullptr, 0); }
};

} // namespace

std::unique_ptr<Desktop> createDesktop() {
    return std::make_unique<Win32Desktop>();
}

} // namespace platform
