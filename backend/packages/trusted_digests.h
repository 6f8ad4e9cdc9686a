#pragma once
// The digests that pin the games' ROM content: program lanes and images, the factory CMOS seed,
// the third game's ROM list and the second game's native ROM table. The product links the one
// table of the real content; nothing at run time can change it. Test builds link a table of
// their own generated fixtures instead.
#include <array>
#include <cstdint>
#include <string_view>

namespace qxlauncher {

struct PinnedRomFile {
    std::string_view file;
    std::uint64_t size = 0;
    std::string_view sha256;
};

inline constexpr std::size_t qx2NativeRomCount = 20;

struct TrustedDigests {
    std::string_view qx1EvenLaneSha1;
    std::string_view qx1OddLaneSha1;
    std::string_view qx1ProgramSha256;
    std::string_view qx2ProgramSha256;
    std::string_view qx2FactorySeedSha256;
    std::string_view qx3RomListSha256;
    // The second game's native manifests pin their sources and ROM profile by these values.
    std::string_view qx2FiniteSourceSha256;
    std::string_view qx2LiveSourceSha256;
    std::string_view qx2LiveCoreOverlaysSha256;
    std::string_view qx2RomProfileSha256;
    // Checked in this order against the native package's ROM folder.
    std::array<PinnedRomFile, qx2NativeRomCount> qx2NativeRoms;
};

const TrustedDigests& trustedDigests();

} // namespace qxlauncher
