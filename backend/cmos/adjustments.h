#pragma once
// A game's operator adjustments as kept in its CMOS image: the adjustment bank with its
// checksum, the high-score ranking with its sum, and the coinage presets and default ranking
// that the game's own program ROM carries.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qxlauncher {

struct GameAdjustments {
    std::int32_t difficulty = 3;    // 1 to 5; CMOS parameter 14
    std::int32_t coinagePreset = 1; // 1 to 58; CMOS parameter 1
    bool freePlay = false;          // CMOS parameter 18
    bool customCoinage = false;     // parameter 21 is 0: a coinage the launcher did not write

    friend bool operator==(const GameAdjustments&, const GameAdjustments&) = default;
};

inline constexpr std::int32_t coinagePresetCount = 58;

// The adjustment bank: 42 parameters of 8 bytes from 0x1000, each value in the even bytes,
// most significant first.
inline constexpr std::size_t adjustmentBankOffset = 0x1000;
inline constexpr int adjustmentParameterCount = 42;
inline constexpr int coinageParameter = 1;
inline constexpr int difficultyParameter = 14;
inline constexpr int freePlayParameter = 18;
inline constexpr int presetWrittenParameter = 21;
inline constexpr std::size_t bankChecksumHighOffset = 0x1150;
inline constexpr std::size_t bankChecksumLowOffset = 0x1152;

// The ranking: 15 entries of 18 bytes from 0x1800 (three initials, six record bytes, all in the
// even bytes), then its plain sum.
inline constexpr std::size_t rankingOffset = 0x1800;
inline constexpr int rankingEntryCount = 15;
inline constexpr std::size_t rankingEntrySize = 18;
inline constexpr std::size_t rankingSumLowOffset = 0x190E;
inline constexpr std::size_t rankingSumHighOffset = 0x1910;

// Where a revision's program image keeps its tables.
struct OperatorRomLayout {
    std::size_t presetTable;
    std::size_t defaultRanking;
};

// Revision 0 is the first game (5.0), revision 1 the second (L3.1).
inline constexpr std::array<OperatorRomLayout, 2> operatorRomLayouts{{
    {0xF5DDA, 0xBE298},
    {0x8298A, 0x450E6},
}};
inline constexpr std::size_t coinagePresetRecordSize = 56;
inline constexpr std::size_t coinageLabelPointerOffset = 42;
// Preset word i goes to CMOS parameter coinageWordParameters[i].
inline constexpr std::array<int, 11> coinageWordParameters{2, 3, 4, 5, 6, 7, 8, 11, 12, 9, 10};
inline constexpr std::size_t defaultRankingEntrySize = 12;

// Fails with "Operator CMOS must contain exactly 16384 bytes" for an image of any other size.
void requireCmosSize(const std::string& image);

std::uint32_t readCmosParameter(const std::string& image, int parameter);
// "Operator CMOS parameter outside adjustment bank" for a number above 41.
void writeCmosParameter(std::string& image, int parameter, std::uint32_t value);

// The complemented 16-bit sum of the bank's 168 even bytes.
std::uint16_t adjustmentBankChecksum(const std::string& image);
bool adjustmentBankValid(const std::string& image);
void storeAdjustmentBankChecksum(std::string& image);

// The plain 16-bit sum of the ranking's 135 stored values.
std::uint16_t rankingSum(const std::string& image);

// Writes preset `preset` of the program into the CMOS image in memory, with free play, the
// preset-written mark and a fresh bank checksum.
void applyCoinagePreset(std::string& cmos, const std::string& program, int revision, int preset,
                        bool freePlay);

// The plain-ASCII label of one preset.
std::string readCoinageLabel(int revision, const std::string& program, int preset);

// The 58 labels as the Settings page shows them: label, credits to start, credits to continue.
std::vector<std::wstring> coinageLabelsOf(int revision, const std::string& program);

// Replaces the ranking in the CMOS image with the program's default ranking and its sum; the
// adjustment bank is not touched.
void resetRankingImage(std::string& cmos, const std::string& program, int revision);

} // namespace qxlauncher
