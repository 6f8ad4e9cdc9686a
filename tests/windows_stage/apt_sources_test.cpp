#include "tests/windows_stage/apt_sources.h"

#include "platform/text.h"
#include "tests/support/case_names.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace stagetest {
namespace {

using testsupport::TempFolder;
using testsupport::writeFile;

// Every "{root}" of a text becomes the test's root folder.
std::string withRoot(std::string text, const std::filesystem::path& root) {
    const std::string marker = "{root}";
    for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at)) {
        text.replace(at, marker.size(), root.string());
        at += root.string().size();
    }
    return text;
}

// As on a Debian 12 machine installed from the network.
const std::string debianSources = "Types: deb\n"
                                  "# http://snapshot.debian.org/archive/debian/20250520T000000Z\n"
                                  "URIs: http://deb.debian.org/debian\n"
                                  "Suites: bookworm bookworm-updates\n"
                                  "Components: main\n"
                                  "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n"
                                  "\n"
                                  "Types: deb\n"
                                  "# http://snapshot.debian.org/archive/debian-security/"
                                  "20250520T000000Z\n"
                                  "URIs: http://deb.debian.org/debian-security\n"
                                  "Suites: bookworm-security\n"
                                  "Components: main\n"
                                  "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n";

const std::string securitySources = "Types: deb\n"
                                    "URIs: http://deb.debian.org/debian-security\n"
                                    "Suites: bookworm-security\n"
                                    "Components: main\n";

// As on a Debian 12 cloud image: the mirrors come from lists beside the sources.
const std::string cloudSources = "Types: deb deb-src\n"
                                 "URIs: mirror+file:///etc/apt/mirrors/debian.list\n"
                                 "Suites: bookworm bookworm-updates bookworm-backports\n"
                                 "Components: main\n"
                                 "\n"
                                 "Types: deb deb-src\n"
                                 "URIs: mirror+file:///etc/apt/mirrors/debian-security.list\n"
                                 "Suites: bookworm-security\n"
                                 "Components: main\n";

const std::string nodesourceSources = "Types: deb\n"
                                      "URIs: https://deb.nodesource.com/node_20.x\n"
                                      "Suites: nodistro\n"
                                      "Components: main\n"
                                      "Signed-By: /etc/apt/keyrings/nodesource.gpg\n";

const std::string cdromLine = "deb cdrom:[Debian GNU/Linux 12.0.0 _Bookworm_ - Official amd64 DVD "
                              "Binary-1 20230610-10:23]/ bookworm main\n";

const std::string sourcesD = "etc/apt/sources.list.d/";

// The Release files of Debian's archive and of two third parties.
const std::string debianRelease = "Origin: Debian\n"
                                  "Label: Debian\n"
                                  "Suite: oldstable\n"
                                  "Codename: bookworm\n"
                                  "Architectures: all amd64 arm64 armel armhf i386\n"
                                  "Components: main contrib non-free-firmware non-free\n";
const std::string browserRelease = "Origin: Example Browser\n"
                                   "Label: Example Browser\n"
                                   "Suite: stable\n"
                                   "Architectures: amd64\n"
                                   "Components: main\n";
const std::string phpRelease = "Origin: php.example.net\n"
                               "Label: PHP packages\n"
                               "Suite: trixie\n"
                               "Components: main\n";

// The machine's architecture in every case.
constexpr std::string_view machine = "amd64";

// Release files by URL; a URL not named cannot be fetched. With none named, every Release names
// Debian, so that a case shows the reading of the sources alone.
using Releases = std::map<std::string, std::string>;

ReleaseFetch fetchFrom(const Releases& releases, std::vector<std::string>* fetched = nullptr) {
    return [&releases, fetched](const std::string& url) -> ReleaseAnswer {
        if (fetched != nullptr) {
            fetched->push_back(url);
        }
        if (releases.empty()) {
            return {debianRelease, ""};
        }
        const auto found = releases.find(url);
        if (found == releases.end()) {
            return {std::nullopt, "no answer"};
        }
        return {found->second, ""};
    };
}

