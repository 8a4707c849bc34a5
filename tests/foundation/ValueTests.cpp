#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "foundation/Value.h"

namespace mw {
namespace {

Value decimal(std::string_view literal)
{
    std::optional<Value> value = Value::decimal(literal);
    EXPECT_TRUE(value) << literal;
    return value.value_or(Value());
}

struct ReadCase {
    const char* name;
    Value value;
    int64_t asInt64;
    double asDouble;
    bool asBool;
    std::string asString;
};

TEST(ValueTest, ReadsEveryKindForgivingly)
{
    const std::vector<ReadCase> cases = {
        {"null", Value(), 0, 0.0, false, ""},
        {"true", Value(true), 1, 1.0, true, "1"},
        {"false", Value(false), 0, 0.0, false, "0"},
        {"negative int", Value(-42), -42, -42.0, true, "-42"},
        {"int64 max", Value::int64(INT64_MAX), INT64_MAX, 9223372036854775807.0, true, "9223372036854775807"},
        {"uint64 max clamps to int64", Value(UINT64_MAX), INT64_MAX, 18446744073709551615.0, true, "18446744073709551615"},
        {"2^63 clamps to int64", Value(uint64_t(1) << 63), INT64_MAX, 9223372036854775808.0, true, "9223372036854775808"},
        {"real truncates toward zero", Value(-2.75), -2, -2.75, true, "-2.75"},
        {"real above int64 clamps", Value(1e300), INT64_MAX, 1e300, true, "1e+300"},
        {"NaN reads as 0", Value(std::nan("")), 0, std::nan(""), true, "nan"},
        {"float prints as float", Value(0.1f), 0, double(0.1f), true, "0.1"},
        {"string leading number", Value("  12abc"), 12, 12.0, true, "  12abc"},
        {"string real", Value("3.9e2xyz"), 3, 390.0, true, "3.9e2xyz"},
        {"string signed", Value("-7"), -7, -7.0, true, "-7"},
        {"string no number", Value("abc"), 0, 0.0, false, "abc"},
        {"string YES", Value("YES"), 0, 0.0, true, "YES"},
        {"string true", Value("true"), 0, 0.0, true, "true"},
        {"string zeros then 5", Value("  +005"), 5, 5.0, true, "  +005"},
        {"string NO", Value("NO"), 0, 0.0, false, "NO"},
        {"string overflow clamps", Value("99999999999999999999"), INT64_MAX, 1e20, true, "99999999999999999999"},
        {"string huge exponent", Value("1e999"), 1, INFINITY, true, "1e999"},
        {"string tiny exponent", Value("1e-999"), 1, 0.0, true, "1e-999"},
        {"data", Value::data("ab", 2), 0, 0.0, false, ""},
        {"array", Value::array({1, 2}), 0, 0.0, false, ""},
        {"dictionary", Value::dictionary({{"a", 1}}), 0, 0.0, false, ""},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value.asInt64(), c.asInt64);
        if (std::isnan(c.asDouble)) {
            EXPECT_TRUE(std::isnan(c.value.asDouble()));
        } else {
            EXPECT_EQ(c.value.asDouble(), c.asDouble);
        }
        EXPECT_EQ(c.value.asBool(), c.asBool);
        EXPECT_EQ(c.value.asString(), c.asString);
    }
}

struct DecimalReadCase {
    const char* literal;
    int64_t asInt64;
    uint64_t asUInt64;
    double asDouble;
    bool asBool;
};

// A decimal reads as the number it writes: integers truncate toward zero and
// clamp, a double is the nearest one (infinity or zero past the range), and
// the text is the literal, digit for digit.
TEST(ValueTest, DecimalsReadAsTheirNumber)
{
    const std::vector<DecimalReadCase> cases = {
        {"12", 12, 12, 12.0, true},
        {"-0", 0, 0, -0.0, false},
        {"0.000", 0, 0, 0.0, false},
        {"0e+7", 0, 0, 0.0, false},
        {"-2.75", -2, 0, -2.75, true},
        {"0.1", 0, 0, 0.1, true},
        {"-0.5E+3", -500, 0, -500.0, true},
        {"1E2", 100, 100, 100.0, true},
        {"1e05", 100000, 100000, 1e5, true},
        {"1.5E-0", 1, 1, 1.5, true},
        {"9007199254740993", 9007199254740993, 9007199254740993, 9007199254740992.0, true},
        {"9223372036854775807", INT64_MAX, uint64_t(INT64_MAX), 9223372036854775807.0, true},
        {"9223372036854775808", INT64_MAX, uint64_t(1) << 63, 9223372036854775808.0, true},
        {"-9223372036854775808", INT64_MIN, 0, -9223372036854775808.0, true},
        {"-9223372036854775809", INT64_MIN, 0, -9223372036854775809.0, true},
        {"18446744073709551615", INT64_MAX, UINT64_MAX, 18446744073709551615.0, true},
        {"18446744073709551616", INT64_MAX, UINT64_MAX, 18446744073709551616.0, true},
        {"18446744073709551615.9", INT64_MAX, UINT64_MAX, 18446744073709551615.9, true},
        {"123456789012345678901234567890", INT64_MAX, UINT64_MAX, 1.2345678901234568e29, true},
        {"-123456789012345678901234567890.5", INT64_MIN, 0, -1.2345678901234568e29, true},
        {"0.00000000000000000000000000000000000000000000000000000000000000000000000000000001", 0, 0, 1e-80,
         true},
        {"1E400", INT64_MAX, UINT64_MAX, INFINITY, true},
        {"-1E400", INT64_MIN, 0, -INFINITY, true},
        {"1e-400", 0, 0, 0.0, true},
        {"-1e-400", 0, 0, -0.0, true},
        {"1.5e+9999", INT64_MAX, UINT64_MAX, INFINITY, true},
        {"2.4703282292062328e-324", 0, 0, 5e-324, true}, // rounds up to the smallest subnormal
        {"123123e100000", INT64_MAX, UINT64_MAX, INFINITY, true},
        {"1e999999999999999999", INT64_MAX, UINT64_MAX, INFINITY, true},
        {"-1e-999999999999999999", 0, 0, -0.0, true},
        {"0e999999999999999999", 0, 0, 0.0, false},
    };
    for (const DecimalReadCase& c : cases) {
        SCOPED_TRACE(c.literal);
        const Value value = decimal(c.literal);
        EXPECT_TRUE(value.isDecimal());
        EXPECT_TRUE(value.isNumber());
        EXPECT_EQ(value.asInt64(), c.asInt64);
        EXPECT_EQ(value.asUInt64(), c.asUInt64);
        EXPECT_EQ(value.asInt(), static_cast<int32_t>(std::clamp<int64_t>(c.asInt64, INT32_MIN, INT32_MAX)));
        EXPECT_EQ(value.asDouble(), c.asDouble);
        EXPECT_EQ(std::signbit(value.asDouble()), std::signbit(c.asDouble));
        EXPECT_EQ(value.asFloat(), static_cast<float>(c.asDouble));
        EXPECT_EQ(value.asBool(), c.asBool);
        EXPECT_EQ(value.asString(), c.literal);
        Value::DecimalTextRoom room;
        EXPECT_EQ(value.decimalText(room), c.literal);
    }
}

// Short literals live in the value and long ones in a block: every form of
// either must give back its own text.
TEST(ValueTest, DecimalsKeepTheirLiteral)
{
    const std::vector<std::string> literals = {
        "0", "-0", "0.0", "-0.000", "7", "1234567890123456789", "9999999999999999999", "10000000000000000000",
        "0.0000000000000000001", "0.00000000000000000001", "123.4567890123456789", "1.000000000000000000",
        "1e0", "1E00", "1e-0", "1e+0", "1e000", "1e0000", "2e0001", "3e-0002", "4E+00003", "5e65535",
        "5e65536", "5e-65535", "5e-65536", "12.50e-07", "-9.99E+99", std::string(400, '9'),
        "-0." + std::string(1000, '0') + "1", "1e" + std::string(18, '9'), "1e-" + std::string(300, '0') + "5",
    };
    for (const std::string& literal : literals) {
        const Value value = decimal(literal);
        EXPECT_EQ(value.asString(), literal);
        const Value copy = value; // NOLINT(performance-unnecessary-copy-initialization): a copy shares the literal
        EXPECT_EQ(copy.asString(), literal);
        EXPECT_EQ(copy, value);
    }
}

TEST(ValueTest, DecimalRefusesWhatIsNoNumberLiteral)
{
    for (const char* text : {"", "-", "+1", "01", "-01", "00", "1.", ".5", "1.e3", "1e", "1e+", "1E-", "1x", " 1",
                             "1 ", "0x10", "NaN", "Infinity", "-inf", "1,5", "1e1234567890123456789"}) {
        EXPECT_FALSE(Value::decimal(text)) << text;
    }
}

// What a format without decimals writes in a decimal's place: the integer or
// real that holds it exactly, or nothing.
TEST(ValueTest, DecimalsNarrowToTheNumberThatHoldsThemExactly)
{
    struct Case {
        const char* literal;
        Value narrowed; // null: stays a decimal
    };
    const std::vector<Case> cases = {
        {"12", Value::int64(12)},
        {"12.000", Value::int64(12)},
        {"-0.5E+3", Value::int64(-500)},
        {"9007199254740993", Value::int64(9007199254740993)},
        {"-9223372036854775808", Value::int64(INT64_MIN)},
        {"9223372036854775808", Value(uint64_t(1) << 63)},
        {"18446744073709551615", Value(UINT64_MAX)},
        {"0", Value::int64(0)},
        {"-0", Value(-0.0)},
        {"0.1", Value(0.1)},
        {"-2.5", Value(-2.5)},
        {"1E22", Value(1e22)},
        {"5e-324", Value(5e-324)},
        {"18446744073709551616", Value(18446744073709551616.0)}, // 2^64 is a double
        {"18446744073709551617", Value()},
        {"-9223372036854775809", Value()},
        {"123456789012345678901234567890", Value()},
        {"0.10000000000000001", Value()},
        {"1E400", Value()},
        {"1e-400", Value()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.literal);
        const Value value = decimal(c.literal);
        const Value narrowed = value.narrowedNumber();
        if (c.narrowed.isNull()) {
            EXPECT_TRUE(narrowed.isDecimal());
            EXPECT_EQ(narrowed.asString(), c.literal);
            continue;
        }
        EXPECT_EQ(narrowed.kind(), c.narrowed.kind());
        EXPECT_EQ(narrowed.isUnsigned(), c.narrowed.isUnsigned());
        EXPECT_EQ(narrowed.asString(), c.narrowed.asString());
        EXPECT_EQ(narrowed, value);
    }
    EXPECT_EQ(Value(2.5).narrowedNumber(), Value(2.5));
    EXPECT_TRUE(Value("12").narrowedNumber().isString());
}

TEST(ValueTest, IntClampsToThirtyTwoBits)
{
    EXPECT_EQ(Value::int64(int64_t(1) << 40).asInt(), INT32_MAX);
    EXPECT_EQ(Value::int64(-(int64_t(1) << 40)).asInt(), INT32_MIN);
    EXPECT_EQ(Value("-2147483649").asInt(), INT32_MIN);
    EXPECT_EQ(Value("-9223372036854775808").asInt64(), INT64_MIN);
}

TEST(ValueTest, UnsignedNumbersKeepTheirValue)
{
    const std::vector<std::pair<Value, uint64_t>> cases = {
        {Value(UINT64_MAX), UINT64_MAX},
        {Value(uint64_t(1) << 63), uint64_t(1) << 63},
        {Value(uint64_t(5)), 5},
        {Value(-1), 0},
        {Value(1e30), UINT64_MAX},
        {Value(-2.5), 0},
        {Value("18446744073709551615"), UINT64_MAX},
        {Value(" +9223372036854775808x"), uint64_t(1) << 63},
        {Value("99999999999999999999"), UINT64_MAX},
        {Value("-3"), 0},
        {Value(true), 1},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value.asString());
        EXPECT_EQ(value.asUInt64(), expected);
    }
    EXPECT_TRUE(Value(UINT64_MAX).isUnsigned());
    EXPECT_FALSE(Value(uint64_t(INT64_MAX)).isUnsigned());
    EXPECT_TRUE(Value(uint64_t(INT64_MAX)).isInteger());
}

