#include "backend/cmos/adjustments.h"

#include "backend/cmos/cmos_profile.h"
#include "backend/files/failure_log.h"
#include "backend/packages/hashing.h"
#include "backend/packages/trusted_digests.h"

#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace qxlauncher {

namespace {

[[noreturn]] void fail(const char* label) {
    throw std::runtime_error(label);
}

std::uint8_t byteAt(const std::string& image, std::size_t offset) {
    return static_cast<std::uint8_t>(image[offset]);
}

void setByte(std::string& image, std::size_t offset, std::uint32_t value) {
    image[offset] = static_cast<char>(value & 0xFFu);
}

// The revision's layout, once the program image is that revision's verified image.
const OperatorRomLayout& verifiedLayout(int revision, const std::string& program) {
    if (revision != 0 && revision != 1) {
        fail("Operator adjustment ROM identity differs");
    }
    const TrustedDigests& trusted = trustedDigests();
    const std::string_view expected =
        revision == 0 ? trusted.qx1ProgramSha256 : trusted.qx2ProgramSha256;
    if (program.size() != programImageSize || sha256Hex(program) != expected) {
        fail("Operator adjustment ROM identity differs");
    }
    return operatorRomLayouts[static_cast<std::size_t>(revision)];
}

void requirePreset(int preset) {
    if (preset < 1 || preset > coinagePresetCount) {
        fail("Operator coinage preset outside 1..58");
    }
}

std::size_t presetRecord(const OperatorRomLayout& layout, int preset) {
    return layout.presetTable + coinagePresetRecordSize * static_cast<std::size_t>(preset - 1);
}

void requireInsideProgram(const std::string& program, std::size_t offset, std::size_t count) {
    if (offset > program.size() || program.size() - offset < count) {
        fail("Operator ROM field outside program");
    }
}

std::uint16_t programWord(const std::string& program, std::size_t offset) {
    requireInsideProgram(program, offset, 2);
    return static_cast<std::uint16_t>(byteAt(program, offset) | (byteAt(program, offset + 1) << 8));
}

std::uint32_t programLong(const std::string& program, std::size_t offset) {
    requireInsideProgram(program, offset, 4);
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) {
        value = (value << 8) | byteAt(program, offset + i);
    }
    return value;
}

std::size_t parameterOffset(int parameter) {
    if (parameter < 0 || parameter >= adjustmentParameterCount) {
        fail("Operator CMOS parameter outside adjustment bank");
    }
    return adjustmentBankOffset + 8 * static_cast<std::size_t>(parameter);
}

std::uint16_t evenByteSum(const std::string& image, std::size_t from, std::size_t count) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += byteAt(image, from + 2 * i);
    }
    return static_cast<std::uint16_t>(sum);
}

constexpr std::size_t bankSummedBytes = 168;

} // namespace

void requireCmosSize(const std::string& image) {
    if (image.size() != cmosImageSize) {
        fail("Operator CMOS must contain exactly 16384 bytes");
    }
}

std::uint32_t readCmosParameter(const std::string& image, int parameter) {
    requireCmosSize(image);
    const std::size_t offset = parameterOffset(parameter);
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | byteAt(image, offset + 2 * i);
    }
    return value;
}

void writeCmosParameter(std::string& image, int parameter, std::uint32_t value) {
    requireCmosSize(image);
    const std::size_t offset = parameterOffset(parameter);
    for (std::size_t i = 0; i < 4; ++i) {
        setByte(image, offset + 2 * i, value >> (24 - 8 * i));
    }
}

std::uint16_t adjustmentBankChecksum(const std::string& image) {
    requireCmosSize(image);
    return static_cast<std::uint16_t>(~evenByteSum(image, adjustmentBankOffset, bankSummedBytes));
}

bool adjustmentBankValid(const std::string& image) {
    requireCmosSize(image);
    const std::uint32_t stored =
        byteAt(image, bankChecksumHighOffset) * 256u + byteAt(image, bankChecksumLowOffset);
    return evenByteSum(image, adjustmentBankOffset, bankSummedBytes) + stored == 0xFFFFu;
}

