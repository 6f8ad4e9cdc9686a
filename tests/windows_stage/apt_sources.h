#pragma once
// The Debian mirror of a machine, read from its apt configuration the way apt reads it, for the
// stage's debootstrap: sources.list, then sources.list.d/*.list and *.sources in file name order;
// the one-line format and deb822. Only a source of Debian's own archive is taken, one that
// debootstrap and the root's own apt can use afterwards: for the machine's architecture, and
// whose Release file names Debian as its origin (a third party's "stable main" is no Debian).
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stagetest {

// One line of the one-line format or one deb822 stanza. Options and fields other than these are
// read past.
struct AptSource {
    std::vector<std::string> types;
    std::vector<std::string> uris;
    std::vector<std::string> suites;
    std::vector<std::string> components;
    // "arch=" or "Architectures:": the only architectures the source serves (empty: any).
    std::vector<std::string> architectures;
    // "arch-=" or "Architectures-Remove:": taken out of the machine's own.
    std::vector<std::string> removedArchitectures;
};

// Whether apt reads the source for packages of the architecture.
bool servesArchitecture(const AptSource& source, std::string_view architecture);

// Lines that are not a valid "deb" or "deb-src" line are left out, as are comments.
std::vector<AptSource> parseOneLineSources(std::string_view text);
// Stanzas with "Enabled: no" are left out, as are stanzas without Types, URIs or Suites.
std::vector<AptSource> parseDeb822Sources(std::string_view text);

// A release of Debian's archive: a codename or an alias (stable, testing, ...), alone or with
// "-updates", "-proposed-updates", "-backports" or "-backports-sloppy". Never a security suite.
bool isDebianArchiveSuite(std::string_view suite);

// The mirrors that a mirror list (mirror+file:) leads to: its http(s) entries in apt's order of
// priority (the file's order among equals) that serve everything, so not one limited by its
// metadata to some files (arch:, type:, ...).
std::vector<std::string> mirrorsOfList(std::string_view text);

// The "Origin" that a Release file names, empty when it names none.
std::string originOfRelease(std::string_view release);

// What fetching a Release file gave: its text, or why there is none.
struct ReleaseAnswer {
    std::optional<std::string> text;
    std::string error;
};
using ReleaseFetch = std::function<ReleaseAnswer(const std::string& url)>;

struct AptFolders {
    // The folder holding sources.list and sources.list.d.
    std::filesystem::path aptDir = "/etc/apt";
    // The folder that stands for "/" when an absolute path written in a source is read (the
    // list of a mirror+file: source).
    std::filesystem::path root = "/";
};

// A file the search read, or tried to read.
struct FileRead {
    std::filesystem::path path;
    std::string error; // empty when it was read
};

// A candidate's Release file that named no Debian origin: the origin it named, or why it could
// not be fetched.
struct ReleaseChecked {
    std::string url;
    std::string verdict; // "Origin: <origin>", "no Origin" or "cannot fetch: <reason>"
};

struct MirrorSearch {
    std::optional<std::string> mirror; // as the source (or its mirror list) writes it
    std::filesystem::path aptDir;
    std::vector<FileRead> files;          // in the order they were read
    std::vector<ReleaseChecked> releases; // in the order they were fetched

    // "no Debian archive source in <file>, <file> (cannot read: <reason>), ...", or "... in
    // <aptDir> (no sources files)" when there was none to read; then, when candidates were
    // fetched, "; no Release names Origin: Debian: <url> (<verdict>), ...".
    std::string failure() const;
};

// The candidates in apt's order (a "deb" source with "main", a suite of Debian's archive and the
// architecture; each http(s) URI, or each mirror of its list), each asked for the Release file
// of its Debian suites in turn: the first whose Release names "Origin: Debian" is the mirror.
// Reads nothing but the apt folder's sources files and the lists of mirror+file: sources under
// `root`; files that cannot be read are skipped and kept in `files` with the reason. Each Release
// URL is fetched at most once.
MirrorSearch findDebianMirror(const AptFolders& folders, std::string_view architecture,
                              const ReleaseFetch& fetchRelease);

} // namespace stagetest
