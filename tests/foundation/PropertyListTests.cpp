#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <latch>
#include <string>
#include <thread>

#include <libxml/xmlerror.h>

#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

std::string header()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n";
}

std::string plist(const std::string& body) { return header() + body + "\n</plist>\n"; }

std::vector<std::string> keysOf(const Value& dict)
{
    std::vector<std::string> keys;
    for (const auto& entry : dict.asDict()) keys.push_back(entry.first);
    return keys;
}

struct RoundTripCase {
    const char* name;
    Value value;
};

TEST(PropertyListTest, EveryKindSurvivesWriteAndRead)
{
    const uint8_t bytes[] = {0, 1, 2, 0xFE, 0xFF, '<', '&'};
    const std::vector<RoundTripCase> cases = {
        {"true", Value(true)},
        {"false", Value(false)},
        {"zero", Value(0)},
        {"negative", Value(-123456)},
        {"int32 min", Value(INT32_MIN)},
        {"int64 max", Value::int64(INT64_MAX)},
        {"int64 min", Value::int64(INT64_MIN)},
        {"2^63", Value(uint64_t(1) << 63)},
        {"uint64 max", Value(UINT64_MAX)},
        {"double", Value(0.1)},
        {"double tiny", Value(5e-324)},
        {"double huge", Value(1.7976931348623157e308)},
        {"double negative zero", Value(-0.0)},
        {"double 1e20", Value(1e20)},
        {"float", Value(0.1f)},
        {"float pi", Value(3.14159274f)},
        {"float 1e20", Value(1e20f)},
        {"infinity", Value(INFINITY)},
        {"string escapes", Value("a < b && c > d \"q\" 'a'")},
        {"string non-ASCII", Value("Zażółć gęślą jaźń – Grüße 🌾")},
        {"string whitespace kept", Value("  two\n\tlines \r\n end  ")},
        {"string empty", Value("")},
        {"data", Value::data(bytes, sizeof bytes)},
        {"data empty", Value::data(nullptr, 0)},
        {"data long (wrapped lines)", Value(Value::Bytes(1000, 0xA5))},
        {"date", Value::dateFromUnixTime(1796817600.0)},
        {"date before 1970", Value::dateFromUnixTime(-86400.0 * 365)},
        {"date year 1", Value::dateFromUnixTime(-62135596800.0)},
        {"empty array", Value::array()},
        {"empty dictionary", Value::dictionary()},
        {"nested", Value::dictionary({
                       {"list", Value::array({1, "two", 3.5, Value::array(), Value::dictionary({{"deep", true}})})},
                       {"ключ", Value("значение")},
                       {"", Value("empty key")},
                   })},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const std::string text = writePropertyList(c.value, &error);
        ASSERT_FALSE(text.empty()) << error;
        std::optional<Value> back = readPropertyList(text, &error);
        ASSERT_TRUE(back) << error << "\n" << text;
        EXPECT_EQ(*back, c.value) << text;
        EXPECT_EQ(back->kind(), c.value.kind());
        // A second pass gives the same bytes: nothing drifts.
        EXPECT_EQ(writePropertyList(*back), text);
    }
}

TEST(PropertyListTest, NumberMarksSurviveWhereTheTextShowsThem)
{
    const Value original = Value::dictionary({
        {"float", Value(0.1f)},
        {"double", Value(0.1)},
        {"small int", Value::int64(5)},
        {"big int", Value::int64(int64_t(1) << 40)},
    });
    std::optional<Value> back = readPropertyList(writePropertyList(original));
    ASSERT_TRUE(back);
    EXPECT_TRUE((*back)["float"].isFloat());
    EXPECT_EQ((*back)["float"].asFloat(), 0.1f);
    EXPECT_FALSE((*back)["double"].isFloat());
    EXPECT_EQ((*back)["double"].asDouble(), 0.1);
    EXPECT_TRUE((*back)["small int"].is32Bit());
    EXPECT_FALSE((*back)["big int"].is32Bit());
}