TEST(ValueTest, MissingKeysAndWrongKindsReadAsEmpty)
{
    const Value dict = Value::dictionary({{"n", 5}, {"s", "x"}});
    EXPECT_TRUE(dict["missing"].isNull());
    EXPECT_EQ(dict["missing"].asInt(), 0);
    EXPECT_EQ(dict["missing"]["deeper"].asString(), "");
    EXPECT_TRUE(dict["n"].asArray().empty());
    EXPECT_TRUE(dict["s"].asDict().empty());
    EXPECT_TRUE(dict["s"].asData().empty());
    EXPECT_TRUE(Value(3)[0].isNull());
    EXPECT_TRUE(Value::array({1})[1].isNull());
    EXPECT_TRUE(Value::array({1})[-1].isNull());
    EXPECT_EQ(Value::array({1, "b"})[1].asString(), "b");
}

TEST(ValueTest, EqualityComparesKindsAndValues)
{
    struct Case {
        const char* name;
        Value a, b;
        bool equal;
    };
    const std::vector<Case> cases = {
        {"int vs real", Value(1), Value(1.0), false},
        {"int vs bool", Value(1), Value(true), false},
        {"32 vs 64 bit", Value(7), Value::int64(7), true},
        {"unsigned vs signed of the same bits", Value(UINT64_MAX), Value::int64(-1), false},
        {"float vs its double", Value(0.1f), Value(double(0.1f)), true},
        {"float vs nearby double", Value(0.1f), Value(0.1), true}, // compared at float precision
        {"doubles that differ", Value(0.1), Value(0.1 + 1e-17 * 2), false},
        {"NaN equals NaN", Value(std::nan("")), Value(std::nan("")), true},
        {"string vs data", Value("ab"), Value::data("ab", 2), false},
        {"date vs real", Value::date(5), Value(5.0), false},
        {"null vs empty string", Value(), Value(""), false},
        {"dictionary order ignored", Value::dictionary({{"a", 1}, {"b", 2}}), Value::dictionary({{"b", 2}, {"a", 1}}), true},
        {"dictionary value differs", Value::dictionary({{"a", 1}}), Value::dictionary({{"a", 2}}), false},
        {"dictionary extra key", Value::dictionary({{"a", 1}}), Value::dictionary({{"a", 1}, {"b", 1}}), false},
        {"array order matters", Value::array({1, 2}), Value::array({2, 1}), false},
        {"decimal vs int", decimal("12"), Value(12), true},
        {"decimal with fraction zeros vs int", decimal("12.00"), Value::int64(12), true},
        {"decimal with exponent vs int", decimal("-0.5E+3"), Value(-500), true},
        {"decimal vs int of other value", decimal("12.5"), Value(12), false},
        {"decimal vs unsigned int", decimal("18446744073709551615"), Value(UINT64_MAX), true},
        {"decimal vs int64 min", decimal("-9223372036854775808"), Value::int64(INT64_MIN), true},
        {"decimal past 2^53 vs int", decimal("9007199254740993"), Value::int64(9007199254740993), true},
        {"decimal past 2^53 vs nearest double", decimal("9007199254740993"), Value(9007199254740992.0), false},
        {"decimal vs real", decimal("0.1"), Value(0.1), true},
        {"decimal vs real with exponent", decimal("1E22"), Value(1e22), true},
        {"decimal vs real of more digits", decimal("0.10000000000000001"), Value(0.1), false},
        {"decimal vs float", decimal("0.1"), Value(0.1f), true},
        {"decimal vs the float's double", decimal("0.100000001490116119384765625"), Value(0.1f), false},
        {"negative zero decimal vs zero", decimal("-0"), Value(0), true},
        {"negative zero decimal vs negative zero real", decimal("-0.0"), Value(-0.0), true},
        {"decimal vs infinity", decimal("1E400"), Value(INFINITY), false},
        {"decimal vs NaN", decimal("0"), Value(std::nan("")), false},
        {"decimal vs bool", decimal("1"), Value(true), false},
        {"decimal vs its text", decimal("1"), Value("1"), false},
        {"decimals of one value", decimal("1.50"), decimal("15e-1"), true},
        {"long decimals of one value", decimal("123456789012345678901234567890"),
         decimal("1.23456789012345678901234567890e29"), true},
        {"long decimals that differ in the last digit", decimal("123456789012345678901234567890"),
         decimal("123456789012345678901234567891"), false},
        {"decimals past the double range", decimal("1E400"), decimal("10e399"), true},
        {"decimals past the double range that differ", decimal("1E400"), decimal("1E401"), false},
        {"decimals below the double range that differ", decimal("1e-400"), decimal("2e-400"), false},
        {"decimal zeros", decimal("0e7"), decimal("-0.000"), true},
        {"decimals of opposite sign", decimal("-2"), decimal("2"), false},
        {"nested equal", Value::array({Value::dictionary({{"k", Value::array({"x"})}})}),
         Value::array({Value::dictionary({{"k", Value::array({"x"})}})}), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.a == c.b, c.equal);
        EXPECT_EQ(c.b == c.a, c.equal);
    }
}

