#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/text/ZAttributedString.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "tests/engine/text/FakeFontFace.h"

namespace mw {
namespace {

// Collects the log lines written while it lives.
class LogLines {
public:
    LogLines() : previous_(setLogSink([this](const std::string& line) { lines.push_back(line); })) {}
    ~LogLines() { setLogSink(previous_); }
    std::vector<std::string> lines;

private:
    LogSink previous_;
};

// An object written under any class name with any fields, to forge the
// archives a damaged or hostile file could hold.
class Forged : public Object, public Archivable {
public:
    Forged(std::string name, std::function<void(KeyedArchiver&)> fields)
        : name_(std::move(name)), fields_(std::move(fields))
    {
    }
    std::string className() const override { return name_; }
    void encodeWithCoder(KeyedArchiver& coder) const override { fields_(coder); }
    bool initWithCoder(KeyedUnarchiver&) override { return false; }

private:
    std::string name_;
    std::function<void(KeyedArchiver&)> fields_;
};

ArchiveItem forgedRun(Value index, ArchiveItem attributes)
{
    return Ref<Forged>(makeRef<Forged>("ZAttributeRun", [=](KeyedArchiver& coder) {
        coder.encodeItem("index", index);
        coder.encodeItem("attributes", attributes);
    }));
}

ArchiveItem names(std::vector<std::pair<std::string, ArchiveItem>> entries)
{
    ArchiveItem::Entries out;
    for (auto& [name, value] : entries) out.emplace_back(Value(name), std::move(value));
    return ArchiveItem::dictionary(std::move(out));
}

std::vector<uint8_t> forgedString(Value buffer, ArchiveItem runs)
{
    const auto forged = makeRef<Forged>("ZAttributedString", [=](KeyedArchiver& coder) {
        coder.encodeItem("buffer", buffer);
        coder.encodeItem("attributes", runs);
    });
    return archivedDataWithRootObject(forged.get());
}

Ref<ZAttributedString> roundTrip(const ZAttributedString& string)
{
    std::string error;
    const std::vector<uint8_t> bytes = archivedDataWithRootObject(&string, &error);
    EXPECT_FALSE(bytes.empty()) << error;
    return dynamicRef<ZAttributedString>(unarchiveObjectWithData(bytes, &error));
}

const ccColor4F kRed{1, 0, 0, 1};
const ccColor4F kHalfBlue{0, 0, 1, 0.5f};

TEST(ZAttributedStringArchiveTest, TextRunsAndValuesSurviveTheRoundTrip)
{
    auto string = makeRef<ZMutableAttributedString>("ab😀cdef", ZAttributes{{"name", "plain"}});
    string->addAttribute(ZForegroundColorAttributeName, kRed, {1, 3});
    string->addAttribute(ZBackgroundColorAttributeName, kHalfBlue, {4, 2});
    string->addAttribute(ZUnderlineStyleAttributeName, 1, {5, 2});
    string->addAttribute("scale", 0.25, {0, 1});
    ASSERT_EQ(string->attributeRuns().size(), 6u);

    const Ref<ZAttributedString> decoded = roundTrip(*string);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->isEqualToAttributedString(string.get())) << decoded->description();
    EXPECT_TRUE(dynamicRef<ZMutableAttributedString>(decoded)) << "a mutable string comes back mutable";

    const auto immutable = makeRef<ZAttributedString>("", ZAttributes{{"k", "v"}});
    const Ref<ZAttributedString> empty = roundTrip(*immutable);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isEqualToAttributedString(immutable.get()));
    EXPECT_EQ(empty->className(), "ZAttributedString");
    EXPECT_EQ(empty->attributeRuns().size(), 1u) << "an empty text keeps its one run";
}

TEST(ZAttributedStringArchiveTest, ARunArchivesOnItsOwn)
{
    const auto run = makeRef<ZAttributeRun>(7, ZAttributes{{"colour", kHalfBlue}, {"size", 3}});
    const auto decoded = dynamicRef<ZAttributeRun>(unarchiveObjectWithData(archivedDataWithRootObject(run.get())));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, *run);
}

