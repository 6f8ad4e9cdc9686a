#include "backend/packages/hashing.h"

#include "backend/packages/trusted_digests.h"
#include "platform/process.h"
#include "tests/support/fixture_digests.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_digest.h"
#include "tests/support/unprivileged.h"

#include "tests/support/error_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <stdexcept>

namespace qxlauncher {
namespace {

using testsupport::TempFolder;
using testsupport::writeFile;

using testsupport::errorText;

std::size_t cacheEntries() {
    const std::lock_guard lock(packageHashCacheMutex);
    return packageHashCache.size();
}

class HashCache : public ::testing::Test {
protected:
    void SetUp() override { clearFileHashCache(); }
    void TearDown() override { clearFileHashCache(); }
    TempFolder folder{"hash-cache"};
};

struct KnownDigest {
    std::string input;
    const wchar_t* algorithm;
    const char* digest;
};

TEST(HashHex, GivesTheStandardDigestsInLowerCase) {
    const KnownDigest cases[] = {
        {"", L"SHA256", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"", L"SHA1", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", L"SHA256", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abc", L"SHA1", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"The quick brown fox jumps over the lazy dog", L"SHA1",
         "2fd4e1c67a2d28fced849ee1bb76e7391b93eb12"},
        {"The quick brown fox jumps over the lazy dog", L"SHA256",
         "d7a8fbb307d7809469ca9abcb0082e4f8d5651e46d3cdb762d02d0bf37c9e592"},
    };
    for (const KnownDigest& known : cases) {
        EXPECT_EQ(hashHex(known.input, known.algorithm), known.digest);
    }
    const std::string large = testsupport::fixtureBytes("large", 3 * 1024 * 1024 + 7);
    EXPECT_EQ(sha256Hex(large), testsupport::sha256Hex(large));
    EXPECT_EQ(sha256Hex("abc"), hashHex("abc", L"SHA256"));
}

TEST(HashHex, AnUnknownAlgorithmIsAHashFailure) {
    EXPECT_EQ(errorText([] { hashHex("abc", L"NOT-A-HASH"); }),
              "QX 5.0: Windows hash operation failed");
}

struct SizeRule {
    std::size_t size;
    std::uintmax_t cap;
    std::uintmax_t expected;
    bool accepted;
};

TEST_F(HashCache, SizeCapAndExpectedSize) {
    const SizeRule rules[] = {
        {100, 100, 0, true},  // a size equal to the cap
        {101, 100, 0, false}, // one byte over the cap
        {100, 1000, 0, true}, // 0 accepts any size up to the cap
        {100, 1000, 100, true}, {100, 1000, 99, false}, {100, 1000, 101, false}, {0, 0, 0, true},
    };
    for (const SizeRule& rule : rules) {
        const std::string bytes = testsupport::fixtureBytes("size rule", rule.size);
        writeFile(folder / "file.bin", bytes);
        if (rule.accepted) {
            EXPECT_EQ(hashPackageFile(folder / "file.bin", rule.cap, rule.expected),
                      sha256Hex(bytes));
        } else {
            EXPECT_EQ(
                errorText([&] { hashPackageFile(folder / "file.bin", rule.cap, rule.expected); }),
                "native package file size differs")
                << rule.size << " " << rule.cap << " " << rule.expected;
        }
    }
}

TEST_F(HashCache, OnlyOrdinaryFilesAreHashed) {
    std::filesystem::create_directories(folder / "a folder");
    EXPECT_EQ(errorText([&] { hashPackageFile(folder / "missing.bin", 100, 0); }),
              "native package file is not ordinary");
    EXPECT_EQ(errorText([&] { hashPackageFile(folder / "a folder", 100, 0); }),
              "native package file is not ordinary");
    writeFile(folder / "target/file.bin", "bytes");
    if (!testsupport::makeFolderLink(folder / "target", folder / "linked")) {
        GTEST_SKIP() << "this system does not create folder links";
    }
    EXPECT_EQ(errorText([&] { hashPackageFile(folder / "linked/file.bin", 100, 0); }),
              "linked path");
    EXPECT_EQ(cacheEntries(), 0u);
}

TEST_F(HashCache, AFileThatReadsLongerThanItsSizeIsRefused) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a regular file whose reported size differs from its content";
#else
    // The kernel's status files report a size of 0 and still hold text.
    const std::filesystem::path status =
        std::filesystem::path("/proc") / std::to_string(platform::currentProcessId()) / "status";
    EXPECT_EQ(errorText([&] { hashPackageFile(status, 1 << 20, 0); }),
              "native package file read differs");
    EXPECT_EQ(cacheEntries(), 0u);
#endif
}

TEST_F(HashCache, KeepsTheDigestWhileSizeAndWriteTimeStay) {
    const std::filesystem::path file = folder / "rom.bin";
    writeFile(file, "first content");
    const std::string first = hashPackageFile(file, 1000, 0);
    const auto time = std::filesystem::last_write_time(file);

    // Same size, same write time: the cache is trusted until it is cleared.
    writeFile(file, "other content");
    std::filesystem::last_write_time(file, time);
    EXPECT_EQ(hashPackageFile(file, 1000, 0), first);
    clearFileHashCache();
    EXPECT_EQ(hashPackageFile(file, 1000, 0), sha256Hex("other content"));

    // A new write time alone makes it hash again.
    writeFile(file, "third content");
    std::filesystem::last_write_time(file, time);
    EXPECT_EQ(hashPackageFile(file, 1000, 0), sha256Hex("other content"));
    std::filesystem::last_write_time(file, time + std::chrono::seconds(5));
    EXPECT_EQ(hashPackageFile(file, 1000, 0), sha256Hex("third content"));

    // A new size alone as well.
    writeFile(file, "longer fourth content");
    std::filesystem::last_write_time(file, time + std::chrono::seconds(5));
    EXPECT_EQ(hashPackageFile(file, 1000, 0), sha256Hex("longer fourth content"));
    EXPECT_EQ(cacheEntries(), 1u);
}

TEST_F(HashCache, TwoSpellingsOfOnePathShareOneEntry) {
    writeFile(folder / "sub/rom.bin", "content");
    const std::string absolute = hashPackageFile(folder / "sub/rom.bin", 100, 0);
    EXPECT_EQ(hashPackageFile(folder / "sub/./../sub/rom.bin", 100, 0), absolute);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const std::string relative = hashPackageFile("sub/rom.bin", 100, 0);
    std::filesystem::current_path(previous);
    EXPECT_EQ(relative, absolute);
    EXPECT_EQ(cacheEntries(), 1u);
}

TEST_F(HashCache, AFailureLeavesTheCacheAsItWas) {
    writeFile(folder / "rom.bin", "content");
    const std::string digest = hashPackageFile(folder / "rom.bin", 100, 0);
    EXPECT_EQ(errorText([&] { hashPackageFile(folder / "rom.bin", 3, 0); }),
              "native package file size differs");
    const std::lock_guard lock(packageHashCacheMutex);
    ASSERT_EQ(packageHashCache.size(), 1u);
    EXPECT_EQ(packageHashCache.begin()->second.sha256, digest);
}

class Qx1Program : public ::testing::Test {
protected:
    TempFolder roms{"qx1-program"};
};

TEST_F(Qx1Program, FindsBothLanesAnywhereUnderAnyName) {
    writeFile(roms / "deep/one/zz-first.bin", testsupport::qx1OddLane());
    writeFile(roms / "other/a-second", testsupport::qx1EvenLane());
    // A third lane-sized file with other content and a later duplicate of a lane are ignored.
    writeFile(roms / "b-unrelated.bin", testsupport::fixtureBytes("unrelated", programLaneSize));
    writeFile(roms / "zzz/copy.bin", testsupport::qx1EvenLane());
    writeFile(roms / "small.bin", "not a lane");
    const Qx1ProgramImage image = loadQx1Program(roms.path());
    EXPECT_EQ(image.program, testsupport::qx1ProgramImage());
    EXPECT_EQ(image.program.size(), programImageSize);
    EXPECT_EQ(image.sha256, trustedDigests().qx1ProgramSha256);
}

TEST_F(Qx1Program, RefusesAFolderWithoutBothLanes) {
    const std::string missing =
        "QX 5.0: missing expected program ROM content; require both verified 512 KiB lanes";
    EXPECT_EQ(errorText([&] { loadQx1Program(roms / "absent"); }),
              "QX 5.0: ROM directory does not exist");
    writeFile(roms / "file.bin", "x");
    EXPECT_EQ(errorText([&] { loadQx1Program(roms / "file.bin"); }),
              "QX 5.0: ROM directory does not exist");
    EXPECT_EQ(errorText([&] { loadQx1Program(roms.path()); }), missing);
    writeFile(roms / "even.bin", testsupport::qx1EvenLane());
    EXPECT_EQ(errorText([&] { loadQx1Program(roms.path()); }), missing);
    // A lane one byte short is not even looked at.
    writeFile(roms / "odd.bin", testsupport::qx1OddLane().substr(1));
    EXPECT_EQ(errorText([&] { loadQx1Program(roms.path()); }), missing);
}

TEST_F(Qx1Program, AnImageWithoutItsRevisionDigestIsRefused) {
    writeFile(roms / "even.bin", testsupport::qx1EvenLane());
    writeFile(roms / "odd.bin", testsupport::qx1OddLane());
    TrustedDigests other = trustedDigests();
    other.qx1ProgramSha256 = "0000000000000000000000000000000000000000000000000000000000000000";
    const testsupport::ScopedTrustedDigests swap(other);
    EXPECT_EQ(errorText([&] { loadQx1Program(roms.path()); }),
              "QX 5.0: interleaved program SHA256 mismatch");
}

TEST_F(Qx1Program, ALaneSizedFileThatCannotBeOpenedFailsTheLoad) {
    writeFile(roms / "a.bin", testsupport::qx1EvenLane());
    writeFile(roms / "b.bin", testsupport::qx1OddLane());
    writeFile(roms / "z-locked.bin", testsupport::fixtureBytes("locked", programLaneSize));
    std::filesystem::permissions(roms / "z-locked.bin", std::filesystem::perms::none);
    const auto run = testsupport::runUnprivileged(roms.path(), [&] {
        if (std::ifstream(roms / "z-locked.bin", std::ios::binary)) {
            return std::string("readable");
        }
        return errorText([&] { loadQx1Program(roms.path()); });
    });
    std::filesystem::permissions(roms / "z-locked.bin", std::filesystem::perms::owner_all);
    if (!run.ran) {
        GTEST_SKIP() << run.reason;
    }
    if (run.result == "readable") {
        GTEST_SKIP() << "file permissions here cannot deny a file's reading";
    }
    EXPECT_EQ(run.result, "QX 5.0: program ROM cannot be opened");
}

TEST(OperatorRom, ReadsExactlyOneLane) {
    TempFolder folder("operator-rom");
    const std::string lane = testsupport::qx1EvenLane();
    writeFile(folder / "lane.bin", lane);
    EXPECT_EQ(readOperatorRom(folder / "lane.bin"), lane);
    writeFile(folder / "short.bin", lane.substr(1));
    writeFile(folder / "long.bin", lane + "x");
    EXPECT_EQ(errorText([&] { readOperatorRom(folder / "short.bin"); }),
              "operator ROM size differs");
    EXPECT_EQ(errorText([&] { readOperatorRom(folder / "long.bin"); }),
              "operator ROM size differs");
    EXPECT_THROW(readOperatorRom(folder / "missing.bin"), std::filesystem::filesystem_error);
}

TEST(OperatorRom, RefusesALinkOnThePath) {
    TempFolder folder("operator-rom-link");
    writeFile(folder / "real/lane.bin", testsupport::qx1EvenLane());
    if (!testsupport::makeFolderLink(folder / "real", folder / "linked")) {
        GTEST_SKIP() << "this system does not create folder links";
    }
    EXPECT_EQ(errorText([&] { readOperatorRom(folder / "linked/lane.bin"); }),
              "linked operator ROM path");
}

TEST(OperatorRom, TheSecondGameProgramNeedsItsLanesInOrder) {
    const auto roms = testsupport::qx2NativeRoms();
    const std::string& even = roms[6].bytes; // uj12.l31
    const std::string& odd = roms[7].bytes;  // ug12.l31
    const Qx2RomImages image = interleaveQx2Program(even, odd);
    EXPECT_EQ(image.program, testsupport::qx2ProgramImage());
    EXPECT_EQ(image.sha256, trustedDigests().qx2ProgramSha256);
    EXPECT_EQ(image.program[0], even[0]);
    EXPECT_EQ(image.program[1], odd[0]);
    EXPECT_EQ(errorText([&] { interleaveQx2Program(odd, even); }),
              "QX2 L3.1 interleaved program SHA-256 mismatch");
    EXPECT_EQ(errorText([&] { interleaveQx2Program(even.substr(1), odd); }),
              "QX2 L3.1 requires two 512 KiB program lanes");
    EXPECT_EQ(errorText([&] { interleaveQx2Program(even, odd + "x"); }),
              "QX2 L3.1 requires two 512 KiB program lanes");
}

} // namespace
} // namespace qxlauncher
