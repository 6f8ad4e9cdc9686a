#pragma once
// The build receipts "setup.json" that a finished setup leaves in its build folder under
// "generated/<game id>", and the choice of a game's newest valid build among them.
#include "backend/setup/setup_pipeline.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <unordered_map>

namespace qxlauncher {

inline constexpr const char* currentSetupVersion = "14";

// What the scans of one game's build folders learned of each receipt, keyed by the receipt's
// path, so that a scan reads and parses a receipt only when its size or last write time
// changed. It holds the receipts of the last scan only, so it shrinks as folders go. Every scan
// still looks at every folder and every receipt's attributes, and at the executable of the
// build it chooses: its result is the uncached scan's. One owner, one thread.
class ReceiptCache {
public:
    LatestBuild findLatestBuild(const std::filesystem::path& root, const std::wstring& id);
    std::size_t size() const { return receipts_.size(); }
    // How many receipts its scans have read and parsed so far.
    std::uint64_t reads() const { return reads_; }

    // What a receipt's bytes say, whatever the folders around it hold now.
    struct Summary {
        bool usable = false;              // it passes every rule that its bytes alone decide
        bool current = false;             // and its setup version is the current one
        std::filesystem::path executable; // root / the executable it names, lexically normal
        std::string sha256;
        double totalSeconds = 0.0;
    };
    struct Entry {
        std::uint64_t size = 0;
        std::uint64_t lastWriteTime = 0; // as platform::lastWriteTime gives it
        Summary summary;
    };

    // The scan spells every receipt's path the same way, so paths are told apart as text, which
    // is far quicker than component by component.
    struct SpelledHash {
        std::size_t operator()(const std::filesystem::path& path) const {
            return std::hash<std::filesystem::path::string_type>{}(path.native());
        }
    };
    struct SpelledEqual {
        bool operator()(const std::filesystem::path& a, const std::filesystem::path& b) const {
            return a.native() == b.native();
        }
    };
    using Receipts = std::unordered_map<std::filesystem::path, Entry, SpelledHash, SpelledEqual>;

private:
    Receipts receipts_;
    std::uint64_t reads_ = 0;
};

// The newest valid build of the game under root / "generated" / id, every receipt read afresh;
// never throws for file or format problems.
LatestBuild findLatestBuild(const std::filesystem::path& root, const std::wstring& id);

} // namespace qxlauncher
