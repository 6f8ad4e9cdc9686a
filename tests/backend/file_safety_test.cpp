#include "backend/files/file_safety.h"
#include "backend/files/utf8_text.h"
#include "backend/launch/command_line.h"
#include "platform/child_process.h"
#include "platform/process.h"
#include "platform/shared_read.h"
#include "tests/support/case_names.h"
#include "tests/support/command_line_split.h"
#include "tests/support/open_files.h"
#include "tests/support/temp_folder.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#else
#include "platform/posix/handle_object.h"

#include <fcntl.h>
#endif

namespace {

using qxlauncher::atomicReplaceFile;
using qxlauncher::readFileCapped;
using qxlauncher::readFileLimited;
using testsupport::readFile;
using testsupport::TempFolder;
using testsupport::writeFile;

std::string errorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::filesystem::filesystem_error&) {
        return "filesystem error";
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no error";
}

// A folder with a link "linked" to a real folder "real", or a skip where links are refused.
class LinkedFolder : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder / "real");
        if (!testsupport::makeFolderLink(folder / "real", folder / "linked")) {
            GTEST_SKIP() << "this system does not let the test create a folder link";
        }
    }
    TempFolder folder{"linked"};
};

TEST_F(LinkedFolder, EveryServiceRefusesALinkedAncestor) {
    const auto target = folder / "linked/sub/file.cfg";
    EXPECT_EQ(errorText([&] { qxlauncher::requireUnlinkedPath(target); }), "linked path");
    EXPECT_TRUE(qxlauncher::hasReparsePoint(target));
    EXPECT_EQ(errorText([&] { qxlauncher::isRegularUnlinkedFile(target); }), "linked path");
    EXPECT_EQ(errorText([&] { readFileCapped(target, 10); }), "linked path");
    EXPECT_FALSE(readFileLimited(target, 10).has_value());
    EXPECT_EQ(errorText([&] { atomicReplaceFile(target, "x"); }), "linked path");
    EXPECT_FALSE(std::filesystem::exists(folder / "real/sub"));
}

TEST_F(LinkedFolder, ALinkedFileIsRefusedToo) {
    writeFile(folder / "real/data", "abc");
    ASSERT_TRUE(testsupport::makeFileLink(folder / "real/data", folder / "data-link"));
    EXPECT_EQ(errorText([&] { readFileCapped(folder / "data-link", 10); }), "linked path");
    EXPECT_FALSE(readFileLimited(folder / "data-link", 10).has_value());
}

TEST(RequireUnlinkedPath, AcceptsAMissingFolderChain) {
    TempFolder folder;
    EXPECT_NO_THROW(qxlauncher::requireUnlinkedPath(folder / "no/such/folder/file"));
    EXPECT_FALSE(qxlauncher::hasReparsePoint(folder / "no/such/folder/file"));
    EXPECT_NO_THROW(qxlauncher::requireUnlinkedPath(folder / "a/../b/./c"));
}

TEST(HasReparsePoint, AnUnreadableComponentIsSkipped) {
#ifdef _WIN32
    GTEST_SKIP() << "file permissions here cannot deny a folder's attributes";
#endif
    TempFolder folder;
    std::filesystem::create_directories(folder / "closed/inner");
    std::filesystem::permissions(folder / "closed", std::filesystem::perms::none);
    const auto run = testsupport::runUnprivileged(folder.path(), [&] {
        const auto file = folder / "closed/inner/file";
        return std::string(qxlauncher::hasReparsePoint(file) ? "linked" : "unlinked") + ", " +
               errorText([&] { qxlauncher::requireUnlinkedPath(file); });
    });
    std::filesystem::permissions(folder / "closed", std::filesystem::perms::owner_all);
    if (!run.ran) {
        GTEST_SKIP() << run.reason;
    }
    EXPECT_EQ(run.result, "unlinked, inaccessible path");
}

TEST(IsRegularUnlinkedFile, TrueOnlyForARegularFile) {
    TempFolder folder;
    writeFile(folder / "file", "x");
    EXPECT_TRUE(qxlauncher::isRegularUnlinkedFile(folder / "file"));
    EXPECT_FALSE(qxlauncher::isRegularUnlinkedFile(folder / "missing"));
    EXPECT_FALSE(qxlauncher::isRegularUnlinkedFile(folder.path()));
}

