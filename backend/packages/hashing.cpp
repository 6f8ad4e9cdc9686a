#include "backend/packages/hashing.h"

#include "backend/files/file_safety.h"
#include "backend/files/path_walk.h"
#include "backend/packages/trusted_digests.h"
#include "platform/digest.h"
#include "platform/files.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace qxlauncher {

std::map<std::filesystem::path, CachedFileHash> packageHashCache;
std::mutex packageHashCacheMutex;

namespace {

std::string toLowerHex(std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text.push_back(digits[value >> 4]);
        text.push_back(digits[value & 0x0F]);
    }
    return text;
}

std::optional<std::string> cachedDigest(const std::filesystem::path& key, std::uintmax_t size,
                                        std::filesystem::file_time_type lastWriteTime) {
    const std::lock_guard lock(packageHashCacheMutex);
    const auto entry = packageHashCache.find(key);
    if (entry == packageHashCache.end() || entry->second.size != size ||
        entry->second.lastWriteTime != lastWriteTime) {
        return std::nullopt;
    }
    return entry->second.sha256;
}

// True when the file has no byte left to read.
bool atEnd(platform::SharedFile& file) {
    char byte = 0;
    return file.readUpTo(&byte, 1) == std::size_t{0};
}

// Reads all of an open file; false on a read error.
bool readWholeFile(platform::SharedFile& file, std::string& bytes) {
    constexpr std::size_t pieceSize = 1 << 16;
    std::vector<char> piece(pieceSize);
    for (;;) {
        const std::optional<std::size_t> read = file.readUpTo(piece.data(), pieceSize);
        if (!read) {
            return false;
        }
        bytes.append(piece.data(), *read);
        if (*read < pieceSize) {
            return true;
        }
    }
}

// Exactly `size` bytes of the file through a small buffer that stays in the cache; empty when
// the file is shorter or longer. A failure of the hashing service throws.
std::optional<std::string> fileDigest(platform::SharedFile& file, std::uintmax_t size) {
    if (!file.isOpen()) {
        return std::nullopt;
    }
    constexpr std::size_t pieceSize = 1 << 18;
    const auto piece = std::make_unique_for_overwrite<char[]>(pieceSize);
    platform::DigestStream digest(L"SHA256");
    for (std::uintmax_t left = size; left > 0;) {
        const auto length = static_cast<std::size_t>(std::min<std::uintmax_t>(left, pieceSize));
        if (file.readUpTo(piece.get(), length) != length) {
            return std::nullopt;
        }
        digest.update(std::string_view(piece.get(), length));
        left -= length;
    }
    if (!atEnd(file)) {
        return std::nullopt;
    }
    std::optional<std::string> value = digest.finish();
    if (!value) {
        throw std::runtime_error("QX 5.0: Windows hash operation failed");
    }
    return value;
}

struct ProgramLane {
    std::string_view sha1;
    std::optional<std::string> bytes;

    bool offer(const std::string& digest, const std::string& candidate) {
        if (bytes || digest != sha1) {
            return false;
        }
        bytes = candidate;
        return true;
    }
};

std::vector<std::filesystem::path> laneSizedFiles(const std::filesystem::path& romFolder) {
    std::vector<std::filesystem::path> kept;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(romFolder)) {
        if (entry.is_regular_file() && entry.file_size() == programLaneSize) {
            kept.push_back(entry.path());
        }
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

bool hasLinkedComponent(const std::filesystem::path& path) {
    bool linked = false;
    walkBelowRoot(std::filesystem::absolute(path), [&](const std::filesystem::path& component) {
        const platform::PathAttributes attributes = platform::readPathAttributes(component);
        linked =
            attributes.kind == platform::PathAttributes::Kind::present && attributes.reparsePoint;
        return !linked;
    });
    return linked;
}

} // namespace

std::string hashHex(std::string_view bytes, std::wstring_view algorithm) {
    const std::optional<std::string> digest = platform::computeDigest(algorithm, bytes);
    if (!digest) {
        throw std::runtime_error("QX 5.0: Windows hash operation failed");
    }
    return toLowerHex(*digest);
}

std::string sha256Hex(std::string_view bytes) {
    return hashHex(bytes, L"SHA256");
}

