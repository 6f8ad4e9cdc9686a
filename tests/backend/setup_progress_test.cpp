// The progress file, the requirements result and the build receipts.
#include "backend/setup/setup_progress.h"
#include "platform/text.h"
#include "tests/support/case_names.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_digest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <limits>

namespace qxlauncher {
namespace {

JsonValue parsed(const std::string& text) {
    JsonValue value;
    EXPECT_TRUE(parseJsonObjectDocument(text, value)) << text;
    return value;
}

TEST(SetupProgress, TakesEveryTextAndTruncatesTheUnits) {
    SetupJob job;
    applySetupProgress(parsed(R"({"mode": "setup", "step": "compile", "state": "running",
        "message": "m", "code": "c", "hint": "h", "detail": "d", "elapsed": 12.5,
        "units": {"done": 3.9, "total": -1.5}})"),
                       job);
    EXPECT_EQ(job.mode, "setup");
    EXPECT_EQ(job.step, "compile");
    EXPECT_EQ(job.state, "running");
    EXPECT_EQ(job.message + job.code + job.hint + job.detail, "mchd");
    EXPECT_EQ(job.unitsDone, 3);
    EXPECT_EQ(job.unitsTotal, -1);
    EXPECT_DOUBLE_EQ(job.elapsedSeconds, 12.5);
}

TEST(SetupProgress, ClampsUnitsBeyondTheIntegerRange) {
    SetupJob job;
    applySetupProgress(parsed(R"({"units": {"done": 1e12, "total": -1e300}})"), job);
    EXPECT_EQ(job.unitsDone, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(job.unitsTotal, std::numeric_limits<std::int32_t>::min());
}

TEST(SetupProgress, WithoutAReportKeepsThePreviousOne) {
    SetupJob job;
    job.mode = "verify";
    job.program = "earlier";
    job.verified = true;
    job.reportChecks = {"sizes"};
    job.unitsDone = 7;
    applySetupProgress(parsed(R"({"step": 5})"), job);
    EXPECT_EQ(job.mode, "") << "a missing text empties the field";
    EXPECT_EQ(job.step, "") << "a number is no text";
    EXPECT_EQ(job.unitsDone, 0);
    EXPECT_EQ(job.program, "earlier");
    EXPECT_TRUE(job.verified);
    EXPECT_EQ(job.reportChecks.size(), 1u);
}

TEST(SetupProgress, AReportReplacesTheListsAndWithoutOkIsNotVerified) {
    SetupJob job;
    job.verified = true;
    job.reportFiles = {{"old", "ok"}};
    applySetupProgress(parsed(R"({"report": {"program": "p",
        "files": [{"name": "a.bin", "status": "ok"}, 3, {"name": 1}],
        "checks": ["sizes", 4, "digests"]}})"),
                       job);
    EXPECT_EQ(job.program, "p");
    ASSERT_EQ(job.reportFiles.size(), 2u);
    EXPECT_EQ(job.reportFiles[0].name, "a.bin");
    EXPECT_EQ(job.reportFiles[1].name, "");
    EXPECT_EQ(job.reportChecks, (std::vector<std::string>{"sizes", "digests"}));
    EXPECT_FALSE(job.verified);
}

TEST(RequirementsResult, TakesOnlyWhatIsPresentWithItsType) {
    ToolProbe tools;
    tools.ok = true;
    tools.compilerVersion = "kept";
    applyRequirementsResult(parsed(R"({"python": "C:\\Python312\\python.exe",
        "windows_64bit": true, "python_supported": true, "ok": "yes"})"),
                            tools);
    EXPECT_TRUE(tools.checked);
    EXPECT_EQ(tools.python, "C:\\Python312\\python.exe");
    EXPECT_TRUE(tools.windows64Bit);
    EXPECT_TRUE(tools.pythonSupported);
    EXPECT_TRUE(tools.ok) << "a string is no boolean";
    EXPECT_EQ(tools.compilerVersion, "kept");
    applyRequirementsResult(parsed(R"({"compiler": {"version": "16.1.0"}})"), tools);
    EXPECT_EQ(tools.python, "");
    EXPECT_EQ(tools.compilerVersion, "16.1.0");
    EXPECT_EQ(tools.compilerValidated, "");
}

class Receipts : public ::testing::Test {
protected:
    std::string name(char digit) const { return std::string(64, digit); }

