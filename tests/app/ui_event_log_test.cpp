#include "app/ui_event_log.h"
#include "platform/files.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace lumenark {
namespace {

using testsupport::readFile;
using testsupport::TempFolder;

std::filesystem::path logOf(const TempFolder& root) {
    return root / uiEventLogPath;
}

TEST(UiEventLog, CreatesTheFolderAndWritesTickBlankEvent) {
    TempFolder root;
    logUiEvent(root.path(), "launcher-start DX12");
    const std::string text = readFile(logOf(root));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\r'), std::string::npos);
    const auto blank = text.find(' ');
    ASSERT_NE(blank, std::string::npos);
    EXPECT_EQ(text.substr(0, blank).find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(text.substr(blank + 1), "launcher-start DX12\n");
}

TEST(UiEventLog, ALogAboveTheLimitIsEmptiedFirst) {
    TempFolder root;
    testsupport::writeFile(logOf(root), std::string(uiEventLogLimit + 1, 'x'));
    logUiEvent(root.path(), "next");
    EXPECT_LT(readFile(logOf(root)).size(), 64u);
}

TEST(UiEventLog, ALogOfExactlyTheLimitIsAppendedTo) {
    TempFolder root;
    testsupport::writeFile(logOf(root), std::string(uiEventLogLimit, 'x'));
    logUiEvent(root.path(), "next");
    const std::string text = readFile(logOf(root));
    EXPECT_GT(text.size(), uiEventLogLimit);
    EXPECT_EQ(text.substr(text.size() - 5), "next\n");
}

TEST(UiEventLog, AFolderNamedLikeTheLogLosesTheLineQuietly) {
    TempFolder root;
    std::filesystem::create_directories(logOf(root));
    EXPECT_NO_THROW(logUiEvent(root.path(), "lost"));
    EXPECT_TRUE(std::filesystem::is_directory(logOf(root)));
}

TEST(UiEventLog, ALinkedRootIsRefused) {
    TempFolder folder;
    std::filesystem::create_directories(folder / "real");
    if (!testsupport::makeFolderLink(folder / "real", folder / "root")) {
        GTEST_SKIP() << "this system does not let the test create a folder link";
    }
    try {
        logUiEvent(folder / "root", "x");
        ADD_FAILURE() << "wrote through a link";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "launcher path uses a link/junction");
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "real/logs"));
}

TEST(RequireNoLinkInPath, PassesOverMissingComponents) {
    TempFolder folder;
    EXPECT_NO_THROW(requireNoLinkInPath(folder / "not/yet/there.png"));
    EXPECT_NO_THROW(requireNoLinkInPath(std::filesystem::path()));
}

// Under Wine the build tree is on Z:\, whose root Wine reports as a reparse point; elsewhere no
// drive root is, and the test skips.
TEST(UiEventLog, IsWrittenBelowARootReportedAsALink) {
    const std::filesystem::path drive = testsupport::binaryFolder().root_path();
    const platform::PathAttributes attributes = platform::readPathAttributes(drive);
    if (attributes.kind != platform::PathAttributes::Kind::present || !attributes.reparsePoint) {
        GTEST_SKIP() << "the build tree's drive root " << drive.string()
                     << " is not reported as a reparse point here";
    }
    TempFolder root("ui-log-root", testsupport::binaryFolder() / "scratch");
    EXPECT_NO_THROW(requireNoLinkInPath(root / "logs/not-there-yet"));
    logUiEvent(root.path(), "fatal unknown capture page");
    EXPECT_TRUE(readFile(logOf(root)).ends_with(" fatal unknown capture page\n"));
}

} // namespace
} // namespace lumenark