TEST(ValueTest, CopiesAreIndependent)
{
    Value original = Value::dictionary({{"list", Value::array({1, 2})}});
    Value copy = original;
    copy.set("extra", "x");
    Value inner = original["list"];
    inner.push(3);
    EXPECT_EQ(original.size(), 1u);
    EXPECT_EQ(original["list"].size(), 2u);
    EXPECT_EQ(copy.size(), 2u);
    EXPECT_EQ(inner.size(), 3u);
}

TEST(ValueTest, DictionaryKeepsOrderThroughReplaceAndRemove)
{
    Value dict;
    for (const char* key : {"z", "a", "m", "b"}) dict.set(key, key);
    dict.set("a", 10);   // replaced in place
    dict.remove("z");    // later positions shift
    dict.set("z", "again");
    std::vector<std::string> keys;
    for (const auto& entry : dict.asDict()) keys.push_back(entry.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "m", "b", "z"}));
    EXPECT_EQ(dict["a"].asInt(), 10);
    EXPECT_EQ(dict["b"].asString(), "b"); // the index still finds entries after the shift
    EXPECT_EQ(dict["z"].asString(), "again");
    EXPECT_FALSE(dict.remove("missing"));
}

// Past a few keys lookups go through a hash index, which growth and removal
// rebuild: every key must still lead to its own value.
TEST(ValueTest, LargeDictionaryFindsEveryKeyThroughGrowthAndRemoval)
{
    Value dict;
    for (int i = 0; i < 300; ++i) dict.set("key" + std::to_string(i), i);
    for (int i = 0; i < 300; i += 3) EXPECT_TRUE(dict.remove("key" + std::to_string(i)));
    for (int i = 0; i < 300; i += 5) dict.set("key" + std::to_string(i), -i);
    for (int i = 0; i < 300; ++i) {
        const std::string key = "key" + std::to_string(i);
        const bool present = i % 3 != 0 || i % 5 == 0;
        ASSERT_EQ(dict.contains(key), present) << key;
        if (present) {
            EXPECT_EQ(dict[key].asInt(), i % 5 == 0 ? -i : i) << key;
        }
    }
    EXPECT_FALSE(dict.contains("key300"));
    EXPECT_EQ(dict.asDict().entries()[0].first, "key1"); // order of first insertion
}

