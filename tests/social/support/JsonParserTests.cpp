#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <time.h>

#include "social/support/CCJsonParser.h"
#include "tests/social/support/JsonDocuments.h"

namespace mw {
namespace {

using namespace std::string_literals;

struct Step {
    int code;
    std::string message;
};

std::vector<Step> steps(const std::vector<JsonError>& trace)
{
    std::vector<Step> out;
    for (const JsonError& error : trace) out.push_back({error.code, error.message});
    return out;
}

std::string show(const std::vector<Step>& trace)
{
    std::string text;
    for (const Step& step : trace) text += std::to_string(step.code) + " " + step.message + " | ";
    return text;
}

struct Failure {
    std::string text;
    bool asFragment;
    std::vector<Step> trace;
};

// Every message of the parser, from a text that causes it, with the chain of
// errors it comes with.
const std::vector<Failure> kFailures = {
    {"", true, {{11, "Unexpected end of string"}}},
    {"12", false, {{4, "Valid fragment, but not JSON"}}},
    {"{} x", false, {{10, "Garbage after JSON"}}},
    {"[1,]", false, {{9, "Trailing comma disallowed in array"}}},
    {"{\"a\":1,}", false, {{9, "Trailing comma disallowed in object"}}},
    {"{\"a\":1, \n }", false, {{9, "Trailing comma disallowed in object"}}},
    {"+1", true, {{2, "Leading + disallowed in number"}}},
    {"-", true, {{2, "No digits after initial minus"}}},
    {"-a", true, {{2, "No digits after initial minus"}}},
    {"01", true, {{2, "Leading 0 disallowed in number"}}},
    {"1.", true, {{2, "No digits after decimal point"}}},
    {"1.e5", true, {{2, "No digits after decimal point"}}},
    {"1e", true, {{2, "No digits after exponent"}}},
    {"1e+", true, {{2, "No digits after exponent"}}},
    {"1e1234567890123456789", true, {{2, "Failed creating decimal instance"}}},
    {"[-0.5E-0001234567890123456789]", false,
     {{2, "Failed creating decimal instance"}, {3, "Expected value while parsing array"}}},
    {"x", true, {{3, "Unrecognised leading character"}}},
    {"tru", true, {{3, "Expected 'true'"}}},
    {"fals", true, {{3, "Expected 'false'"}}},
    {"nul", true, {{3, "Expected 'null'"}}},
    {"[1, tru]", false, {{3, "Expected 'true'"}, {3, "Expected value while parsing array"}}},
    {"{\"k\": fals}", false, {{3, "Expected 'false'"}, {3, "Object value expected for key: k"}}},
    {"{1:2}", false, {{3, "Object key string expected"}}},
    {"{\"a\" 1}", false, {{3, "Expected ':' separating key and value"}}},
    {"{\"a", false, {{11, "Unexpected EOF while parsing string"}, {3, "Object key string expected"}}},
    {"[1", false, {{11, "End of input while parsing array"}}},
    {"[", false, {{11, "End of input while parsing array"}}},
    {"{\"a\":1", false, {{11, "End of input while parsing object"}}},
    {"\"abc", true, {{11, "Unexpected EOF while parsing string"}}},
    {"\"abc\\", true, {{11, "Unexpected EOF while parsing string"}}},
    {"\"\\x\"", true, {{8, "Illegal escape sequence '0x78'"}}},
    {"\"\\u12G4\"",
     true,
     {{6, "Missing hex digit in quad"}, {6, "Missing hex quad"}, {6, "Broken unicode character"}}},
    {"\"\\u12",
     true,
     {{6, "Missing hex digit in quad"}, {6, "Missing hex quad"}, {6, "Broken unicode character"}}},
    {"\"\\uDC00\"", true, {{6, "Invalid high character in surrogate pair"}, {6, "Broken unicode character"}}},
    {"\"\\uD83D\\uD83D\"", true, {{6, "Invalid low surrogate char"}, {6, "Broken unicode character"}}},
    {"\"\\uD83Dx\"", true, {{6, "Missing low character in surrogate pair"}, {6, "Broken unicode character"}}},
    {"\"\\uD83D\"", true, {{6, "Missing low character in surrogate pair"}, {6, "Broken unicode character"}}},
    {"\"\\uD83D\\u12\"",
     true,
     {{6, "Missing hex digit in quad"}, {6, "Missing hex quad"}, {6, "Broken unicode character"}}},
    {"[\"\\uDC00\"]",
     false,
     {{6, "Invalid high character in surrogate pair"},
      {6, "Broken unicode character"},
      {3, "Expected value while parsing array"}}},
    // A NUL byte is a byte like any other (the text goes on after it).
    {"[1]\0"s, false, {{10, "Garbage after JSON"}}},
    {"[1]\0[2]"s, false, {{10, "Garbage after JSON"}}},
    {"\0[1]"s, false, {{3, "Unrecognised leading character"}}},
    {"[1,\0 2]"s, false, {{3, "Unrecognised leading character"}, {3, "Expected value while parsing array"}}},
    {"\"a\0b\""s, true, {{5, "Unescaped control character '0x0'"}}},
    {"{\"a\0\":1}"s, false, {{5, "Unescaped control character '0x0'"}, {3, "Object key string expected"}}},
    // Bytes above 0x7F are never white space.
    {"\xa0[]", false, {{3, "Unrecognised leading character"}}},
    {"[]\x85", false, {{10, "Garbage after JSON"}}},
    // Not UTF-8: stray continuation, overlong forms, encoded surrogate,
    // above U+10FFFF, sequences cut short (by the end of the string or text).
    {"\"\x80\"", true, {{3, "Invalid UTF-8 in string"}}},
    {"\"a\xbf\"", true, {{3, "Invalid UTF-8 in string"}}},
    {"\"\xc0\xaf\"", true, {{3, "Invalid UTF-8 in string"}}},
    {"\"\xe0\x80\xaf\"", true, {{3, "Invalid UTF-8 in string"}}},
    {"\"\xf0\x80\x80\xaf\"", true, {{3, "Invalid UTF-8 in string"}}},
    {"\"\xed\xa0\x80\"", true, {{3, "Invalid UTF-8 in string"}}},
    {"\"\xf4\x90\x80\x80\"", true, {{3, "Invalid UTF-8 in string"}}},
    {"\"\xf8\x88\x80\x80\x80\"", true, {{3, "Invalid UTF-8 in string"}}},
    {"\"\xe2\x82\"", true, {{3, "Invalid UTF-8 in string"}}},
    {"\"\xf0\x9f\x98", true, {{3, "Invalid UTF-8 in string"}}},
    {"\"\xff\"", true, {{3, "Invalid UTF-8 in string"}}},
};

TEST(JsonParser, EveryFailureGivesItsErrorChain)
{
    for (const Failure& failure : kFailures) {
        CCJsonParser parser;
        const std::optional<Value> value = failure.asFragment ? parser.fragmentWithString(failure.text)
                                                              : parser.objectWithString(failure.text);
        EXPECT_FALSE(value) << failure.text;
        EXPECT_EQ(show(steps(parser.errorTrace())), show(failure.trace)) << "text: " << failure.text;
    }
}

TEST(JsonParser, ErrorsChainToTheirCauseInOneDomain)
{
    CCJsonParser parser;
    ASSERT_FALSE(parser.objectWithString("[1, tru]"));
    const JsonError& last = parser.errorTrace().back();
    EXPECT_STREQ(last.domain(), "com.zandovar.mw.JSON.ErrorDomain");
    ASSERT_TRUE(last.underlying);
    EXPECT_EQ(last.underlying->message, "Expected 'true'");
    EXPECT_FALSE(last.underlying->underlying);
}

TEST(JsonParser, NoTextAtAllIsItsOwnError)
{
    CCJsonParser parser;
    EXPECT_FALSE(parser.fragmentWithString(std::nullopt));
    EXPECT_EQ(show(steps(parser.errorTrace())), show({{12, "Input was 'nil'"}}));
    // A later success clears the trace.
    EXPECT_TRUE(parser.objectWithString("[]"));
    EXPECT_TRUE(parser.errorTrace().empty());
}

TEST(JsonParser, EveryRawControlCharacterInAStringIsRefused)
{
    for (int byte = 0; byte < 0x20; ++byte) {
        CCJsonParser parser;
        const std::string text = "\"a"s + static_cast<char>(byte) + "\"";
        EXPECT_FALSE(parser.fragmentWithString(text));
        char expected[64];
        std::snprintf(expected, sizeof expected, "Unescaped control character '0x%x'", byte);
        ASSERT_EQ(parser.errorTrace().size(), 1u);
        EXPECT_EQ(parser.errorTrace()[0].code, 5);
        EXPECT_EQ(parser.errorTrace()[0].message, expected);
    }
}

Value decimal(std::string_view literal) { return Value::decimal(literal).value_or(Value()); }

Value ints(std::initializer_list<const char*> literals)
{
    Value::Array items;
    for (const char* literal : literals) items.push_back(decimal(literal));
    return Value(std::move(items));
}

struct Success {
    std::string text;
    Value expected;
};

TEST(JsonParser, ReadsEveryKindOfValue)
{
    const std::vector<Success> cases = {
        {"12", decimal("12")},
        {"0", decimal("0")},
        {"-0", decimal("-0")},
        {"9223372036854775807", decimal("9223372036854775807")},
        {"-9223372036854775808", decimal("-9223372036854775808")},
        {"9223372036854775808", decimal("9223372036854775808")},
        {"-9223372036854775809", decimal("-9223372036854775809")},
        {"-0.5E+3", decimal("-0.5E+3")},
        {"1e308", decimal("1e308")},
        {"1e-400", decimal("1e-400")},
        {"0.1", decimal("0.1")},
        {"2.2250738585072011e-308", decimal("2.2250738585072011e-308")},
        {"5e-324", decimal("5e-324")},
        {"1E2", decimal("1E2")},
        {"true", Value(true)},
        {"false", Value(false)},
        {"null", Value()},
        {" {} \t\n\v\f\r", Value::dictionary()},
        {"[1 2]", ints({"1", "2"})},
        {"[ 1 , 2 ]", ints({"1", "2"})},
        {"[]", Value::array()},
        {"{\"a\":1 \"b\":2}", Value::dictionary({{"a", decimal("1")}, {"b", decimal("2")}})},
        {"[{\"a\":[{\"b\":[]}]},[[{}]]]",
         Value::array({Value::dictionary({{"a", Value::array({Value::dictionary({{"b", Value::array()}})})}}),
                       Value::array({Value::array({Value::dictionary()})})})},
        {"\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", Value("\"\\/\b\f\n\r\t")},
        {"\"\\u0041\\u00e9\\u20AC\"", Value("A\xc3\xa9\xe2\x82\xac")},
        {"\"\\u0000\"", Value("\0"s)},
        {"\"\\uD83D\\uDE00\"", Value("\xf0\x9f\x98\x80")},
        // Every valid form of 2, 3 and 4 bytes passes unchanged, at the edges of its range.
        {"\"\xc2\x80\xdf\xbf\"", Value("\xc2\x80\xdf\xbf")},
        {"\"\xe0\xa0\x80\xed\x9f\xbf\xee\x80\x80\xef\xbf\xbf\"",
         Value("\xe0\xa0\x80\xed\x9f\xbf\xee\x80\x80\xef\xbf\xbf")},
        {"\"\xf0\x90\x80\x80\xf4\x8f\xbf\xbf\xf0\x9f\x98\x80\"",
         Value("\xf0\x90\x80\x80\xf4\x8f\xbf\xbf\xf0\x9f\x98\x80")},
    };
    for (const Success& success : cases) {
        CCJsonParser parser;
        const std::optional<Value> value = parser.fragmentWithString(success.text);
        ASSERT_TRUE(value) << success.text << ": " << show(steps(parser.errorTrace()));
        EXPECT_EQ(value->kind(), success.expected.kind()) << success.text;
        EXPECT_EQ(*value, success.expected) << success.text;
    }
}

// A number is the decimal of its literal, digit for digit: nothing passes
// through a double or a 64-bit integer on the way.
TEST(JsonParser, NumbersAreDecimalsOfTheirExactLiteral)
{
    for (const char* literal : {"9223372036854775807", "9223372036854775808", "123456789012345678901234567890",
                                "-0.5E+3", "-0.0", "1E400", "1e-400", "0.10000000000000000000000001",
                                "1.5e+9999", "-123123e100000", "1E+02"}) {
        CCJsonParser parser;
        const std::optional<Value> value = parser.fragmentWithString(literal);
        ASSERT_TRUE(value) << literal;
        EXPECT_TRUE(value->isDecimal()) << literal;
        EXPECT_EQ(value->asString(), literal);
    }
    CCJsonParser parser;
    EXPECT_EQ(parser.fragmentWithString("0.1")->asDouble(), 0.1);
    EXPECT_EQ(parser.fragmentWithString("9007199254740993")->asInt64(), 9007199254740993);
    EXPECT_EQ(parser.fragmentWithString("1E400")->asDouble(), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::signbit(parser.fragmentWithString("-0.0")->asDouble()));
    EXPECT_EQ(parser.fragmentWithString("[1e05]")->at(0).asString(), "1e05");
}

// Strings are scanned eight bytes at a time: a byte that ends the plain run
// must be found at every offset within and across those words.
TEST(JsonParser, FindsEveryStringStopAtEveryOffset)
{
    struct Stop {
        std::string inserted;
        std::optional<std::string> read; // nothing: refused
    };
    const std::vector<Stop> stops = {
        {"\\n", "\n"},         {"\\\"", "\""},        {"\xc3\xa9", "\xc3\xa9"},
        {"\x7f", "\x7f"},       {"\x1f", std::nullopt}, {"\x80", std::nullopt},
        {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
    };
    for (const Stop& stop : stops) {
        for (size_t offset = 0; offset < 20; ++offset) {
            const std::string before(offset, 'a');
            const std::string after(11, 'b');
            CCJsonParser parser;
            const std::optional<Value> value = parser.fragmentWithString("\"" + before + stop.inserted + after + "\"");
            if (!stop.read) {
                EXPECT_FALSE(value) << offset;
                continue;
            }
            ASSERT_TRUE(value) << offset << ": " << show(steps(parser.errorTrace()));
            EXPECT_EQ(value->asString(), before + *stop.read + after) << offset;
        }
    }
}

// Small objects find repeated keys through a sketch of length and last byte,
// larger ones through a hash index: keys that share a sketch and keys past
// the small size must both keep the last value at the first place.
TEST(JsonParser, RepeatedKeyKeepsLastValueAtFirstPlace)
{
    struct Case {
        std::string text;
        std::vector<std::pair<std::string, int64_t>> members;
    };
    const std::vector<Case> cases = {
        {"{\"a\":1,\"b\":2,\"a\":3}", {{"a", 3}, {"b", 2}}},
        {"{\"ab\":1,\"cb\":2}", {{"ab", 1}, {"cb", 2}}},
        {"{\"ab\":1,\"cb\":2,\"cb\":4,\"ab\":3}", {{"ab", 3}, {"cb", 4}}},
        {"{\"\":1,\"x\":2,\"\":3}", {{"", 3}, {"x", 2}}},
        {"{\"k0\":0,\"k1\":1,\"k2\":2,\"k3\":3,\"k4\":4,\"k5\":5,\"k6\":6,\"k7\":7,\"k8\":8,\"k3\":9,\"k9\":10}",
         {{"k0", 0}, {"k1", 1}, {"k2", 2}, {"k3", 9}, {"k4", 4}, {"k5", 5}, {"k6", 6}, {"k7", 7}, {"k8", 8},
          {"k9", 10}}},
    };
    for (const Case& c : cases) {
        CCJsonParser parser;
        const std::optional<Value> value = parser.objectWithString(c.text);
        ASSERT_TRUE(value) << c.text;
        const auto& entries = value->asDict().entries();
        ASSERT_EQ(entries.size(), c.members.size()) << c.text;
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].first, c.members[i].first) << c.text;
            EXPECT_EQ(entries[i].second, Value(c.members[i].second)) << c.text;
            EXPECT_EQ(value->get(c.members[i].first), Value(c.members[i].second)) << c.text;
        }
    }
}

