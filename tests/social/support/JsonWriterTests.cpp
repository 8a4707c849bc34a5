#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "social/support/CCJSON.h"
#include "social/support/CCJsonWriter.h"

namespace mw {
namespace {

using namespace std::string_literals;

std::vector<std::string> messages(const std::vector<JsonError>& trace)
{
    std::vector<std::string> out;
    for (const JsonError& error : trace) out.push_back(error.message);
    return out;
}

TEST(JsonWriter, HumanReadableSortedTextMatchesByteForByte)
{
    CCJsonWriter writer;
    writer.setHumanReadable(true);
    writer.setSortKeys(true);
    const Value document = Value::dictionary({{"b", 1}, {"a", Value::array()}});
    EXPECT_EQ(writer.stringWithObject(document), "{\n  \"a\" : [],\n  \"b\" : 1\n}");

    const Value nested =
        Value::dictionary({{"z", Value::array({1, Value::dictionary({{"y", true}})})}, {"m", "x"}});
    EXPECT_EQ(writer.stringWithObject(nested),
              "{\n  \"m\" : \"x\",\n  \"z\" : [\n    1,\n    {\n      \"y\" : true\n    }\n  ]\n}");
    writer.setHumanReadable(false);
    writer.setSortKeys(false);
    EXPECT_EQ(writer.stringWithObject(nested), "{\"z\":[1,{\"y\":true}],\"m\":\"x\"}");
}

TEST(JsonWriter, WritesEveryScalar)
{
    struct Case {
        Value value;
        std::string text;
    };
    const std::vector<Case> cases = {
        {Value(true), "true"},
        {Value(false), "false"},
        {Value(1), "1"},
        {Value(std::numeric_limits<int32_t>::min()), "-2147483648"},
        {Value(std::numeric_limits<int64_t>::max()), "9223372036854775807"},
        {Value(std::numeric_limits<int64_t>::min()), "-9223372036854775808"},
        {Value(0.1), "0.1"},
        {Value(1e21), "1e+21"},
        {Value(-0.0), "-0"},
        {Value(2.0), "2"},
        {Value(1700000000.5), "1700000000.5"},
        {Value(0.1f), "0.1"},
        {Value(16777216.0f), "16777216"},
        {Value(3.4028235e38f), "3.4028235e+38"},
        {Value::realMarkedFloat(0.1), "0.1"},
        {*Value::decimal("-0.5E+3"), "-500"},
        {*Value::decimal("123456789012345678901234567890"), "123456789012345678901234567890"},
        {*Value::decimal("1E400"), "1E+400"},
        {*Value::decimal("12.50"), "12.5"},
        {Value(), "null"},
        {Value("tab\there"), "\"tab\\there\""},
        {Value("\x01"), "\"\\u0001\""},
        {Value("\x1f\b\f\n\r\"\\"), "\"\\u001f\\b\\f\\n\\r\\\"\\\\\""},
        {Value("\0"s), "\"\\u0000\""},
        {Value("a/b \xc5\xbc\xc3\xb6\xe2\x82\xac \xf0\x9f\x98\x80"),
         "\"a/b \xc5\xbc\xc3\xb6\xe2\x82\xac \xf0\x9f\x98\x80\""},
    };
    for (const Case& c : cases) {
        CCJsonWriter writer;
        EXPECT_EQ(writer.stringWithFragment(c.value), c.text) << c.text;
    }
}

// A number read from JSON is written as its decimal number prints itself:
// the exponent applied, no zeros after the last significant digit of a
// fraction, no sign on zero, every digit kept; past the powers of ten a
// decimal number holds, one digit before the point and an exponent. The
// text reads back as the same number.
TEST(JsonWriter, NumbersAreWrittenAsTheirDecimalsOwnText)
{
    const std::string zeros127(127, '0');
    const std::string nines400(400, '9');
    const std::string ones20(20, '1');
    struct Case {
        std::string literal;
        std::string text;
    };
    const std::vector<Case> cases = {
        // as they are
        {"0", "0"},
        {"7", "7"},
        {"-123", "-123"},
        {"0.1", "0.1"},
        {"-0.25", "-0.25"},
        {"100", "100"},
        {"123456789012345678901234567890", "123456789012345678901234567890"},
        {"-9223372036854775809", "-9223372036854775809"},
        {"0.0000000000000000001", "0.0000000000000000001"},
        // negative zero
        {"-0", "0"},
        {"-0.000", "0"},
        {"0e+1", "0"},
        {"-0.0E-5", "0"},
        {"0e999999999999999999", "0"},
        // trailing zeros
        {"1.50", "1.5"},
        {"1.0", "1"},
        {"-2.500000", "-2.5"},
        {"1.000000000000000000", "1"},
        {"1.000000000000000000e+3", "1000"},
        {"123456789012345678901234567890.500", "123456789012345678901234567890.5"},
        // exponents applied, leading zeros in the exponent
        {"-0.5E+3", "-500"},
        {"1e05", "100000"},
        {"1E-0", "1"},
        {"1e000", "1"},
        {"2e0001", "20"},
        {"3e-0002", "0.03"},
        {"4E+00003", "4000"},
        {"20e1", "200"},
        {"12.5e-1", "1.25"},
        {"-0.0001200", "-0.00012"},
        {"1e-7", "0.0000001"},
        {"1.5E-7", "0.00000015"},
        {"1E22", "1" + std::string(22, '0')},
        // large and small exponents: plain within the powers -128 to 127
        {"1E127", "1" + zeros127},
        {"-12E126", "-12" + std::string(126, '0')},
        {"1e-128", "0." + zeros127 + "1"},
        {"1E128", "1E+128"},
        {"1e-129", "1E-129"},
        {"1E400", "1E+400"},
        {"-1.5e+9999", "-1.5E+9999"},
        {"5e65535", "5E+65535"},
        {"5e-65536", "5E-65536"},
        {"123123e100000", "1.23123E+100005"},
        {"1e999999999999999999", "1E+999999999999999999"},
        {"-1e-999999999999999999", "-1E-999999999999999999"},
        {"12.50e-300", "1.25E-299"},
        // exponents past 18 digits, which no reader takes, move the point instead
        {"123e999999999999999999", "123E+999999999999999999"},
        {"-1.5e999999999999999999", "-1.5E+999999999999999999"},
        {"0.000001e-999999999999999999", "0.000001E-999999999999999999"},
        {"-0.0120e-999999999999999999", "-0.012E-999999999999999999"},
        // very long mantissas: every digit
        {nines400, nines400},
        {"-" + nines400 + ".9000", "-" + nines400 + ".9"},
        {ones20 + ones20 + "e-20", ones20 + "." + ones20},
        {"3.14159265358979323846264338327950288", "3.14159265358979323846264338327950288"},
        {"0." + std::string(100, '0') + "1234567890123456789012345678901",
         "0." + std::string(100, '0') + "1234567890123456789012345678901"},
        {"0." + std::string(100, '0') + "123456789012345678901234567890",
         "0." + std::string(100, '0') + "12345678901234567890123456789"},
        {"-0." + std::string(1000, '0') + "1", "-1E-1001"},
        {nines400 + "e-400", "0." + nines400},
        {nines400 + "e200", "9." + std::string(399, '9') + "E+599"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.literal);
        const std::optional<Value> number = Value::decimal(c.literal);
        ASSERT_TRUE(number);
        CCJsonWriter writer;
        const std::optional<std::string> written = writer.stringWithFragment(*number);
        EXPECT_EQ(written, c.text);
        EXPECT_EQ(writer.stringWithObject(Value::array({*number})), "[" + c.text + "]");
        EXPECT_EQ(number->asString(), c.literal) << "the value keeps its literal";
        CCJsonParser parser;
        const std::optional<Value> again = parser.fragmentWithString(c.text);
        ASSERT_TRUE(again);
        EXPECT_EQ(*again, *number);
        EXPECT_EQ(again->asDouble(), number->asDouble());
    }
}

TEST(JsonWriter, RefusesWhatNoReaderCouldTakeBack)
{
    struct Case {
        Value value;
        std::vector<std::string> trace;
    };
    const Value data = Value::data("ab", 2);
    const Value date = Value::date(0);
    const std::vector<Case> cases = {
        {Value(1), {"Not valid type for JSON"}},
        {Value("text"), {"Not valid type for JSON"}},
        {Value::array({data}), {"JSON serialisation not supported for data"}},
        {Value::array({date}), {"JSON serialisation not supported for date"}},
        {Value::dictionary({{"k", data}}),
         {"JSON serialisation not supported for data", "Unsupported value for key k in object"}},
        {Value::array({std::nan("")}), {"JSON serialisation not supported for non-finite number"}},
        {Value::array({std::numeric_limits<double>::infinity()}),
         {"JSON serialisation not supported for non-finite number"}},
        {Value::dictionary({{"k", -std::numeric_limits<double>::infinity()}}),
         {"JSON serialisation not supported for non-finite number", "Unsupported value for key k in object"}},
        {Value::array({"\xff"}), {"JSON serialisation not supported for string that is not UTF-8"}},
        {Value::array({"a\xed\xa0\x80"}), {"JSON serialisation not supported for string that is not UTF-8"}},
        {Value::dictionary({{"\xc0\xaf", 1}}),
         {"JSON serialisation not supported for string that is not UTF-8"}},
    };
    for (const Case& c : cases) {
        CCJsonWriter writer;
        EXPECT_FALSE(writer.stringWithObject(c.value));
        EXPECT_EQ(messages(writer.errorTrace()), c.trace);
        for (const JsonError& error : writer.errorTrace()) {
            if (error.message != "Not valid type for JSON") {
                EXPECT_EQ(error.code, 1) << error.message;
            }
        }
    }
}

TEST(JsonWriter, NestingStopsAtTheLimit)
{
    Value deep = Value::array();
    for (int i = 1; i < 513; ++i) deep = Value::array({deep});
    CCJsonWriter writer;
    EXPECT_FALSE(writer.stringWithObject(deep));
    EXPECT_EQ(writer.errorTrace().front().message, "Nested too deep");
    writer.setMaxDepth(0);
    EXPECT_TRUE(writer.stringWithObject(deep));
    for (uint32_t i = 513; i <= CCJsonBase::kDepthCeiling; ++i) deep = Value::array({deep});
    EXPECT_FALSE(writer.stringWithObject(deep));
    EXPECT_EQ(writer.errorTrace().front().code, 7);
}

class TestRecord : public JsonProxy {
public:
    explicit TestRecord(Value stands) : stands_(std::move(stands)) {}
    Value proxyForJson() const override { return stands_; }

private:
    Value stands_;
};

TEST(JsonWriter, AnObjectMayStandInThroughItsProxy)
{
    CCJsonWriter writer;
    EXPECT_EQ(writer.stringWithObject(TestRecord(Value::dictionary({{"id", 7}}))), "{\"id\":7}");
    EXPECT_EQ(writer.stringWithFragment(TestRecord(Value("x"))), "\"x\"");
    EXPECT_FALSE(writer.stringWithObject(TestRecord(Value("x"))));
    EXPECT_EQ(messages(writer.errorTrace()), std::vector<std::string>{"Not valid type for JSON"});
}

TEST(JsonFacade, HandsOutTheLastErrorAndKeepsACopyOfTheTrace)
{
    CCJSON json;
    JsonError error;
    EXPECT_FALSE(json.objectWithString("[1, tru]", &error));
    EXPECT_EQ(error.code, 3);
    EXPECT_EQ(error.message, "Expected value while parsing array");
    ASSERT_TRUE(error.underlying);
    EXPECT_EQ(error.underlying->message, "Expected 'true'");
    EXPECT_EQ(messages(json.errorTrace()),
              (std::vector<std::string>{"Expected 'true'", "Expected value while parsing array"}));

    EXPECT_FALSE(json.objectWithString("12", &error));
    EXPECT_EQ(error.code, 4);
    EXPECT_EQ(json.fragmentWithString("12", &error), Value(int64_t{12}));
    EXPECT_FALSE(json.objectWithString("[")) ;
    EXPECT_EQ(messages(json.errorTrace()), std::vector<std::string>{"End of input while parsing array"});

    EXPECT_FALSE(json.stringWithObject(Value(1), &error));
    EXPECT_EQ(error.message, "Not valid type for JSON");
    EXPECT_EQ(json.stringWithFragment(Value(1), &error), "1");
    EXPECT_FALSE(json.stringWithObject(Value::array({Value::data("", 0)}), nullptr));
    EXPECT_EQ(messages(json.errorTrace()),
              std::vector<std::string>{"JSON serialisation not supported for data"});

    json.setMaxDepth(1);
    EXPECT_EQ(json.maxDepth(), 1u);
    EXPECT_FALSE(json.objectWithString("[[]]"));
    EXPECT_FALSE(json.stringWithObject(Value::array({Value::array()})));
    json.setHumanReadable(true);
    json.setSortKeys(true);
    EXPECT_EQ(json.stringWithObject(Value::dictionary({{"b", 1}, {"a", 2}})),
              "{\n  \"a\" : 2,\n  \"b\" : 1\n}");
}

TEST(JsonConvenience, EachReturnsNothingOnFailureAndLogsOneLineWithTheTrace)
{
    struct Case {
        std::function<bool()> fails;
        std::string line;
        std::string cause;
    };
    const std::vector<Case> cases = {
        {[] { return !JSONRepresentation(Value(1)); }, "-JSONRepresentation failed. Error trace is: ",
         "Not valid type for JSON"},
        {[] { return !JSONFragment(Value::date(1)); }, "-JSONFragment failed. Error trace is: ",
         "JSON serialisation not supported for date"},
        {[] { return !JSONValue("[1, tru]"); }, "-JSONValue failed. Error trace is: ",
         "\"Expected 'true'\" (code 3), \"Expected value while parsing array\" (code 3)"},
        {[] { return !JSONFragmentValue("01"); }, "-JSONFragmentValue failed. Error trace is: ",
         "Leading 0 disallowed in number"},
    };
    for (const Case& c : cases) {
        ScopedLogCapture log;
        EXPECT_TRUE(c.fails());
        ASSERT_EQ(log.lines().size(), 1u) << c.line;
        EXPECT_EQ(log.lines()[0].rfind(c.line, 0), 0u) << log.lines()[0];
        EXPECT_NE(log.lines()[0].find(c.cause), std::string::npos) << log.lines()[0];
    }
    ScopedLogCapture quiet;
    EXPECT_EQ(JSONRepresentation(Value::array({1})), "[1]");
    EXPECT_EQ(JSONFragment(Value(1)), "1");
    EXPECT_EQ(JSONValue("{\"a\":null}"), Value::dictionary({{"a", Value()}}));
    EXPECT_EQ(JSONFragmentValue("true"), Value(true));
    EXPECT_TRUE(quiet.lines().empty());
}

} // namespace
} // namespace mw
