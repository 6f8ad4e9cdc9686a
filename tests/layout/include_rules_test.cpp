// The include rules of the source tree: each layer includes only itself and the layers below it,
// and no file reaches itself again through the includes (a header and its source file count as
// one file).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

// A file by its path below the source root without the extension: "backend/backend".
using IncludeGraph = std::map<std::string, std::set<std::string>>;
// Every source file of the layers with the project files it includes, as written.
using Includes = std::map<std::string, std::vector<std::string>>;

const std::vector<std::string> layerFolders{"platform", "shared", "backend", "presentation", "app"};

std::string topFolder(const std::string& path) {
    return path.substr(0, path.find('/'));
}

std::string withoutExtension(const std::string& path) {
    return path.substr(0, path.rfind('.'));
}

Includes readIncludes(const std::filesystem::path& root) {
    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    Includes includes;
    for (const std::string& layer : layerFolders) {
        if (!std::filesystem::is_directory(root / layer)) {
            continue;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / layer)) {
            const std::string extension = entry.path().extension().string();
            if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) {
                continue;
            }
            const std::string name = entry.path().lexically_relative(root).generic_string();
            std::vector<std::string>& found = includes[name];
            std::ifstream file(entry.path());
            std::string line;
            std::smatch match;
            while (std::getline(file, line)) {
                if (std::regex_search(line, match, include)) {
                    found.push_back(match[1]);
                }
            }
        }
    }
    return includes;
}

// "file -> include" for each include of a file in `layer` outside the folders it may use.
std::vector<std::string> layerViolations(const Includes& includes, const std::string& layer,
                                         const std::set<std::string>& allowed) {
    std::vector<std::string> violations;
    for (const auto& [file, included] : includes) {
        if (topFolder(file) != layer) {
            continue;
        }
        for (const std::string& target : included) {
            if (!allowed.contains(topFolder(target))) {
                violations.push_back(file + " -> " + target);
            }
        }
    }
    return violations;
}

IncludeGraph graphOf(const Includes& includes) {
    IncludeGraph graph;
    for (const auto& [file, included] : includes) {
        std::set<std::string>& targets = graph[withoutExtension(file)];
        for (const std::string& target : included) {
            if (withoutExtension(target) != withoutExtension(file)) {
                targets.insert(withoutExtension(target));
            }
        }
    }
    return graph;
}

// One cycle as "a -> b -> a", if the graph has any.
std::optional<std::string> findCycle(const IncludeGraph& graph) {
    enum class Mark { open, done };
    std::map<std::string, Mark> marks;
    std::vector<std::string> path;
    std::optional<std::string> cycle;
    const auto visit = [&](const auto& self, const std::string& node) -> void {
        marks[node] = Mark::open;
        path.push_back(node);
        const auto edges = graph.find(node);
        if (edges != graph.end()) {
            for (const std::string& next : edges->second) {
                if (cycle) {
                    return;
                }
                const auto mark = marks.find(next);
                if (mark == marks.end()) {
                    self(self, next);
                } else if (mark->second == Mark::open) {
                    std::string text;
                    for (auto at = std::find(path.begin(), path.end(), next); at != path.end();
                         ++at) {
                        text += *at + " -> ";
                    }
                    cycle = text + next;
                }
            }
        }
        path.pop_back();
        marks[node] = Mark::done;
    };
    for (const auto& [node, edges] : graph) {
        if (!marks.contains(node) && !cycle) {
            visit(visit, node);
        }
    }
    return cycle;
}

const Includes& sourceTree() {
    static const Includes includes = readIncludes(LUMENARK_SOURCE_DIR);
    return includes;
}

struct LayerRule {
    const char* layer;
    std::set<std::string> allowed;
};

void PrintTo(const LayerRule& rule, std::ostream* out) {
    *out << rule.layer;
}

class LayerIncludes : public testing::TestWithParam<LayerRule> {};

TEST_P(LayerIncludes, StayWithinTheLayerAndTheLayersBelow) {
    const LayerRule& rule = GetParam();
    const auto files =
        std::count_if(sourceTree().begin(), sourceTree().end(),
                      [&](const auto& entry) { return topFolder(entry.first) == rule.layer; });
    ASSERT_GT(files, 0) << "no source file found under " << rule.layer;
    const std::vector<std::string> violations =
        layerViolations(sourceTree(), rule.layer, rule.allowed);
    EXPECT_TRUE(violations.empty()) << testing::PrintToString(violations);
}

// The shared constants of two layers sit in shared/, which includes nothing of the layers.
INSTANTIATE_TEST_SUITE_P(
    Layers, LayerIncludes,
    testing::Values(LayerRule{"platform", {"platform"}}, LayerRule{"shared", {"shared"}},
                    LayerRule{"backend", {"backend", "platform", "shared"}},
                    LayerRule{"presentation", {"presentation", "platform", "shared"}},
                    LayerRule{"app", {"app", "backend", "presentation", "platform", "shared"}}),
    [](const testing::TestParamInfo<LayerRule>& info) { return std::string(info.param.layer); });

TEST(IncludeRules, AnIncludeIntoAHigherLayerIsReported) {
    const Includes includes{{"platform/posix/device.cpp", {"platform/device.h", "app/app.h"}},
                            {"app/app.cpp", {"platform/device.h"}}};
    EXPECT_EQ(layerViolations(includes, "platform", {"platform"}),
              std::vector<std::string>{"platform/posix/device.cpp -> app/app.h"});
    EXPECT_TRUE(layerViolations(includes, "app", {"app", "platform"}).empty());
}

TEST(IncludeRules, ACycleThroughASourceFileIsReported) {
    // b.cpp includes c.h, c.cpp includes b.h: the two files reach each other.
    const Includes includes{{"backend/a.cpp", {"backend/a.h", "backend/b.h"}},
                            {"backend/b.cpp", {"backend/b.h", "backend/c.h"}},
                            {"backend/c.cpp", {"backend/c.h", "backend/b.h"}}};
    EXPECT_EQ(findCycle(graphOf(includes)), "backend/b -> backend/c -> backend/b");
    const Includes acyclic{{"backend/a.cpp", {"backend/a.h", "backend/b.h"}},
                           {"backend/b.cpp", {"backend/b.h", "backend/c.h"}}};
    EXPECT_EQ(findCycle(graphOf(acyclic)), std::nullopt);
}

TEST(IncludeRules, NoFileReachesItselfThroughItsIncludes) {
    ASSERT_TRUE(sourceTree().contains("backend/backend.h"));
    EXPECT_EQ(findCycle(graphOf(sourceTree())), std::nullopt);
}

} // namespace
