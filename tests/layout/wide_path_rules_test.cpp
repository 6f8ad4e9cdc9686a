// Above platform/, paths meet wide text only through platform::pathFromWide and
// platform::wideFromPath: on Linux the library's own conversion follows the "C" locale, whatever
// the user's, and fails on any character beyond ASCII.
//
// The rule reads the sources without their types, so it reports these forms and no others;
// comments and the insides of literals are not read, and a path is a std::filesystem::path or
// fs::path spelled so:
// - wstring() or generic_wstring() called on anything;
// - a path made on the spot, path(x) or path{x}, from anything but nothing, a narrow or u8
//   literal or a std::u8string;
// - wide text made into a path by a declaration (path p(w), path p{w}, path p = w, a reference
//   bound so), joined to a path (root / w, root /= w) or handed to replace_filename,
//   replace_extension or concat.
// Wide text there is a wide literal, or an expression that starts with a chain of names joined by
// ".", "->" or "::", calls allowed between them (w, row.title, app.job(0).title, label(game)),
// one of whose names is wstring, wstring_view, wideFromUtf8, wideFromPath, or a name that the
// file, or a source file's own header, declares anywhere as wide: of type std::wstring or
// std::wstring_view (a variable, parameter, member or function returning one), a wchar_t
// pointer or array, or an auto initialised from a wide literal, std::wstring, std::wstring_view,
// wideFromUtf8 or wideFromPath.
// So it misses wide text that it cannot see as such (a name declared in another file, an element
// of a container, an auto copied from a wide name) and paths that it cannot see (the type spelled
// otherwise; wide text assigned to a path, added to one with += or append, returned as one, or
// passed where one is expected: readFile(w)).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <regex>
#include <set>
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

// --- The code as the rules read it ---

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// The offset of the quote that closes the literal opened at `at`, escapes skipped; an
// unterminated one ends at its line's end.
std::size_t quotedEnd(const std::string& text, std::size_t at) {
    std::size_t i = at + 1;
    while (i < text.size() && text[i] != text[at] && text[i] != '\n') {
        i += text[i] == '\\' ? 2 : 1;
    }
    return std::min(i, text.size());
}

// The offset of the quote that closes the raw literal whose opening quote is at `at`.
std::size_t rawEnd(const std::string& text, std::size_t at) {
    const std::size_t open = text.find('(', at);
    if (open == std::string::npos) {
        return text.size();
    }
    const std::string close = ")" + text.substr(at + 1, open - at - 1) + "\"";
    const std::size_t end = text.find(close, open);
    return end == std::string::npos ? text.size() : end + close.size() - 1;
}

// The end of the number that starts at `at`: its digit separators open no literal.
std::size_t numberEnd(const std::string& text, std::size_t at) {
    std::size_t i = at;
    while (i < text.size() &&
           (isWordChar(text[i]) || text[i] == '.' ||
            (text[i] == '\'' && i + 1 < text.size() && isWordChar(text[i + 1])))) {
        ++i;
    }
    return i;
}

std::size_t lineEnd(const std::string& text, std::size_t at) {
    return std::min(text.find('\n', at), text.size());
}

// The text with its comments, the insides of its literals and the names of its includes taken
// out. Quotes, literal prefixes (L, u8, R) and line ends stay, so that a rule still tells L"" from
// u8"" and every place keeps its line.
class Code {
public:
    explicit Code(const std::string& text) : text_(text) {
        std::size_t at = 0;
        while (at < text_.size()) {
            at = skip(at);
        }
    }
    const std::string& text() const { return code_; }

private:
    // Keeps or takes out what opens at `at`; returns where the next token opens.
    std::size_t skip(std::size_t at) {
        const char c = text_[at];
        const char next = at + 1 < text_.size() ? text_[at + 1] : '\0';
        if (c == '/' && next == '/') {
            return drop(at, lineEnd(text_, at));
        }
        if (c == '/' && next == '*') {
            const std::size_t close = text_.find("*/", at + 2);
            return drop(at, close == std::string::npos ? text_.size() : close + 2);
        }
        if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            return keep(at, numberEnd(text_, at));
        }
        if (isWordChar(c)) {
            return word(at);
        }
        if (c == '"' || c == '\'') {
            return literal(at, quotedEnd(text_, at));
        }
        if (c == '#') {
            std::size_t i = at + 1;
            while (i < text_.size() && (text_[i] == ' ' || text_[i] == '\t')) {
                ++i;
            }
            if (text_.compare(i, 7, "include") == 0) {
                keep(at, i + 7);
                return drop(i + 7, lineEnd(text_, i));
            }
        }
        return keep(at, at + 1);
    }

    // A name, or a raw literal with its prefix.
    std::size_t word(std::size_t at) {
        static const std::set<std::string> rawPrefixes{"R", "LR", "u8R", "uR", "UR"};
        std::size_t end = at;
        while (end < text_.size() && isWordChar(text_[end])) {
            ++end;
        }
        keep(at, end);
        if (end < text_.size() && text_[end] == '"' &&
            rawPrefixes.contains(text_.substr(at, end - at))) {
            return literal(end, rawEnd(text_, end));
        }
        return end;
    }

    // Keeps the literal's quotes and line ends, from the opening quote to the closing one.
    std::size_t literal(std::size_t open, std::size_t close) {
        code_ += text_[open];
        drop(open + 1, close);
        if (close < text_.size()) {
            code_ += text_[close];
        }
        return std::min(close + 1, text_.size());
    }

    std::size_t keep(std::size_t from, std::size_t to) {
        code_.append(text_, from, to - from);
        return to;
    }

    // Keeps the line ends of the span alone; returns its end.
    std::size_t drop(std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            if (text_[i] == '\n') {
                code_ += '\n';
            }
        }
        return to;
    }

    const std::string& text_;
    std::string code_;
};