struct MirrorCase {
    const char* name;
    // Paths under the root, and what they hold.
    std::vector<std::pair<std::string, std::string>> files;
    // The mirror found; when empty, the search fails with `failure` ("{root}" the root).
    std::string mirror;
    std::string failure;
    Releases releases;
};

class DebianMirror : public ::testing::TestWithParam<MirrorCase> {
protected:
    TempFolder root{"apt-sources"};
};

TEST_P(DebianMirror, TakesTheFirstSourceOfDebiansArchiveInAptsOrder) {
    const MirrorCase& c = GetParam();
    for (const auto& [path, bytes] : c.files) {
        writeFile(root / path, bytes);
    }
    const MirrorSearch search =
        findDebianMirror({root / "etc/apt", root.path()}, machine, fetchFrom(c.releases));
    if (c.mirror.empty()) {
        EXPECT_EQ(search.mirror, std::nullopt);
        EXPECT_EQ(search.failure(), withRoot(c.failure, root.path()));
    } else {
        EXPECT_EQ(search.mirror, c.mirror);
    }
}

const MirrorCase mirrorCases[] = {
    {"PlainDebian12Sources",
     {{sourcesD + "debian.sources", debianSources}},
     "http://deb.debian.org/debian"},
    {"FreshRootSourcesList",
     {{"etc/apt/sources.list", "deb http://deb.debian.org/debian bookworm main\n"}},
     "http://deb.debian.org/debian"},
    {"InstalledSourcesListWithSecurityFirst",
     {{"etc/apt/sources.list",
       "#deb cdrom:[Debian GNU/Linux 12.0.0 _Bookworm_ - Official amd64 DVD Binary-1]/ bookworm "
       "main\n\n"
       "deb http://security.debian.org/debian-security bookworm-security main non-free-firmware\n"
       "deb-src http://ftp.fr.debian.org/debian/ bookworm main non-free-firmware\n"
       "  deb http://ftp.fr.debian.org/debian/ bookworm main non-free-firmware # the mirror\r\n"}},
     "http://ftp.fr.debian.org/debian/"},
    {"SourcesListBeforeTheParts",
     {{"etc/apt/sources.list", "deb http://ftp.de.debian.org/debian bookworm main\n"},
      {sourcesD + "debian.sources", debianSources}},
     "http://ftp.de.debian.org/debian"},
    {"PartsInFileNameOrder",
     {{sourcesD + "debian.sources", debianSources},
      {sourcesD + "00-nearby.list", "deb http://ftp.at.debian.org/debian bookworm main\n"}},
     "http://ftp.at.debian.org/debian"},
    {"CloudImageMirrorList",
     {{sourcesD + "debian.sources", cloudSources},
      {"etc/apt/mirrors/debian.list", "https://deb.debian.org/debian\n"},
      {"etc/apt/mirrors/debian-security.list", "https://deb.debian.org/debian-security\n"}},
     "https://deb.debian.org/debian"},
    {"MirrorListByPriorityWithoutPartialMirrors",
     {{sourcesD + "debian.sources",
       "Types: deb\nURIs: mirror+file:/etc/apt/mirrors/debian.list\nSuites: trixie\n"
       "Components: main\n"},
      {"etc/apt/mirrors/debian.list",
       "# mirrors of this site\n"
       "\n"
       "file:/srv/local/debian/\tpriority:1\n"
       "http://partial.example.org/debian/\tpriority:1 arch:amd64 arch:all type:deb\n"
       "http://ftp.us.debian.org/debian/\n"
       "https://ftp.de.debian.org/debian/\tpriority:2\n"
       "https://ftp.nl.debian.org/debian/\tpriority:2\n"}},
     "https://ftp.de.debian.org/debian/"},
    {"MirrorListPathStaysUnderTheRoot",
     {{sourcesD + "debian.sources",
       "Types: deb\nURIs: mirror+file:/../../mirrors.list\nSuites: trixie\nComponents: main\n"},
      {"mirrors.list", "http://ftp.se.debian.org/debian\n"}},
     "http://ftp.se.debian.org/debian"},
    {"ThirdPartySourcesThatSortsFirst",
     {{sourcesD + "a-nodesource.sources", nodesourceSources},
      {sourcesD + "debian.sources", debianSources}},
     "http://deb.debian.org/debian"},
    {"ThirdPartyListThatSortsFirst",
     {{sourcesD + "cloud-sdk.list",
       "deb https://packages.cloud.google.com/apt cloud-sdk-bookworm main\n"},
      {sourcesD + "debian.sources", debianSources}},
     "http://deb.debian.org/debian"},
    // Its suite is a Debian codename, but it has no main for debootstrap.
    {"ThirdPartyWithADebianCodename",
     {{sourcesD + "a-docker.list", "deb [arch=amd64 signed-by=/etc/apt/keyrings/docker.gpg] "
                                   "https://download.docker.com/linux/debian bookworm stable\n"},
      {sourcesD + "debian.sources", debianSources}},
     "http://deb.debian.org/debian"},
    {"EnabledNoStanzasSkipped",
     {{sourcesD + "debian.sources",
       "Types: deb\nURIs: http://old.example.org/debian\nSuites: bookworm\nComponents: main\n"
       "Enabled: no\n\n"
       "Types: deb\nURIs: http://older.example.org/debian\nSuites: bookworm\nComponents: main\n"
       "enabled: False\n\n"
       "Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\n"
       "Enabled: yes\n"}},
     "http://deb.debian.org/debian"},
    {"LowercaseKeys",
     {{sourcesD + "debian.sources",
       "types: deb\nuris: http://ftp.nl.debian.org/debian\nsuites: trixie\ncomponents: main\n"}},
     "http://ftp.nl.debian.org/debian"},
    {"ContinuationLinesCommentsAndSeveralUris",
     {{sourcesD + "debian.sources",
       "# the onion service first\n"
       "Types: deb-src\n"
       "  deb\n"
       "URIs: tor+http://2s4yqjx5ul6okpp3f2gaunr2syex5jgbfpfvhxxbbjwnrsvbk5v3qbid.onion/debian\n"
       "# then the network\n"
       "\thttp://deb.debian.org/debian/\n"
       "Suites:\n"
       " testing\n"
       "Components: main contrib\n"}},
     "http://deb.debian.org/debian/"},
    {"CdromLineInSourcesList",
     {{"etc/apt/sources.list",
       cdromLine + "\ndeb http://deb.debian.org/debian/ bookworm main non-free-firmware\n"}},
     "http://deb.debian.org/debian/"},
    {"OptionsInBracketsWithBlanks",
     {{"etc/apt/sources.list",
       "deb [ arch=amd64,i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg ] "
       "https://ftp.de.debian.org/debian stable main contrib\n"}},
     "https://ftp.de.debian.org/debian"},
    {"BackportsOnly",
     {{"etc/apt/sources.list", "deb http://deb.debian.org/debian bookworm-backports main\n"}},
     "http://deb.debian.org/debian"},
    {"SecurityOnly",
     {{"etc/apt/sources.list", "deb http://security.debian.org/ buster/updates main\n"},
      {sourcesD + "debian.sources", securitySources}},
     "",
     "no Debian archive source in {root}/etc/apt/sources.list, "
     "{root}/etc/apt/sources.list.d/debian.sources"},
    {"DebSrcOnly",
     {{sourcesD + "debian.sources",
       "Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\n"
       "Components: main\n"}},
     "",
     "no Debian archive source in {root}/etc/apt/sources.list.d/debian.sources"},
    {"MirrorListWithoutHttpEntry",
     {{sourcesD + "debian.sources", cloudSources},
      {"etc/apt/mirrors/debian.list", "# local and wrapped mirrors only\n\n"
                                      "file:/srv/mirror/debian/\n"
                                      "mirror+http://mirrors.example.org/debian.list\n"
                                      "ftp://ftp.debian.org/debian/\n"
                                      "http://index.example.org/debian/\ttype:index\n"},
      {"etc/apt/mirrors/debian-security.list", "https://deb.debian.org/debian-security\n"}},
     "",
     "no Debian archive source in {root}/etc/apt/sources.list.d/debian.sources, "
     "{root}/etc/apt/mirrors/debian.list"},
    {"MirrorListMissing",
     {{sourcesD + "debian.sources", cloudSources}},
     "",
     "no Debian archive source in {root}/etc/apt/sources.list.d/debian.sources, "
     "{root}/etc/apt/mirrors/debian.list (cannot read: No such file or directory)"},
    {"OtherMirrorFormsFileAndCopy",
     {{"etc/apt/sources.list", "deb mirror+http://mirrors.example.org/debian.list bookworm main\n"
                               "deb mirror://mirrors.example.org/debian.list bookworm main\n"
                               "deb mirror+file:etc/apt/mirrors/debian.list bookworm main\n"
                               "deb file:/srv/mirror/debian bookworm main\n"
                               "deb copy:///srv/mirror/debian bookworm main\n"},
      {"etc/apt/mirrors/debian.list", "https://deb.debian.org/debian\n"}},
     "",
     "no Debian archive source in {root}/etc/apt/sources.list"},
    // The files apt ignores by their names are not read, and not named.
    {"NoUsableSource",
     {{"etc/apt/sources.list", cdromLine},
      {sourcesD + "a-nodesource.sources", nodesourceSources},
      {sourcesD + "cloud-sdk.list",
       "deb https://packages.cloud.google.com/apt cloud-sdk-bookworm main\n"},
      {sourcesD + "debian.sources",
       "Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\n"
       "Enabled: no\n"},
      {sourcesD + "debian.sources.disabled-by-farm", debianSources},
      {sourcesD + "debian.list.save", "deb http://deb.debian.org/debian bookworm main\n"},
      {sourcesD + ".hidden.list", "deb http://deb.debian.org/debian bookworm main\n"},
      {sourcesD + "backup~.list", "deb http://deb.debian.org/debian bookworm main\n"},
      {sourcesD + "folder.list/debian.list", "deb http://deb.debian.org/debian bookworm main\n"}},
     "",
     "no Debian archive source in {root}/etc/apt/sources.list, "
     "{root}/etc/apt/sources.list.d/a-nodesource.sources, "
     "{root}/etc/apt/sources.list.d/cloud-sdk.list, "
     "{root}/etc/apt/sources.list.d/debian.sources"},
    {"NoSourcesFiles",
     {{"etc/apt/apt.conf.d/00proxy", "Acquire::http::Proxy \"false\";\n"}},
     "",
     "no Debian archive source in {root}/etc/apt (no sources files)"},
    // A third party's "stable main" and "trixie main" that sort before Debian's own sources.
    {"ThirdPartyStableMainThatSortsFirst",
     {{sourcesD + "a-browser.list", "deb [arch=amd64 signed-by=/usr/share/keyrings/browser.gpg] "
                                    "https://repo.example-browser.com/deb/ stable main\n"},
      {sourcesD + "debian.sources", debianSources}},
     "http://deb.debian.org/debian",
     "",
     {{"https://repo.example-browser.com/deb/dists/stable/Release", browserRelease},
      {"http://deb.debian.org/debian/dists/bookworm/Release", debianRelease}}},
    {"ThirdPartyTrixieMainThatSortsFirst",
     {{sourcesD + "a-php.sources",
       "Types: deb\nURIs: https://php.example.net/debian\nSuites: trixie\nComponents: main\n"},
      {sourcesD + "debian.sources", debianSources}},
     "http://deb.debian.org/debian",
     "",
     {{"https://php.example.net/debian/dists/trixie/Release", phpRelease},
      {"http://deb.debian.org/debian/dists/bookworm/Release", debianRelease}}},
    // Every Release names Debian here: only the architecture passes these sources over.
    {"OtherArchitectureOneLine",
     {{"etc/apt/sources.list", "deb [arch=arm64] http://ports.example.org/debian bookworm main\n"
                               "deb http://ftp.fi.debian.org/debian bookworm main\n"}},
     "http://ftp.fi.debian.org/debian"},
    {"OtherArchitecturesDeb822",
     {{sourcesD + "debian.sources",
       "Types: deb\nURIs: http://ports.example.org/debian\nSuites: trixie\nComponents: main\n"
       "Architectures: arm64 armhf\n\n"
       "Types: deb\nURIs: http://ftp.fi.debian.org/debian\nSuites: trixie\nComponents: main\n"}},
     "http://ftp.fi.debian.org/debian"},
    {"OwnArchitectureRemoved",
     {{"etc/apt/sources.list",
       "deb [ arch-=amd64,i386 ] http://ports.example.org/debian bookworm main\n"},
      {sourcesD + "debian.sources",
       "Types: deb\nURIs: http://other-ports.example.org/debian\nSuites: trixie\n"
       "Components: main\nArchitectures-Remove: amd64\n\n"
       "Types: deb\nURIs: http://ftp.fi.debian.org/debian\nSuites: trixie\nComponents: main\n"}},
     "http://ftp.fi.debian.org/debian"},
    {"OwnArchitectureAmongOthers",
     {{"etc/apt/sources.list",
       "deb [ arch=arm64,amd64 arch+=i386 ] http://ftp.fi.debian.org/debian bookworm main\n"}},
     "http://ftp.fi.debian.org/debian"},
    {"NextSuiteWhenTheFirstIsNoDebianOrigin",
     {{sourcesD + "debian.sources", "Types: deb\nURIs: http://deb.debian.org/debian\n"
                                    "Suites: bookworm-backports bookworm\nComponents: main\n"}},
     "http://deb.debian.org/debian",
     "",
     {{"http://deb.debian.org/debian/dists/bookworm-backports/Release",
       "Origin: Debian Backports\nLabel: Debian Backports\n"},
      {"http://deb.debian.org/debian/dists/bookworm/Release", debianRelease}}},
    {"NextMirrorOfTheListWhenAReleaseCannotBeFetched",
     {{sourcesD + "debian.sources", cloudSources},
      {"etc/apt/mirrors/debian.list",
       "https://offline.example.org/debian/\nhttps://deb.debian.org/debian/\n"}},
     "https://deb.debian.org/debian/",
     "",
     {{"https://deb.debian.org/debian/dists/bookworm/Release", debianRelease}}},
    {"NoReleaseNamesDebian",
     {{"etc/apt/sources.list", "deb https://php.example.net/debian trixie main\n"
                               "deb http://plain.example.org/debian bookworm main\n"
                               "deb http://offline.example.org/debian/ bookworm main\n"}},
     "",
     "no Debian archive source in {root}/etc/apt/sources.list; no Release names Origin: Debian: "
     "https://php.example.net/debian/dists/trixie/Release (Origin: php.example.net), "
     "http://plain.example.org/debian/dists/bookworm/Release (no Origin), "
     "http://offline.example.org/debian/dists/bookworm/Release (cannot fetch: no answer)",
     {{"https://php.example.net/debian/dists/trixie/Release", phpRelease},
      {"http://plain.example.org/debian/dists/bookworm/Release",
       "Label: plain\nSuite: bookworm\n"}}},
};

