// The selected game's operator adjustments in the backend: loading them from its CMOS image and
// program ROM, saving them together with the preferences, and the ranking reset.
#include "backend/backend.h"
#include "backend/cmos/adjustments.h"
#include "backend/cmos/cmos_profile.h"
#include "backend/files/failure_log.h"
#include "backend/files/file_safety.h"
#include "backend/packages/hashing.h"
#include "platform/files.h"
#include "platform/system_error.h"

#include <filesystem>
#include <stdexcept>

namespace qxlauncher {

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
        // Only a profile that is really absent is silent; a link or a path that cannot be
        // looked at goes on to the load, which refuses it.
        if (loadedCmosPath.empty() || platform::readPathAttributes(loadedCmosPath).kind ==
                                          platform::PathAttributes::Kind::missing) {
            return false;
        }
        LoadedCmos loaded = loadCmosWithDigest(loadedCmosPath);
        requireCmosSize(loaded.image);
        if (!adjustmentBankValid(loaded.image)) {
            throw std::runtime_error("operator settings checksum differs");
        }
        const std::uint32_t difficulty = readCmosParameter(loaded.image, difficultyParameter);
        const std::uint32_t preset = readCmosParameter(loaded.image, coinageParameter);
        const std::uint32_t freePlay = readCmosParameter(loaded.image, freePlayParameter);
        const std::uint32_t written = readCmosParameter(loaded.image, presetWrittenParameter);
        if (difficulty < 1 || difficulty > 5 || preset < 1 || preset > coinagePresetCount ||
            freePlay > 1) {
            throw std::runtime_error("native operator value outside ROM menu range");
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
            throw std::runtime_error("selected operator profile changed; reopen Settings");
        }
        bool presetWritten = false;
        if (changed) {
            if (!adjustmentsLoaded) {
                throw std::runtime_error("operator profile unavailable");
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
        // What the preferences file held before this save: a failed CMOS replace puts it back,
        // so the files agree with the launcher, which keeps the previous values.
        const std::filesystem::path preferencesFile =
            preferencesFilePath(projectRoot, selectedGame, qx2NativeSelected);
        bool hadPreferencesFile = false;
        std::string previousPreferences;
        const auto savePreferencesStep = [&] {
            hadPreferencesFile = platform::readPathAttributes(preferencesFile).kind !=
                                 platform::PathAttributes::Kind::missing;
            // A file too large to load gave the launcher values of its own; those are put back.
            previousPreferences = readFileLimited(preferencesFile, preferencesFileCap)
                                      .value_or(preferencesText(previous, selectedGame));
            config = next;
            if (presetWritten || chosen.freePlay != adjustments.freePlay) {
                config.CmosCoinage = true;
            }
            if (!savePreferences()) {
                throw std::runtime_error("preferences atomic save failed");
            }
        };
        const auto restorePreferences = [&] {
            try {
                if (hadPreferencesFile) {
                    atomicReplaceFile(preferencesFile, previousPreferences);
                } else {
                    requireUnlinkedPath(preferencesFile);
                    if (platform::deleteFile(preferencesFile) != platform::errorSuccess) {
                        throw std::runtime_error("remove config");
                    }
                }
            } catch (const std::exception& error) {
                logAbsorbedFailure("operator save failed: ", error.what());
            }
        };
        if (adjustmentsLoaded) {
            const CmosLockKind lock =
                selectedGame == 0 ? CmosLockKind::SessionLock : CmosLockKind::WriterLock;
            std::string digest = editProfile(loadedCmosPath, image, cmosSha256, lock,
                                             savePreferencesStep, restorePreferences);
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
            throw std::runtime_error("selected ranking profile changed; reopen Settings");
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
