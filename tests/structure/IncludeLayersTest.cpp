#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/structure/IncludeLayers.h"

namespace mw::structure {
namespace {

// A small table of the same shape as the real one.
constexpr std::string_view kTable = R"(# comment
app      -> engine platform
engine   -> platform   # trailing comment
platform ->
engine {
    base
    scheduler touch
    nodes
    director
}
)";

LayerTable smallTable()
{
    std::string error;
    auto table = parseLayerTable(kTable, error);
    EXPECT_TRUE(table) << error;
    return table.value_or(LayerTable{});
}

TEST(IncludeLayersTest, IncludesAreJudgedAgainstTheTable)
{
    struct Case {
        std::string name;
        std::string file;
        std::string text;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"the same folder", "engine/nodes/A.cpp", "#include \"engine/nodes/B.h\"\n", {}},
        {"a lower floor", "engine/nodes/A.cpp", "#include \"engine/base/B.h\"\n", {}},
        {"a floor further down, spaced directive", "engine/director/A.cpp", "  #  include \"engine/touch/B.h\"\n", {}},
        {"a top folder the engine sees", "engine/base/A.h", "#include \"platform/B.h\"\n", {}},
        {"another top folder sees the whole engine", "app/main.cpp", "#include \"engine/director/B.h\"\n", {}},
        {"angle includes and comments are not directives", "engine/base/A.cpp",
         "#include <engine/nodes/B.h>\n// #include \"engine/nodes/B.h\"\n", {}},
        {"a higher floor", "engine/nodes/A.cpp", "#include <vector>\n\n#include \"engine/director/B.h\"\n",
         {"engine/nodes/A.cpp:3: engine/nodes may not include engine/director/B.h"}},
        {"a neighbour on the same floor", "engine/touch/A.h", "#include \"engine/scheduler/B.h\"\n",
         {"engine/touch/A.h:1: engine/touch may not include engine/scheduler/B.h"}},
        {"a top folder upward", "platform/A.cpp", "#include \"engine/base/B.h\"\n",
         {"platform/A.cpp:1: platform may not include engine/base/B.h"}},
        {"a folder outside the table", "engine/base/A.cpp", "#include \"tests/support/B.h\"\n",
         {"engine/base/A.cpp:1: engine/base may not include tests/support/B.h"}},
        {"a relative include resolves from the file's folder", "engine/nodes/A.cpp",
         "#include \"B.h\"\n#include \"../director/C.h\"\n",
         {"engine/nodes/A.cpp:2: engine/nodes may not include ../director/C.h"}},
        {"a sub-folder missing from the stack", "engine/particles/A.cpp", "#include \"engine/base/B.h\"\n",
         {"engine/particles/A.cpp:1: engine/particles lies in no floor of the engine stack of layers.txt"}},
        {"a file right in the stacked folder", "engine/A.h", "",
         {"engine/A.h:1: engine/A.h lies in no floor of the engine stack of layers.txt"}},
    };
    const LayerTable table = smallTable();
    const std::set<std::string> topFolders = {"app", "engine", "platform", "tests"};
    for (const Case& c : cases) {
        EXPECT_EQ(checkFile(table, topFolders, c.file, c.text), c.expected) << c.name;
    }
}

TEST(IncludeLayersTest, AMalformedTableNamesItsLine)
{
    struct Case {
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"engine -> platform\nnot a rule\n", "line 2: cannot read 'not a rule'"},
        {"engine {\n  base -> platform\n}\n", "line 2: cannot read 'base -> platform'"},
        {"engine {\n  base\n", "the stack of engine is not closed"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(parseLayerTable(c.text, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

// The real tree against the real table; the source folder comes from CTest.
TEST(IncludeLayersTest, EveryIncludeOfTheTreeKeepsToTheLayerTable)
{
    const char* sourceDir = std::getenv("MOSSWICK_SOURCE_DIR");
    ASSERT_TRUE(sourceDir) << "MOSSWICK_SOURCE_DIR must name the top of the source tree";
    const std::filesystem::path root(sourceDir);
    std::ifstream in(root / "layers.txt");
    ASSERT_TRUE(in) << root / "layers.txt" << " cannot be read";
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    const auto table = parseLayerTable(text.str(), error);
    ASSERT_TRUE(table) << "layers.txt: " << error;
    for (const char* stacked : {"engine", "social", "game"}) {
        ASSERT_TRUE(table->topDeps.contains(stacked) && table->floors.contains(stacked)) << stacked;
    }

    const TreeCheck check = checkTree(root, *table);
    EXPECT_GT(check.filesRead, 100u) << "the tree under " << root << " looks empty";
    for (const std::string& violation : check.violations) {
        ADD_FAILURE() << violation;
    }
}

} // namespace
} // namespace mw::structure
