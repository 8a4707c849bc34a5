#include <gtest/gtest.h>

#include <optional>
#include <string>

#include <libxml/tree.h>

#include "game/state/XML.h"

namespace mw {
namespace {

// What a query answers, as one comparable text: "nil", "string:<text>",
// "number:<n>" or "reader".
std::string describe(const XMLQueryResult& result)
{
    if (result.isNil()) return "nil";
    if (result.isString()) return "string:" + result.value().asString();
    if (result.isNumber()) return "number:" + result.value().asString();
    return result.reader() ? "reader" : "?";
}

// Laid out as the game's files are: indented, one element a line.
constexpr const char* kDocument = R"(<?xml version="1.0"?>
<root rootAttr="hidden">
  <view>
    <image Name="a" x="1"/>
    <image Name="b"/>
    <empty/>
    <empty/>
  </view>
  <view><image Name="inherited" x="7"/><image Name="second"/></view>
  <view kind="own"><image kind="child" Name="c"/></view>
  <fps>25</fps>
  <title>   Spaced  out   </title>
  <multi>
   two lines  </multi>
  <outer><inner>deep</inner> tail</outer>
  <thing name="renamed" v="1"/>
  <valued value="attr" Name="v"><child/></valued>
  <hidden node="shadow"><kid Name="k"/></hidden>
  <Settings GoldLevel1="40" Ratio="2.5xyz"/>
  <entity>&amp;&lt;&#65;</entity>
</root>
)";

struct QueryCase {
    const char* path;
    const char* expected;
};

class XMLQueryTest : public ::testing::TestWithParam<QueryCase> {
protected:
    static Ref<XML> document() { return XML::initWithString(kDocument); }
};

TEST_P(XMLQueryTest, AnswersThePath)
{
    Ref<XML> xml = document();
    EXPECT_EQ(describe(xml->query(GetParam().path)), GetParam().expected) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, XMLQueryTest,
    ::testing::Values(
        // Indices, attributes and the count form.
        QueryCase{"view[0].image.count", "number:2"},
        QueryCase{"view[0].image[1].@Name", "string:b"},
        QueryCase{"view[0].image[1].@x", "nil"},
        QueryCase{"view[0].image[2].@Name", "nil"},
        QueryCase{"view[0].image[-1].@Name", "nil"},
        QueryCase{"view[3].image.count", "nil"},
        QueryCase{"Settings.@GoldLevel1", "string:40"},
        QueryCase{"view.count", "number:3"},
        // Steps without an index take the first element of the name.
        QueryCase{"view.image.@Name", "string:a"},
        QueryCase{"view[0].image[0].@Name", "string:a"},
        // A bracket in the counted component is part of the name.
        QueryCase{"view[0].image[0].count", "number:0"},
        // Child-less elements without attributes are not in the tree.
        QueryCase{"view[0].empty.count", "number:0"},
        // The value form: text, trimmed of spaces only; a name means [0].
        QueryCase{"fps.value", "string:25"},
        QueryCase{"fps[0].value", "string:25"},
        QueryCase{"title.value", "string:Spaced  out"},
        QueryCase{"multi.value", "string:\n   two lines"},
        QueryCase{"view[0].image[1].value", "nil"},
        QueryCase{"outer.value", "string:deep"},
        QueryCase{"entity.value", "string:&<A"},
        QueryCase{"fps[1].value", "nil"},
        // Misses: a name that matches nothing leaves nothing to step from.
        QueryCase{"missing.value", "nil"},
        QueryCase{"missing.image.@Name", "nil"},
        QueryCase{"missing.image.count", "number:0"},
        QueryCase{"missing.image[0].@Name", "nil"},
        QueryCase{"missing.deeper.image", "reader"},
        // The root's attributes are in no dictionary.
        QueryCase{"@rootAttr", "nil"},
        QueryCase{"root.@rootAttr", "nil"},
        // An element whose first child node is an element takes that
        // child's attributes, unless it has its own of the same name.
        QueryCase{"view[1].@Name", "string:inherited"},
        QueryCase{"view[1].@x", "string:7"},
        QueryCase{"view[2].@kind", "string:own"},
        QueryCase{"view[2].@Name", "string:c"},
        // name, value and node share the key space with attributes.
        QueryCase{"renamed.@v", "string:1"},
        QueryCase{"thing.@v", "nil"},
        QueryCase{"fps.@name", "string:fps"},
        QueryCase{"valued.value", "string:attr"},
        QueryCase{"v.value", "nil"},
        QueryCase{"valued.@value", "string:attr"},
        QueryCase{"hidden.kid.count", "number:0"},
        QueryCase{"hidden.@node", "string:shadow"},
        // Degenerate paths.
        QueryCase{"value", "nil"},
        QueryCase{"count", "number:0"},
        QueryCase{"fps.count.value", "string:25"}));

TEST(XMLReaderTest, NumbersReadTheLeadingNumberOfTheText)
{
    Ref<XML> xml = XML::initWithString(kDocument);
    EXPECT_EQ(xml->query("Settings.@GoldLevel1").intValue(), 40);
    EXPECT_FLOAT_EQ(xml->query("Settings.@Ratio").floatValue(), 2.5f);
    EXPECT_EQ(xml->query("Settings.@Ratio").intValue(), 2);
    EXPECT_EQ(xml->query("view[0].image.count").intValue(), 2);
    EXPECT_EQ(xml->query("Settings.@Missing").intValue(), 0);
    EXPECT_EQ(xml->query("Settings.@Missing").stringValue(), "");
}

TEST(XMLReaderTest, SubReadersAnswerFromTheElementReached)
{
    Ref<XML> xml = XML::initWithString(kDocument);
    // The last component is not looked at: "view[0].image" is a reader of view[0].
    Ref<XML> view = xml->query("view[0].image").reader();
    ASSERT_TRUE(view);
    EXPECT_EQ(view->dicXML()->name(), "view");
    EXPECT_EQ(describe(view->query("image.count")), "number:2");
    EXPECT_EQ(describe(view->query("image[1].@Name")), "string:b");
    EXPECT_EQ(view->doc(), nullptr);

    // A reader outlives the one it came from, and keeps the tree alive.
    xml = nullptr;
    EXPECT_EQ(describe(view->query("image[0].@x")), "string:1");

    Ref<XML> nothing = XML::initWithString(kDocument)->query("missing.image").reader();
    ASSERT_TRUE(nothing);
    EXPECT_EQ(nothing->dicXML(), nullptr);
    EXPECT_EQ(describe(nothing->query("image.count")), "number:0");
    EXPECT_EQ(describe(nothing->query("@x")), "nil");
    EXPECT_EQ(describe(nothing->query("image.value")), "nil");
}

TEST(XMLReaderTest, LookupsOnElementListsCompareNames)
{
    Ref<XML> xml = XML::initWithString(kDocument);
    const XMLElementDictionary::Children& top = xml->dicXML()->node();
    EXPECT_EQ(XML::getXMLElementArray(top, "view").size(), 3u);
    EXPECT_TRUE(XML::getXMLElementArray(top, "none").empty());
    ASSERT_TRUE(XML::getXMLElement(top, "fps"));
    EXPECT_EQ(XML::getXMLElement(top, "none"), nullptr);
    EXPECT_EQ(XML::getXMLElementValue(top, "fps"), std::optional<std::string_view>("25"));
    EXPECT_EQ(XML::getXMLElementAttribute(top, "Settings", "GoldLevel1"),
              std::optional<std::string_view>("40"));
    EXPECT_EQ(XML::getXMLElementAttribute(top, "Settings", "Nope"), std::nullopt);
    ASSERT_TRUE(xml->element_root());
    EXPECT_TRUE(XML::getElement(xml->element_root()->children, "fps"));
    EXPECT_EQ(XML::getElement(xml->element_root()->children, "nope"), nullptr);
}

TEST(XMLReaderTest, TextWithoutARootElementRaisesTheNamedException)
{
    for (const char* text : {"", "not xml", "<open>", "<a></b>", "<?xml version=\"1.0\"?>"}) {
        try {
            (void)XML::initWithString(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const XMLParseException& failure) {
            EXPECT_STRNE(failure.what(), "") << text;
        }
    }
    EXPECT_STREQ(XMLParseException::kName, "Unable to parser XML");
}

TEST(XMLReaderTest, ARootWithoutChildNodesGivesAnEmptyTree)
{
    Ref<XML> xml = XML::initWithString("<root a=\"1\"/>");
    EXPECT_EQ(xml->dicXML(), nullptr);
    EXPECT_EQ(describe(xml->query("a.count")), "number:0");
    EXPECT_EQ(describe(xml->query("@a")), "nil");
    EXPECT_EQ(describe(xml->query("a.value")), "nil");
}

} // namespace
} // namespace mw
