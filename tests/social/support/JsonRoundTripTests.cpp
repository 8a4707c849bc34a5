#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "social/support/CCJsonParser.h"
#include "social/support/CCJsonWriter.h"
#include "tests/social/support/JsonDocuments.h"
#include "tools/json/JsonBenchDocuments.h"

namespace mw {
namespace {

using namespace std::string_literals;

std::vector<Value> generatedDocuments()
{
    std::vector<Value> documents;
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        test::JsonDocumentGenerator generator(seed);
        documents.push_back(generator.document(seed % 10 == 0 ? 40 : 8));
    }
    return documents;
}

std::vector<std::string> benchmarkTexts()
{
    return {jsondocs::socialFeed(), jsondocs::eventCatalogue(), jsondocs::coordinateTrack()};
}

// Write, read back, write again: the value must not drift, nor the text once
// read (a real is written in its shortest form, "1e-62", and reads back as a
// decimal, which writes its own digits).
void expectRoundTrip(const Value& document, bool humanReadable, bool sortKeys)
{
    CCJsonWriter writer;
    writer.setHumanReadable(humanReadable);
    writer.setSortKeys(sortKeys);
    const std::optional<std::string> text = writer.stringWithObject(document);
    ASSERT_TRUE(text);
    CCJsonParser parser;
    const std::optional<Value> back = parser.objectWithString(*text);
    ASSERT_TRUE(back) << describeJsonTrace(parser.errorTrace());
    EXPECT_EQ(*back, document);
    const std::optional<std::string> settled = writer.stringWithObject(*back);
    ASSERT_TRUE(settled);
    const std::optional<Value> again = parser.objectWithString(*settled);
    ASSERT_TRUE(again) << describeJsonTrace(parser.errorTrace());
    EXPECT_EQ(*again, document);
    EXPECT_EQ(writer.stringWithObject(*again), settled);
}

TEST(JsonRoundTrip, GeneratedDocumentsComeBackEqual)
{
    for (const Value& document : generatedDocuments()) {
        expectRoundTrip(document, false, false);
        expectRoundTrip(document, true, true);
    }
}

TEST(JsonRoundTrip, BenchmarkDocumentsComeBackEqual)
{
    for (const std::string& text : benchmarkTexts()) {
        CCJsonParser parser;
        const std::optional<Value> document = parser.objectWithString(text);
        ASSERT_TRUE(document) << describeJsonTrace(parser.errorTrace());
        expectRoundTrip(*document, false, false);
        expectRoundTrip(*document, true, true);
    }
}

struct NumberCase {
    std::string document;
    std::string written; // empty: the document itself
};

// The valid number documents of the JSON test suite (its y_number files, and
// the structures around a lonely number), then its number documents whose
// reading is left to the parser (i_number), which ours reads exactly too,
// then the edges where a double or a 64-bit integer would lose something.
const std::vector<NumberCase> kNumberDocuments = {
    {"[123e65]", "[123" + std::string(65, '0') + "]"},
    {"[0e+1]", "[0]"},
    {"[0e1]", "[0]"},
    {"[ 4]", "[4]"},
    {"[-0.000000000000000000000000000000000000000000000000000000000000000000000000000000001]", ""},
    {"[20e1]", "[200]"},
    {"[-0]", "[0]"},
    {"[-123]", ""},
    {"[-1]", ""},
    {"[1E22]", "[1" + std::string(22, '0') + "]"},
    {"[1E-2]", "[0.01]"},
    {"[1E+2]", "[100]"},
    {"[123e45]", "[123" + std::string(45, '0') + "]"},
    {"[123.456e78]", "[123456" + std::string(75, '0') + "]"},
    {"[1e-2]", "[0.01]"},
    {"[1e+2]", "[100]"},
    {"[123]", ""},
    {"[123.456789]", ""},
    {"42", ""},
    {"-0.1", ""},
    {"{\"min\": -1.0e+28, \"max\": 1.0e+28}",
     "{\"min\":-1" + std::string(28, '0') + ",\"max\":1" + std::string(28, '0') + "}"},
    {"[1\n]", "[1]"},
    {"[1,null,null,null,2]", ""},
    {"[123.456e-789]", "[1.23456E-787]"},
    {"[-1e+9999]", "[-1E+9999]"},
    {"[1.5e+9999]", "[1.5E+9999]"},
    {"[-123123e100000]", "[-1.23123E+100005]"},
    {"[123123e100000]", "[1.23123E+100005]"},
    {"[123e-10000000]", "[1.23E-9999998]"},
    {"[-123123123123123123123123123123]", ""},
    {"[100000000000000000000]", ""},
    {"[-237462374673276894279832749832423479823246327846]", ""},
    {"9007199254740993", ""},
    {"[9223372036854775808, -9223372036854775809]", "[9223372036854775808,-9223372036854775809]"},
    {"{\"id\":18446744073709551616}", ""},
    {"-0", "0"},
    {"[1E400, 1e-400, -1E400, -1e-400]", "[1E+400,1E-400,-1E+400,-1E-400]"},
    {"0.1", ""},
    {"{\"amount\":123456789012345678901234567890}", ""},
    {"[-0.5E+3, 12.50, 1e05, 1E-0, 0.000]", "[-500,12.5,100000,1,0]"},
};

// The double nearest to a number literal, as the C library reads it.
double nearestDouble(const std::string& literal) { return std::strtod(literal.c_str(), nullptr); }

// Every number read from the document, in order.
void collectNumbers(const Value& value, std::vector<Value>& numbers)
{
    if (value.isDecimal()) numbers.push_back(value);
    for (const Value& item : value.asArray()) collectNumbers(item, numbers);
    for (const auto& [key, item] : value.asDict()) collectNumbers(item, numbers);
}

// Read, write, read again: each number is written as its decimal's own text
// (every digit, the exponent applied) and comes back as the same number,
// also past the double's range and precision.
TEST(JsonRoundTrip, EveryNumberComesBackAsTheSameNumber)
{
    for (const NumberCase& c : kNumberDocuments) {
        SCOPED_TRACE(c.document);
        CCJsonParser parser;
        const std::optional<Value> read = parser.fragmentWithString(c.document);
        ASSERT_TRUE(read) << describeJsonTrace(parser.errorTrace());
        CCJsonWriter writer;
        const std::optional<std::string> written = writer.stringWithFragment(*read);
        ASSERT_TRUE(written);
        EXPECT_EQ(*written, c.written.empty() ? c.document : c.written);
        const std::optional<Value> again = parser.fragmentWithString(*written);
        ASSERT_TRUE(again) << describeJsonTrace(parser.errorTrace());
        EXPECT_EQ(*again, *read);
        EXPECT_EQ(writer.stringWithFragment(*again), written);

        std::vector<Value> numbers;
        collectNumbers(*again, numbers);
        ASSERT_FALSE(numbers.empty());
        for (const Value& number : numbers) {
            EXPECT_NE(written->find(number.asString()), std::string::npos) << number.asString();
            EXPECT_EQ(number.asDouble(), nearestDouble(number.asString())) << number.asString();
        }
    }
}

// An exponent past 18 digits is the one number no decimal holds (the test
// suite's i_number_huge_exp): a clear refusal.
TEST(JsonRoundTrip, AnExponentPastEighteenDigitsIsRefused)
{
    CCJsonParser parser;
    EXPECT_FALSE(parser.objectWithString("[0.4e00669" + std::string(600, '9') + "69999999006]"));
    ASSERT_FALSE(parser.errorTrace().empty());
    EXPECT_EQ(parser.errorTrace().front().message, "Failed creating decimal instance");
    EXPECT_TRUE(parser.objectWithString("[0.4e00" + std::string(18, '9') + "]"));
}

// Whether ours holds what nlohmann-json read from the same text. Numbers
// compare as what nlohmann-json keeps of them (a 64-bit integer or the
// nearest double): ours keep every digit of the literal.
bool sameAsNlohmann(const Value& ours, const nlohmann::json& json)
{
    switch (json.type()) {
    case nlohmann::json::value_t::null: return ours.isNull();
    case nlohmann::json::value_t::boolean: return ours.isBool() && ours.asBool() == json.get<bool>();
    case nlohmann::json::value_t::number_integer:
        return ours.isDecimal() && ours == Value(json.get<int64_t>());
    case nlohmann::json::value_t::number_unsigned:
        return ours.isDecimal() && ours == Value(json.get<uint64_t>());
    case nlohmann::json::value_t::number_float: {
        const double number = json.get<double>();
        return ours.isDecimal() && ours.asDouble() == number && std::signbit(ours.asDouble()) == std::signbit(number);
    }
    case nlohmann::json::value_t::string: return ours.isString() && ours.asString() == json.get<std::string>();
    case nlohmann::json::value_t::array: {
        if (!ours.isArray() || ours.size() != json.size()) return false;
        for (size_t i = 0; i < json.size(); ++i) {
            if (!sameAsNlohmann(ours.at(i), json[i])) return false;
        }
        return true;
    }
    case nlohmann::json::value_t::object: {
        if (!ours.isDict() || ours.size() != json.size()) return false;
        for (const auto& [key, item] : json.items()) {
            if (!ours.contains(key) || !sameAsNlohmann(ours[key], item)) return false;
        }
        return true;
    }
    default: return false;
    }
}

TEST(JsonDifferential, AgreesWithNlohmannOnValidDocuments)
{
    std::vector<std::string> texts = benchmarkTexts();
    for (const Value& document : generatedDocuments())
        texts.push_back(*CCJsonWriter().stringWithObject(document));
    texts.push_back(
        "[0, -0, 9223372036854775807, 1e308, 1e-400, 0.1, -0.5E+3, \"\\uD83D\\uDE00\", \"\\u0000\"]");
    for (const std::string& text : texts) {
        CCJsonParser parser;
        const std::optional<Value> ours = parser.objectWithString(text);
        ASSERT_TRUE(ours) << text.substr(0, 200);
        EXPECT_TRUE(sameAsNlohmann(*ours, nlohmann::json::parse(text))) << text.substr(0, 200);
    }
}

TEST(JsonDifferential, BothRefuseInvalidTexts)
{
    const std::vector<std::string> invalid = {"",
                                              " ",
                                              "[",
                                              "]",
                                              "{",
                                              "{\"a\"}",
                                              "{\"a\":}",
                                              "{a:1}",
                                              "[1,]",
                                              "{\"a\":1,}",
                                              "[,1]",
                                              "01",
                                              "+1",
                                              "-",
                                              "1.",
                                              "1e",
                                              ".5",
                                              "[01]",
                                              "tru",
                                              "nul",
                                              "[True]",
                                              "\"abc",
                                              "\"\\x\"",
                                              "\"\\u12\"",
                                              "\"\\uD800\"",
                                              "\"\\uDC00\"",
                                              "\"\\uD83D\\uD83D\"",
                                              "\"\t\"",
                                              "\"\x01\"",
                                              "\"\xc0\xaf\"",
                                              "\"\xed\xa0\x80\"",
                                              "\"\xf4\x90\x80\x80\"",
                                              "\"\x80\"",
                                              "\"\xe2\x82\"",
                                              "{} x",
                                              "[1]]",
                                              "\0"s,
                                              "\"a\0\""s,
                                              "[\xa0]",
                                              "['a']",
                                              "[NaN]",
                                              "[Infinity]",
                                              "[1] // c",
                                              "/* c */ [1]"};
    for (const std::string& text : invalid) {
        CCJsonParser parser;
        EXPECT_FALSE(parser.fragmentWithString(text)) << "ours accepts: " << text;
        EXPECT_FALSE(nlohmann::json::accept(text)) << "nlohmann accepts: " << text;
    }
    // The only differences allowed: commas between elements and members may
    // be left out, vertical tab and form feed are white space, and a number
    // past the double's range is a number (it keeps its literal).
    const std::vector<std::string> oursOnly = {"[1 2]", "{\"a\":1 \"b\":2}", "\v[1]", "[\f1]", "[1e400]"};
    for (const std::string& text : oursOnly) {
        CCJsonParser parser;
        EXPECT_TRUE(parser.fragmentWithString(text)) << text;
        EXPECT_FALSE(nlohmann::json::accept(text)) << text;
    }
    // nlohmann-json is the laxer one on two texts: it reads a string only up
    // to its first NUL byte and skips a leading byte-order mark. Ours reads
    // every byte and refuses both.
    for (const std::string& text : {"[1]\0"s, "\xef\xbb\xbf[1]"s}) {
        CCJsonParser parser;
        EXPECT_FALSE(parser.fragmentWithString(text)) << text;
        EXPECT_TRUE(nlohmann::json::accept(text)) << text;
    }
}

} // namespace
} // namespace mw
