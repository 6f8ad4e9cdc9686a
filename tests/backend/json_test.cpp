#include "backend/files/json.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

namespace qxlauncher {
namespace {

using namespace std::string_literals;

struct DocumentCase {
    const char* name;
    std::string text;
    bool wholeObject;
    bool leadingObject;
};

class JsonDocuments : public testing::TestWithParam<DocumentCase> {};

TEST_P(JsonDocuments, FollowTheTwoDocumentRules) {
    const DocumentCase& c = GetParam();
    JsonValue whole;
    EXPECT_EQ(parseJsonObjectDocument(c.text, whole), c.wholeObject);
    JsonValue leading;
    EXPECT_EQ(parseLeadingJsonObject(c.text, leading), c.leadingObject);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonDocuments,
    testing::Values(DocumentCase{"EmptyObject", "{}", true, true},
                    DocumentCase{"EmptyObjectWithWhitespace", " \t\r\n{ \t\r\n} \r\n\t", true,
                                 true},
                    DocumentCase{"EmptyArrayInside", "{\"a\":[ \n ]}", true, true},
                    DocumentCase{"TrailingCommaInObject", "{\"a\":1,}", false, false},
                    DocumentCase{"TrailingCommaInArray", "{\"a\":[1,]}", false, false},
                    DocumentCase{"MembersWithoutComma", "{\"a\":1 \"b\":2}", false, false},
                    DocumentCase{"DuplicateName", "{\"a\":1,\"a\":2}", false, false},
                    DocumentCase{"NamesDifferingInCase", "{\"a\":1,\"A\":2}", true, true},
                    DocumentCase{"TopLevelArray", "[1]", false, false},
                    DocumentCase{"TopLevelString", "\"x\"", false, false},
                    DocumentCase{"ObjectThenStrayLetter", "{} x", false, true},
                    DocumentCase{"ObjectThenSecondObject", "{}{}", false, true},
                    DocumentCase{"LiteralCutShort", "{\"a\":tru", false, false},
                    DocumentCase{"LiteralFollowedByLetter", "{\"a\":truex}", false, false},
                    DocumentCase{"MissingColon", "{\"a\" 1}", false, false},
                    DocumentCase{"UnquotedName", "{a:1}", false, false},
                    DocumentCase{"EndAfterComma", "{\"a\":1,", false, false},
                    DocumentCase{"HexadecimalNumber", "{\"a\":0x10}", false, false},
                    DocumentCase{"InfinityWord", "{\"a\":Infinity}", false, false},
                    DocumentCase{"NotANumberWord", "{\"a\":NaN}", false, false},
                    DocumentCase{"RawTabInString", "{\"a\":\"x\ty\"}", false, false},
                    DocumentCase{"BackslashX", "{\"a\":\"\\x41\"}", false, false},
                    DocumentCase{"RawNulInString", "{\"a\":\"x\0y\"}"s, false, false},
                    DocumentCase{"NulAfterDocument", "{}\0"s, false, true},
                    DocumentCase{"Empty", "", false, false},
                    DocumentCase{"OnlyWhitespace", "  \n", false, false}),
    [](const testing::TestParamInfo<DocumentCase>& info) { return info.param.name; });

struct NumberCase {
    const char* name;
    const char* text;
    bool accepted;
    double value;
};

class JsonNumbers : public testing::TestWithParam<NumberCase> {};

TEST_P(JsonNumbers, FollowTheLooseNumberRule) {
    const NumberCase& c = GetParam();
    JsonParser parser(c.text);
    JsonValue node;
    const bool parsed = parser.parseValue(node) && parser.atEnd();
    ASSERT_EQ(parsed, c.accepted);
    if (c.accepted) {
        EXPECT_EQ(node.type, JsonType::Number);
        EXPECT_EQ(node.number, c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JsonNumbers,
    testing::Values(
        NumberCase{"Integer", "42", true, 42.0}, NumberCase{"Fraction", "-1.25", true, -1.25},
        NumberCase{"Exponent", "2.5E+3", true, 2500.0}, NumberCase{"LeadingPlus", "+7", true, 7.0},
        NumberCase{"LeadingZeros", "007", true, 7.0}, NumberCase{"NoIntegerPart", ".5", true, 0.5},
        NumberCase{"PointWithoutFraction", "5.", true, 5.0},
        NumberCase{"BeyondDoubleRange", "1e999", false, 0.0},
        NumberCase{"LoneMinus", "-", false, 0.0}, NumberCase{"LonePlus", "+", false, 0.0},
        NumberCase{"PlusMinus", "+-1", false, 0.0}, NumberCase{"TwoPoints", "1.2.3", false, 0.0},
        NumberCase{"OneMinusTwo", "1-2", false, 0.0}, NumberCase{"OpenExponent", "1e", false, 0.0},
        NumberCase{"LonePoint", ".", false, 0.0}),
    [](const testing::TestParamInfo<NumberCase>& info) { return info.param.name; });

TEST(JsonReader, MinusZeroKeepsItsSign) {
    JsonValue node;
    ASSERT_TRUE(parseJsonObjectDocument("{\"z\":-0}", node));
    const JsonValue* zero = node.member("z", JsonType::Number);
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(zero->number, 0.0);
    EXPECT_TRUE(std::signbit(zero->number));
}

TEST(JsonReader, NumbersIgnoreTheProcessLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* commaLocale = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "German_Germany.1252"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            commaLocale = name;
            break;
        }
    }
    JsonValue node;
    const bool parsed = parseJsonObjectDocument("{\"n\":1.5}", node);
    std::setlocale(LC_ALL, saved.c_str());
    if (commaLocale == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    ASSERT_TRUE(parsed);
    EXPECT_EQ(node.numberMember("n"), 1.5);
}

TEST(JsonReader, EscapesDecodeToUtf8CodeUnitByCodeUnit) {
    JsonValue node;
    ASSERT_TRUE(parseJsonObjectDocument(
        R"({"e":"\u00e9","pair":"\uD83D\uDE00","nul":"a\u0000b","x":"\"\\\/\b\f\n\r\t","k":"\u20AC"})",
        node));
    EXPECT_EQ(jsonGetString(node, "e"), "\xC3\xA9");
    EXPECT_EQ(jsonGetString(node, "pair"), "\xED\xA0\xBD\xED\xB8\x80");
    EXPECT_EQ(jsonGetString(node, "nul"), "a\0b"s);
    EXPECT_EQ(jsonGetString(node, "x"), "\"\\/\b\f\n\r\t");
    EXPECT_EQ(jsonGetString(node, "k"), "\xE2\x82\xAC");
}

TEST(JsonReader, BytesAboveAsciiAreCopiedUnchecked) {
    JsonValue node;
    ASSERT_TRUE(parseJsonObjectDocument("{\"b\":\"\xFF\xC3\"}", node));
    EXPECT_EQ(jsonGetString(node, "b"), "\xFF\xC3");
}

TEST(JsonReader, ShortUnicodeEscapesFail) {
    JsonParser cutShort("\"\\u12");
    std::string text;
    EXPECT_FALSE(cutShort.parseString(text));
    JsonParser badDigit("\"\\u12G4\"");
    EXPECT_FALSE(badDigit.parseString(text));
    JsonParser endAfterBackslash("\"\\");
    EXPECT_FALSE(endAfterBackslash.parseString(text));
}

std::string nested(int depth, const std::string& inner) {
    return std::string(static_cast<std::size_t>(depth), '[') + inner +
           std::string(static_cast<std::size_t>(depth), ']');
}

TEST(JsonReader, ContainersNestThirtyTwoDeep) {
    const std::string emptyArrays = nested(32, "");
    JsonValue node;
    JsonParser deepest(emptyArrays);
    EXPECT_TRUE(deepest.parseValue(node));
    const std::string aroundNumber = nested(32, "1");
    JsonValue tooDeepNode;
    JsonParser tooDeep(aroundNumber);
    EXPECT_FALSE(tooDeep.parseValue(tooDeepNode));
    JsonValue document;
    EXPECT_TRUE(parseJsonObjectDocument("{\"a\":" + nested(30, "1") + "}", document));
    EXPECT_FALSE(parseJsonObjectDocument("{\"a\":" + nested(31, "1") + "}", document));
}

TEST(JsonReader, SiblingsDoNotAddDepth) {
    std::string wide = "[";
    for (int i = 0; i < 100; ++i) {
        wide += nested(31, "") + ",";
    }
    wide += "1]";
    JsonParser parser(wide);
    JsonValue node;
    ASSERT_TRUE(parser.parseValue(node));
    EXPECT_EQ(node.elements.size(), 101u);
}

TEST(JsonReader, MembersAreOrderedByBytes) {
    JsonValue node;
    ASSERT_TRUE(parseJsonObjectDocument(R"({"b":1,"ab":2,"a":3,"B":4,"\u00e9":5})", node));
    std::vector<std::string> names;
    for (const auto& [name, value] : node.members) {
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"B", "a", "ab", "b", "\xC3\xA9"}));
}

