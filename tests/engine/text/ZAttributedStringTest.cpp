#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>

#include "engine/text/ZAttributedString.h"

namespace mw {
namespace {

// Runs as "index{name=value,...}" joined by spaces, values as written.
std::string runs(const ZAttributedString& s)
{
    std::string out;
    for (const ZAttributeRun& run : s.attributeRuns()) {
        if (!out.empty()) out += ' ';
        out += std::to_string(run.index) + "{";
        bool first = true;
        for (const auto& [name, value] : run.attributes) {
            if (!first) out += ',';
            first = false;
            out += name + "=" + value.description();
        }
        out += "}";
    }
    return out;
}

const ZAttributes A{{"a", "1"}};
const ZAttributes B{{"b", "2"}};

using Edit = std::function<void(ZMutableAttributedString&)>;

struct EditCase {
    const char* name;
    const char* text;
    Edit edit;
    const char* expectedText;
    const char* expectedRuns;
};

TEST(ZAttributedStringTest, EditsSplitAndMergeRuns)
{
    const EditCase cases[] = {
        {"a new string has one run", "abc", [](auto&) {}, "abc", "0{a=1}"},
        {"adding splits three ways", "abc",
         [](auto& s) {
             s.addAttribute("b", "2", {1, 1});
         },
         "abc", "0{a=1} 1{a=1,b=2} 2{a=1}"},
        {"removing it again merges", "abc",
         [](auto& s) {
             s.addAttribute("b", "2", {1, 1});
             s.removeAttribute("b", {1, 1});
         },
         "abc", "0{a=1}"},
        {"setting over two runs replaces both and merges equals", "abcd",
         [](auto& s) {
             s.addAttribute("b", "2", {1, 1});
             s.setAttributes(B, {0, 2});
         },
         "abcd", "0{b=2} 2{a=1}"},
        {"adding at the end splits once", "abcd",
         [](auto& s) {
             s.addAttributes(B, {2, 2});
         },
         "abcd", "0{a=1} 2{a=1,b=2}"},
        {"an empty range changes nothing", "abc",
         [](auto& s) {
             s.addAttributes(B, {1, 0});
         },
         "abc", "0{a=1}"},
        {"inserting plain text in a run splits it in three", "abcd",
         [](auto& s) {
             s.replaceCharactersInRange({2, 0}, "XY");
         },
         "abXYcd", "0{a=1} 2{} 4{a=1}"},
        {"replacing across runs", "abcd",
         [](auto& s) {
             s.addAttributes(B, {3, 1});
             s.replaceCharactersInRange({1, 3}, ZAttributedString("Q", B));
         },
         "aQ", "0{a=1} 1{b=2}"},
        {"inserting equal attributes merges", "abcd",
         [](auto& s) { s.insertAttributedString(ZAttributedString("XY", A), 2); }, "abXYcd", "0{a=1}"},
        {"appending", "ab", [](auto& s) { s.appendAttributedString(ZAttributedString("cd", B)); }, "abcd",
         "0{a=1} 2{b=2}"},
        {"appending to an empty string takes the other's runs", "",
         [](auto& s) { s.appendAttributedString(ZAttributedString("cd", B)); }, "cd", "0{b=2}"},
        {"deleting moves later runs back and merges", "abcd",
         [](auto& s) {
             s.addAttributes(B, {1, 2});
             s.deleteCharactersInRange({1, 2});
         },
         "ad", "0{a=1}"},
        {"deleting everything keeps one run", "abcd",
         [](auto& s) {
             s.addAttributes(B, {0, 2});
             s.deleteCharactersInRange({0, 4});
         },
         "", "0{a=1,b=2}"},
        {"a string appended to itself", "ab",
         [](auto& s) {
             s.addAttributes(B, {1, 1});
             s.appendAttributedString(s);
         },
         "abab", "0{a=1} 1{a=1,b=2} 2{a=1} 3{a=1,b=2}"},
        {"setAttributedString copies", "ab",
         [](auto& s) { s.setAttributedString(ZAttributedString("xyz", B)); }, "xyz", "0{b=2}"},
        {"a surrogate pair counts two units", "a\U0001F600b",
         [](auto& s) {
             s.addAttributes(B, {1, 2});
         },
         "a\U0001F600b", "0{a=1} 1{a=1,b=2} 3{a=1}"},
    };
    for (const EditCase& c : cases) {
        ZMutableAttributedString s(c.text, A);
        c.edit(s);
        EXPECT_EQ(s.string(), c.expectedText) << c.name;
        EXPECT_EQ(runs(s), c.expectedRuns) << c.name;
    }
}

TEST(ZAttributedStringTest, LooksUpAttributesAndTheirRanges)
{
    ZMutableAttributedString s("abcdef", A);
    s.addAttribute("b", "2", {2, 2}); // runs 0{a} 2{a,b} 4{a}
    NSRange range;
    EXPECT_EQ(s.attributesAtIndex(5, &range), A);
    EXPECT_EQ(range, NSMakeRange(4, 2));
    EXPECT_EQ(s.indexOfEffectiveAttributeRunForIndex(3), 1u);
    EXPECT_EQ(s.attribute("b", 3, &range), ZAttributeValue("2"));
    EXPECT_EQ(range, NSMakeRange(2, 2));
    EXPECT_TRUE(s.attribute("b", 0).isAbsent());

    // The longest range of "a" spans all three runs, clipped to the limit.
    EXPECT_EQ(s.attribute("a", 3, &range, NSMakeRange(1, 4)), ZAttributeValue("1"));
    EXPECT_EQ(range, NSMakeRange(1, 4));
    EXPECT_EQ(s.attribute("a", 3, &range, NSMakeRange(0, 6)), ZAttributeValue("1"));
    EXPECT_EQ(range, NSMakeRange(0, 6));
    s.attributesAtIndex(3, &range, NSMakeRange(1, 4));
    EXPECT_EQ(range, NSMakeRange(2, 2)) << "without a name: the run's extent";
}

TEST(ZAttributedStringTest, IndicesPastTheTextRaise)
{
    ZMutableAttributedString s("abc", A);
    NSRange range;
    const auto reason = [](const std::function<void()>& call) -> std::string {
        try {
            call();
        } catch (const std::out_of_range& error) {
            return error.what();
        }
        return "no exception";
    };
    EXPECT_EQ(reason([&] { s.attributesAtIndex(3, &range); }), "index beyond range of attributed string");
    EXPECT_EQ(reason([&] {
                  s.attributesAtIndex(1, &range, {1, 3});
              }),
              "rangeLimit beyond range of attributed string");
    EXPECT_EQ(reason([&] {
                  (void)s.attributedSubstringFromRange({2, 2});
              }),
              "range was outisde of the attributed string");
    EXPECT_EQ(reason([&] { s.addAttributes(B, {2, 5}); }), "range beyond range of attributed string");
    EXPECT_EQ(runs(s), "0{a=1}") << "nothing changes before raising";
}

TEST(ZAttributedStringTest, SubstringsAndCopies)
{
    ZMutableAttributedString s("abc", A);
    s.addAttributes(B, {2, 1});
    Ref<ZAttributedString> tail = s.attributedSubstringFromRange({1, 2});
    EXPECT_EQ(tail->string(), "bc");
    EXPECT_EQ(runs(*tail), "0{a=1} 1{a=1,b=2}");

    Ref<ZAttributedString> immutable = s.copy();
    EXPECT_NE(immutable.get(), &s);
    EXPECT_EQ(immutable->copy().get(), immutable.get()) << "an immutable string is its own copy";
    Ref<ZMutableAttributedString> mutableCopy = immutable->mutableCopy();
    mutableCopy->deleteCharactersInRange({0, 1});
    EXPECT_EQ(immutable->string(), "abc");
    EXPECT_TRUE(immutable->isEqualToAttributedString(&s));
    EXPECT_FALSE(immutable->isEqualToAttributedString(mutableCopy));
}

TEST(ZAttributedStringTest, EnumeratesAttributeValuesJoiningEqualNeighbours)
{
    // Runs whose values for "k" are A, A, B, absent, A; each run differs in "n".
    ZMutableAttributedString s("abcde");
    const char* values[] = {"A", "A", "B", nullptr, "A"};
    for (size_t i = 0; i < 5; ++i) {
        ZAttributes attributes{{"n", static_cast<double>(i)}};
        if (values[i]) attributes["k"] = values[i];
        s.setAttributes(attributes, {i, 1});
    }
    std::vector<std::string> seen;
    const auto record = [&](const ZAttributeValue& value, NSRange range, bool&) {
        seen.push_back(value.description() + "@" + std::to_string(range.location) + "+" +
                       std::to_string(range.length));
    };
    s.enumerateAttribute("k", {0, 5}, 0, record);
    EXPECT_EQ(seen, (std::vector<std::string>{"A@0+2", "B@2+1", "A@4+1"}));

    seen.clear();
    s.enumerateAttribute("k", {1, 4}, ZAttributedStringEnumerationLongestEffectiveRangeNotRequired, record);
    EXPECT_EQ(seen, (std::vector<std::string>{"A@1+1", "B@2+1", "A@4+1"}));

    seen.clear();
    s.enumerateAttribute("k", {0, 5}, 0, [&](const ZAttributeValue& value, NSRange range, bool& stop) {
        record(value, range, stop);
        stop = true;
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"A@0+2"}));
}

TEST(ZAttributedStringTest, EnumeratesRunsInEitherDirectionAndFollowsEdits)
{
    ZMutableAttributedString s("aabbcc", A);
    s.addAttributes(B, {2, 2});
    std::vector<NSRange> ranges;
    s.enumerateAttributesInRange({1, 4}, ZAttributedStringEnumerationReverse,
                                 [&](const ZAttributes&, NSRange range, bool&) { ranges.push_back(range); });
    EXPECT_EQ(ranges, (std::vector<NSRange>{{4, 1}, {2, 2}, {1, 1}}));

    // The block doubles each run's text; later runs are reported where they
    // have moved to.
    ranges.clear();
    s.enumerateAttributesInRange({0, 6}, 0, [&](const ZAttributes&, NSRange range, bool&) {
        ranges.push_back(range);
        s.insertAttributedString(ZAttributedString(u"xx", A), range.location);
    });
    EXPECT_EQ(ranges, (std::vector<NSRange>{{0, 2}, {4, 2}, {8, 2}}));

    ranges.clear();
    s.enumerateAttributesInRange({0, 0}, 0,
                                 [&](const ZAttributes&, NSRange range, bool&) { ranges.push_back(range); });
    EXPECT_TRUE(ranges.empty());
}

TEST(ZAttributedStringTest, DescribesRunsBetweenTheirText)
{
    ZMutableAttributedString s("abcd", A);
    s.addAttributes(B, {2, 2});
    EXPECT_EQ(s.description(), "{a: 1} \"ab\" {a: 1, b: 2} \"cd\"");
    EXPECT_EQ(ZAttributedString("").description(), "{}");
}

} // namespace
} // namespace mw
