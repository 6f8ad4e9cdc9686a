// Above platform/, paths meet wide text only through platform::pathFromWide and
// platform::wideFromPath: on Linux the library's own conversion follows the "C" locale, whatever
// the user's, and fails on any character beyond ASCII. The rule reads the sources, so it catches
// the forms that spell the conversion out.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The layers above the seam.
const std::vector<std::string> portableFolders{"shared", "backend", "presentation", "app"};

// Every source file of the folders by its path below the source root, with its text.
using Sources = std::map<std::string, std::string>;

Sources readSources(const std::filesystem::path& root, const std::vector<std::string>& folders) {
    Sources sources;
    for (const std::string& folder : folders) {
        if (!std::filesystem::is_directory(root / folder)) {
            continue;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
            const std::string extension = entry.path().extension().string();
            if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) {
                continue;
            }
            std::ifstream file(entry.path(), std::ios::binary);
            std::ostringstream text;
            text << file.rdbuf();
            sources[entry.path().lexically_relative(root).generic_string()] = text.str();
        }
    }
    return sources;
}

// The text with its comments blanked out, line ends kept so that offsets keep their lines.
std::string withoutComments(const std::string& text) {
    static const std::regex comment(R"(//[^\n]*|/\*[\s\S]*?\*/)");
    std::string result;
    std::size_t done = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), comment);
         it != std::sregex_iterator(); ++it) {
        const auto at = static_cast<std::size_t>(it->position());
        result += text.substr(done, at - done);
        for (const char c : it->str()) {
            result += c == '\n' ? '\n' : ' ';
        }
        done = at + static_cast<std::size_t>(it->length());
    }
    return result + text.substr(done);
}

// "file:line: what" for each place where a path meets wide text without the seam's two
// conversions: wstring() on a path, a path made on the spot from anything but UTF-8 or a narrow
// literal (wide text among it), and a wide literal put into a path.
std::vector<std::string> widePathUses(const Sources& sources) {
    struct Rule {
        std::regex pattern;
        const char* what;
    };
    static const std::vector<Rule> rules{
        {std::regex(R"((\.|->)\s*(generic_)?wstring\s*\(\s*\))"), "wstring() of a path"},
        {std::regex(R"((filesystem|fs)::path\s*[({]\s*(?![)}]|std::u8string\s*[({]|u8"|"))"),
         "a path made from text that is not UTF-8"},
        {std::regex(R"((filesystem|fs)::path\s+\w+\s*(=|\(|\{)\s*L["'])"),
         "a path made from a wide literal"},
        {std::regex(R"(/=?\s*L["'])"), "a wide literal joined to a path"},
    };
    std::vector<std::string> uses;
    for (const auto& [file, text] : sources) {
        const std::string code = withoutComments(text);
        for (const Rule& rule : rules) {
            for (auto it = std::sregex_iterator(code.begin(), code.end(), rule.pattern);
                 it != std::sregex_iterator(); ++it) {
                const auto line = 1 + std::count(code.begin(), code.begin() + it->position(), '\n');
                uses.push_back(file + ":" + std::to_string(line) + ": " + rule.what);
            }
        }
    }
    return uses;
}

TEST(WidePaths, EveryFormThatSkipsTheSeamIsReported) {
    const Sources sources{
        {"app/a.cpp", "auto p = std::filesystem::path(arguments.at(1));\n"
                      "auto w = folder.wstring();\n"
                      "auto g = entry->path().generic_wstring();\n"},
        {"app/b.cpp", "std::filesystem::path name = L\"shot.png\";\n"
                      "auto q = root / L\"shots\";\n"
                      "run(std::filesystem::path{\n    wide});\n"},
        {"backend/c.cpp",
         "// a comment may say std::filesystem::path(wide) or .wstring()\n"
         "return std::filesystem::path(std::u8string(text.begin(), text.end()));\n"
         "const std::filesystem::path none = std::filesystem::path();\n"
         "const std::filesystem::path folder = platform::pathFromWide(choice.folder);\n"
         "const auto log = root / \"logs\" / std::filesystem::path(\"a.txt\");\n"
         "std::wstring text = std::wstring();\n"
         "double half = total / 2.0;\n"}};
    EXPECT_EQ(widePathUses(sources),
              (std::vector<std::string>{"app/a.cpp:2: wstring() of a path",
                                        "app/a.cpp:3: wstring() of a path",
                                        "app/a.cpp:1: a path made from text that is not UTF-8",
                                        "app/b.cpp:3: a path made from text that is not UTF-8",
                                        "app/b.cpp:1: a path made from a wide literal",
                                        "app/b.cpp:2: a wide literal joined to a path"}));
}

TEST(WidePaths, AboveThePlatformPathsMeetWideTextOnlyThroughItsConversions) {
    const Sources sources = readSources(LUMENARK_SOURCE_DIR, portableFolders);
    ASSERT_TRUE(sources.contains("app/modes/entry_point.cpp"));
    EXPECT_EQ(widePathUses(sources), std::vector<std::string>{});
}

} // namespace