TEST(JsonReader, ValuesKeepTheirKindAndOrder) {
    JsonValue node;
    ASSERT_TRUE(parseJsonObjectDocument(R"({"l":[true,false,null,"s",{"n":2}]})", node));
    const JsonValue* list = node.member("l", JsonType::Array);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->elements.size(), 5u);
    EXPECT_EQ(list->elements[0].type, JsonType::Bool);
    EXPECT_TRUE(list->elements[0].boolean);
    EXPECT_FALSE(list->elements[1].boolean);
    EXPECT_EQ(list->elements[2].type, JsonType::Null);
    EXPECT_EQ(list->elements[3].text, "s");
    EXPECT_EQ(list->elements[4].numberMember("n"), 2.0);
}

TEST(JsonReader, GettersTreatMissingAndMistypedAlike) {
    JsonValue node;
    ASSERT_TRUE(parseJsonObjectDocument(R"({"n":5,"s":"text","a":[1]})", node));
    EXPECT_EQ(jsonGetString(node, "n"), "");
    EXPECT_EQ(jsonGetString(node, "s"), "text");
    EXPECT_EQ(node.numberMember("missing"), 0.0);
    EXPECT_EQ(node.numberMember("s"), 0.0);
    EXPECT_EQ(node.member("s", JsonType::Number), nullptr);
    EXPECT_NE(node.member("s", JsonType::String), nullptr);
    const JsonValue* array = node.member("a", JsonType::Array);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->member("n", JsonType::Number), nullptr);
}