TEST(DebianMirrorReleases, FetchesEachReleaseOnceAndNoneAfterTheFirstOfDebian) {
    TempFolder root("apt-sources-fetches");
    writeFile(root / "etc/apt/sources.list",
              "deb http://offline.example.org/debian bookworm main\n"
              "deb http://offline.example.org/debian bookworm main contrib\n"
              "deb http://deb.debian.org/debian bookworm main\n"
              "deb http://ftp.fi.debian.org/debian bookworm main\n");
    const Releases releases = {
        {"http://deb.debian.org/debian/dists/bookworm/Release", debianRelease},
        {"http://ftp.fi.debian.org/debian/dists/bookworm/Release", debianRelease}};
    std::vector<std::string> fetched;
    const MirrorSearch search =
        findDebianMirror({root / "etc/apt", root.path()}, machine, fetchFrom(releases, &fetched));
    EXPECT_EQ(search.mirror, "http://deb.debian.org/debian");
    EXPECT_EQ(fetched,
              (std::vector<std::string>{"http://offline.example.org/debian/dists/bookworm/Release",
                                        "http://deb.debian.org/debian/dists/bookworm/Release"}));
}

TEST(ReleaseOrigin, ReadsTheFirstParagraphsOriginField) {
    EXPECT_EQ(originOfRelease(debianRelease), "Debian");
    EXPECT_EQ(originOfRelease("origin:   Debian  \r\nLabel: Debian\r\n"), "Debian");
    EXPECT_EQ(originOfRelease("Label: Debian\n\nOrigin: Debian\n"), "");
    EXPECT_EQ(originOfRelease(""), "");
}