std::string hashPackageFile(const std::filesystem::path& path, std::uintmax_t sizeCap,
                            std::uintmax_t expectedSize, platform::SharedReads& reads) {
    if (!isRegularUnlinkedFile(path)) {
        throw std::runtime_error("native package file is not ordinary");
    }
    const std::uintmax_t size = std::filesystem::file_size(path);
    if (size > sizeCap || (expectedSize != 0 && size != expectedSize)) {
        throw std::runtime_error("native package file size differs");
    }
    const std::filesystem::file_time_type lastWriteTime = std::filesystem::last_write_time(path);
    const std::filesystem::path key = std::filesystem::absolute(path).lexically_normal();
    if (std::optional<std::string> digest = cachedDigest(key, size, lastWriteTime)) {
        return std::move(*digest);
    }

    platform::SharedFile file = reads.open(path);
    const std::optional<std::string> streamed = fileDigest(file, size);
    if (!streamed) {
        throw std::runtime_error("native package file read differs");
    }
    std::string digest = toLowerHex(*streamed);

    const std::lock_guard lock(packageHashCacheMutex);
    packageHashCache.insert_or_assign(key, CachedFileHash{size, lastWriteTime, digest});
    return digest;
}

void clearFileHashCache() {
    const std::lock_guard lock(packageHashCacheMutex);
    packageHashCache.clear();
}

std::string interleaveLanes(std::string_view even, std::string_view odd) {
    const std::size_t laneLength = std::min(even.size(), odd.size());
    std::string image(2 * laneLength, '\0');
    for (std::size_t i = 0; i < laneLength; ++i) {
        image[2 * i] = even[i];
        image[2 * i + 1] = odd[i];
    }
    return image;
}

Qx1ProgramImage loadQx1Program(const std::filesystem::path& romFolder,
                               platform::SharedReads& reads) {
    if (!std::filesystem::is_directory(std::filesystem::status(romFolder))) {
        throw std::runtime_error("QX 5.0: ROM directory does not exist");
    }
    const std::vector<std::filesystem::path> candidates = laneSizedFiles(romFolder);
    constexpr const char* missingLanes =
        "QX 5.0: missing expected program ROM content; require both verified 512 KiB lanes";
    if (candidates.empty()) {
        throw std::runtime_error(missingLanes);
    }
    const TrustedDigests& trusted = trustedDigests();
    ProgramLane even{trusted.qx1EvenLaneSha1, std::nullopt};
    ProgramLane odd{trusted.qx1OddLaneSha1, std::nullopt};
    // Every candidate is read, also after both lanes are found.
    for (const std::filesystem::path& candidate : candidates) {
        // A link in the tree counts by its target, as the walk counted it.
        platform::SharedFile file = reads.open(candidate, platform::LeafLink::follow);
        if (!file.isOpen()) {
            throw std::runtime_error("QX 5.0: program ROM cannot be opened");
        }
        std::string bytes;
        if (!readWholeFile(file, bytes)) {
            throw std::runtime_error("QX 5.0: program ROM read failed");
        }
        if (bytes.size() != programLaneSize) {
            continue;
        }
        const std::string digest = hashHex(bytes, L"SHA1");
        if (!even.offer(digest, bytes)) {
            odd.offer(digest, bytes);
        }
    }
    if (!even.bytes || !odd.bytes) {
        throw std::runtime_error(missingLanes);
    }
    Qx1ProgramImage image{interleaveLanes(*even.bytes, *odd.bytes), {}};
    image.sha256 = sha256Hex(image.program);
    if (image.sha256 != trusted.qx1ProgramSha256) {
        throw std::runtime_error("QX 5.0: interleaved program SHA256 mismatch");
    }
    return image;
}

std::string readOperatorRom(const std::filesystem::path& path, platform::SharedReads& reads) {
    if (hasLinkedComponent(path)) {
        throw std::runtime_error("linked operator ROM path");
    }
    if (std::filesystem::file_size(path) != programLaneSize) {
        throw std::runtime_error("operator ROM size differs");
    }
    std::string bytes(programLaneSize, '\0');
    platform::SharedFile file = reads.open(path);
    if (!file.isOpen() || file.readUpTo(bytes.data(), bytes.size()) != bytes.size() ||
        !atEnd(file)) {
        throw std::runtime_error("operator ROM read failed");
    }
    return bytes;
}

Qx2RomImages interleaveQx2Program(std::string_view even, std::string_view odd) {
    if (even.size() != programLaneSize || odd.size() != programLaneSize) {
        throw std::runtime_error("QX2 L3.1 requires two 512 KiB program lanes");
    }
    Qx2RomImages image{interleaveLanes(even, odd), {}};
    image.sha256 = sha256Hex(image.program);
    if (image.sha256 != trustedDigests().qx2ProgramSha256) {
        throw std::runtime_error("QX2 L3.1 interleaved program SHA-256 mismatch");
    }
    return image;
}

} // namespace qxlauncher
