#include "tests/windows_stage/apt_sources.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <system_error>

namespace stagetest {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isSpace(char c) {
    return isBlank(c) || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && lowered(text.substr(0, prefix.size())) == prefix;
}

bool contains(const std::vector<std::string>& values, std::string_view value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> result;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isSpace(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !isSpace(text[at])) {
            ++at;
        }
        if (at > start) {
            result.emplace_back(text.substr(start, at - start));
        }
    }
    return result;
}

// Calls `onLine` with each line, without its line break (LF or CRLF).
template <typename OnLine> void forEachLine(std::string_view text, OnLine&& onLine) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        onLine(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
}

// --- one-line format ---------------------------------------------------------------------

void skipBlanks(std::string_view line, std::size_t& at) {
    while (at < line.size() && isBlank(line[at])) {
        ++at;
    }
}

// The next word of a one-line source. Blanks end it except inside [ ] or " ", as apt reads it:
// a cdrom: URI holds its disc's name in brackets. Quotes are dropped, brackets kept.
std::optional<std::string> nextWord(std::string_view line, std::size_t& at) {
    skipBlanks(line, at);
    if (at == line.size()) {
        return std::nullopt;
    }
    std::string word;
    char closing = 0;
    for (; at < line.size(); ++at) {
        const char c = line[at];
        if (closing == 0 && isBlank(c)) {
            break;
        }
        if (closing != 0 && c == closing) {
            closing = 0;
        } else if (closing == 0 && (c == '[' || c == '"')) {
            closing = c == '[' ? ']' : '"';
        }
        if (c != '"') {
            word += c;
        }
    }
    return word;
}

std::vector<std::string> commaSeparated(std::string_view text) {
    std::vector<std::string> values;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        if (const std::string_view value = trimmed(text.substr(0, comma)); !value.empty()) {
            values.emplace_back(value);
        }
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return values;
}

// "arch=amd64,i386" and "arch-=i386" of the options in brackets; "arch+=" adds foreign
// architectures only, so it leaves the machine's own served.
void readArchitectureOptions(std::string_view options, AptSource& source) {
    for (const std::string& option : words(options)) {
        const std::string_view text = option;
        if (startsWithNoCase(text, "arch=")) {
            source.architectures = commaSeparated(text.substr(5));
        } else if (startsWithNoCase(text, "arch-=")) {
            source.removedArchitectures = commaSeparated(text.substr(6));
        }
    }
}

std::optional<AptSource> parseOneLine(std::string_view line) {
    line = line.substr(0, line.find('#'));
    std::size_t at = 0;
    const std::optional<std::string> type = nextWord(line, at);
    if (!type || (*type != "deb" && *type != "deb-src")) {
        return std::nullopt;
    }
    skipBlanks(line, at);
    std::string_view options;
    if (at < line.size() && line[at] == '[') {
        const std::size_t close = line.find(']', at);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        options = line.substr(at + 1, close - at - 1);
        at = close + 1;
    }
    const std::optional<std::string> uri = nextWord(line, at);
    const std::optional<std::string> suite = nextWord(line, at);
    if (!uri || !suite) {
        return std::nullopt;
    }
    AptSource source{{*type}, {*uri}, {*suite}, {}, {}, {}};
    readArchitectureOptions(options, source);
    while (const std::optional<std::string> component = nextWord(line, at)) {
        source.components.push_back(*component);
    }
    // Only an exact path (a suite ending in "/") goes without components.
    if (source.components.empty() && suite->back() != '/') {
        return std::nullopt;
    }
    return source;
}

// --- deb822 ------------------------------------------------------------------------------

struct Field {
    std::string name; // lower case: apt reads field names without case
    std::string value;
};

struct Stanza {
    std::vector<Field> fields;
    bool malformed = false;

    const std::string* find(std::string_view name) const {
        for (const Field& field : fields) {
            if (field.name == name) {
                return &field.value;
            }
        }
        return nullptr;
    }
};

