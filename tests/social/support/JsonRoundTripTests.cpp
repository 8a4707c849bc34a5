#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

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

// Write, read back, write again: the value and the text must not drift.
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
    EXPECT_EQ(writer.stringWithObject(*back), text);
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

// nlohmann-json's reading of the same text, as a Value.
Value fromNlohmann(const nlohmann::json& json)
{
    switch (json.type()) {
    case nlohmann::json::value_t::null: return Value();
    case nlohmann::json::value_t::boolean: return Value(json.get<bool>());
    case nlohmann::json::value_t::number_integer: return Value(json.get<int64_t>());
    case nlohmann::json::value_t::number_unsigned: {
        const uint64_t number = json.get<uint64_t>();
        return number <= uint64_t(INT64_MAX) ? Value(static_cast<int64_t>(number))
                                             : Value(static_cast<double>(number));
    }
    case nlohmann::json::value_t::number_float: return Value(json.get<double>());
    case nlohmann::json::value_t::string: return Value(json.get<std::string>());
    case nlohmann::json::value_t::array: {
        Value::Array items;
        for (const auto& item : json) items.push_back(fromNlohmann(item));
        return Value(std::move(items));
    }
    case nlohmann::json::value_t::object: {
        ValueDictionary members;
        for (const auto& [key, item] : json.items()) members.set(key, fromNlohmann(item));
        return Value(std::move(members));
    }
    default: return Value::data("", 0); // equal to nothing JSON gives
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
        EXPECT_EQ(*ours, fromNlohmann(nlohmann::json::parse(text))) << text.substr(0, 200);
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
                                              "[1e400]",
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
    // be left out, and vertical tab and form feed are white space.
    const std::vector<std::string> oursOnly = {"[1 2]", "{\"a\":1 \"b\":2}", "\v[1]", "[\f1]"};
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