INSTANTIATE_TEST_SUITE_P(Sources, DebianMirror, ::testing::ValuesIn(mirrorCases),
                         testsupport::caseName);

TEST(OneLineSources, ReadsBracketsInsideAWordAsApt) {
    const std::vector<AptSource> sources = parseOneLineSources(
        cdromLine +
        "deb [ arch=amd64 trusted=no ] http://deb.debian.org/debian sid main contrib\n");
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].uris, std::vector<std::string>{"cdrom:[Debian GNU/Linux 12.0.0 _Bookworm_ "
                                                        "- Official amd64 DVD Binary-1 "
                                                        "20230610-10:23]/"});
    EXPECT_EQ(sources[0].suites, std::vector<std::string>{"bookworm"});
    EXPECT_EQ(sources[1].uris, std::vector<std::string>{"http://deb.debian.org/debian"});
    EXPECT_EQ(sources[1].components, (std::vector<std::string>{"main", "contrib"}));
}

TEST(DebianArchiveSuite, TakesReleasesAndTheirPocketsButNoSecuritySuite) {
    for (const char* suite : {"bookworm", "trixie", "sid", "stable", "oldstable", "testing",
                              "unstable", "bookworm-updates", "stable-backports",
                              "bookworm-proposed-updates", "bullseye-backports-sloppy"}) {
        EXPECT_TRUE(isDebianArchiveSuite(suite)) << suite;
    }
    for (const char* suite :
         {"bookworm-security", "stable-security", "buster/updates", "nodistro",
          "cloud-sdk-bookworm", "experimental", "Bookworm", "./", "-updates", ""}) {
        EXPECT_FALSE(isDebianArchiveSuite(suite)) << suite;
    }
}

