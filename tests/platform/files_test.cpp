#include "platform/child_process.h"
#include "platform/files.h"
#include "platform/system_error.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

namespace {

using testsupport::TempFolder;

TEST(PathAttributes, DistinguishesMissingFromPresent) {
    TempFolder folder;
    const auto missing = platform::readPathAttributes(folder / "nothing");
    EXPECT_EQ(missing.kind, platform::PathAttributes::Kind::missing);
    EXPECT_EQ(missing.error, platform::errorFileNotFound);
    const auto chainMissing = platform::readPathAttributes(folder / "no/such/chain");
    EXPECT_EQ(chainMissing.kind, platform::PathAttributes::Kind::missing);
    EXPECT_EQ(chainMissing.error, platform::errorPathNotFound);
    const auto present = platform::readPathAttributes(folder.path());
    EXPECT_EQ(present.kind, platform::PathAttributes::Kind::present);
    EXPECT_TRUE(present.directory);
    EXPECT_FALSE(present.reparsePoint);
}

TEST(PathAttributes, LinkIsReportedAsReparsePoint) {
    TempFolder folder;
    std::filesystem::create_directories(folder / "real");
    if (!testsupport::makeFolderLink(folder / "real", folder / "link")) {
        GTEST_SKIP() << "this system does not let the test create a folder link";
    }
    EXPECT_TRUE(platform::readPathAttributes(folder / "link").reparsePoint);
}

TEST(CreateNew, RefusesAnExistingFileAndKeepsIt) {
    TempFolder folder;
    testsupport::writeFile(folder / "taken", "old");
    std::uint32_t error = 0;
    platform::File file = platform::File::createNew(folder / "taken", error);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(error, platform::errorFileExists);
    EXPECT_EQ(testsupport::readFile(folder / "taken"), "old");
}

TEST(CreateNew, WritesFlushesAndKnowsItsIdentity) {
    TempFolder folder;
    std::uint32_t error = 0;
    platform::File file = platform::File::createNew(folder / "new", error);
    ASSERT_TRUE(file.isOpen());
    EXPECT_TRUE(file.writeAll("bytes"));
    EXPECT_TRUE(file.flush());
    const auto identity = file.identity();
    file.close();
    ASSERT_TRUE(identity.has_value());
    EXPECT_EQ(platform::fileIdentity(folder / "new"), identity);
    EXPECT_EQ(testsupport::readFile(folder / "new"), "bytes");
}

TEST(RenameOpenFile, MovesOverTheTargetAndReportsErrors) {
    TempFolder folder;
    std::uint32_t error = 0;
    platform::File file = platform::File::createNew(folder / "a", error);
    ASSERT_TRUE(file.isOpen());
    ASSERT_TRUE(file.writeAll("new") && file.flush());
    testsupport::writeFile(folder / "b", "old");
    std::filesystem::create_directories(folder / "folder/inside");
    EXPECT_NE(platform::renameOpenFileOver(file.nativeHandle(), folder / "folder"),
              platform::errorSuccess);
    EXPECT_TRUE(std::filesystem::exists(folder / "a"));
    EXPECT_EQ(platform::renameOpenFileOver(file.nativeHandle(), folder / "b"),
              platform::errorSuccess);
    file.close();
    EXPECT_EQ(testsupport::readFile(folder / "b"), "new");
    EXPECT_FALSE(std::filesystem::exists(folder / "a"));
    EXPECT_EQ(platform::deleteFile(folder / "b"), platform::errorSuccess);
    EXPECT_EQ(platform::deleteFile(folder / "b"), platform::errorFileNotFound);
}

TEST(FullyQualifiedPath, NeedsTheWholeRoot) {
    EXPECT_TRUE(platform::isFullyQualifiedPath(std::filesystem::absolute("x")));
    EXPECT_FALSE(platform::isFullyQualifiedPath("relative/x"));
    EXPECT_FALSE(platform::isFullyQualifiedPath(""));
#ifdef _WIN32
    EXPECT_FALSE(platform::isFullyQualifiedPath(L"\\rooted"));
    EXPECT_FALSE(platform::isFullyQualifiedPath(L"D:relative"));
    EXPECT_TRUE(platform::isFullyQualifiedPath(L"D:\\x"));
#endif
}

constexpr std::uint64_t hourIn100ns = 36000000000;
constexpr std::uint64_t secondIn100ns = 10000000;

void makeOlder(const std::filesystem::path& file, std::chrono::hours by) {
    std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) - by);
}