// Digits are read eight at a time, and a literal of up to 19 digits is held
// in the value itself, a longer one as its text; read as a double, it takes
// one exact operation when digits and power allow and the long way
// otherwise. Every way must keep the literal and give the nearest double, as
// from_chars reads it: digit runs of every length around the word size and
// the 19-digit limit, the point anywhere, with and without exponents.
TEST(JsonParser, ReadsEveryRealAsTheNearestDouble)
{
    const std::string digits = "98765432109876543210123";
    for (size_t length = 1; length <= digits.size(); ++length) {
        for (size_t point = 1; point <= length; ++point) {
            for (const char* exponent : {"", "e5", "E-7", "e+22", "e-22", "e23", "e-300"}) {
                std::string text = digits.substr(0, length);
                if (point < length) text.insert(point, ".");
                text += exponent;
                const bool integer = text.find_first_of(".eE") == std::string::npos;
                for (const std::string& literal : {text, "-" + text}) {
                    CCJsonParser parser;
                    const std::optional<Value> value = parser.fragmentWithString(literal);
                    ASSERT_TRUE(value) << literal;
                    ASSERT_TRUE(value->isDecimal()) << literal;
                    EXPECT_EQ(value->asString(), literal);
                    double expected = 0;
                    std::from_chars(literal.data(), literal.data() + literal.size(), expected);
                    EXPECT_EQ(value->asDouble(), expected) << literal;
                    if (integer && length <= 18) {
                        EXPECT_EQ(std::to_string(value->asInt64()), literal) << literal;
                    }
                }
            }
        }
    }
}