    // A build folder with its executable and a receipt naming it.
    std::filesystem::path build(const std::string& folder, const std::string& version = "14",
                                const std::string& executable = {}) {
        const auto dir = root / "generated/qx1" / folder;
        testsupport::writeFile(dir / "game.exe", "exe");
        const std::string named =
            executable.empty() ? "generated/qx1/" + folder + "/game.exe" : executable;
        testsupport::writeFile(
            dir / "setup.json",
            R"({"setup_version": ")" + version + R"(", "compile": {"executable": ")" + named +
                R"(", "sha256": ")" + testsupport::sha256Hex("exe") +
                R"(", "seconds": 1}, "generate_seconds": 2,)" + R"( "seed": {"seconds": 0.5}})");
        return dir;
    }

    void age(const std::filesystem::path& dir, int seconds) {
        std::filesystem::last_write_time(dir / "setup.json",
                                         std::filesystem::file_time_type::clock::now() -
                                             std::chrono::seconds(seconds));
    }

    LatestBuild latest() { return findLatestBuild(root.path(), L"qx1"); }

    testsupport::TempFolder root{"receipts"};
};

TEST_F(Receipts, AValidReceiptIsTheLatestBuild) {
    const auto dir = build(name('a'));
    const LatestBuild found = latest();
    EXPECT_TRUE(found.found);
    EXPECT_FALSE(found.outdated);
    EXPECT_EQ(found.buildDirectory, dir);
    EXPECT_EQ(found.executable, (dir / "game.exe").lexically_normal());
    EXPECT_EQ(found.directoryName, name('a'));
    EXPECT_EQ(found.sha256, testsupport::sha256Hex("exe"));
    EXPECT_DOUBLE_EQ(found.totalSeconds, 3.5);
}

TEST_F(Receipts, TheLaterReceiptWins) {
    age(build(name('a')), 100);
    const auto newer = build(name('b'));
    age(build(name('c')), 50);
    EXPECT_EQ(latest().buildDirectory, newer);
}

TEST_F(Receipts, OlderVersionsMakeAnOutdatedResultOnlyWithoutAValidOne) {
    build(name('a'), "13");
    EXPECT_FALSE(latest().found);
    EXPECT_TRUE(latest().outdated);
    build(name('b'), "14");
    EXPECT_TRUE(latest().found);
    EXPECT_FALSE(latest().outdated);
}

// The scan of the 200-ms tick keeps what it learned of each receipt: an unchanged receipt is not
// read again, and every change is seen by the next scan, whose result is the uncached scan's.
void expectSameBuild(const LatestBuild& cached, const LatestBuild& fresh) {
    EXPECT_EQ(cached.found, fresh.found);
    EXPECT_EQ(cached.outdated, fresh.outdated);
    EXPECT_EQ(cached.buildDirectory, fresh.buildDirectory);
    EXPECT_EQ(cached.executable, fresh.executable);
    EXPECT_EQ(cached.directoryName, fresh.directoryName);
    EXPECT_EQ(cached.sha256, fresh.sha256);
    EXPECT_DOUBLE_EQ(cached.totalSeconds, fresh.totalSeconds);
    EXPECT_EQ(cached.receiptWritten, fresh.receiptWritten);
}

class CachedReceipts : public Receipts {
protected:
    // The cached scan, checked against the uncached one; `reads` is how many receipts it read.
    LatestBuild scan(std::uint64_t& reads) {
        const std::uint64_t before = cache.reads();
        const LatestBuild cached = cache.findLatestBuild(root.path(), L"qx1");
        reads = cache.reads() - before;
        expectSameBuild(cached, latest());
        return cached;
    }

    ReceiptCache cache;
};

TEST_F(CachedReceipts, AnUnchangedReceiptIsNotReadAgain) {
    age(build(name('a')), 300);
    const auto newest = build(name('b'));
    age(build(name('c')), 200);
    std::uint64_t reads = 0;
    EXPECT_EQ(scan(reads).buildDirectory, newest);
    EXPECT_EQ(reads, 3u);
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_EQ(scan(reads).buildDirectory, newest);
        EXPECT_EQ(reads, 0u) << tick;
    }
}

class ReceiptChanges;

struct ReceiptChange {
    const char* name;
    // Changes the folders of builds 'a' (the older) and 'b' (the newer); returns the folder
    // expected to win next, empty for none.
    std::function<std::filesystem::path(ReceiptChanges&, const std::filesystem::path& older,
                                        const std::filesystem::path& newer)>
        change;
    std::uint64_t reads; // receipts read by the next scan
    bool outdated = false;
};

