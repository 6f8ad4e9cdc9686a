#pragma once
// Program and CMOS images for the operator adjustments: a program image with a revision's
// coinage presets, labels and default ranking (no real ROM), its two lanes, and CMOS images
// with a valid adjustment bank.
#include "backend/cmos/adjustments.h"
#include "backend/packages/hashing.h"
#include "backend/packages/trusted_digests.h"
#include "tests/backend/cmos_test_images.h"
#include "tests/support/fixture_digests.h"
#include "tests/support/test_digest.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qxlauncher::operatortest {

inline constexpr std::size_t labelArea = 0x10000;

inline std::uint32_t labelPointerFor(std::size_t offset) {
    return static_cast<std::uint32_t>(offset * 8 + 0xFF800000u);
}

inline void putWord(std::string& image, std::size_t offset, std::uint16_t value) {
    image[offset] = static_cast<char>(value & 0xFF);
    image[offset + 1] = static_cast<char>(value >> 8);
}

inline void putLong(std::string& image, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        image[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

inline std::size_t presetAt(int revision, int preset) {
    return operatorRomLayouts[static_cast<std::size_t>(revision)].presetTable +
           coinagePresetRecordSize * static_cast<std::size_t>(preset - 1);
}

// The word that preset k carries at index i, distinct for every preset and word.
inline std::uint16_t presetWord(int preset, std::size_t index) {
    if (preset == 3 && index == 7) {
        return 0xFFFF;
    }
    if (index == 9) {
        return static_cast<std::uint16_t>(0x8000 + preset); // negative: sign-extended
    }
    return static_cast<std::uint16_t>(preset * 16 + static_cast<int>(index));
}

// A program image with the revision's preset table, labels and default ranking; no real ROM.
inline std::string operatorProgram(int revision) {
    std::string image(programImageSize, '\0');
    for (int preset = 1; preset <= coinagePresetCount; ++preset) {
        const std::size_t record = presetAt(revision, preset);
        for (std::size_t i = 0; i < 11; ++i) {
            putWord(image, record + 2 * i, presetWord(preset, i));
        }
        const std::size_t label = labelArea + 64 * static_cast<std::size_t>(preset);
        const std::string text = "P" + std::to_string(preset) + " COIN";
        image.replace(label, text.size(), text);
        putLong(image, record + coinageLabelPointerOffset, labelPointerFor(label));
    }
    const std::size_t ranking =
        operatorRomLayouts[static_cast<std::size_t>(revision)].defaultRanking;
    for (std::size_t entry = 0; entry < rankingEntryCount; ++entry) {
        const std::size_t at = ranking + defaultRankingEntrySize * entry;
        for (std::size_t i = 0; i < 3; ++i) {
            image[at + 2 * i] = static_cast<char>('A' + entry + i);
            image[at + 2 * i + 1] = '\x77'; // unused bytes
        }
        for (std::size_t i = 0; i < 6; ++i) {
            image[at + 6 + i] = static_cast<char>(entry * 6 + i + 1);
        }
    }
    return image;
}

// Even bytes of the image become one lane, odd bytes the other.
inline std::string lane(const std::string& image, std::size_t parity) {
    std::string bytes(image.size() / 2, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = image[2 * i + parity];
    }
    return bytes;
}

// Makes the test builds trust a program image for the life of the object.
class TrustedProgram {
public:
    explicit TrustedProgram(std::string image) { trust(std::move(image)); }

    void trust(std::string image) {
        scope_.reset();
        image_ = std::move(image);
        even_ = testsupport::sha1Hex(lane(image_, 0));
        odd_ = testsupport::sha1Hex(lane(image_, 1));
        digest_ = testsupport::sha256Hex(image_);
        evenSha256_ = testsupport::sha256Hex(lane(image_, 0));
        oddSha256_ = testsupport::sha256Hex(lane(image_, 1));
        TrustedDigests table = trustedDigests();
        table.qx1EvenLaneSha1 = even_;
        table.qx1OddLaneSha1 = odd_;
        table.qx1ProgramSha256 = digest_;
        table.qx2ProgramSha256 = digest_;
        // The second game's native package pins its two program lanes in its ROM table.
        for (PinnedRomFile& rom : table.qx2NativeRoms) {
            if (rom.file == "uj12.l31") {
                rom.sha256 = evenSha256_;
            } else if (rom.file == "ug12.l31") {
                rom.sha256 = oddSha256_;
            }
        }
        scope_.emplace(table);
    }
    const std::string& image() const { return image_; }

private:
    std::string image_, even_, odd_, digest_, evenSha256_, oddSha256_;
    std::optional<testsupport::ScopedTrustedDigests> scope_;
};

inline std::string validCmos(std::uint32_t seed, int difficulty, int preset, bool freePlay,
                             bool written) {
    std::string image = cmostest::patternImage(seed);
    writeCmosParameter(image, difficultyParameter, static_cast<std::uint32_t>(difficulty));
    writeCmosParameter(image, coinageParameter, static_cast<std::uint32_t>(preset));
    writeCmosParameter(image, freePlayParameter, freePlay ? 1 : 0);
    writeCmosParameter(image, presetWrittenParameter, written ? 1 : 0);
    storeAdjustmentBankChecksum(image);
    return image;
}

} // namespace qxlauncher::operatortest