std::vector<Stanza> splitStanzas(std::string_view text) {
    std::vector<Stanza> stanzas;
    Stanza current;
    const auto finish = [&] {
        if (!current.fields.empty() || current.malformed) {
            stanzas.push_back(std::move(current));
        }
        current = Stanza();
    };
    forEachLine(text, [&](std::string_view line) {
        if (!line.empty() && line.front() == '#') {
            return;
        }
        if (trimmed(line).empty()) {
            finish();
        } else if (isBlank(line.front())) {
            if (current.fields.empty()) {
                current.malformed = true;
            } else {
                current.fields.back().value += '\n';
                current.fields.back().value += trimmed(line);
            }
        } else if (const std::size_t colon = line.find(':'); colon == std::string_view::npos) {
            current.malformed = true;
        } else {
            current.fields.push_back({lowered(trimmed(line.substr(0, colon))),
                                      std::string(trimmed(line.substr(colon + 1)))});
        }
    });
    finish();
    return stanzas;
}

// apt's reading of a false boolean; any other value leaves the stanza enabled, as in apt.
bool isDisabled(const Stanza& stanza) {
    const std::string* enabled = stanza.find("enabled");
    if (enabled == nullptr) {
        return false;
    }
    static constexpr std::array<std::string_view, 6> no = {"no",  "false",   "without",
                                                           "off", "disable", "0"};
    return std::find(no.begin(), no.end(), lowered(*enabled)) != no.end();
}

std::vector<std::string> wordsOf(const Stanza& stanza, std::string_view name) {
    const std::string* value = stanza.find(name);
    return value == nullptr ? std::vector<std::string>() : words(*value);
}

// --- usability ---------------------------------------------------------------------------

bool isHttp(std::string_view uri) {
    for (const std::string_view scheme :
         {std::string_view("http://"), std::string_view("https://")}) {
        if (uri.size() > scheme.size() && startsWithNoCase(uri, scheme)) {
            return true;
        }
    }
    return false;
}

// The absolute path of a file: URI's rest ("/path", "///path", "//localhost/path").
std::optional<std::filesystem::path> localPathOf(std::string_view rest) {
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && lowered(host) != "localhost") {
            return std::nullopt;
        }
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest.front() != '/') {
        return std::nullopt;
    }
    return std::filesystem::path(rest);
}

// Reads a whole file; the error says why it could not be read.
std::optional<std::string> readWhole(const std::filesystem::path& path, std::string& error) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes;
    char buffer[8192];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0) {
        bytes.append(buffer, got);
    }
    if (std::ferror(file.get()) != 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    return bytes;
}

bool isRegularFile(const std::filesystem::path& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

// The names apt takes from sources.list.d; others it ignores (with a notice or silently).
bool isSourcesPartName(const std::string& name) {
    if (name.empty() || name.front() == '.') {
        return false;
    }
    const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-' || c == '.';
    });
    const auto endsWith = [&](std::string_view suffix) {
        return name.size() > suffix.size() &&
               name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    return plain && (endsWith(".list") || endsWith(".sources"));
}

// The Release file of a suite on a mirror.
std::string releaseUrl(const std::string& mirror, const std::string& suite) {
    return mirror + (mirror.back() == '/' ? "" : "/") + "dists/" + suite + "/Release";
}

class Search {
public:
    Search(const AptFolders& folders, std::string_view architecture, const ReleaseFetch& fetch)
        : folders_(folders), architecture_(architecture), fetchRelease_(fetch) {
        result_.aptDir = folders.aptDir;
    }

    MirrorSearch run() {
        for (const std::filesystem::path& file : sourcesFiles()) {
            const std::optional<std::string> text = read(file);
            if (!text) {
                continue;
            }
            const bool deb822 = file.extension() == ".sources";
            for (const AptSource& source :
                 deb822 ? parseDeb822Sources(*text) : parseOneLineSources(*text)) {
                if ((result_.mirror = debianMirrorOf(source))) {
                    return std::move(result_);
                }
            }
        }
        return std::move(result_);
    }

private:
    // sources.list, then the parts in byte order of their names, as apt sorts them.
    std::vector<std::filesystem::path> sourcesFiles() {
        std::vector<std::filesystem::path> files;
        const std::filesystem::path main = folders_.aptDir / "sources.list";
        if (isRegularFile(main)) {
            files.push_back(main);
        }
        const std::filesystem::path parts = folders_.aptDir / "sources.list.d";
        std::error_code error;
        const std::filesystem::file_status status = std::filesystem::status(parts, error);
        if (status.type() == std::filesystem::file_type::not_found) {
            return files;
        }
        if (error || status.type() != std::filesystem::file_type::directory) {
            result_.files.push_back({parts, error ? error.message() : "not a folder"});
            return files;
        }
        std::vector<std::string> names;
        std::filesystem::directory_iterator entry(parts, error);
        for (const std::filesystem::directory_iterator end; !error && entry != end;
             entry.increment(error)) {
            const std::string name = entry->path().filename().string();
            if (isSourcesPartName(name) && isRegularFile(entry->path())) {
                names.push_back(name);
            }
        }
        if (error) {
            result_.files.push_back({parts, error.message()});
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            files.push_back(parts / name);
        }
        return files;
    }