TEST(DebianMirrorFiles, AFileThatCannotBeReadIsNamedAndPassedOver) {
    TempFolder root("apt-sources-locked");
    const std::filesystem::path locked = root / (sourcesD + "a-locked.sources");
    writeFile(locked, debianSources);
    writeFile(root / (sourcesD + "debian.sources"), securitySources);
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    const auto run = testsupport::runUnprivileged(root.path(), [&] {
        if (std::ifstream(locked)) {
            return std::string("readable");
        }
        const Releases none;
        const MirrorSearch search =
            findDebianMirror({root / "etc/apt", root.path()}, machine, fetchFrom(none));
        return search.mirror.value_or(search.failure());
    });
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    if (!run.ran) {
        GTEST_SKIP() << run.reason;
    }
    if (run.result == "readable") {
        GTEST_SKIP() << "file permissions here cannot deny a file's reading";
    }
    EXPECT_EQ(run.result,
              withRoot("no Debian archive source in "
                       "{root}/etc/apt/sources.list.d/a-locked.sources (cannot read: "
                       "Permission denied), {root}/etc/apt/sources.list.d/debian.sources",
                       root.path()));
}

// --- the program -------------------------------------------------------------------------

struct ProgramCase {
    const char* name;
    std::vector<std::string> arguments; // "{root}" the folder of the laid-out roots
    int exitCode;
    std::string standardOutput;
    std::string standardError;
    // The program's search path: "{root}/bin" holds a wget that answers for Debian's archive.
    std::string path = "{root}/bin";
};

