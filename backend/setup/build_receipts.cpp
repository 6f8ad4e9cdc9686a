#include "backend/setup/build_receipts.h"

#include "backend/files/file_safety.h"
#include "backend/files/json.h"
#include "backend/files/text_fields.h"
#include "backend/files/utf8_text.h"
#include "platform/files.h"
#include "platform/text.h"

#include <algorithm>
#include <new>
#include <optional>
#include <system_error>
#include <vector>

namespace qxlauncher {

namespace {

constexpr std::uintmax_t receiptLimitBytes = 1048576;

using ReceiptMap = ReceiptCache::Receipts;

// The receipt's executable, relative to the root; none when it breaks a rule.
std::optional<std::filesystem::path> relativeExecutable(const std::string& value) {
    if (holdsNul(value)) {
        return std::nullopt;
    }
    const std::filesystem::path relative = platform::pathFromWide(platform::wideFromUtf8(value));
    if (relative.empty() || relative.has_root_name() || relative.has_root_directory()) {
        return std::nullopt;
    }
    for (const auto& component : relative) {
        if (component == "." || component == "..") {
            return std::nullopt;
        }
    }
    return relative;
}

// The receipt's bytes against every rule that they alone decide.
ReceiptCache::Summary summarise(const std::filesystem::path& root,
                                const std::filesystem::path& folder, const std::string& bytes) {
    ReceiptCache::Summary summary;
    JsonValue receipt;
    if (!parseJsonObjectDocument(bytes, receipt)) {
        return summary;
    }
    const JsonValue* compile = receipt.member("compile", JsonType::Object);
    if (compile == nullptr || compile->member("executable", JsonType::String) == nullptr ||
        compile->member("sha256", JsonType::String) == nullptr) {
        return summary;
    }
    std::string sha256 = jsonGetString(*compile, "sha256");
    if (!isLowerHex64(sha256)) {
        return summary;
    }
    const auto relative = relativeExecutable(jsonGetString(*compile, "executable"));
    if (!relative) {
        return summary;
    }
    std::filesystem::path executable = (root / *relative).lexically_normal();
    if (executable.parent_path() != folder.lexically_normal()) {
        return summary;
    }
    double seconds = compile->numberMember("seconds") + receipt.numberMember("generate_seconds");
    if (const JsonValue* seed = receipt.member("seed", JsonType::Object)) {
        seconds += seed->numberMember("seconds");
    }
    const JsonValue* version = receipt.member("setup_version", JsonType::String);
    summary.usable = true;
    summary.current = version != nullptr && version->text == currentSetupVersion;
    summary.executable = std::move(executable);
    summary.sha256 = std::move(sha256);
    summary.totalSeconds = seconds;
    return summary;
}

// The receipt as the last scan left it while its size and last write time are the same, else
// read and parsed afresh. Nothing when it cannot be read, or changed while it was read: the next
// scan tries again.
const ReceiptMap::value_type* receiptEntry(const std::filesystem::path& root,
                                           const std::filesystem::path& folder,
                                           std::filesystem::path receipt,
                                           const platform::FileStamp& stamp, ReceiptMap& previous,
                                           ReceiptMap& next, std::uint64_t& reads) {
    if (auto node = previous.extract(receipt); !node.empty()) {
        if (node.mapped().size == stamp.size &&
            node.mapped().lastWriteTime == stamp.lastWriteTime) {
            return &*next.insert(std::move(node)).position;
        }
    }
    ++reads;
    const std::optional<std::string> bytes = readFileLimited(receipt, receiptLimitBytes);
    if (!bytes || bytes->size() != stamp.size) {
        return nullptr;
    }
    ReceiptCache::Entry entry{stamp.size, stamp.lastWriteTime, summarise(root, folder, *bytes)};
    return &*next.insert_or_assign(std::move(receipt), std::move(entry)).first;
}

// A build folder whose receipt passes every rule that its bytes decide; both pointers are into
// the scan's map.
struct Candidate {
    const std::filesystem::path* receipt = nullptr;
    const ReceiptCache::Summary* summary = nullptr;
    std::uint64_t written = 0;
};

// A build folder's name is exactly 64 of "0123456789abcdef". The name is checked as the system
// spells it: only those 64 units convert to those 64 characters.
bool isBuildFolderName(const std::filesystem::path& name) {
    const auto& units = name.native();
    return units.size() == 64 && std::all_of(units.begin(), units.end(), [](auto unit) {
               return (unit >= '0' && unit <= '9') || (unit >= 'a' && unit <= 'f');
           });
}

// A listed entry whose receipt may name a build: a build folder's name, a folder itself and no
// link, and a plain receipt file within the size limit. The folders above it were checked once
// for the whole scan.
std::optional<Candidate> candidateOf(const std::filesystem::path& root,
                                     const std::filesystem::directory_entry& listed,
                                     ReceiptMap& previous, ReceiptMap& next, std::uint64_t& reads) {
    const std::filesystem::path& folder = listed.path();
    if (!isBuildFolderName(folder.filename())) {
        return std::nullopt;
    }
    const platform::PathAttributes attributes = platform::readPathAttributes(folder);
    if (attributes.kind != platform::PathAttributes::Kind::present || !attributes.directory ||
        attributes.reparsePoint) {
        return std::nullopt;
    }
    std::filesystem::path receipt = folder / "setup.json";
    const std::optional<platform::FileStamp> stamp = platform::readFileStamp(receipt);
    if (!stamp || !stamp->regular || stamp->reparsePoint || stamp->size > receiptLimitBytes) {
        return std::nullopt;
    }
    const ReceiptMap::value_type* kept =
        receiptEntry(root, folder, std::move(receipt), *stamp, previous, next, reads);
    if (kept == nullptr || !kept->second.summary.usable) {
        return std::nullopt;
    }
    return Candidate{&kept->first, &kept->second.summary, kept->second.lastWriteTime};
}

// The executable lies directly in its build folder, whose folders were checked already: only
// the file itself is left to look at.
bool plainExecutable(const std::filesystem::path& executable) {
    const std::optional<platform::FileStamp> stamp = platform::readFileStamp(executable);
    return stamp && stamp->regular && !stamp->reparsePoint;
}

// Among valid builds the latest receipt wins, of equal ones the one listed first; without one,
// a receipt of another setup version with its executable in place makes the result outdated.
// Executables are looked at in that order until one is in place.
LatestBuild newestOf(std::vector<Candidate>& candidates) {
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.written > b.written; });
    LatestBuild best;
    for (const Candidate& candidate : candidates) {
        const ReceiptCache::Summary& summary = *candidate.summary;
        if (!summary.current || !plainExecutable(summary.executable)) {
            continue;
        }
        best.found = true;
        best.buildDirectory = candidate.receipt->parent_path();
        best.executable = summary.executable;
        best.directoryName =
            platform::utf8FromWide(platform::wideFromPath(best.buildDirectory.filename()));
        best.sha256 = summary.sha256;
        best.totalSeconds = summary.totalSeconds;
        best.receiptWritten = candidate.written;
        return best;
    }
    best.outdated = std::any_of(candidates.begin(), candidates.end(), [](const Candidate& c) {
        return !c.summary->current && plainExecutable(c.summary->executable);
    });
    return best;
}

} // namespace

LatestBuild ReceiptCache::findLatestBuild(const std::filesystem::path& root,
                                          const std::wstring& id) {
    ReceiptMap next;
    next.reserve(receipts_.size());
    std::vector<Candidate> candidates;
    const std::filesystem::path base = root / "generated" / platform::pathFromWide(id);
    std::error_code error;
    if (hasReparsePoint(base) || !std::filesystem::is_directory(base, error)) {
        receipts_.clear();
        return {};
    }
    std::filesystem::directory_iterator entries(base, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        try {
            if (std::optional<Candidate> candidate =
                    candidateOf(root, *entries, receipts_, next, reads_)) {
                candidates.push_back(*candidate);
            }
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
            // A path that the library cannot handle: this receipt is skipped, not the scan.
            continue;
        }
    }
    // The map's nodes stay where they are, so the candidates' pointers hold after the move.
    receipts_ = std::move(next);
    return newestOf(candidates);
}

LatestBuild findLatestBuild(const std::filesystem::path& root, const std::wstring& id) {
    ReceiptCache once;
    return once.findLatestBuild(root, id);
}

} // namespace qxlauncher