TEST(JsonParser, NestingStopsAtTheLimit)
{
    struct Case {
        std::string text;
        uint32_t maxDepth;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {test::nestedArrays(512), 512, true},
        {test::nestedArrays(513), 512, false},
        {test::nestedObjects(512), 512, true},
        {test::nestedObjects(513), 512, false},
        {test::nestedArrays(2), 1, false},
        {test::nestedArrays(CCJsonBase::kDepthCeiling), 0, true},
        {test::nestedArrays(CCJsonBase::kDepthCeiling + 1), 0, false},
        // "No limit" still stops at the ceiling, long before the stack ends.
        {test::nestedArrays(100000), 0, false},
        {std::string(100000, '['), 0, false},
        {"[" + test::nestedObjects(CCJsonBase::kDepthCeiling) + "]", 0, false},
    };
    for (const Case& c : cases) {
        CCJsonParser parser;
        parser.setMaxDepth(c.maxDepth);
        const bool accepted = parser.objectWithString(c.text).has_value();
        EXPECT_EQ(accepted, c.accepted) << c.text.size() << " bytes, limit " << c.maxDepth;
        if (!c.accepted) {
            ASSERT_FALSE(parser.errorTrace().empty());
            EXPECT_EQ(parser.errorTrace().front().code, 7);
            EXPECT_EQ(parser.errorTrace().front().message, "Nested too deep");
        }
    }
}

