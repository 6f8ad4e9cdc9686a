// The trusted-digest table of test builds: the digests of the generated package fixtures, in
// place of the real games' content, which no test may hold.
#include "tests/support/fixture_digests.h"

#include "backend/packages/trusted_digests.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/test_digest.h"

#include <array>
#include <atomic>
#include <string>
#include <vector>

namespace qxlauncher {

namespace {

struct FixtureDigestTable {
    std::string qx1EvenLaneSha1 = testsupport::sha1Hex(testsupport::qx1EvenLane());
    std::string qx1OddLaneSha1 = testsupport::sha1Hex(testsupport::qx1OddLane());
    std::string qx1ProgramSha256 = testsupport::sha256Hex(testsupport::qx1ProgramImage());
    std::string qx2ProgramSha256 = testsupport::sha256Hex(testsupport::qx2ProgramImage());
    std::string qx2FactorySeedSha256 = testsupport::sha256Hex(testsupport::qx2FactorySeed());
    std::string qx3RomListSha256 =
        testsupport::sha256Hex(testsupport::qx3RomListText(testsupport::qx3Roms()));
    std::string qx2FiniteSourceSha256 = testsupport::qx2FiniteSourceSha256();
    std::string qx2LiveSourceSha256 = testsupport::qx2LiveSourceSha256();
    std::string qx2LiveCoreOverlaysSha256 = testsupport::qx2LiveCoreOverlaysSha256();
    std::string qx2RomProfileSha256 = testsupport::qx2RomProfileSha256();
    std::array<std::string, qx2NativeRomCount> romNames;
    std::array<std::string, qx2NativeRomCount> romDigests;
    TrustedDigests table;

    FixtureDigestTable() {
        table = {qx1EvenLaneSha1,
                 qx1OddLaneSha1,
                 qx1ProgramSha256,
                 qx2ProgramSha256,
                 qx2FactorySeedSha256,
                 qx3RomListSha256,
                 qx2FiniteSourceSha256,
                 qx2LiveSourceSha256,
                 qx2LiveCoreOverlaysSha256,
                 qx2RomProfileSha256,
                 {}};
        const std::vector<testsupport::FixtureFile> roms = testsupport::qx2NativeRoms();
        for (std::size_t i = 0; i < qx2NativeRomCount; ++i) {
            romNames[i] = roms[i].name;
            romDigests[i] = testsupport::sha256Hex(roms[i].bytes);
            table.qx2NativeRoms[i] = {romNames[i], roms[i].bytes.size(), romDigests[i]};
        }
    }
};

const TrustedDigests& fixtureTable() {
    static const FixtureDigestTable fixture;
    return fixture.table;
}

std::atomic<const TrustedDigests*> swappedTable{nullptr};

} // namespace

const TrustedDigests& trustedDigests() {
    const TrustedDigests* swapped = swappedTable.load();
    return swapped != nullptr ? *swapped : fixtureTable();
}

} // namespace qxlauncher

namespace testsupport {

ScopedTrustedDigests::ScopedTrustedDigests(const qxlauncher::TrustedDigests& replacement)
    : replacement_(replacement), previous_(qxlauncher::swappedTable.exchange(&replacement_)) {}

ScopedTrustedDigests::~ScopedTrustedDigests() {
    qxlauncher::swappedTable.store(previous_);
}

} // namespace testsupport
