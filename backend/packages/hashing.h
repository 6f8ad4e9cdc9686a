#pragma once
// Digests as lower-case hexadecimal text, the process-wide digest cache of native package files,
// and the program images of the first two games (two 512 KiB lanes, even lane the low byte).
#include "platform/shared_read.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace qxlauncher {

inline constexpr std::uintmax_t programLaneSize = 524288;
inline constexpr std::uintmax_t programImageSize = 1048576;

// The digest of the bytes; the algorithm is "SHA256" or "SHA1".
// Fails with "QX 5.0: Windows hash operation failed".
std::string hashHex(std::string_view bytes, std::wstring_view algorithm);
std::string sha256Hex(std::string_view bytes);

struct CachedFileHash {
    std::uint64_t size = 0;
    std::filesystem::file_time_type lastWriteTime;
    std::string sha256;
};

// Shared by every backend of the process; keyed by the absolute, lexically normal path. Every
// access holds packageHashCacheMutex.
extern std::map<std::filesystem::path, CachedFileHash> packageHashCache;
extern std::mutex packageHashCacheMutex;

// The readers below open their files through the shared open (`reads`), so that a setup that
// replaces or deletes a file meanwhile is never kept out.

// The SHA-256 of a regular unlinked file no larger than `sizeCap` and, when `expectedSize` is
// not 0, of exactly that size. Reused while the file's size and last write time stay the same.
// Fails with "native package file is not ordinary", "native package file size differs",
// "native package file read differs".
std::string hashPackageFile(const std::filesystem::path& path, std::uintmax_t sizeCap,
                            std::uintmax_t expectedSize,
                            platform::SharedReads& reads = platform::systemSharedReads());

// Forgets every cached digest, so the next check reads every file again.
void clearFileHashCache();

struct Qx1ProgramImage {
    std::string program;
    std::string sha256;
};

struct Qx2RomImages {
    std::string program;
    std::string sha256;
};

// Byte 2i of the image is byte i of the even lane, byte 2i+1 byte i of the odd lane.
std::string interleaveLanes(std::string_view even, std::string_view odd);

// The first game's program, found by its two lanes' SHA-1 anywhere in the folder tree.
Qx1ProgramImage loadQx1Program(const std::filesystem::path& romFolder,
                               platform::SharedReads& reads = platform::systemSharedReads());

// The 524288 bytes of one program lane file ("linked operator ROM path",
// "operator ROM size differs", "operator ROM read failed").
std::string readOperatorRom(const std::filesystem::path& path,
                            platform::SharedReads& reads = platform::systemSharedReads());

// The second game's program from "uj12.l31" (even) and "ug12.l31" (odd).
Qx2RomImages interleaveQx2Program(std::string_view even, std::string_view odd);

} // namespace qxlauncher
