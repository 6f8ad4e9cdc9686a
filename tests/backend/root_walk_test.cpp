// The walk of the link checks: the path and every parent below its root. A root that reports
// itself as a reparse point, as Wine reports its drive Z:\ (where the build tree sits under
// Wine), is no link the launcher could be redirected through.
#include "backend/cmos/cmos_profile.h"
#include "backend/files/file_safety.h"
#include "backend/files/path_walk.h"
#include "backend/packages/hashing.h"
#include "platform/files.h"
#include "tests/backend/cmos_test_images.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct WalkCase {
    const char* name;
    const char* path;
    std::vector<const char*> visited; // leaf first
};

void PrintTo(const WalkCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<fs::path> visitedBy(const fs::path& path, std::size_t stopAfter = SIZE_MAX) {
    std::vector<fs::path> visited;
    qxlauncher::walkBelowRoot(path, [&](const fs::path& component) {
        visited.push_back(component);
        return visited.size() < stopAfter;
    });
    return visited;
}

class BelowRootWalk : public testing::TestWithParam<WalkCase> {};

TEST_P(BelowRootWalk, VisitsTheLeafAndEveryParentButTheRoot) {
    const std::vector<fs::path> expected(GetParam().visited.begin(), GetParam().visited.end());
    EXPECT_EQ(visitedBy(GetParam().path), expected);
}

const WalkCase walkCases[] = {
#ifdef _WIN32
    {"DrivePath",
     "C:\\games\\qx\\launcher.cfg",
     {"C:\\games\\qx\\launcher.cfg", "C:\\games\\qx", "C:\\games"}},
    {"LinuxFolderUnderWine", "Z:\\tmp\\demo", {"Z:\\tmp\\demo", "Z:\\tmp"}},
    {"DriveRoot", "Z:\\", {}},
    {"DriveAlone", "C:", {}},
    {"SharePath",
     "\\\\nas\\games\\qx\\launcher.cfg",
     {"\\\\nas\\games\\qx\\launcher.cfg", "\\\\nas\\games\\qx"}},
    {"ShareRoot", "\\\\nas\\games\\", {}},
#else
    {"DoubleSlashIsTheRoot", "//games/qx", {"//games/qx", "//games"}},
    {"AbsolutePath", "/games/qx/launcher.cfg", {"/games/qx/launcher.cfg", "/games/qx", "/games"}},
    {"Root", "/", {}},
#endif
    {"RelativePath", "qx/launcher.cfg", {"qx/launcher.cfg", "qx"}},
    {"Empty", "", {}},
};

INSTANTIATE_TEST_SUITE_P(Paths, BelowRootWalk, testing::ValuesIn(walkCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BelowRootWalk, EndsWhenTheVisitSaysSo) {
    EXPECT_EQ(visitedBy(fs::path("a") / "b" / "c", 2),
              (std::vector<fs::path>{fs::path("a") / "b" / "c", fs::path("a") / "b"}));
}

// Under Wine the build tree is on Z:\, whose root carries the reparse flag; elsewhere no drive
// root does and these tests skip.
class LinkReportingRoot : public testing::Test {
protected:
    void SetUp() override {
        const fs::path root = testsupport::binaryFolder().root_path();
        const platform::PathAttributes attributes = platform::readPathAttributes(root);
        if (attributes.kind != platform::PathAttributes::Kind::present ||
            !attributes.reparsePoint) {
            GTEST_SKIP() << "the build tree's drive root " << root.string()
                         << " is not reported as a reparse point here";
        }
        folder_ = std::make_unique<testsupport::TempFolder>(
            "root-walk", testsupport::binaryFolder() / "scratch");
    }
    fs::path operator/(const fs::path& relative) const { return *folder_ / relative; }

    std::unique_ptr<testsupport::TempFolder> folder_;
};

TEST_F(LinkReportingRoot, TheSafeFileServicesWorkBelowIt) {
    const fs::path config = *this / "profile/launcher.cfg";
    EXPECT_NO_THROW(qxlauncher::requireUnlinkedPath(*this / "not/there/yet"));
    EXPECT_FALSE(qxlauncher::hasReparsePoint(folder_->path()));
    qxlauncher::atomicReplaceFile(config, "Volume=40\n");
    EXPECT_TRUE(qxlauncher::isRegularUnlinkedFile(config));
    EXPECT_EQ(qxlauncher::readFileCapped(config, 256), "Volume=40\n");
    EXPECT_EQ(qxlauncher::readFileLimited(config, 256), std::optional<std::string>("Volume=40\n"));
}

TEST_F(LinkReportingRoot, AnOperatorRomBelowItIsRead) {
    const std::string lane(qxlauncher::programLaneSize, '\x5a');
    testsupport::writeFile(*this / "roms/operator.bin", lane);
    EXPECT_EQ(qxlauncher::readOperatorRom(*this / "roms/operator.bin"), lane);
}

TEST_F(LinkReportingRoot, ACmosProfileBelowItIsHeldReadAndReplaced) {
    const fs::path cmos = *this / "profile/qx1/cmos.bin";
    const qxlauncher::ProfileDirectory chain =
        qxlauncher::openProfileDirectory(cmos.parent_path(), true);
    EXPECT_EQ(chain.path, cmos.parent_path().lexically_normal());
    const std::string image = cmostest::patternImage(3);
    qxlauncher::replaceCmosAtomically(cmos, image, false);
    EXPECT_EQ(qxlauncher::loadCmosWithDigest(cmos).image, image);
}

} // namespace
