// The shared open of the readers: only a regular file opens, without waiting on a pipe, and while
// it is open another handle can still delete the file or replace it.
#include "platform/files.h"
#include "platform/shared_read.h"
#include "platform/system_error.h"
#include "tests/support/open_files.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempFolder;
using testsupport::writeFile;

// What the file holds from the open file's position to its end.
std::string rest(platform::SharedFile& file) {
    std::string bytes(64, '\0');
    const std::optional<std::size_t> read = file.readUpTo(bytes.data(), bytes.size());
    EXPECT_TRUE(read.has_value());
    bytes.resize(read.value_or(0));
    return bytes;
}

TEST(SharedFile, ReadsSeeksAndKnowsItsSize) {
    TempFolder folder("shared-file");
    writeFile(folder / "log", "0123456789");
    platform::SharedFile file = platform::SharedFile::open(folder / "log");
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.size(), 10u);
    ASSERT_TRUE(file.seek(6));
    EXPECT_EQ(rest(file), "6789");
    EXPECT_EQ(file.readUpTo(nullptr, 0), 0u);
    EXPECT_FALSE(platform::SharedFile::open(folder / "missing").isOpen());
}

struct NotAFile {
    const char* name;
    // Lays out something other than a regular file at the path; false where the system cannot.
    std::function<bool(const TempFolder& folder, const fs::path& path)> layOut;
};

void PrintTo(const NotAFile& c, std::ostream* os) {
    *os << c.name;
}

class SharedFileRefuses : public testing::TestWithParam<NotAFile> {};

// A pipe no writer holds would keep a blocking open waiting for ever.
TEST_P(SharedFileRefuses, AnythingButARegularFileWithoutWaiting) {
    TempFolder folder("shared-refusals");
    writeFile(folder / "outside.txt", "outside text\n");
    const fs::path path = folder / "log";
    if (!GetParam().layOut(folder, path)) {
        GTEST_SKIP() << "this system cannot lay out " << GetParam().name;
    }
    EXPECT_FALSE(platform::SharedFile::open(path).isOpen());
    EXPECT_FALSE(platform::readOnceShared(path, 64).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedFileRefuses,
    testing::Values(
        NotAFile{"Folder", [](const TempFolder&,
                              const fs::path& path) { return fs::create_directories(path); }},
        NotAFile{"Pipe", [](const TempFolder&,
                            const fs::path& path) { return testsupport::makePipeFile(path); }},
        NotAFile{"LinkToAFile",
                 [](const TempFolder& folder, const fs::path& path) {
                     return testsupport::makeFileLink(folder / "outside.txt", path);
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SharedFile, FollowsALinkOnlyWhenAsked) {
    TempFolder folder("shared-follow");
    writeFile(folder / "lane.bin", "lane");
    if (!testsupport::makeFileLink(folder / "lane.bin", folder / "linked.bin")) {
        GTEST_SKIP() << "this system does not let the test create a file link";
    }
    platform::SharedFile file =
        platform::SharedFile::open(folder / "linked.bin", platform::LeafLink::follow);
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(rest(file), "lane");
}

// The reader shares delete; a reader that does not (the C++ runtime's file streams on Windows)
// makes the deletion fail with a sharing violation. Windows may keep the name until the last
// handle closes (Wine does); the reader goes on with the file it opened.
TEST(SharedFile, AnotherHandleDeletesTheFileWhileItIsHeld) {
    TempFolder folder("shared-deleted");
    writeFile(folder / "log", "old");
    platform::SharedFile reader = platform::SharedFile::open(folder / "log");
    ASSERT_TRUE(reader.isOpen());
    EXPECT_EQ(platform::deleteFile(folder / "log"), platform::errorSuccess);
    EXPECT_EQ(rest(reader), "old");
    reader.close();
    EXPECT_FALSE(fs::exists(folder / "log"));
}

TEST(SharedFile, AnotherHandleReplacesTheFileWhileItIsHeld) {
    if (!testsupport::renameReplacesAnOpenFile()) {
        GTEST_SKIP() << "this system has no rename with POSIX semantics (Wine 8)";
    }
    TempFolder folder("shared-replaced");
    writeFile(folder / "log", "old");
    platform::SharedFile reader = platform::SharedFile::open(folder / "log");
    ASSERT_TRUE(reader.isOpen());
    std::uint32_t error = 0;
    platform::File replacement = platform::File::createNew(folder / "replacement", error);
    ASSERT_TRUE(replacement.isOpen());
    ASSERT_TRUE(replacement.writeAll("new") && replacement.flush());
    EXPECT_EQ(platform::renameOpenFileOver(replacement.nativeHandle(), folder / "log"),
              platform::errorSuccess);
    replacement.close();
    EXPECT_EQ(readFile(folder / "log"), "new");
    EXPECT_FALSE(fs::exists(folder / "replacement"));
    EXPECT_EQ(rest(reader), "old");
}

} // namespace
