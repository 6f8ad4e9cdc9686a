#include "backend/cmos/adjustments.h"

#include "backend/backend.h"
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

void requireCmosSize(const std::string& image) {
    if (image.size() != cmosImageSize) {
        fail("Operator CMOS must contain exactly 16384 bytes");
    }
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

bool Backend::loadAdjustments(bool load) {
    adjustments = GameAdjustments{};
    adjustmentsLoaded = false;
    loadedCmosPath.clear();
    cmosImage.clear();
    programImage.clear();
    coinageLabels.clear();
    cmosSha256.clear();
    if (!load) {
        return false;
    }
    try {
        loadedCmosPath = cmosPath(false);
        std::error_code error;
        if (loadedCmosPath.empty() || !std::filesystem::exists(loadedCmosPath, error)) {
            return false;
        }
        LoadedCmos loaded = loadCmosWithDigest(loadedCmosPath);
        requireCmosSize(loaded.image);
        if (!adjustmentBankValid(loaded.image)) {
            fail("operator settings checksum differs");
        }
        const std::uint32_t difficulty = readCmosParameter(loaded.image, difficultyParameter);
        const std::uint32_t preset = readCmosParameter(loaded.image, coinageParameter);
        const std::uint32_t freePlay = readCmosParameter(loaded.image, freePlayParameter);
        const std::uint32_t written = readCmosParameter(loaded.image, presetWrittenParameter);
        if (difficulty < 1 || difficulty > 5 || preset < 1 || preset > coinagePresetCount ||
            freePlay > 1) {
            fail("native operator value outside ROM menu range");
        }
        std::string program;
        if (selectedGame == 1) {
            const std::filesystem::path folder = romFolder();
            const std::string odd = readOperatorRom(folder / "ug12.l31");
            const std::string even = readOperatorRom(folder / "uj12.l31");
            program = interleaveQx2Program(even, odd).program;
        } else {
            program = loadQx1Program(romFolder()).program;
        }
        std::vector<std::wstring> labels = coinageLabelsOf(selectedGame, program);

        adjustments.difficulty = static_cast<std::int32_t>(difficulty);
        adjustments.coinagePreset = static_cast<std::int32_t>(preset);
        adjustments.freePlay = freePlay == 1;
        adjustments.customCoinage = written == 0;
        cmosImage = std::move(loaded.image);
        cmosSha256 = std::move(loaded.sha256);
        programImage = std::move(program);
        coinageLabels = std::move(labels);
        adjustmentsLoaded = true;
        return true;
    } catch (...) {
        adjustments = GameAdjustments{};
        cmosImage.clear();
        programImage.clear();
        coinageLabels.clear();
        cmosSha256.clear();
        status = L"Game adjustments unavailable: check the profile's CMOS and ROM files.";
        return false;
    }
}

bool Backend::adjustmentsAvailable() const {
    return adjustmentsLoaded;
}

bool Backend::adjustmentsOffered() const {
    return adjustmentsLoaded || selectedGame == 2;
}

std::wstring Backend::coinageLabel(const GameAdjustments& choice) const {
    if (choice.freePlay) {
        return L"FREE PLAY";
    }
    if (choice.customCoinage) {
        return L"CUSTOM / CMOS";
    }
    if (choice.coinagePreset >= 1 &&
        static_cast<std::size_t>(choice.coinagePreset) <= coinageLabels.size()) {
        return coinageLabels[static_cast<std::size_t>(choice.coinagePreset - 1)];
    }
    return L"PRESET " + std::to_wstring(choice.coinagePreset);
}

bool Backend::saveAll(const Config& next, const GameAdjustments& chosen) {
    if (isGameRunning()) {
        status = L"Close the game before saving adjustments.";
        return false;
    }
    if (chosen.difficulty < 1 || chosen.difficulty > 5 || chosen.coinagePreset < 1 ||
        chosen.coinagePreset > coinagePresetCount) {
        status = L"Adjustments outside the arcade's values.";
        return false;
    }
    const Config previous = config;
    try {
        const bool changed = chosen != adjustments;
        std::string image = cmosImage;
        if (cmosPath(true) != loadedCmosPath) {
            fail("selected operator profile changed; reopen Settings");
        }
        bool presetWritten = false;
        if (changed) {
            if (!adjustmentsLoaded) {
                fail("operator profile unavailable");
            }
            if (chosen.coinagePreset != adjustments.coinagePreset ||
                (!chosen.customCoinage && adjustments.customCoinage)) {
                applyCoinagePreset(image, programImage, selectedGame, chosen.coinagePreset,
                                   chosen.freePlay);
                presetWritten = true;
            } else {
                writeCmosParameter(image, freePlayParameter, chosen.freePlay ? 1u : 0u);
            }
            writeCmosParameter(image, difficultyParameter,
                               static_cast<std::uint32_t>(chosen.difficulty));
            storeAdjustmentBankChecksum(image);
        }
        const auto savePreferencesStep = [&] {
            config = next;
            if (presetWritten || chosen.freePlay != adjustments.freePlay) {
                config.CmosCoinage = true;
            }
            if (!savePreferences()) {
                fail("preferences atomic save failed");
            }
        };
        if (adjustmentsLoaded) {
            const CmosLockKind lock =
                selectedGame == 0 ? CmosLockKind::SessionLock : CmosLockKind::WriterLock;
            std::string digest =
                editProfile(loadedCmosPath, image, cmosSha256, lock, savePreferencesStep);
            adjustments = chosen;
            // A written preset is no longer custom, as a reload of the image would show.
            if (presetWritten) {
                adjustments.customCoinage = false;
            }
            cmosImage = std::move(image);
            cmosSha256 = std::move(digest);
        } else {
            savePreferencesStep();
        }
        status = L"Preferences and adjustments saved for this game.";
        return true;
    } catch (const std::exception& error) {
        logAbsorbedFailure("operator save failed: ", error.what());
        config = previous;
        status = L"Could not save; check access and whether the profile changed, then reopen the "
                 L"adjustments.";
        return false;
    }
}

bool Backend::resetRanking() {
    if (isGameRunning() || !adjustmentsLoaded) {
        status = L"Ranking unavailable: close the game and open the adjustments.";
        return false;
    }
    try {
        if (cmosPath(true) != loadedCmosPath) {
            fail("selected ranking profile changed; reopen Settings");
        }
        std::string image = cmosImage;
        resetRankingImage(image, programImage, selectedGame);
        const CmosLockKind lock =
            selectedGame == 0 ? CmosLockKind::SessionLock : CmosLockKind::WriterLock;
        std::string digest = editProfile(loadedCmosPath, image, cmosSha256, lock, {});
        cmosImage = std::move(image);
        cmosSha256 = std::move(digest);
        status = L"Ranking reset by the arcade's own routine.";
        return true;
    } catch (...) {
        status = L"Could not reset the ranking; the profile was not replaced.";
        return false;
    }
}

} // namespace qxlauncher