// A wget that prints the Release of Debian's bookworm and fails as for a 404 otherwise, and
// fails unless the URL comes alone after "--".
const std::string fakeWget = "#!/bin/sh\n"
                             "while [ $# -gt 2 ]; do shift; done\n"
                             "[ \"$1\" = -- ] || exit 2\n"
                             "case $2 in\n"
                             "http://deb.debian.org/debian/dists/bookworm/Release)\n"
                             "    printf 'Origin: Debian\\nLabel: Debian\\n' ;;\n"
                             "*) exit 8 ;;\n"
                             "esac\n";

class DebianMirrorProgram : public ::testing::TestWithParam<ProgramCase> {
protected:
    DebianMirrorProgram() {
        writeFile(roots / ("found/" + sourcesD + "debian.sources"), debianSources);
        writeFile(roots / "none/etc/apt/sources.list", cdromLine);
        writeFile(roots / "thirdparty/etc/apt/sources.list",
                  "deb https://php.example.net/debian trixie main\n");
        writeFile(roots / "bin/wget", fakeWget);
        std::filesystem::permissions(roots / "bin/wget", std::filesystem::perms::owner_all);
        std::filesystem::create_directories(roots / "empty");
    }
    TempFolder roots{"debian-mirror-program"};
};

TEST_P(DebianMirrorProgram, PrintsTheMirrorOrOneLineWhy) {
    const ProgramCase& c = GetParam();
    testsupport::ChildOptions options;
    for (const std::string& argument : c.arguments) {
        options.arguments.push_back(platform::wideFromUtf8(withRoot(argument, roots.path())));
    }
    options.environment[L"PATH"] = platform::wideFromUtf8(withRoot(c.path, roots.path()));
    const testsupport::ChildResult result =
        testsupport::runChild(testsupport::binaryFolder() / "debian_mirror", options);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.standardOutput, c.standardOutput);
    EXPECT_EQ(result.standardError, withRoot(c.standardError, roots.path()));
}