    std::optional<std::string> read(const std::filesystem::path& path) {
        std::string error;
        std::optional<std::string> text = readWhole(path, error);
        result_.files.push_back({path, error});
        return text;
    }

    std::optional<std::string> debianMirrorOf(const AptSource& source) {
        // debootstrap installs from main; a source without it is no Debian archive.
        if (!contains(source.types, "deb") || !contains(source.components, "main") ||
            !servesArchitecture(source, architecture_)) {
            return std::nullopt;
        }
        std::vector<std::string> suites;
        std::copy_if(source.suites.begin(), source.suites.end(), std::back_inserter(suites),
                     [](const std::string& s) { return isDebianArchiveSuite(s); });
        if (suites.empty()) {
            return std::nullopt;
        }
        for (const std::string& uri : source.uris) {
            for (const std::string& mirror : mirrorsOf(uri)) {
                for (const std::string& suite : suites) {
                    if (namesDebianOrigin(releaseUrl(mirror, suite))) {
                        return mirror;
                    }
                }
            }
        }
        return std::nullopt;
    }

    std::vector<std::string> mirrorsOf(const std::string& uri) {
        if (isHttp(uri)) {
            return {uri};
        }
        if (startsWithNoCase(uri, "mirror+file:")) {
            return mirrorsOfListFile(std::string_view(uri).substr(12));
        }
        // file: would name a folder of this machine that the root's own apt, which debootstrap
        // points at the same URI, cannot see; cdrom:, copy:, tor+ and mirror lists fetched over
        // the network are no plain archive either.
        return {};
    }

    std::vector<std::string> mirrorsOfListFile(std::string_view rest) {
        const std::optional<std::filesystem::path> path = localPathOf(rest);
        if (!path) {
            return {};
        }
        // Lexically, "/.." is "/", so no list is read from outside the root.
        const std::filesystem::path underRoot =
            folders_.root / path->lexically_normal().relative_path();
        const auto known = lists_.find(underRoot);
        if (known != lists_.end()) {
            return known->second;
        }
        const std::optional<std::string> text = read(underRoot);
        std::vector<std::string> mirrors = text ? mirrorsOfList(*text) : std::vector<std::string>();
        lists_.emplace(underRoot, mirrors);
        return mirrors;
    }

    // A Release that failed once is not fetched again; one that names Debian ends the search.
    bool namesDebianOrigin(const std::string& url) {
        if (std::any_of(result_.releases.begin(), result_.releases.end(),
                        [&](const ReleaseChecked& checked) { return checked.url == url; })) {
            return false;
        }
        const ReleaseAnswer answer = fetchRelease_(url);
        if (!answer.text) {
            result_.releases.push_back({url, "cannot fetch: " + answer.error});
            return false;
        }
        const std::string origin = originOfRelease(*answer.text);
        if (origin == "Debian") {
            return true;
        }
        result_.releases.push_back({url, origin.empty() ? "no Origin" : "Origin: " + origin});
        return false;
    }

    const AptFolders& folders_;
    const std::string architecture_;
    const ReleaseFetch& fetchRelease_;
    MirrorSearch result_;
    std::map<std::filesystem::path, std::vector<std::string>> lists_;
};

} // namespace

std::vector<AptSource> parseOneLineSources(std::string_view text) {
    std::vector<AptSource> sources;
    forEachLine(text, [&](std::string_view line) {
        if (std::optional<AptSource> source = parseOneLine(line)) {
            sources.push_back(std::move(*source));
        }
    });
    return sources;
}

std::vector<AptSource> parseDeb822Sources(std::string_view text) {
    std::vector<AptSource> sources;
    for (const Stanza& stanza : splitStanzas(text)) {
        if (stanza.malformed || isDisabled(stanza)) {
            continue;
        }
        AptSource source{wordsOf(stanza, "types"),         wordsOf(stanza, "uris"),
                         wordsOf(stanza, "suites"),        wordsOf(stanza, "components"),
                         wordsOf(stanza, "architectures"), wordsOf(stanza, "architectures-remove")};
        if (!source.types.empty() && !source.uris.empty() && !source.suites.empty()) {
            sources.push_back(std::move(source));
        }
    }
    return sources;
}