// --- Wide text ---

using Names = std::set<std::string>;

// The names of the expression outside its calls' arguments: "app.job(0).title" -> app, job,
// title.
std::vector<std::string> namesOf(const std::string& chain) {
    static const std::regex arguments(R"(\([^()]*\))");
    static const std::regex name(R"([A-Za-z_]\w*)");
    const std::string bare = std::regex_replace(chain, arguments, " ");
    std::vector<std::string> names;
    for (auto it = std::sregex_iterator(bare.begin(), bare.end(), name);
         it != std::sregex_iterator(); ++it) {
        names.push_back(it->str());
    }
    return names;
}

// The names that this code declares as wide text.
Names declaredWide(const std::string& code) {
    // The last part of a qualified name is what the code uses: "App::title" -> title.
    static const std::string name = R"((?:[A-Za-z_]\w*\s*::\s*)*([A-Za-z_]\w*))";
    static const std::vector<std::regex> declarations{
        // std::wstring w, const std::wstring& w, std::wstring_view const title, a member, a
        // function returning one.
        std::regex(R"(\bwstring(?:_view)?\b(?:\s*const\b)?\s*[&*]*\s*)" + name +
                   R"((?=\s*[=;,(){}\[:]))"),
        // const wchar_t* w, wchar_t* const* w, wchar_t w[8].
        std::regex(R"(\bwchar_t\b(?:\s*const\b)?\s*(?:\*\s*(?:const\b)?\s*)+)" + name),
        std::regex(R"(\bwchar_t\s+)" + name + R"((?=\s*\[))"),
        // auto w = L"...", = std::wstring(...), = platform::wideFromUtf8(...).
        std::regex(R"(\bauto\s*[&*]*\s*)" + name +
                   R"(\s*=\s*(?:L["']|(?:std::)?wstring|(?:platform::)?wideFrom(?:Utf8|Path)\b))"),
    };
    Names names;
    for (const std::regex& declaration : declarations) {
        for (auto it = std::sregex_iterator(code.begin(), code.end(), declaration);
             it != std::sregex_iterator(); ++it) {
            names.insert((*it)[1].str());
        }
    }
    return names;
}

// The wide name of the expression, if it has one.
std::string wideNameIn(const std::string& chain, const Names& wide) {
    static const Names alwaysWide{"wstring", "wstring_view", "wideFromUtf8", "wideFromPath"};
    for (const std::string& name : namesOf(chain)) {
        if (wide.contains(name) || alwaysWide.contains(name)) {
            return name;
        }
    }
    return {};
}

// --- The rules ---

std::size_t lineOf(const std::string& code, std::ptrdiff_t offset) {
    return static_cast<std::size_t>(1 + std::count(code.begin(), code.begin() + offset, '\n'));
}

// What every rule reports at one place.
struct Finding {
    std::size_t line;
    std::string what;
};

// wstring() of a path, and a path made on the spot from text that is not UTF-8.
void findConversions(const std::string& code, std::vector<std::vector<Finding>>& found) {
    struct Rule {
        std::regex pattern;
        const char* what;
    };
    static const std::vector<Rule> rules{
        {std::regex(R"((\.|->)\s*(generic_)?wstring\s*\(\s*\))"), "wstring() of a path"},
        {std::regex(R"((filesystem|fs)::path\s*[({]\s*(?![)}]|std::u8string\s*[({]|u8"|"))"),
         "a path made from text that is not UTF-8"},
    };
    for (const Rule& rule : rules) {
        std::vector<Finding>& list = found.emplace_back();
        for (auto it = std::sregex_iterator(code.begin(), code.end(), rule.pattern);
             it != std::sregex_iterator(); ++it) {
            list.push_back({lineOf(code, it->position()), rule.what});
        }
    }
}

// Wide text made into a path, joined to one or handed to its replace_filename,
// replace_extension or concat.
void findWideOperands(const std::string& code, const Names& wide,
                      std::vector<std::vector<Finding>>& found) {
    // A wide literal, or the leading chain of names of an expression: a.b->c(...)::d.
    static const std::string operand =
        R"((?:(L["'])|((?:[A-Za-z_]\w*\s*(?:\([^()]*\)\s*)?(?:\.|->|::)\s*)*[A-Za-z_]\w*)))";
    struct Place {
        std::regex pattern;
        // What the finding says, from the wide text's words and the match.
        std::string (*say)(const std::string& wideText, const std::smatch& match);
    };
    static const std::vector<Place> places{
        {std::regex(R"(\b(?:filesystem|fs)::path\b\s*(?:const\b\s*)?&?\s*[A-Za-z_]\w*\s*[=({]\s*)" +
                    operand),
         [](const std::string& text, const std::smatch&) { return "a path made from " + text; }},
        {std::regex(R"(/=?\s*)" + operand),
         [](const std::string& text, const std::smatch&) { return text + " joined to a path"; }},
        {std::regex(R"((?:\.|->)\s*(replace_filename|replace_extension|concat)\s*\(\s*)" + operand),
         [](const std::string& text, const std::smatch& match) {
             return text + " handed to " + match[1].str() + "()";
         }},
    };
    for (const Place& place : places) {
        std::vector<Finding>& list = found.emplace_back();
        for (auto it = std::sregex_iterator(code.begin(), code.end(), place.pattern);
             it != std::sregex_iterator(); ++it) {
            // The operand's two groups are the pattern's last two.
            const std::smatch& match = *it;
            const std::size_t literal = match.size() - 2;
            std::string text;
            if (match[literal].matched) {
                text = "a wide literal";
            } else if (const std::string name = wideNameIn(match[literal + 1].str(), wide);
                       !name.empty()) {
                text = "wide text " + name;
            } else {
                continue;
            }
            list.push_back({lineOf(code, match.position()), place.say(text, match)});
        }
    }
}

// The header of a source file: "app/a.cpp" -> "app/a.h".
std::string headerOf(const std::string& file) {
    return file.ends_with(".cpp") ? file.substr(0, file.size() - 4) + ".h" : std::string();
}

// "file:line: what" for each place where a path meets wide text without the seam's two
// conversions, file by file, rule by rule.
std::vector<std::string> widePathUses(const Sources& sources) {
    std::map<std::string, std::string> codes;
    for (const auto& [file, text] : sources) {
        codes[file] = Code(text).text();
    }
    std::vector<std::string> uses;
    for (const auto& [file, code] : codes) {
        Names wide = declaredWide(code);
        if (const auto header = codes.find(headerOf(file)); header != codes.end()) {
            wide.merge(declaredWide(header->second));
        }
        std::vector<std::vector<Finding>> found;
        findConversions(code, found);
        findWideOperands(code, wide, found);
        for (const auto& rule : found) {
            for (const Finding& finding : rule) {
                uses.push_back(file + ":" + std::to_string(finding.line) + ": " + finding.what);
            }
        }
    }
    return uses;
}

TEST(WidePaths, TheSpelledOutConversionsAndWideLiteralsAreReported) {
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

// --- Wide text by its name: each form the rule reports, then lookalikes that must pass ---

struct FormCase {
    const char* name;
    Sources sources;
    std::vector<std::string> reported; // none: the code passes
    friend void PrintTo(const FormCase& c, std::ostream* out) { *out << c.name; }
};

Sources oneFile(const char* code) {
    return {{"app/x.cpp", code}};
}

const FormCase formCases[] = {
    // Caught.
    {"MadeWithParentheses",
     oneFile("void f(const std::wstring& w) {\n    std::filesystem::path p(w);\n}\n"),
     {"app/x.cpp:2: a path made from wide text w"}},
    {"MadeWithBraces",
     oneFile("void f(std::wstring_view w) {\n    const fs::path p{w};\n}\n"),
     {"app/x.cpp:2: a path made from wide text w"}},
    {"MadeByCopy",
     oneFile("const wchar_t* w = L\"x\";\nconst std::filesystem::path& p = w;\n"),
     {"app/x.cpp:2: a path made from wide text w"}},
    {"Joined",
     oneFile("std::wstring w;\nauto p = root / w;\n"),
     {"app/x.cpp:2: wide text w joined to a path"}},
    {"JoinedInPlace",
     oneFile("wchar_t w[8] = {};\nroot /= w;\n"),
     {"app/x.cpp:2: wide text w joined to a path"}},
    {"HandedToReplaceFilename",
     oneFile("auto w = L\"shot.png\";\nshot.replace_filename(w);\n"),
     {"app/x.cpp:2: wide text w handed to replace_filename()"}},
    {"HandedToReplaceExtension",
     oneFile("const auto w = std::wstring(L\"png\");\nshot->replace_extension(w);\n"),
     {"app/x.cpp:2: wide text w handed to replace_extension()"}},
    {"HandedToConcat",
     oneFile("auto w = platform::wideFromUtf8(text);\nname.concat(w);\n"),
     {"app/x.cpp:2: wide text w handed to concat()"}},
    {"AWideLiteralHandedToReplaceFilename",
     oneFile("shot.replace_filename(L\"a.png\");\n"),
     {"app/x.cpp:1: a wide literal handed to replace_filename()"}},
    {"AMember",
     oneFile("struct Row {\n    std::wstring title;\n};\nauto p = root / row.title;\n"),
     {"app/x.cpp:4: wide text title joined to a path"}},
    {"AMemberOfTheSourceFilesHeader",
     {{"app/x.h", "struct Job {\n    std::wstring folder;\n};\n"},
      {"app/x.cpp", "const std::filesystem::path p = job->folder;\n"}},
     {"app/x.cpp:1: a path made from wide text folder"}},
    {"AFunctionThatReturnsWideText",
     oneFile("std::wstring App::label(int game) const;\nconst auto p = root / label(game);\n"),
     {"app/x.cpp:2: wide text label joined to a path"}},
    {"AWideTemporary",
     oneFile("auto p = root / std::wstring(name);\n"),
     {"app/x.cpp:1: wide text wstring joined to a path"}},
    {"TheSeamsWideText",
     oneFile("auto p = root / platform::wideFromPath(folder);\n"),
     {"app/x.cpp:1: wide text wideFromPath joined to a path"}},
    {"AfterADigitSeparator",
     oneFile("std::wstring w;\nconst int n = 1'000; auto p = root / w;\n"),
     {"app/x.cpp:2: wide text w joined to a path"}},
    // Passed.
    {"APathFromNarrowText",
     oneFile("const std::string narrow;\nstd::filesystem::path p(narrow);\n"),
     {}},
    {"NarrowLiteralsJoined", oneFile("std::wstring w;\nauto p = root / \"x\" / \"w\";\n"), {}},
    {"WideTextThroughTheSeam",
     oneFile("void f(const std::wstring& w) {\n"
             "    std::filesystem::path p(platform::pathFromWide(w));\n"
             "    const std::filesystem::path q = platform::pathFromWide(w);\n"
             "    p = root / platform::pathFromWide(w);\n"
             "    p.replace_filename(platform::pathFromWide(w));\n"
             "}\n"),
     {}},
    {"ANameThatOnlyStartsLikeAWideOne", oneFile("std::wstring w;\nauto p = root / width;\n"), {}},
    {"WideNamesInCommentsAndLiterals",
     oneFile("std::wstring w;\n// root / w\nconst char* shown = \"root / w\";\n"
             "const wchar_t* slash = L\"/w\";\nauto hlsl = R\"(float x = y / w;)\";\n"),
     {}},
    {"AWideNameOfAnotherFile",
     {{"app/y.cpp", "std::wstring w;\n"}, {"app/x.cpp", "std::string w;\nauto p = root / w;\n"}},
     {}},
    {"WideTextOnItsOwn",
     oneFile("std::wstring w;\nconst auto slash = w.find(L'/');\ntext.replace(0, 1, w);\n"),
     {}},
    {"ADivision",
     oneFile("std::wstring_view count;\nconst double half = total / 2.0 / scale;\n"),
     {}},
};

class WideTextForms : public testing::TestWithParam<FormCase> {};

TEST_P(WideTextForms, AreReportedAndTheLookalikesPass) {
    EXPECT_EQ(widePathUses(GetParam().sources), GetParam().reported);
}

INSTANTIATE_TEST_SUITE_P(Cases, WideTextForms, testing::ValuesIn(formCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WidePaths, NoSourceAboveThePlatformHasAFormTheRuleReports) {
    const Sources sources = readSources(LUMENARK_SOURCE_DIR, portableFolders);
    ASSERT_TRUE(sources.contains("app/modes/entry_point.cpp"));
    EXPECT_EQ(widePathUses(sources), std::vector<std::string>{});
}

} // namespace
