// The readers of files under the root open them through the shared open: while one of them holds
// its file, another handle can delete the file or replace it, as a setup's install step does
// while the background poll hashes the package.
#include "backend/packages/hashing.h"
#include "backend/setup/setup_report.h"
#include "platform/files.h"
#include "platform/shared_read.h"
#include "platform/system_error.h"
#include "platform/text.h"
#include "tests/support/open_files.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_digest.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace qxlauncher {
namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

enum class Action { remove, replace };

fs::path normal(const fs::path& path) {
    return fs::absolute(path).lexically_normal();
}

// The system's shared open which, once a reader holds the file the test named, deletes it or
// renames another file over it from another handle, as every safe write renames.
class ActingReads : public platform::SharedReads {
public:
    ActingReads(fs::path target, Action action) : target_(normal(target)), action_(action) {}

    platform::SharedFile open(const fs::path& path, platform::LeafLink leaf) override {
        platform::SharedFile file = SharedReads::open(path, leaf);
        if (file.isOpen() && normal(path) == target_ && !result) {
            result = act();
        }
        return file;
    }

    std::optional<std::uint32_t> result;

private:
    std::uint32_t act() {
        if (action_ == Action::remove) {
            return platform::deleteFile(target_);
        }
        std::uint32_t error = 0;
        fs::path temporary = target_;
        temporary += ".replacement";
        platform::File replacement = platform::File::createNew(temporary, error);
        if (!replacement.isOpen() || !replacement.writeAll("replacement") || !replacement.flush()) {
            return error != 0 ? error : platform::errorWriteFault;
        }
        return platform::replaceOpenFile(replacement.nativeHandle(), target_);
    }

    fs::path target_;
    Action action_;
};

struct Reader {
    const char* name;
    // Lays out the reader's files under the root; returns the file the test acts on.
    std::function<fs::path(const fs::path& root)> layOut;
    // What the reader gives, and what it gives from the files as they were laid out.
    std::function<std::string(const fs::path& root, platform::SharedReads& reads)> read;
    std::function<std::string()> expected;
};

struct ReaderCase {
    Reader reader;
    Action action;
    std::string name;
};

void PrintTo(const ReaderCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string packageBytes = "a package file of the game";

const Reader readers[] = {
    {"HashPackageFile",
     [](const fs::path& root) {
         writeFile(root / "build/native/qx3-native/qx3.exe", packageBytes);
         return root / "build/native/qx3-native/qx3.exe";
     },
     [](const fs::path& root, platform::SharedReads& reads) {
         clearFileHashCache();
         std::string digest =
             hashPackageFile(root / "build/native/qx3-native/qx3.exe", 1 << 20, 0, reads);
         clearFileHashCache();
         return digest;
     },
     [] { return testsupport::sha256Hex(packageBytes); }},
    {"LoadQx1Program",
     [](const fs::path& root) {
         writeFile(root / "roms/qx1/even.bin", testsupport::qx1EvenLane());
         writeFile(root / "roms/qx1/odd.bin", testsupport::qx1OddLane());
         return root / "roms/qx1/odd.bin";
     },
     [](const fs::path& root, platform::SharedReads& reads) {
         return loadQx1Program(root / "roms/qx1", reads).program;
     },
     [] { return testsupport::qx1ProgramImage(); }},
    {"ReadOperatorRom",
     [](const fs::path& root) {
         writeFile(root / "roms/qx2/uj12.l31", testsupport::qx1EvenLane());
         return root / "roms/qx2/uj12.l31";
     },
     [](const fs::path& root, platform::SharedReads& reads) {
         return readOperatorRom(root / "roms/qx2/uj12.l31", reads);
     },
     [] { return testsupport::qx1EvenLane(); }},
    {"ReadLogTail",
     [](const fs::path& root) {
         writeFile(root / "logs/setup-qx1.log", "compile\nfailed\n");
         return root / "logs/setup-qx1.log";
     },
     [](const fs::path& root, platform::SharedReads& reads) {
         return platform::utf8FromWide(readLogTail(root / "logs/setup-qx1.log", reads));
     },
     [] { return std::string("compile\nfailed\n"); }},
};

std::vector<ReaderCase> readerCases() {
    std::vector<ReaderCase> cases;
    for (const Reader& reader : readers) {
        cases.push_back({reader, Action::remove, std::string(reader.name) + "Delete"});
        cases.push_back({reader, Action::replace, std::string(reader.name) + "Replace"});
    }
    return cases;
}

class SharedReaders : public testing::TestWithParam<ReaderCase> {};

TEST_P(SharedReaders, LetAnotherHandleDeleteOrReplaceTheFileTheyHold) {
    const ReaderCase& c = GetParam();
    if (c.action == Action::replace && !testsupport::renameReplacesAnOpenFile()) {
        GTEST_SKIP() << "this system has no rename with POSIX semantics (Wine 8)";
    }
    testsupport::TempFolder root("shared-readers");
    const fs::path file = c.reader.layOut(root.path());
    ActingReads reads(file, c.action);

    // The reader goes on with the file it opened. Windows may keep a deleted file's name until
    // the reader lets it go.
    EXPECT_EQ(c.reader.read(root.path(), reads), c.reader.expected());
    ASSERT_TRUE(reads.result.has_value())
        << "the reader did not open its file through the shared open";
    EXPECT_EQ(*reads.result, platform::errorSuccess);
    if (c.action == Action::remove) {
        EXPECT_FALSE(fs::exists(file));
    } else {
        EXPECT_EQ(readFile(file), "replacement");
        EXPECT_FALSE(fs::exists(file.string() + ".replacement"));
    }
}

INSTANTIATE_TEST_SUITE_P(Readers, SharedReaders, testing::ValuesIn(readerCases()),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace qxlauncher