// The calling thread's CPU time, so that a busy machine's preemption does not
// count as parse time.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double parseSeconds(const std::string& text)
{
    CCJsonParser parser;
    const double start = threadSeconds();
    std::optional<Value> value = parser.objectWithString(text);
    const double seconds = threadSeconds() - start;
    EXPECT_TRUE(value);
    return seconds;
}

// The large text's parse time over the small text's. Both are parsed once
// first, so that neither pays alone for the memory the process grows into;
// then they are timed in turns and the fastest of each kept, so that a machine
// busy with other work slows both alike.
double growthOfParseTime(const std::string& small, const std::string& large)
{
    parseSeconds(large);
    parseSeconds(small);
    double bestSmall = 1e9;
    double bestLarge = 1e9;
    for (int run = 0; run < 7; ++run) {
        bestSmall = std::min(bestSmall, parseSeconds(small));
        bestLarge = std::min(bestLarge, parseSeconds(large));
    }
    return bestLarge / bestSmall;
}

std::string objectOfMembers(int count)
{
    std::string text = "{";
    for (int i = 0; i < count; ++i)
        text += (i ? ",\"member" : "\"member") + std::to_string(i) + "\":" + std::to_string(i);
    return text + "}";
}

std::string arrayOfNumbers(int count)
{
    std::string text = "[";
    for (int i = 0; i < count; ++i) text += (i ? "," : "") + std::to_string(i * 7 % 100003) + ".25";
    return text + "]";
}

// Parsing time grows with the size of the text, not faster: four times the
// text takes about four times as long when every member and element costs the
// same, while a duplicate-key check that searches the members so far, or an
// append that copies what came before, makes it sixteen times. The bound sits
// between, far enough from both that a busy machine's cache misses (which
// grow with the larger text's memory) cannot push linear parsing over it.
TEST(JsonParser, TimeGrowsLinearly)
{
    EXPECT_LT(growthOfParseTime(objectOfMembers(10000), objectOfMembers(40000)), 8.0);
    EXPECT_LT(growthOfParseTime(arrayOfNumbers(25000), arrayOfNumbers(100000)), 8.0);
}

} // namespace
} // namespace mw