// Other writers print doubles in their shortest form, which often is also a
// float's shortest form; the number must still be the text's double.
TEST(PropertyListTest, RealsHoldTheDoubleOfTheirText)
{
    struct Case {
        const char* text;
        double value;
        bool floatMark;
        const char* writtenBack;
    };
    const std::vector<Case> cases = {
        {"0.1", 0.1, true, "0.1"},
        {"1e+16", 1e16, true, "1e+16"},
        {"3.14", 3.14, true, "3.14"},
        {"-2.5e-07", -2.5e-7, true, "-2.5e-07"},
        {"-2.5e-7", -2.5e-7, false, "-2.4999999999999999e-07"},
        {"0.10000000000000001", 0.1, false, "0.10000000000000001"},
        {"0.5", 0.5, false, "0.5"},
        {"1e16", 1e16, false, "10000000000000000"},
        {"0.30000000000000004", 0.30000000000000004, false, "0.30000000000000004"},
        {"1e39", 1e39, false, "9.9999999999999994e+38"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::optional<Value> value = readPropertyList(plist(std::string("<real>") + c.text + "</real>"));
        ASSERT_TRUE(value);
        EXPECT_EQ(value->asDouble(), c.value);
        EXPECT_EQ(value->isFloat(), c.floatMark);
        EXPECT_NE(writePropertyList(*value).find(std::string("<real>") + c.writtenBack + "</real>"), std::string::npos)
            << writePropertyList(*value);
    }
}

// A decimal (a number kept as its literal, as JSON numbers are read) goes in
// as the integer or real that holds it exactly, else as its literal, which
// reads back as the same decimal.
TEST(PropertyListTest, DecimalsSurviveAsIntegersRealsOrTheirLiteral)
{
    struct Case {
        const char* literal;
        const char* element;
        Value::Kind readBackAs;
    };
    const std::vector<Case> cases = {
        {"12", "<integer>12</integer>", Value::Kind::Integer},
        {"-0.5E+3", "<integer>-500</integer>", Value::Kind::Integer},
        {"9007199254740993", "<integer>9007199254740993</integer>", Value::Kind::Integer},
        {"18446744073709551615", "<integer>18446744073709551615</integer>", Value::Kind::Integer},
        {"0.1", "<real>0.10000000000000001</real>", Value::Kind::Real},
        {"-0", "<real>-0</real>", Value::Kind::Real},
        {"1E22", "<real>1e+22</real>", Value::Kind::Real},
        {"1e-7", "<real>9.9999999999999995e-08</real>", Value::Kind::Real},
        {"18446744073709551616", "<real>1.8446744073709552e+19</real>", Value::Kind::Real},
        {"18446744073709551617", "<integer>18446744073709551617</integer>", Value::Kind::Decimal},
        {"-9223372036854775809", "<integer>-9223372036854775809</integer>", Value::Kind::Decimal},
        {"123456789012345678901234567890", "<integer>123456789012345678901234567890</integer>",
         Value::Kind::Decimal},
        {"1E400", "<real>01E400</real>", Value::Kind::Decimal},
        {"-1e-400", "<real>-01e-400</real>", Value::Kind::Decimal},
        {"0.10000000000000001", "<real>00.10000000000000001</real>", Value::Kind::Decimal},
        {"-9007199254740993.5", "<real>-09007199254740993.5</real>", Value::Kind::Decimal},
        {"1.5e+9999", "<real>01.5e+9999</real>", Value::Kind::Decimal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.literal);
        const std::optional<Value> decimal = Value::decimal(c.literal);
        ASSERT_TRUE(decimal);
        const Value original = Value::dictionary({{"n", *decimal}});
        const std::string text = writePropertyList(original);
        EXPECT_NE(text.find(std::string("\t") + c.element + "\n"), std::string::npos) << text;
        std::string error;
        const std::optional<Value> back = readPropertyList(text, &error);
        ASSERT_TRUE(back) << error;
        EXPECT_EQ((*back)["n"].kind(), c.readBackAs);
        EXPECT_EQ(*back, original);
        if (c.readBackAs == Value::Kind::Decimal) {
            EXPECT_EQ((*back)["n"].asString(), c.literal);
        }
        EXPECT_EQ(writePropertyList(*back), text);
    }
    // Integers past 64 bits from other writers read as decimals too.
    const std::optional<Value> foreign = readPropertyList(plist("<integer> +98765432109876543210 </integer>"));
    ASSERT_TRUE(foreign);
    EXPECT_EQ(*foreign, Value::decimal("98765432109876543210"));
}

TEST(PropertyListTest, DictionaryOrderIsKept)
{
    Value dict;
    for (const char* key : {"zebra", "apple", "mango", "banana", "0", "Apple"}) dict.set(key, key);
    std::optional<Value> back = readPropertyList(writePropertyList(dict));
    ASSERT_TRUE(back);
    EXPECT_EQ(keysOf(*back), keysOf(dict));
}

TEST(PropertyListTest, WritesThePlatformFormat)
{
    const Value value = Value::dictionary({{"a&b", Value::array({1, 0.5f, true})}, {"s", "x<y"}, {"e", Value::array()}});
    EXPECT_EQ(writePropertyList(value), header() +
                                            "<dict>\n"
                                            "\t<key>a&amp;b</key>\n"
                                            "\t<array>\n"
                                            "\t\t<integer>1</integer>\n"
                                            "\t\t<real>0.5</real>\n"
                                            "\t\t<true/>\n"
                                            "\t</array>\n"
                                            "\t<key>s</key>\n"
                                            "\t<string>x&lt;y</string>\n"
                                            "\t<key>e</key>\n"
                                            "\t<array/>\n"
                                            "</dict>\n"
                                            "</plist>\n");
    EXPECT_NE(writePropertyList(Value::date(0)).find("<date>2001-01-01T00:00:00Z</date>"), std::string::npos);
    EXPECT_NE(writePropertyList(Value(0.1)).find("<real>0.10000000000000001</real>"), std::string::npos);
}

// The writer repeats the bytes of a one-entry dictionary that many values
// share (an archive's null marker); each copy must still read as written at
// its own depth and place.
TEST(PropertyListTest, ASharedDictionaryIsWrittenAsSeparateCopiesWouldBe)
{
    const Value marker = Value::dictionary({{"$class", "$null"}});
    const Value other = Value::dictionary({{"$class", "$other"}});
    const auto build = [](const std::function<Value()>& a, const std::function<Value()>& b) {
        return Value::array({a(), Value::array({a(), b(), Value::array({a()})}),
                             Value::dictionary({{"k", a()}, {"l", b()}}), a(), b()});
    };
    const std::string shared = writePropertyList(build([&] { return marker; }, [&] { return other; }));
    const std::string separate = writePropertyList(build([] { return Value::dictionary({{"$class", "$null"}}); },
                                                         [] { return Value::dictionary({{"$class", "$other"}}); }));
    EXPECT_EQ(shared, separate);
}

TEST(PropertyListTest, ReadsWhatOtherWritersProduce)
{
    std::optional<Value> value = readPropertyList(plist(
        "<!-- comment --><dict>\n"
        "  <key>n</key> <integer> +42 </integer>\n"
        "  <key>r</key><real>1.50</real>\n"
        "  <key>d</key><data>\n  SGVs\n  bG8=\n  </data>\n"
        "  <key>c</key><string><![CDATA[<raw> & text]]></string>\n"
        "  <key>when</key><date>2026-12-09T12:00:00Z</date>\n"
        "  <key>dup</key><integer>1</integer><key>dup</key><integer>2</integer>\n"
        "  <key>year 0</key><date>0000-06-01T00:00:00Z</date>\n"
        "</dict>"));
    ASSERT_TRUE(value);
    EXPECT_EQ((*value)["n"], Value(42));
    EXPECT_EQ((*value)["r"], Value(1.5));
    EXPECT_EQ((*value)["d"], Value::data("Hello", 5));
    EXPECT_EQ((*value)["c"].asString(), "<raw> & text");
    EXPECT_EQ((*value)["when"].asUnixTime(), 1796817600.0);
    EXPECT_EQ((*value)["dup"].asInt(), 2);
    // Earlier versions wrote year 0000, which no other reader takes: it reads
    // as the earliest date that can be written again.
    EXPECT_EQ((*value)["year 0"].asUnixTime(), -62135596800.0);
    EXPECT_EQ(keysOf(*value), (std::vector<std::string>{"n", "r", "d", "c", "when", "dup", "year 0"}));
    // A bare plist without the XML declaration or DOCTYPE is fine too.
    EXPECT_EQ(readPropertyList("<plist><string>x</string></plist>"), Value("x"));
}

struct MalformedCase {
    const char* name;
    std::string text;
    const char* errorContains;
};

TEST(PropertyListTest, MalformedInputIsAnErrorNeverACrash)
{
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<array>";
    const std::vector<MalformedCase> cases = {
        {"empty file", "", "empty"},
        {"white space only", "   \n", "malformed XML"},
        {"garbage", "\x01\x02garbage\xff", "malformed XML"},
        {"binary plist", std::string("bplist00\xd1\x01\x02", 11), "binary"},
        {"not a plist root", "<?xml version=\"1.0\"?>\n<array><true/></array>", "not <plist>"},
        {"wrong root element", "<dict><key>a</key><string>b</string></dict>", "not <plist>"},
        {"empty plist", plist(""), "no value"},
        {"two values", plist("<true/><false/>"), "more than one"},
        {"unknown tag", plist("<dict><key>a</key><widget>1</widget></dict>"), "unknown element <widget>"},
        {"unclosed element", header() + "<dict><key>a</key><string>b</string>", "malformed XML"},
        {"truncated", plist("<array><integer>1</integer>").substr(0, 150), "malformed XML"},
        {"dict key without value", plist("<dict><key>a</key></dict>"), "has no value"},
        {"dict key followed by key", plist("<dict><key>a</key><key>b</key><true/></dict>"), "has no value"},
        {"dict value without key", plist("<dict><string>x</string></dict>"), "without a <key>"},
        {"text inside dict", plist("<dict>stray<key>a</key><true/></dict>"), "text inside <dict>"},
        {"element inside string", plist("<string>a<b/>c</string>"), "unexpected element"},
        {"integer not a number", plist("<integer>12abc</integer>"), "not an integer"},
        {"integer empty", plist("<integer></integer>"), "not an integer"},
        {"integer past 64 bits with leading zeros", plist("<integer>018446744073709551616</integer>"), "out of range"},
        {"integer with a fraction", plist("<integer>1.5</integer>"), "not an integer"},
        {"real not a number", plist("<real>1.5.5</real>"), "not a real"},
        {"bad base64 character", plist("<data>SGV*bG8=</data>"), "bad base64"},
        {"base64 truncated group", plist("<data>SGVsb</data>"), "bad base64"},
        {"base64 data after padding", plist("<data>SG==bG8=</data>"), "bad base64"},
        {"bad date", plist("<date>2026-13-09T12:00:00Z</date>"), "not a date"},
        {"date 31 February", plist("<date>2026-02-31T12:00:00Z</date>"), "not a date"},
        {"true with text", plist("<true>yes</true>"), "text inside"},
        {"entity reference", header().substr(0, 39) +
                                 "<!DOCTYPE plist [<!ENTITY boom \"kaboom\">]>\n<plist><string>&boom;</string></plist>",
         "entit"},
        {"deep nesting", plist(deep), ""},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        std::optional<Value> value = readPropertyList(c.text, &error);
        EXPECT_FALSE(value) << writePropertyList(*value);
        EXPECT_FALSE(error.empty());
        EXPECT_NE(error.find(c.errorContains), std::string::npos) << error;
    }
}

// Nesting to `depth`: the outermost array at 0, the innermost integer at depth.
static Value nestedArrays(int depth)
{
    Value deep = Value::array({7});
    for (int i = 1; i < depth; ++i) deep = Value::array({deep});
    return deep;
}

TEST(PropertyListTest, NestingBeyondTheLimitIsRefused)
{
    std::string error;
    EXPECT_EQ(writePropertyList(nestedArrays(kPropertyListMaxDepth + 1), &error), "");
    EXPECT_NE(error.find("nesting"), std::string::npos) << error;
}

// Whatever the writer accepts must read back: a save written deeper than the
// XML parser allows would be lost for good.
TEST(PropertyListTest, DeepestWritableValueReadsBack)
{
    const Value deepest = nestedArrays(kPropertyListMaxDepth);
    std::string error;
    const std::string text = writePropertyList(deepest, &error);
    ASSERT_NE(text, "") << error;
    EXPECT_EQ(readPropertyList(text, &error), deepest) << error;
}

TEST(PropertyListTest, WriterRefusesWhatXmlCannotCarry)
{
    const std::vector<std::pair<const char*, Value>> cases = {
        {"null", Value()},
        {"null inside", Value::array({1, Value()})},
        {"invalid UTF-8", Value(std::string("bad \xC3\x28 text"))},
        {"overlong UTF-8", Value(std::string("\xC0\xAF"))},
        {"control character", Value(std::string("bell\x07"))},
        {"invalid UTF-8 key", Value::dictionary({{std::string("\xFF"), 1}})},
        {"date past year 9999", Value::date(1e12)},
        {"date before year 1", Value::dateFromUnixTime(-62135596801.0)},
    };
    for (const auto& [name, value] : cases) {
        SCOPED_TRACE(name);
        std::string error;
        EXPECT_EQ(writePropertyList(value, &error), "");
        EXPECT_FALSE(error.empty());
    }
}

TEST(PropertyListTest, EntriesThatCannotBeReadAreSkippedWhenAsked)
{
    struct Case {
        const char* name;
        std::string badValue;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"integer past 64 bits with leading zeros", "<integer>018446744073709551616</integer>", "out of range"},
        {"not a real", "<real>fast</real>", "not a real"},
        {"bad date", "<date>2026-13-01T00:00:00Z</date>", "not a date"},
        {"bad base64", "<data>*</data>", "bad base64"},
        {"unknown element", "<widget/>", "unknown element"},
        {"array holding a bad value", "<array><integer>1</integer><integer>x</integer></array>", "not an integer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = plist("<dict><key>before</key><true/><key>bad</key>" + c.badValue +
                                       "<key>nested</key><dict><key>bad</key>" + c.badValue +
                                       "<key>kept</key><integer>2</integer></dict>"
                                       "<key>after</key><string>kept</string></dict>");
        std::string error;
        EXPECT_FALSE(readPropertyList(text, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;

        std::vector<std::string> skipped;
        std::optional<Value> value = readPropertyListSkippingBadEntries(
            reinterpret_cast<const uint8_t*>(text.data()), text.size(), skipped, &error);
        ASSERT_TRUE(value) << error;
        EXPECT_EQ(*value, Value::dictionary({{"before", true},
                                             {"nested", Value::dictionary({{"kept", 2}})},
                                             {"after", "kept"}}));
        ASSERT_EQ(skipped.size(), 2u);
        for (const std::string& line : skipped) {
            EXPECT_EQ(line.rfind("\"bad\": ", 0), 0u) << line;
            EXPECT_NE(line.find(c.reason), std::string::npos) << line;
        }
    }
    // What is broken around the entries still fails the whole list.
    std::vector<std::string> skipped;
    for (const std::string& text : {plist("<dict><key>a</key></dict>"), plist("<integer>x</integer>"),
                                    header() + "<dict><key>a</key><true/>"}) {
        SCOPED_TRACE(text);
        std::string error;
        EXPECT_FALSE(readPropertyListSkippingBadEntries(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                                        skipped, &error));
        EXPECT_FALSE(error.empty());
    }
}

// libxml2 reports some faults (here a failed encoding conversion) on its own,
// outside the parse result, through handlers that it keeps per thread.
TEST(PropertyListTest, LibxmlMessagesGoToTheLogSinkOnEveryThread)
{
    const std::string badEncoding =
        "<?xml version=\"1.0\" encoding=\"SHIFT_JIS\"?><plist><string>\x81\xFF\x80\xFE</string></plist>";
    auto parse = [&] { EXPECT_FALSE(readPropertyList(badEncoding, nullptr)); };
    test::StderrCapture stderrText;
    ScopedLogCapture log;

    // A thread that used libxml2 before any property list was read.
    std::latch touched(1), mainParsed(1);
    std::thread early([&] {
        (void)xmlGetLastError();
        touched.count_down();
        mainParsed.wait();
        parse();
    });
    touched.wait();
    parse();
    mainParsed.count_down();
    early.join();
    std::thread([&] { parse(); }).join();

    const std::string leaked = stderrText.text();
    EXPECT_EQ(leaked.find("conversion"), std::string::npos) << leaked;
    EXPECT_TRUE(log.contains("libxml2: input conversion failed"));
    // The parse result's own error is logged once a parse, by the reader, and
    // not repeated by the handler.
    const std::string prefix = "PropertyList: malformed XML: ";
    std::vector<std::string> readerLines, libxmlLines;
    for (const std::string& line : log.lines()) {
        if (line.rfind(prefix, 0) == 0) {
            readerLines.push_back(line.substr(prefix.size(), line.rfind(" (line") - prefix.size()));
        }
        if (line.rfind("libxml2: ", 0) == 0) libxmlLines.push_back(line);
    }
    EXPECT_EQ(readerLines.size(), 3u);
    for (const std::string& reason : readerLines) {
        for (const std::string& line : libxmlLines) EXPECT_EQ(line.find(reason), std::string::npos) << line;
    }
}

TEST(PropertyListTest, Base64DecodesOrRefuses)
{
    struct Case {
        const char* text;
        std::optional<std::string> bytes;
    };
    const std::vector<Case> cases = {
        {"", std::string()},
        {"TQ==", std::string("M")},
        {"TWE=", std::string("Ma")},
        {"TWFu", std::string("Man")},
        {" T W\nF u\t", std::string("Man")},
        {"TWFuTQ==", std::string("ManM")},
        {"TQ=", std::nullopt},
        {"T===", std::nullopt},
        {"TQ==TQ==", std::nullopt},
        {"TW-u", std::nullopt},
        {"TWFuT", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::optional<Value::Bytes> decoded = decodeBase64(c.text);
        ASSERT_EQ(decoded.has_value(), c.bytes.has_value());
        if (decoded) {
            EXPECT_EQ(std::string(decoded->begin(), decoded->end()), *c.bytes);
        }
    }
    for (size_t length = 0; length < 8; ++length) {
        const std::string original = std::string("abcdefgh").substr(0, length);
        const std::string encoded = encodeBase64(reinterpret_cast<const uint8_t*>(original.data()), length);
        std::optional<Value::Bytes> decoded = decodeBase64(encoded);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(std::string(decoded->begin(), decoded->end()), original);
    }
}

TEST(PropertyListTest, FilesAreWrittenAtomicallyAndReadBack)
{
    test::TempDir dir;
    const std::string path = dir.file("save.plist");
    const Value value = Value::dictionary({{"gold", 120}, {"name", "Mosswick"}});
    std::string error;
    ASSERT_TRUE(writePropertyListFile(path, value, &error)) << error;
    EXPECT_EQ(readPropertyListFile(path, &error), value);

    // A value that cannot be written leaves the file as it was.
    EXPECT_FALSE(writePropertyListFile(path, Value::array({Value()}), &error));
    EXPECT_EQ(readPropertyListFile(path), value);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"save.plist"});

    EXPECT_FALSE(readPropertyListFile(dir.file("missing.plist"), &error));
    EXPECT_NE(error.find("missing.plist"), std::string::npos);
}

} // namespace
} // namespace mw
