#include "backend/packages/packages.h"

#include "backend/files/file_safety.h"
#include "backend/files/text_fields.h"
#include "backend/files/utf8_text.h"
#include "backend/preferences/collection_paths.h"
#include "platform/files.h"

#include <charconv>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>

namespace qxlauncher {

namespace {

constexpr std::uintmax_t inventoryManifestCap = 65536;
constexpr std::uintmax_t enginePathCap = 4096;
constexpr std::size_t qx1InventoryCount = 17;
constexpr std::size_t qx2ArcadeInventoryCount = 20;

// The white space of the inventory pattern's \s in the classic locale.
bool isPatternSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

// Matches the inventory pattern at one position. Each part of the pattern is followed by a
// character that the part cannot take, so the first way to match is the only one and no
// backtracking is needed.
class EntryMatcher {
public:
    EntryMatcher(std::string_view text, std::size_t at) : text_(text), at_(at) {}

    std::optional<InventoryEntry> match() {
        InventoryEntry entry;
        if (!literal("\"path\"") || !separator(':') || !literal("\"") ||
            !run([](char c) { return c != '"'; }, entry.path) || !literal("\"") ||
            !separator(',') || !literal("\"size\"") || !separator(':') ||
            !run(isDecimalDigit, entry.size)) {
            return std::nullopt;
        }
        return entry;
    }

    std::size_t end() const { return at_; }

private:
    bool literal(std::string_view expected) {
        if (text_.substr(at_, expected.size()) != expected) {
            return false;
        }
        at_ += expected.size();
        return true;
    }

    void skipSpace() {
        while (at_ < text_.size() && isPatternSpace(text_[at_])) {
            ++at_;
        }
    }

    // \s* c \s*
    bool separator(char c) {
        skipSpace();
        if (at_ >= text_.size() || text_[at_] != c) {
            return false;
        }
        ++at_;
        skipSpace();
        return true;
    }

    // One or more characters that the predicate accepts.
    template <typename Accepts> bool run(Accepts accepts, std::string& taken) {
        const std::size_t start = at_;
        while (at_ < text_.size() && accepts(text_[at_])) {
            ++at_;
        }
        taken.assign(text_.substr(start, at_ - start));
        return at_ > start;
    }

    std::string_view text_;
    std::size_t at_;
};

std::optional<std::uint64_t> parseSize(std::string_view digits) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

// Rooted forms of every kind stay out: a drive, a root folder, or both.
bool staysInsideRoms(const std::filesystem::path& path) {
    if (path.has_root_name() || path.has_root_directory()) {
        return false;
    }
    for (const std::filesystem::path& component : path) {
        if (component == "..") {
            return false;
        }
    }
    return true;
}

bool inventoryEntryPresent(const std::filesystem::path& root, const InventoryEntry& entry) {
    const std::filesystem::path relative = pathFromUtf8(entry.path);
    const std::optional<std::uint64_t> size = parseSize(entry.size);
    if (!size || holdsNul(entry.path) || !staysInsideRoms(relative)) {
        return false;
    }
    const std::filesystem::path file = root / "roms" / relative;
    return isRegularUnlinkedFile(file) && std::filesystem::file_size(file) == *size;
}

bool productFilesPresent(const std::filesystem::path& product,
                         std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (!isRegularUnlinkedFile(product / name)) {
            return false;
        }
    }
    return true;
}

bool enginePresent(const std::filesystem::path& product) {
    const std::string text = trim(readFileCapped(product / "engine-path.txt", enginePathCap));
    const std::filesystem::path engine = pathFromUtf8(text);
    return !holdsNul(text) && platform::isFullyQualifiedPath(engine) &&
           isRegularUnlinkedFile(engine);
}

} // namespace

bool qx1PackageComplete(const std::filesystem::path& root) {
    const std::filesystem::path product = root / qx1BuildDir / "product";
    if (!productFilesPresent(product, {"qx5-native-audio.exe", "session.ps1", "manifest.json",
                                       "factory-default-control-input.bin", "LogStore.cpp"})) {
        return false;
    }
    return romInventoryComplete(
        root, readFileCapped(product / "manifest.json", inventoryManifestCap), qx1InventoryCount);
}

bool qx2ArcadePackageComplete(const std::filesystem::path& root) {
    const std::filesystem::path product = root / qx2ArcadeBuildDir / "product";
    if (!productFilesPresent(product, {"session.ps1", "manifest.json", "engine-path.txt"}) ||
        !enginePresent(product)) {
        return false;
    }
    return romInventoryComplete(root,
                                readFileCapped(product / "manifest.json", inventoryManifestCap),
                                qx2ArcadeInventoryCount);
}

std::filesystem::path resolveManifestPath(const std::filesystem::path& base, std::string_view value,
                                          bool relativeOnly) {
    if (holdsNul(value)) {
        // Only the text before the NUL would be checked and opened.
        throw std::runtime_error("native package traversal rejected");
    }
    const std::filesystem::path path = pathFromUtf8(value);
    const bool rooted = path.has_root_name() || path.has_root_directory();
    const bool absolute = platform::isFullyQualifiedPath(path);
    if (path.empty() || (rooted && !absolute) || (relativeOnly && absolute)) {
        throw std::runtime_error("native package path must be explicit; profile must be relative");
    }
    for (const std::filesystem::path& component : path) {
        if (component == "." || component == "..") {
            throw std::runtime_error("native package traversal rejected");
        }
    }
    const std::filesystem::path resolved = (absolute ? path : base / path).lexically_normal();
    requireUnlinkedPath(resolved);
    return resolved;
}

std::filesystem::path nativePackageIniPath(const std::filesystem::path& root) {
    return root / qx2NativeBuildDir / "product/native-package.ini";
}

bool isQx2NativePackagePresent(const std::filesystem::path& root) {
    return platform::readPathAttributes(nativePackageIniPath(root)).kind !=
           platform::PathAttributes::Kind::missing;
}

std::vector<InventoryEntry> findInventoryEntries(std::string_view text) {
    std::vector<InventoryEntry> entries;
    std::size_t from = 0;
    for (std::size_t at = text.find("\"path\"", from); at != std::string_view::npos;
         at = text.find("\"path\"", from)) {
        EntryMatcher matcher(text, at);
        if (std::optional<InventoryEntry> entry = matcher.match()) {
            entries.push_back(std::move(*entry));
            from = matcher.end();
        } else {
            from = at + 1;
        }
    }
    return entries;
}

bool romInventoryComplete(const std::filesystem::path& root, std::string_view manifestText,
                          std::size_t count) {
    std::size_t passed = 0;
    for (const InventoryEntry& entry : findInventoryEntries(manifestText)) {
        if (!inventoryEntryPresent(root, entry)) {
            return false;
        }
        ++passed;
    }
    return passed == count;
}

} // namespace qxlauncher