const std::string usage = "usage: debian_mirror [--root DIR] [--apt-dir DIR]\n";

const ProgramCase programCases[] = {
    {"Root", {"--root", "{root}/found"}, 0, "http://deb.debian.org/debian\n", ""},
    {"AptDir", {"--apt-dir", "{root}/found/etc/apt"}, 0, "http://deb.debian.org/debian\n", ""},
    {"NoneUsable",
     {"--root", "{root}/none"},
     1,
     "",
     "debian_mirror: no Debian archive source in {root}/none/etc/apt/sources.list\n"},
    {"UnknownArgument",
     {"--mirror", "http://deb.debian.org/debian"},
     2,
     "",
     "debian_mirror: unknown argument \"--mirror\"; " + usage},
    {"MissingFolder", {"--apt-dir"}, 2, "", "debian_mirror: --apt-dir needs a folder; " + usage},
    {"RootTwice",
     {"--root", "{root}/found", "--root", "{root}/none"},
     2,
     "",
     "debian_mirror: --root given twice; " + usage},
    {"ReleaseOfAThirdParty",
     {"--root", "{root}/thirdparty"},
     1,
     "",
     "debian_mirror: no Debian archive source in {root}/thirdparty/etc/apt/sources.list; no "
     "Release names Origin: Debian: https://php.example.net/debian/dists/trixie/Release (cannot "
     "fetch: wget exited with 8 (server error response))\n"},
    {"NoWget",
     {"--root", "{root}/found"},
     1,
     "",
     "debian_mirror: no Debian archive source in {root}/found/etc/apt/sources.list.d/"
     "debian.sources; no Release names Origin: Debian: "
     "http://deb.debian.org/debian/dists/bookworm/Release (cannot fetch: cannot run wget), "
     "http://deb.debian.org/debian/dists/bookworm-updates/Release (cannot fetch: cannot run "
     "wget)\n",
     "{root}/empty"},
};

INSTANTIATE_TEST_SUITE_P(Runs, DebianMirrorProgram, ::testing::ValuesIn(programCases),
                         testsupport::caseName);

} // namespace
} // namespace stagetest