class ReceiptChanges : public CachedReceipts, public ::testing::WithParamInterface<ReceiptChange> {
public:
    // Receipts get times well apart, so that no result depends on the clock's resolution.
    std::filesystem::path added(char digit, int secondsAgo) {
        const auto dir = build(name(digit));
        age(dir, secondsAgo);
        return dir;
    }
    void rewrite(const std::filesystem::path& dir, const std::string& from, const std::string& to,
                 int secondsAgo) {
        std::string text = testsupport::readFile(dir / "setup.json");
        text.replace(text.find(from), from.size(), to);
        testsupport::writeFile(dir / "setup.json", text);
        age(dir, secondsAgo);
    }
};

TEST_P(ReceiptChanges, AreSeenByTheNextScan) {
    const auto older = added('a', 300);
    const auto newer = added('b', 200);
    std::uint64_t reads = 0;
    ASSERT_EQ(scan(reads).buildDirectory, newer);
    const std::filesystem::path winner = GetParam().change(*this, older, newer);
    const LatestBuild next = scan(reads);
    EXPECT_EQ(next.buildDirectory, winner);
    EXPECT_EQ(next.found, !winner.empty());
    EXPECT_EQ(next.outdated, GetParam().outdated);
    EXPECT_EQ(reads, GetParam().reads);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ReceiptChanges,
    ::testing::Values(ReceiptChange{"NewerBuildAdded",
                                    [](ReceiptChanges& r, const auto&, const auto&) {
                                        return r.added('c', 100);
                                    },
                                    1},
                      ReceiptChange{"NewestRewrittenWithAnOlderVersion",
                                    [](ReceiptChanges& r, const auto& older, const auto& newer) {
                                        r.rewrite(newer, "\"14\"", "\"13\"", 150);
                                        return older;
                                    },
                                    1},
                      // The same size: only the last write time tells the rewrite apart.
                      ReceiptChange{"NewestRewrittenToAnotherExecutableOfTheSameSize",
                                    [](ReceiptChanges& r, const auto& older, const auto& newer) {
                                        r.rewrite(newer, "/game.exe", "/gone.exe", 150);
                                        return older;
                                    },
                                    1},
                      ReceiptChange{"OlderRewrittenLater",
                                    [](ReceiptChanges& r, const auto& older, const auto&) {
                                        r.rewrite(older, "\"seconds\": 1}", "\"seconds\": 9}", 100);
                                        return older;
                                    },
                                    1},
                      ReceiptChange{"NewestReceiptRemoved",
                                    [](ReceiptChanges&, const auto& older, const auto& newer) {
                                        std::filesystem::remove(newer / "setup.json");
                                        return older;
                                    },
                                    0},
                      ReceiptChange{"NewestFolderRemoved",
                                    [](ReceiptChanges&, const auto& older, const auto& newer) {
                                        std::filesystem::remove_all(newer);
                                        return older;
                                    },
                                    0},
                      ReceiptChange{"NewestExecutableRemoved",
                                    [](ReceiptChanges&, const auto& older, const auto& newer) {
                                        std::filesystem::remove(newer / "game.exe");
                                        return older;
                                    },
                                    0},
                      ReceiptChange{"NoCurrentBuildLeft",
                                    [](ReceiptChanges& r, const auto& older, const auto& newer) {
                                        std::filesystem::remove(older / "setup.json");
                                        r.rewrite(newer, "\"14\"", "\"13\"", 150);
                                        return std::filesystem::path();
                                    },
                                    1, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CachedReceipts, KeepsOnlyTheReceiptsOfTheLastScan) {
    for (const char digit : {'a', 'b', 'c'}) {
        build(name(digit));
    }
    std::uint64_t reads = 0;
    scan(reads);
    EXPECT_EQ(cache.size(), 3u);
    std::filesystem::remove_all(root / "generated/qx1" / name('a'));
    std::filesystem::remove(root / "generated/qx1" / name('b') / "setup.json");
    scan(reads);
    EXPECT_EQ(cache.size(), 1u);
    std::filesystem::remove_all(root / "generated");
    scan(reads);
    EXPECT_EQ(cache.size(), 0u);
}

// Names the build folder's own game.exe by its absolute path: it passes every rule but the one
// against absolute paths.
const std::string ownExecutableAbsolute = "(absolute)";
// Names "linked.exe" in the build folder, a link to its own game.exe: it passes every rule but
// the one against links.
const std::string ownExecutableLink = "(link)";

struct BadReceipt {
    const char* label;
    std::string folder;
    std::string executable; // relative to the root; empty names the folder's own game.exe
};

class BadReceipts : public Receipts, public ::testing::WithParamInterface<BadReceipt> {};

TEST_P(BadReceipts, AreSkipped) {
    build(std::string(64, 'f'), "14", "generated/qx1/" + std::string(64, 'f') + "/sub/game.exe");
    std::string executable = GetParam().executable;
    if (executable == ownExecutableAbsolute) {
        const auto own = root / "generated/qx1" / GetParam().folder / "game.exe";
        executable = platform::utf8FromWide(std::filesystem::absolute(own).generic_wstring());
    }
    if (executable == ownExecutableLink) {
        const auto dir = root / "generated/qx1" / GetParam().folder;
        std::filesystem::create_directories(dir);
        if (!testsupport::makeFileLink(dir / "game.exe", dir / "linked.exe")) {
            GTEST_SKIP() << "this system cannot create a file link that reads as a reparse point";
        }
        executable = "generated/qx1/" + GetParam().folder + "/linked.exe";
    }
    build(GetParam().folder, "14", executable);
    testsupport::writeFile(root / "generated/qx1" / GetParam().folder / "sub/game.exe", "exe");
    EXPECT_FALSE(latest().found) << GetParam().label;
    EXPECT_FALSE(latest().outdated) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BadReceipts,
    ::testing::Values(BadReceipt{"upper-case digits", std::string(64, 'A'), ""},
                      BadReceipt{"63 digits", std::string(63, 'a'), ""},
                      BadReceipt{"in a subfolder", std::string(64, 'a'),
                                 "generated/qx1/" + std::string(64, 'a') + "/sub/game.exe"},
                      BadReceipt{"in another build", std::string(64, 'a'),
                                 "generated/qx1/" + std::string(64, 'f') + "/game.exe"},
                      BadReceipt{"dot-dot", std::string(64, 'a'),
                                 "generated/qx1/" + std::string(64, 'a') + "/sub/../game.exe"},
                      BadReceipt{"dot", std::string(64, 'a'),
                                 "generated/qx1/./" + std::string(64, 'a') + "/game.exe"},
                      BadReceipt{"absolute", std::string(64, 'a'), ownExecutableAbsolute},
                      // The system would check and open only the text before the NUL.
                      BadReceipt{"escaped NUL", std::string(64, 'a'),
                                 "generated/qx1/" + std::string(64, 'a') + "/game.exe\\u0000.txt"},
                      BadReceipt{"linked executable", std::string(64, 'a'), ownExecutableLink}),
    [](const auto& info) { return testsupport::caseNameFrom(info.param.label); });

TEST_F(Receipts, AReceiptOfTheLimitIsReadAndOneByteMoreIsSkipped) {
    const auto dir = build(name('a'));
    std::string text = testsupport::readFile(dir / "setup.json");
    text.append(1048576 - text.size(), ' ');
    testsupport::writeFile(dir / "setup.json", text);
    EXPECT_TRUE(latest().found);
    testsupport::writeFile(dir / "setup.json", text + " ");
    EXPECT_FALSE(latest().found);
}

TEST_F(Receipts, AReceiptWithTrailingTextOrABadDigestIsSkipped) {
    const auto dir = build(name('a'));
    const std::string text = testsupport::readFile(dir / "setup.json");
    testsupport::writeFile(dir / "setup.json", text + "x");
    EXPECT_FALSE(latest().found);
    std::string upper = text;
    const auto at = upper.find(testsupport::sha256Hex("exe"));
    upper[at] = 'G';
    testsupport::writeFile(dir / "setup.json", upper);
    EXPECT_FALSE(latest().found);
}

TEST_F(Receipts, ALinkedGeneratedFolderYieldsNoBuild) {
    testsupport::TempFolder elsewhere{"elsewhere"};
    const auto dir = build(name('a'));
    std::filesystem::rename(root / "generated", elsewhere / "generated");
    if (!testsupport::makeFolderLink(elsewhere / "generated", root / "generated")) {
        GTEST_SKIP() << "this system cannot create a folder link that reads as a reparse point";
    }
    EXPECT_FALSE(latest().found);
}

#ifndef _WIN32
TEST_F(Receipts, AFolderNameThatIsNoTextIsSkippedNotThrown) {
    build(name('a'));
    std::filesystem::create_directories(root / "generated/qx1" / std::string("\xff\xfe"));
    EXPECT_NO_THROW(EXPECT_TRUE(latest().found));
}
#endif

} // namespace
} // namespace qxlauncher