bool isDebianArchiveSuite(std::string_view suite) {
    // experimental is left out: it holds only what is added to unstable, so nothing bootstraps
    // from it alone.
    static constexpr std::array<std::string_view, 23> releases = {
        "hamm",         "slink",     "potato", "woody",   "sarge",   "etch",
        "lenny",        "squeeze",   "wheezy", "jessie",  "stretch", "buster",
        "bullseye",     "bookworm",  "trixie", "forky",   "duke",    "sid",
        "oldoldstable", "oldstable", "stable", "testing", "unstable"};
    static constexpr std::array<std::string_view, 5> pockets = {"", "-updates", "-proposed-updates",
                                                                "-backports", "-backports-sloppy"};
    for (const std::string_view pocket : pockets) {
        if (suite.size() > pocket.size() && suite.substr(suite.size() - pocket.size()) == pocket) {
            const std::string_view release = suite.substr(0, suite.size() - pocket.size());
            if (std::find(releases.begin(), releases.end(), release) != releases.end()) {
                return true;
            }
        }
    }
    return false;
}

std::vector<std::string> mirrorsOfList(std::string_view text) {
    // A mirror limited to some files (an architecture, index files only, ...) cannot serve a
    // whole bootstrap.
    static constexpr std::array<std::string_view, 6> limits = {"arch", "codename", "component",
                                                               "lang", "suite",    "type"};
    constexpr long unset = std::numeric_limits<long>::max();
    std::vector<std::pair<long, std::string>> mirrors;
    forEachLine(text, [&](std::string_view line) {
        line = trimmed(line);
        if (line.empty() || line.front() == '#') {
            return;
        }
        const std::vector<std::string> items = words(line);
        long priority = unset;
        bool limited = false;
        for (std::size_t i = 1; i < items.size(); ++i) {
            const std::string_view item = items[i];
            const std::string key = lowered(item.substr(0, item.find(':')));
            if (key == "priority" && item.size() > key.size() + 1) {
                const std::string_view number = item.substr(key.size() + 1);
                long value = 0;
                const auto parsed =
                    std::from_chars(number.data(), number.data() + number.size(), value);
                if (parsed.ec == std::errc() && parsed.ptr == number.data() + number.size()) {
                    priority = value;
                }
            } else if (std::find(limits.begin(), limits.end(), key) != limits.end()) {
                limited = true;
            }
        }
        if (!limited && isHttp(items.front())) {
            mirrors.emplace_back(priority, items.front());
        }
    });
    // Lowest priority first; among equals, the file's order.
    std::stable_sort(mirrors.begin(), mirrors.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> result;
    for (auto& mirror : mirrors) {
        result.push_back(std::move(mirror.second));
    }
    return result;
}

std::string originOfRelease(std::string_view release) {
    const std::vector<Stanza> stanzas = splitStanzas(release);
    const std::string* origin = stanzas.empty() ? nullptr : stanzas.front().find("origin");
    return origin == nullptr ? std::string() : *origin;
}

bool servesArchitecture(const AptSource& source, std::string_view architecture) {
    return (source.architectures.empty() || contains(source.architectures, architecture)) &&
           !contains(source.removedArchitectures, architecture);
}

std::string MirrorSearch::failure() const {
    if (files.empty()) {
        return "no Debian archive source in " + aptDir.string() + " (no sources files)";
    }
    std::string text = "no Debian archive source in ";
    for (std::size_t i = 0; i < files.size(); ++i) {
        text += (i == 0 ? "" : ", ") + files[i].path.string();
        if (!files[i].error.empty()) {
            text += " (cannot read: " + files[i].error + ")";
        }
    }
    for (std::size_t i = 0; i < releases.size(); ++i) {
        text += (i == 0 ? "; no Release names Origin: Debian: " : ", ") + releases[i].url + " (" +
                releases[i].verdict + ")";
    }
    return text;
}

MirrorSearch findDebianMirror(const AptFolders& folders, std::string_view architecture,
                              const ReleaseFetch& fetchRelease) {
    return Search(folders, architecture, fetchRelease).run();
}

} // namespace stagetest