TEST(ReadFileCapped, ReadsExactlyTheCapAndRefusesOneByteMore) {
    TempFolder folder;
    writeFile(folder / "exact", std::string(256, 'a'));
    writeFile(folder / "over", std::string(257, 'b'));
    EXPECT_EQ(readFileCapped(folder / "exact", 256), std::string(256, 'a'));
    EXPECT_EQ(errorText([&] { readFileCapped(folder / "over", 256); }), "oversized file");
    EXPECT_EQ(readFileLimited(folder / "exact", 256), std::string(256, 'a'));
    EXPECT_FALSE(readFileLimited(folder / "over", 256).has_value());
}

TEST(ReadFileCapped, KeepsBinaryBytesUnchanged) {
    TempFolder folder;
    const std::string bytes("a\r\nb\0c\x1a", 7);
    writeFile(folder / "binary", bytes);
    EXPECT_EQ(readFileCapped(folder / "binary", 100), bytes);
    EXPECT_EQ(readFileLimited(folder / "binary", 100), bytes);
}

TEST(ReadFileCapped, AMissingFileIsTheLibrarysError) {
    TempFolder folder;
    EXPECT_EQ(errorText([&] { readFileCapped(folder / "missing", 10); }), "filesystem error");
    EXPECT_FALSE(readFileLimited(folder / "missing", 10).has_value());
    EXPECT_FALSE(readFileLimited(folder.path(), 10).has_value());
}

TEST(AtomicReplaceFile, CreatesMissingFoldersAndReplacesWhole) {
    TempFolder folder;
    const auto target = folder / "deep/er/launcher.cfg";
    atomicReplaceFile(target, "first\r\n");
    EXPECT_EQ(readFile(target), "first\r\n");
    atomicReplaceFile(target, "second");
    EXPECT_EQ(readFile(target), "second");
    // Only the target is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.parent_path()),
                            std::filesystem::directory_iterator()),
              1);
}

std::size_t entriesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

// A dead process that had this process's id left the temporary files of its writes: the next
// `count` names this process would draw, each holding "someone else's <n>".
class StaleTemporaries : public testing::Test {
protected:
    void leave(std::uint32_t count) {
        writeFile(target, "old");
        for (std::uint32_t n = next; n < next + count; ++n) {
            writeFile(qxlauncher::configTemporaryPath(target, platform::currentProcessId(), n),
                      "someone else's " + std::to_string(n));
        }
    }
    std::string staleBytes(std::uint32_t n) const {
        return readFile(qxlauncher::configTemporaryPath(target, platform::currentProcessId(), n));
    }

    TempFolder folder;
    const std::filesystem::path target = folder / "setup.cfg";
    const std::uint32_t next = qxlauncher::configWritesNumbered() + 1;
};

// The write counts on to a free name and leaves theirs alone.
TEST_F(StaleTemporaries, AreSkippedAndKept) {
    leave(3);
    atomicReplaceFile(target, "new");
    EXPECT_EQ(readFile(target), "new");
    for (std::uint32_t n = next; n < next + 3; ++n) {
        EXPECT_EQ(staleBytes(n), "someone else's " + std::to_string(n));
    }
    EXPECT_EQ(qxlauncher::configWritesNumbered(), next + 3);
    EXPECT_EQ(entriesIn(folder.path()), 4u);
}

TEST_F(StaleTemporaries, TheWriteGivesUpWhenEveryNameItTriesIsTaken) {
    leave(64);
    EXPECT_EQ(errorText([&] { atomicReplaceFile(target, "new"); }), "create config");
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(entriesIn(folder.path()), 65u);
    EXPECT_EQ(staleBytes(next + 63), "someone else's " + std::to_string(next + 63));
    // The next write draws past them.
    atomicReplaceFile(target, "new");
    EXPECT_EQ(readFile(target), "new");
}

