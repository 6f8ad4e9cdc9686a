#include "platform/files.h"
#include "platform/system_error.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

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

TEST(ReplaceFile, MovesOverTheTargetAndReportsErrors) {
    TempFolder folder;
    testsupport::writeFile(folder / "a", "new");
    testsupport::writeFile(folder / "b", "old");
    EXPECT_EQ(platform::replaceFileWriteThrough(folder / "a", folder / "b"),
              platform::errorSuccess);
    EXPECT_EQ(testsupport::readFile(folder / "b"), "new");
    EXPECT_FALSE(std::filesystem::exists(folder / "a"));
    EXPECT_NE(platform::replaceFileWriteThrough(folder / "a", folder / "b"),
              platform::errorSuccess);
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

} // namespace