void storeAdjustmentBankChecksum(std::string& image) {
    const std::uint16_t checksum = adjustmentBankChecksum(image);
    setByte(image, bankChecksumHighOffset, checksum >> 8);
    setByte(image, bankChecksumLowOffset, checksum);
}

std::uint16_t rankingSum(const std::string& image) {
    requireCmosSize(image);
    return evenByteSum(image, rankingOffset, rankingEntryCount * rankingEntrySize / 2);
}

void applyCoinagePreset(std::string& cmos, const std::string& program, int revision, int preset,
                        bool freePlay) {
    requireCmosSize(cmos);
    const OperatorRomLayout& layout = verifiedLayout(revision, program);
    requirePreset(preset);
    writeCmosParameter(cmos, coinageParameter, static_cast<std::uint32_t>(preset));
    const std::size_t record = presetRecord(layout, preset);
    for (std::size_t i = 0; i < coinageWordParameters.size(); ++i) {
        const auto word = static_cast<std::int16_t>(programWord(program, record + 2 * i));
        writeCmosParameter(cmos, coinageWordParameters[i],
                           static_cast<std::uint32_t>(static_cast<std::int32_t>(word)));
    }
    writeCmosParameter(cmos, freePlayParameter, freePlay ? 1u : 0u);
    writeCmosParameter(cmos, presetWrittenParameter, 1u);
    storeAdjustmentBankChecksum(cmos);
}

std::string readCoinageLabel(int revision, const std::string& program, int preset) {
    const OperatorRomLayout& layout = verifiedLayout(revision, program);
    requirePreset(preset);
    const std::uint32_t pointer =
        programLong(program, presetRecord(layout, preset) + coinageLabelPointerOffset);
    if (pointer < 0xFF800000u || pointer % 8 != 0) {
        fail("Operator coinage label pointer invalid");
    }
    const std::size_t start = static_cast<std::uint32_t>(pointer + 0x800000u) / 8;
    constexpr std::size_t labelLimit = 64;
    std::string text;
    for (std::size_t i = 0; i < labelLimit; ++i) {
        if (start + i >= program.size()) {
            fail("Operator coinage label outside ROM");
        }
        const std::uint8_t byte = byteAt(program, start + i);
        if (byte == 0) {
            return text;
        }
        if (byte == 0x80) {
            text += "FRANCE";
        } else if (byte >= 0x20 && byte <= 0x7E) {
            text += static_cast<char>(byte);
        } else {
            fail("Operator coinage label is not plain text");
        }
    }
    fail("Operator coinage label exceeds limit");
}

std::vector<std::wstring> coinageLabelsOf(int revision, const std::string& program) {
    std::vector<std::wstring> labels;
    labels.reserve(coinagePresetCount);
    for (int preset = 1; preset <= coinagePresetCount; ++preset) {
        const std::string text = readCoinageLabel(revision, program, preset);
        const std::size_t record =
            presetRecord(operatorRomLayouts[static_cast<std::size_t>(revision)], preset);
        const std::uint16_t start = programWord(program, record + 14);
        const std::uint16_t resume = programWord(program, record + 16);
        labels.push_back(std::wstring(text.begin(), text.end()) + L" / " + std::to_wstring(start) +
                         L" / " + std::to_wstring(resume));
    }
    return labels;
}

void resetRankingImage(std::string& cmos, const std::string& program, int revision) {
    requireCmosSize(cmos);
    const OperatorRomLayout& layout = verifiedLayout(revision, program);
    for (std::size_t entry = 0; entry < rankingEntryCount; ++entry) {
        const std::size_t source = layout.defaultRanking + defaultRankingEntrySize * entry;
        const std::size_t target = rankingOffset + rankingEntrySize * entry;
        requireInsideProgram(program, source, defaultRankingEntrySize);
        for (std::size_t i = 0; i < 3; ++i) {
            setByte(cmos, target + 2 * i, byteAt(program, source + 2 * i) - 0x41u);
        }
        for (std::size_t i = 0; i < 6; ++i) {
            setByte(cmos, target + 6 + 2 * i, byteAt(program, source + 6 + i));
        }
    }
    const std::uint16_t sum = rankingSum(cmos);
    setByte(cmos, rankingSumLowOffset, sum);
    setByte(cmos, rankingSumHighOffset, sum >> 8);
}

} // namespace qxlauncher
