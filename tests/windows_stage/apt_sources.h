#pragma once
// The Debian mirror of a machine, read from its apt configuration the way apt reads it, for the
// stage's debootstrap: sources.list, then sources.list.d/*.list and *.sources in file name order;
// the one-line format and deb822. Only a source of Debian's own archive is taken, one that
// debootstrap and the root's own apt can use afterwards.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stagetest {

// One line of the one-line format or one deb822 stanza. Options in brackets and fields other
// than these are read past.
struct AptSource {
    std::vector<std::string> types;
    std::vector<std::string> uris;
    std::vector<std::string> suites;
    std::vector<std::string> components;
};

// Lines that are not a valid "deb" or "deb-src" line are left out, as are comments.
std::vector<AptSource> parseOneLineSources(std::string_view text);
// Stanzas with "Enabled: no" are left out, as are stanzas without Types, URIs or Suites.
std::vector<AptSource> parseDeb822Sources(std::string_view text);

// A release of Debian's archive: a codename or an alias (stable, testing, ...), alone or with
// "-updates", "-proposed-updates", "-backports" or "-backports-sloppy". Never a security suite.
bool isDebianArchiveSuite(std::string_view suite);

// The mirror that a mirror list (mirror+file:) leads to: the first http(s) entry in apt's
// order of priority (the file's order among equals) that serves everything, so not one limited
// by its metadata to some files (arch:, type:, ...).
std::optional<std::string> mirrorOfList(std::string_view text);

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

struct MirrorSearch {
    std::optional<std::string> mirror; // as the source (or its mirror list) writes it
    std::filesystem::path aptDir;
    std::vector<FileRead> files; // in the order they were read

    // "no Debian archive source in <file>, <file> (cannot read: <reason>), ...", or "... in
    // <aptDir> (no sources files)" when there was none to read.
    std::string failure() const;
};

// The first usable source in apt's order. Reads nothing but the apt folder's sources files and
// the lists of mirror+file: sources under `root`; files that cannot be read are skipped and
// kept in `files` with the reason.
MirrorSearch findDebianMirror(const AptFolders& folders);

} // namespace stagetest