TEST(JsonParserSteps, ExpectAndMatchLiteral) {
    JsonParser parser("  :null");
    EXPECT_FALSE(parser.expect(','));
    EXPECT_EQ(parser.position(), 2u);
    EXPECT_TRUE(parser.expect(':'));
    EXPECT_FALSE(parser.matchLiteral("nul "));
    EXPECT_TRUE(parser.matchLiteral("null"));
    EXPECT_TRUE(parser.atEnd());
    EXPECT_FALSE(parser.matchLiteral("x"));
}

class JsonObjectFile : public testing::Test {
protected:
    testsupport::TempFolder folder{"json"};

    std::filesystem::path fileOfSize(std::size_t size) {
        std::string text = "{\"p\":\"";
        text.append(size - text.size() - 2, 'x');
        text.append("\"}");
        const std::filesystem::path path = folder / "doc.json";
        testsupport::writeFile(path, text);
        return path;
    }
};

TEST_F(JsonObjectFile, ReadsAFileJustBelowSixtyFourKibibytes) {
    JsonValue node;
    EXPECT_TRUE(readJsonObjectFile(fileOfSize(65535), node));
    EXPECT_EQ(jsonGetString(node, "p").size(), 65535u - 8u);
}

TEST_F(JsonObjectFile, RefusesSixtyFourKibibytes) {
    JsonValue node;
    EXPECT_FALSE(readJsonObjectFile(fileOfSize(65536), node));
}

TEST_F(JsonObjectFile, RefusesWhatIsNoReadableObjectFile) {
    JsonValue node;
    EXPECT_FALSE(readJsonObjectFile(folder / "missing.json", node));
    std::filesystem::create_directories(folder / "dir.json");
    EXPECT_FALSE(readJsonObjectFile(folder / "dir.json", node));
    testsupport::writeFile(folder / "array.json", "[]");
    EXPECT_FALSE(readJsonObjectFile(folder / "array.json", node));
    testsupport::writeFile(folder / "tail.json", "{} x");
    EXPECT_FALSE(readJsonObjectFile(folder / "tail.json", node));
    testsupport::writeFile(folder / "ok.json", "\r\n{\"a\":1}\r\n");
    EXPECT_TRUE(readJsonObjectFile(folder / "ok.json", node));
}

// A pipe at a progress file's name: the open must not wait for a writer that never comes, on the
// thread that runs the window.
TEST_F(JsonObjectFile, RefusesAPipeWithoutWaiting) {
    if (!testsupport::makePipeFile(folder / "progress.json")) {
        GTEST_SKIP() << "this system has no named pipes in the file system";
    }
    JsonValue node;
    EXPECT_FALSE(readJsonObjectFile(folder / "progress.json", node));
}

TEST_F(JsonObjectFile, RefusesAFileBehindALink) {
    std::filesystem::create_directories(folder / "real");
    testsupport::writeFile(folder / "real/doc.json", "{}");
    if (!testsupport::makeFolderLink(folder / "real", folder / "link")) {
        GTEST_SKIP() << "this system cannot create a folder link";
    }
    JsonValue node;
    EXPECT_TRUE(readJsonObjectFile(folder / "real/doc.json", node));
    EXPECT_FALSE(readJsonObjectFile(folder / "link/doc.json", node));
}

} // namespace
} // namespace qxlauncher