// Assigning a value its own element must take the element before the
// container it lives in is let go.
TEST(ValueTest, AssignsFromItsOwnElements)
{
    Value list = Value::array({Value::array({1, "two"})});
    list = list.at(0);
    EXPECT_EQ(list, Value::array({1, "two"}));
    Value dict = Value::dictionary({{"inner", Value::dictionary({{"k", "v"}})}});
    dict = dict["inner"];
    EXPECT_EQ(dict, Value::dictionary({{"k", "v"}}));
    Value moved = Value::array({"only element, long enough to live outside the value"});
    moved = std::move(moved.mutableArray()->at(0));
    EXPECT_EQ(moved.asString(), "only element, long enough to live outside the value");
}

TEST(ValueTest, MovedFromContainersAndStringsAreNull)
{
    for (Value value : {Value("text"), Value::data("ab", 2), Value::array({1}), Value::dictionary({{"k", 1}}),
                        decimal("123456789012345678901234567890")}) {
        Value taken = std::move(value);
        EXPECT_TRUE(value.isNull()); // NOLINT(bugprone-use-after-move): the state is the contract
        EXPECT_FALSE(taken.isNull());
    }
}

// Storage released on another thread than the one that made it, and after
// that thread ended, must be neither lost nor freed twice (the sanitizers
// watch this test).
TEST(ValueTest, ValuesMadeOnOneThreadDieOnAnother)
{
    std::vector<Value> made;
    std::thread maker([&made] {
        for (int i = 0; i < 5000; ++i) {
            made.push_back(Value::dictionary({{"name", "value " + std::to_string(i)}, {"list", Value::array({i})}}));
        }
    });
    maker.join();
    std::vector<Value> kept(made.begin(), made.begin() + 100);
    std::thread dropper([taken = std::move(made)]() mutable { taken.clear(); });
    dropper.join();
    for (int i = 0; i < 100; ++i) EXPECT_EQ(kept[i]["name"].asString(), "value " + std::to_string(i));
    std::vector<Value> more;
    for (int i = 0; i < 5000; ++i) more.push_back(Value::array({"again " + std::to_string(i)}));
    EXPECT_EQ(more[4999].at(0).asString(), "again 4999");
}