TEST(LastWriteTime, FollowsTheTimeSetAndIsNoneForAMissingFile) {
    TempFolder folder;
    testsupport::writeFile(folder / "older", "a");
    testsupport::writeFile(folder / "newer", "b");
    std::filesystem::last_write_time(folder / "older",
                                     std::filesystem::last_write_time(folder / "newer"));
    makeOlder(folder / "older", std::chrono::hours(1));
    const auto older = platform::lastWriteTime(folder / "older");
    const auto newer = platform::lastWriteTime(folder / "newer");
    ASSERT_TRUE(older.has_value() && newer.has_value());
    ASSERT_GT(*newer, *older);
    // The library may keep the time it sets and reads to whole seconds only.
    EXPECT_GE(*newer - *older, hourIn100ns);
    EXPECT_LT(*newer - *older, hourIn100ns + secondIn100ns);
    EXPECT_FALSE(platform::lastWriteTime(folder / "missing").has_value());
}

TEST(FileStamp, APlainFileGivesItsSizeAndTheTimeThatLastWriteTimeGives) {
    TempFolder folder;
    testsupport::writeFile(folder / "receipt", "twelve bytes");
    makeOlder(folder / "receipt", std::chrono::hours(3));
    const auto stamp = platform::readFileStamp(folder / "receipt");
    ASSERT_TRUE(stamp.has_value());
    EXPECT_TRUE(stamp->regular);
    EXPECT_FALSE(stamp->reparsePoint);
    EXPECT_EQ(stamp->size, 12u);
    EXPECT_EQ(std::optional(stamp->lastWriteTime), platform::lastWriteTime(folder / "receipt"));
}

TEST(FileStamp, AFolderIsNoPlainFileAndAMissingFileHasNone) {
    TempFolder folder;
    const auto stamp = platform::readFileStamp(folder.path());
    ASSERT_TRUE(stamp.has_value());
    EXPECT_FALSE(stamp->regular);
    EXPECT_FALSE(platform::readFileStamp(folder / "missing").has_value());
    EXPECT_FALSE(platform::readFileStamp(folder / "no/such/chain").has_value());
}

TEST(FileStamp, ALinkIsAReparsePointAndNoPlainFile) {
    TempFolder folder;
    testsupport::writeFile(folder / "real", "bytes");
    if (!testsupport::makeFileLink(folder / "real", folder / "link")) {
        GTEST_SKIP() << "this system does not let the test create a file link";
    }
    const auto stamp = platform::readFileStamp(folder / "link");
    ASSERT_TRUE(stamp.has_value());
    EXPECT_TRUE(stamp->reparsePoint);
    EXPECT_FALSE(stamp->regular);
}

// What a setup job relies on: opening its log stamps the start, and a file the job writes later
// is never older, whether or not the clock ticked in between.
TEST(LastWriteTime, AFileWrittenAfterALogIsOpenedIsNeverOlderThanIt) {
    TempFolder folder;
    testsupport::writeFile(folder / "job.log", "an earlier run\n");
    makeOlder(folder / "job.log", std::chrono::hours(2));
    platform::UniqueHandle log = platform::openChildLogFile(folder / "job.log");
    ASSERT_TRUE(log.valid());
    const auto started = platform::lastWriteTime(folder / "job.log");
    testsupport::writeFile(folder / "receipt", "{}");
    const auto written = platform::lastWriteTime(folder / "receipt");
    ASSERT_TRUE(started.has_value() && written.has_value());
    EXPECT_GE(*written, *started);
    EXPECT_LT(*written - *started, hourIn100ns) << "opening the log kept its earlier time";
}

} // namespace
