#pragma once
// The cabinet click: a RIFF/WAVE image in memory (PCM, mono, 22050 Hz, 16 bits, 7056 samples),
// three short noise bursts with a ringing tone each, at 0, 47 and 129 ms.
#include <cstdint>
#include <vector>

namespace lumenark {

inline constexpr std::uint32_t clickSampleRate = 22050;
inline constexpr std::uint32_t clickSampleCount = 7056;

// Built on first use and kept for the life of the process (an asynchronous sound plays from it).
const std::vector<std::uint8_t>& clickSoundImage();

} // namespace lumenark
