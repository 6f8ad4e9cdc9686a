// The launcher's own table of the real content's digests. Every other test program links the
// table of the generated fixtures instead, so only this one notices a wrong digest here. The
// values are written out again below from the collection's published tables, not copied from the
// table under test.
#include "backend/packages/trusted_digests.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string_view>

namespace qxlauncher {
namespace {

TEST(PinnedDigests, ProgramImagesSeedsAndListsAreTheReleasedOnes) {
    const TrustedDigests& pinned = trustedDigests();
    EXPECT_EQ(pinned.qx1EvenLaneSha1, "796ec84d37c8d20ca36d6439c14dee626fb8481e");
    EXPECT_EQ(pinned.qx1OddLaneSha1, "f66655eeab67c8cf5e496ae42dbae54d6400586f");
    EXPECT_EQ(pinned.qx1ProgramSha256,
              "ae1e5b310c6e512168b2ab7ff796a7656656898cf82ea98735bed0cd12288a06");
    EXPECT_EQ(pinned.qx2ProgramSha256,
              "45b3285496db555efaf4a3608a4f59845dd47a82e4a0593607e0592f47b36f23");
    EXPECT_EQ(pinned.qx2FactorySeedSha256,
              "f401005e9be6b161ba3becb3cc20b8fd72359e3234652af3b5c2fbbce0d06e1f");
    EXPECT_EQ(pinned.qx3RomListSha256,
              "e755b48202380163da989a195fc65924bdf5924a087823060e95c6c699db20e9");
}

TEST(PinnedDigests, TheSecondGamesNativeManifestValuesAreTheReleasedOnes) {
    const TrustedDigests& pinned = trustedDigests();
    EXPECT_EQ(pinned.qx2FiniteSourceSha256,
              "c99f2b8260c8f0cfbdc1cee1ab3594f446931b492462542ec1b1f68bdaacaa58");
    EXPECT_EQ(pinned.qx2LiveSourceSha256,
              "d5d156a8f43c9893235a60b6ac88faa35c9bb185ceb457b785ca1400a5316951");
    EXPECT_EQ(pinned.qx2LiveCoreOverlaysSha256,
              "d4dd43e6a7603287115b9dc1baa6c26af04c3245016fd03041f98a65188373c6");
    EXPECT_EQ(pinned.qx2RomProfileSha256,
              "229541f3f6208448af404c5f7cf5e640bfb0200ea5fa188fa40325775feace09");
}

struct ReleasedRom {
    std::string_view file;
    std::uint64_t size;
    std::string_view sha256;
};

constexpr ReleasedRom releasedQx2NativeRoms[] = {
    {"su2.l1", 524288, "82bdcbbd9413071f20a52cf7fd0fcf094fa474a08938b4f8c1d617d1490a137c"},
    {"su3.l1", 524288, "4a3d92f2095c1331f9f09e540a4fb088329b76c69cffa56c89be8b338a5a13b5"},
    {"su4.l1", 524288, "2deb898cbe9e5f166cf8304d6d16adcd844f6e8215cca8eb782fb0792786a8f7"},
    {"su5.l1", 524288, "037129d3d553e7037ea1819e2a072d3e5d217ac70f27873aa7f44ddc8e9803e9"},
    {"su6.l1", 524288, "ebcb31afaa916221d50009c37ef800ea2aed7797e12da8d608998df22abb1832"},
    {"su7.l1", 524288, "08c50c24cd69164ae52cc47dc135e70003b4687ef7aad61add2da1ee52ba0dfd"},
    {"uj12.l31", 524288, "ff14c7a9172ab35fb2f3d3d990a7d77c4d5bcedf047b81d5a3cff354c55e8e76"},
    {"ug12.l31", 524288, "8876a87f3df24bbafafb1f35d05d4b8251f44aef84a909852726759260b83b67"},
    {"ug14-vid", 1048576, "b139621ef1b8071ee220f0b2677c71e05b8630107747f97d9e89039024bd2ebb"},
    {"uj14-vid", 1048576, "cbc8f97303a56830786daf060f3746117f6302d9a1e977d8f8747c3f047e37cf"},
    {"ug19-vid", 1048576, "279e2b3a9cfaff76a44fceb107e4448670aad8483d0888bfab43dff70f7d3775"},
    {"uj19-vid", 1048576, "52ac0ee2cdd8cc23b524f9847dfd7de503c03d29778aa1def7121ccef0fb99aa"},
    {"ug16-vid", 1048576, "7c30a002fcb234fc1e24f06b25cb17b28c61756319f13d266c67209c2b7d9c55"},
    {"uj16-vid", 1048576, "0e235b325d3a9b0144a946915e81e033d1db92f7f417355aba69dce38b087cc9"},
    {"ug20-vid", 1048576, "716b9955b2702a95a6ee244aebd8adc6ded7f96b080725395ae97e5a37958875"},
    {"uj20-vid", 1048576, "cf75690b1b6d106384d96b6350f75f08731bdd8b9c0b58e3b2a6955302b740a4"},
    {"ug17-vid", 1048576, "36fe69d92265fda03899943a18f47f09977238aba62e5c1a1ccaf852d9e13986"},
    {"uj17-vid", 1048576, "7ebb6844dd507c75078b30ace6e84965096f5ceed17ec29332a2392fda2c6add"},
    {"ug22-vid", 1048576, "a62bb354e3ed907567224c824bd4ab279d853d8cf744457b3853aaa5169782fa"},
    {"uj22-vid", 1048576, "71f96b644e7a78093cdb3cc924604761cfc86d0c80b2f2fa4bed49381fbf539f"},
};

TEST(PinnedDigests, TheSecondGamesNativeRomTableIsTheReleasedOneInItsOrder) {
    const auto& roms = trustedDigests().qx2NativeRoms;
    ASSERT_EQ(std::size(releasedQx2NativeRoms), roms.size());
    for (std::size_t row = 0; row < roms.size(); ++row) {
        EXPECT_EQ(roms[row].file, releasedQx2NativeRoms[row].file) << "row " << row;
        EXPECT_EQ(roms[row].size, releasedQx2NativeRoms[row].size) << "row " << row;
        EXPECT_EQ(roms[row].sha256, releasedQx2NativeRoms[row].sha256) << "row " << row;
    }
}

} // namespace
} // namespace qxlauncher