TEST(ZAttributedStringArchiveTest, FontsAreLeftOutWithOneLineAndRunsThatBecomeEqualMerge)
{
    const auto face = makeRef<test::FakeFontFace>();
    const Ref<ZFont> small = ZFont::fontWithCGFont(face.get(), 10);
    const Ref<ZFont> large = ZFont::fontWithCGFont(face.get(), 20);
    auto string = makeRef<ZMutableAttributedString>("abcd", ZAttributes{{"k", "v"}});
    string->addAttribute(ZFontAttributeName, small, {0, 2});
    string->addAttribute(ZFontAttributeName, large, {2, 2});
    string->addAttribute(ZForegroundColorAttributeName, kRed, {3, 1});
    ASSERT_EQ(string->attributeRuns().size(), 3u);

    LogLines log;
    const Ref<ZAttributedString> decoded = roundTrip(*string);
    ASSERT_TRUE(decoded) << "a font does not fail the whole archive";
    EXPECT_EQ(decoded->string(), "abcd");
    ASSERT_EQ(decoded->attributeRuns().size(), 2u) << decoded->description();
    EXPECT_EQ(decoded->attributeRuns()[0], ZAttributeRun(0, {{"k", "v"}}));
    EXPECT_EQ(decoded->attributeRuns()[1], ZAttributeRun(3, {{"k", "v"}, {ZForegroundColorAttributeName.data(), kRed}}));
    ASSERT_EQ(log.lines.size(), 3u) << "one line per font left out";
    EXPECT_NE(log.lines[0].find("ZFontAttributeName"), std::string::npos) << log.lines[0];
}

TEST(ZAttributedStringArchiveTest, EqualNeighbouringRunsInAnArchiveMerge)
{
    const ArchiveItem same = names({{"a", Value("1")}});
    const auto decoded = dynamicRef<ZAttributedString>(unarchiveObjectWithData(
        forgedString(Value("abc"), ArchiveItem::array({forgedRun(Value(0), same), forgedRun(Value(2), same)}))));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->attributeRuns().size(), 1u);
}

TEST(ZAttributedStringArchiveTest, MalformedArchivesAreRefusedWithTheReason)
{
    const ArchiveItem plain = names({{"a", Value("1")}});
    const ArchiveItem other = names({{"b", Value("2")}});
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* reason; // part of the logged line
    };
    const Case cases[] = {
        {"buffer not a string", forgedString(Value(5), ArchiveItem::array({forgedRun(Value(0), plain)})),
         "\"buffer\" is not a string"},
        {"runs missing", forgedString(Value("abc"), Value()), "\"attributes\" is not an array"},
        {"no run", forgedString(Value("abc"), ArchiveItem::array({})), "holds no run"},
        {"run not a run", forgedString(Value("abc"), ArchiveItem::array({Value("run")})), "run 0 is not a ZAttributeRun"},
        {"first run not at 0", forgedString(Value("abc"), ArchiveItem::array({forgedRun(Value(1), plain)})),
         "the first run starts at 1"},
        {"runs out of order",
         forgedString(Value("abcd"), ArchiveItem::array({forgedRun(Value(0), plain), forgedRun(Value(3), other),
                                                         forgedRun(Value(2), plain)})),
         "run 2 starts at 2, not after run 1 at 3"},
        {"two runs at one index",
         forgedString(Value("abc"), ArchiveItem::array({forgedRun(Value(0), plain), forgedRun(Value(0), other)})),
         "run 1 starts at 0"},
        {"index past the text",
         forgedString(Value("abc"), ArchiveItem::array({forgedRun(Value(0), plain), forgedRun(Value(3), other)})),
         "run 1 starts at 3, past the text of 3 units"},
        {"negative index", forgedString(Value("abc"), ArchiveItem::array({forgedRun(Value(-1), plain)})),
         "\"index\" is not an unsigned 32-bit integer"},
        {"index above 32 bits",
         forgedString(Value("abc"), ArchiveItem::array({forgedRun(Value::int64(int64_t(1) << 32), plain)})),
         "\"index\" is not an unsigned 32-bit integer"},
        {"index a string", forgedString(Value("abc"), ArchiveItem::array({forgedRun(Value("0"), plain)})),
         "\"index\" is not an unsigned 32-bit integer"},
        {"attributes not a dictionary",
         forgedString(Value("abc"), ArchiveItem::array({forgedRun(Value(0), Value("a=1"))})),
         "\"attributes\" is not a dictionary"},
        {"name not a string",
         forgedString(Value("abc"), ArchiveItem::array({forgedRun(
                                        Value(0), ArchiveItem::dictionary({{Value(1), Value("x")}}))})),
         "an attribute name is not a string"},
        {"boolean value",
         forgedString(Value("abc"), ArchiveItem::array({forgedRun(Value(0), names({{"a", Value(true)}}))})),
         "attribute \"a\" has no readable value"},
        {"colour of three parts",
         forgedString(Value("abc"), ArchiveItem::array({forgedRun(
                                        Value(0), names({{"c", ArchiveItem::array({Value(1.0), Value(0.0),
                                                                                   Value(0.0)})}}))})),
         "attribute \"c\" has no readable value"},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.bytes.empty()) << c.name;
        LogLines log;
        std::string error;
        EXPECT_FALSE(unarchiveObjectWithData(c.bytes, &error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        bool logged = false;
        for (const std::string& line : log.lines) logged = logged || line.find(c.reason) != std::string::npos;
        EXPECT_TRUE(logged) << c.name << ": no line says " << c.reason;
    }
}

} // namespace
} // namespace mw