TEST(AtomicReplaceFile, AFailedReplaceRemovesItsTemporaryFile) {
    TempFolder folder;
    // A folder with content cannot be replaced by a file.
    const auto target = folder / "occupied";
    writeFile(target / "inside", "x");
    const std::string text = errorText([&] { atomicReplaceFile(target, "new"); });
    EXPECT_EQ(text.rfind("replace config Win32 ", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("replace config Win32 ").size());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
}

// The system's replace steps with the failures of the first renames chosen by the test, as
// another process holding the target causes them on Windows (a reader without delete sharing,
// an indexer, an antivirus), which no Linux file system and no Wine shows on demand.
class HeldTarget : public platform::ReplaceSteps {
public:
    explicit HeldTarget(std::vector<std::uint32_t> errors) : errors_(std::move(errors)) {}
    std::uint32_t renameOver(platform::NativeHandle file,
                             const std::filesystem::path& target) override {
        const auto attempt = static_cast<std::size_t>(renames++);
        return attempt < errors_.size() ? errors_[attempt] : ReplaceSteps::renameOver(file, target);
    }
    void pause(std::uint32_t milliseconds) override {
        EXPECT_EQ(milliseconds, 10u);
        ++pauses;
    }
    int renames = 0;
    int pauses = 0;

private:
    std::vector<std::uint32_t> errors_;
};

struct HeldTargetCase {
    const char* name;
    std::vector<std::uint32_t> errors;
    int renames;
    const char* failure; // nullptr: saved
};

void PrintTo(const HeldTargetCase& c, std::ostream* os) {
    *os << c.name;
}

class AtomicReplaceHeldTarget : public testing::TestWithParam<HeldTargetCase> {};

TEST_P(AtomicReplaceHeldTarget, IsTriedAgainTenTimesTenMillisecondsApart) {
    const HeldTargetCase& c = GetParam();
    TempFolder folder;
    const auto target = folder / "setup.cfg";
    writeFile(target, "old");
    HeldTarget steps(c.errors);
    const std::string text = errorText([&] { atomicReplaceFile(target, "new", steps); });
    EXPECT_EQ(text, c.failure != nullptr ? c.failure : "no error");
    EXPECT_EQ(readFile(target), c.failure != nullptr ? "old" : "new");
    EXPECT_EQ(steps.renames, c.renames);
    EXPECT_EQ(steps.pauses, c.renames - 1);
    // Only the target is left behind.
    EXPECT_EQ(entriesIn(folder.path()), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AtomicReplaceHeldTarget,
    testing::Values(HeldTargetCase{"TwoSharingViolationsThenSaved", {32, 32}, 3, nullptr},
                    HeldTargetCase{"TwoAccessDenialsThenSaved", {5, 5}, 3, nullptr},
                    HeldTargetCase{"NineLockViolationsThenSaved", std::vector<std::uint32_t>(9, 33),
                                   10, nullptr},
                    HeldTargetCase{"TenSharingViolations", std::vector<std::uint32_t>(10, 32), 10,
                                   "replace config Win32 32"},
                    HeldTargetCase{"TenAccessDenials", std::vector<std::uint32_t>(10, 5), 10,
                                   "replace config Win32 5"},
                    HeldTargetCase{"AnotherErrorEndsAtOnce", {32, 2}, 2, "replace config Win32 2"}),
    [](const auto& info) { return std::string(info.param.name); });

// The system's replace steps, with a reader holding the target until the second wait.
class ReaderLetsGo : public platform::ReplaceSteps {
public:
    explicit ReaderLetsGo(platform::SharedFile& reader) : reader_(reader) {}
    std::uint32_t renameOver(platform::NativeHandle file,
                             const std::filesystem::path& target) override {
        ++renames;
        return ReplaceSteps::renameOver(file, target);
    }
    void pause(std::uint32_t) override {
        if (++pauses == 2) {
            reader_.close();
        }
    }
    int renames = 0;
    int pauses = 0;

private:
    platform::SharedFile& reader_;
};

// Another reader holds the configuration file (the background poll's backend, an indexer). A
// rename with POSIX semantics replaces it at once; the older rename refuses an open target, as
// Wine shows it and NTFS does, and the save is made once the reader lets go.
TEST(AtomicReplaceFile, AReaderHoldingTheTargetDoesNotLoseTheSave) {
    TempFolder folder;
    const auto target = folder / "setup.cfg";
    writeFile(target, "old");
    platform::SharedFile reader = platform::SharedFile::open(target);
    ASSERT_TRUE(reader.isOpen());
    ReaderLetsGo steps(reader);
    atomicReplaceFile(target, "new", steps);
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(steps.renames, testsupport::renameReplacesAnOpenFile() ? 1 : 3);
    EXPECT_EQ(entriesIn(folder.path()), 1u);
}

TEST(TemporaryName, CarriesProcessIdAndCounter) {
    EXPECT_EQ(qxlauncher::configTemporaryPath("dir/launcher.cfg", 4120, 3),
              std::filesystem::path("dir/launcher.cfg.tmp-4120-3"));
}

struct QuoteCase {
    const char* name;
    const wchar_t* argument;
    const wchar_t* quoted;
};

class QuoteArgument : public testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteArgument, QuotesAndSplitsBackUnchanged) {
    const std::wstring quoted = qxlauncher::quoteArgument(GetParam().argument);
    EXPECT_EQ(quoted, GetParam().quoted);
    const std::wstring line = L"program.exe " + quoted + L" tail";
    const auto split = testsupport::splitWindowsCommandLine(line);
    ASSERT_EQ(split.size(), 3u);
    EXPECT_EQ(split[1], GetParam().argument);
#ifdef _WIN32
    int count = 0;
    LPWSTR* system = ::CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(system, nullptr);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(std::wstring(system[1]), GetParam().argument);
    ::LocalFree(system);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Table, QuoteArgument,
    testing::Values(QuoteCase{"Empty", L"", L"\"\""}, QuoteCase{"Plain", L"plain", L"\"plain\""},
                    QuoteCase{"Blanks", L"C:\\Program Files\\Quarrix",
                              L"\"C:\\Program Files\\Quarrix\""},
                    QuoteCase{"TrailingBackslash", L"C:\\roms\\", L"\"C:\\roms\\\\\""},
                    QuoteCase{"Quotes", L"say \"hi\"", L"\"say \\\"hi\\\"\""},
                    QuoteCase{"BackslashesBeforeAQuote", L"a\\\\\"b", L"\"a\\\\\\\\\\\"b\""},
                    QuoteCase{"BackslashesInside", L"a\\\\b\\c", L"\"a\\\\b\\c\""},
                    QuoteCase{"Tab", L"tab\there", L"\"tab\there\""}),
    testsupport::caseName);

TEST(Utf8ToWide, EmptyTextIsNativeError) {
    EXPECT_EQ(qxlauncher::utf8ToWide(""), L"Native error.");
    EXPECT_EQ(qxlauncher::utf8ToWide(nullptr), L"Native error.");
}

TEST(Utf8ToWide, AnInvalidByteBecomesTheReplacementCharacter) {
    EXPECT_EQ(qxlauncher::utf8ToWide("bad \xFF byte"), L"bad \uFFFD byte");
    EXPECT_EQ(qxlauncher::utf8ToWide("caf\xC3\xA9"), L"caf\u00E9");
}

// Whether a handle is still open, asked of the system without touching the handle itself.
#ifdef _WIN32
struct OpenHandleProbe {
    HANDLE raw;
    bool open() const {
        DWORD flags = 0;
        return ::GetHandleInformation(raw, &flags) != FALSE;
    }
};
OpenHandleProbe probeOf(platform::NativeHandle handle) {
    return {handle};
}
#else
struct OpenHandleProbe {
    int fd;
    bool open() const { return ::fcntl(fd, F_GETFD) != -1; }
};
OpenHandleProbe probeOf(platform::NativeHandle handle) {
    return {platform::posix::fromHandle<platform::posix::FdHandle>(handle)->fd};
}
#endif

TEST(CloseHandleIfValid, ClosesAValidHandleAndPassesOverNone) {
    platform::UniqueHandle file = platform::openChildNullInput();
    ASSERT_TRUE(file.valid());
    const OpenHandleProbe probe = probeOf(file.get());
    ASSERT_TRUE(probe.open());
    qxlauncher::closeHandleIfValid(file.release());
    EXPECT_FALSE(probe.open());
    // Null and the invalid value are no handles: nothing is closed.
    qxlauncher::closeHandleIfValid(nullptr);
    qxlauncher::closeHandleIfValid(platform::invalidHandleValue());
}

} // namespace