// A thread's clean-up may still make and drop values after the thread gave
// its storage back; one made there and handed out must stay whole.
TEST(ValueTest, ValuesMadeWhileAThreadEnds)
{
    struct AtThreadEnd {
        Value* out = nullptr;
        ~AtThreadEnd()
        {
            Value dropped = Value::array({"dropped while the thread ends", Value::dictionary({{"k", "v"}})});
            *out = Value::dictionary({{"made", "while the thread ends, long enough for its own block"}});
        }
    };
    Value out;
    std::thread ending([&out] {
        // Set up before the thread's first value, so that it is torn down after.
        thread_local AtThreadEnd atEnd;
        atEnd.out = &out;
        Value early = Value::array({"made before", 1});
        EXPECT_EQ(early.size(), 2u);
    });
    ending.join();
    EXPECT_EQ(out["made"].asString(), "while the thread ends, long enough for its own block");
}

TEST(ValueTest, WritersRefuseOtherKinds)
{
    Value number(3);
    EXPECT_FALSE(number.set("k", 1));
    EXPECT_FALSE(number.push(1));
    EXPECT_EQ(number, Value(3));
}

TEST(ValueTest, DatesConvertToUnixTime)
{
    const Value date = Value::dateFromUnixTime(1796817600.0); // 2026-12-09T12:00:00Z
    EXPECT_EQ(date.asDate(), 1796817600.0 - 978307200.0);
    EXPECT_EQ(date.asUnixTime(), 1796817600.0);
    EXPECT_EQ(Value::date(0).asUnixTime(), 978307200.0);
}

} // namespace
} // namespace mw
