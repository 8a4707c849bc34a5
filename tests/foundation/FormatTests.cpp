#include <gtest/gtest.h>

#include <cstdio>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

struct FormatCase {
    const char* fmt;
    std::vector<FormatArg> args;
    const char* expected;
};

const std::vector<FormatCase>& printfCases()
{
    static const std::vector<FormatCase> cases = {
        {"%@ has %d coins", {"Anna", 12}, "Anna has 12 coins"},
        {"explosion_0%d.png", {7}, "explosion_07.png"},
        {"%02d:%02d", {5, 3}, "05:03"},
        {"%.1f", {1.5}, "1.5"},
        {"%.1f", {0.05}, "0.1"},
        {"%.0f", {2.5}, "2"},
        {"100%%", {}, "100%"},
        {"%u", {4000000000u}, "4000000000"},
        {"%X", {255}, "FF"},
        {"%#x", {255}, "0xff"},
        {"%o|%#o", {8, 8}, "10|010"},
        {"%s and %s", {"salt", std::string("iron")}, "salt and iron"},
        {"%5.2f|", {3.14159}, " 3.14|"},
        {"%-4d|", {7}, "7   |"},
        {"%+d %+d % d", {5, -5, 5}, "+5 -5  5"},
        {"%d", {-42}, "-42"},
        {"%05d", {-42}, "-0042"},
        {"%.3d", {7}, "007"},
        {"%lld", {int64_t(-9000000000LL)}, "-9000000000"},
        {"%llu", {uint64_t(18446744073709551615ULL)}, "18446744073709551615"},
        {"%zu", {size_t(12)}, "12"},
        {"%hhd %hd", {300, 70000}, "44 4464"},
        {"%u", {-1}, "4294967295"},
        {"%x", {-1}, "ffffffff"},
        {"%c%c", {'o', 'k'}, "ok"},
        {"%e", {12345.678}, "1.234568e+04"},
        {"%E", {0.0}, "0.000000E+00"},
        {"%g %g %g %g", {100000.0, 1000000.0, 0.0001, 0.00001}, "100000 1e+06 0.0001 1e-05"},
        {"%G", {1e-10}, "1E-10"},
        {"%#g", {2.0}, "2.00000"},
        {"%.3g", {3.14159}, "3.14"},
        {"%f %f", {1.0 / 0.0, -1.0 / 0.0}, "inf -inf"},
        {"%08.3f", {-3.5}, "-003.500"},
        {"%*d|%-*d|", {4, 1, 3, 2}, "   1|2  |"},
        {"%.*f", {2, 3.14159}, "3.14"},
        {"%.2s|%5s|%-5s|", {"abc", "ab", "ab"}, "ab|   ab|ab   |"},
        {"%2$@ %1$@", {"world", "hello"}, "hello world"},
        {"%p", {nullptr}, "(nil)"},
        {"%lf", {2.25f}, "2.250000"},
    };
    return cases;
}

TEST(Format, BehavesLikePrintf)
{
    for (const FormatCase& c : printfCases()) {
        EXPECT_EQ(c.expected, format(c.fmt, c.args)) << "format \"" << c.fmt << '"';
    }
}

// Long precisions print the exact decimal expansion, as printf does, and the
// zeros past its end: a double's digits run far beyond its 17 significant ones.
TEST(Format, LongPrecisionsMatchPrintfDigitForDigit)
{
    struct Case {
        const char* fmt;
        double value;
    };
    const Case cases[] = {
        {"%.400f", 1.0},
        {"%.400f", 0.1},
        {"%.1100f", 4.9406564584124654e-324},
        {"%.1200f", 4.9406564584124654e-324},
        {"%.340e", 0.1},
        {"%.800e", 2.2250738585072014e-308},
        {"%.900e", 1e300},
        {"%.500g", 1.0 / 3.0},
        {"%.400f", 1.7976931348623157e308},
    };
    for (const Case& c : cases) {
        std::vector<char> expected(4096);
        std::snprintf(expected.data(), expected.size(), c.fmt, c.value);
        EXPECT_EQ(std::string(expected.data()), format(c.fmt, {c.value})) << "format \"" << c.fmt << '"';
    }
}

TEST(Format, VariadicFormAgreesWithTheListForm)
{
    EXPECT_EQ("Lvl 3: 2.5 / 10 (ore)", format("Lvl %d: %.1f / %u (%@)", 3, 2.5, 10u, "ore"));
    EXPECT_EQ("x", format("x"));
    std::string fromData = "%@ - %d";
    EXPECT_EQ("a - 1", format(fromData, std::string("a"), 1));
}

TEST(Format, MismatchedOrMissingArgumentsDoNotMisbehave)
{
    struct Case {
        const char* fmt;
        std::vector<FormatArg> args;
        const char* expected;
    };
    const Case cases[] = {
        {"%d", {2.9}, "2"},
        {"%d", {-2.9}, "-2"},
        {"%d", {std::nan("")}, "0"},
        {"%d", {1e300}, "9223372036854775807"},
        {"%f", {3}, "3.000000"},
        {"%d", {"42 apples"}, "42"},
        {"%d", {"none"}, "0"},
        {"%.1f", {"2.75"}, "2.8"},
        {"%s", {12}, "12"},
        {"%@", {1.5}, "1.5"},
        {"%s", {static_cast<const char*>(nullptr)}, "(null)"},
        {"%c", {"xyz"}, "x"},
        {"%d and %d", {1}, "1 and "},
        {"%@", {}, ""},
        {"%s %s %s %s %s", {}, "    "},
        {"%n%d", {1, 2}, "2"},
        {"%k %y", {1}, "%k %y"},
        {"trailing %", {1}, "trailing %"},
        {"%l", {1}, "%l"},
        {"%*d", {}, ""},
        {"%.*f", {-1, 1.5}, "1.500000"},
        {"%9$d", {1}, ""},
        {"%d", {int64_t(1) << 40}, "1099511627776"},
        {"%999999999999d|", {1}, nullptr}, // a huge width is capped, not followed
    };
    for (const Case& c : cases) {
        std::string out = format(c.fmt, c.args);
        if (c.expected) {
            EXPECT_EQ(c.expected, out) << "format \"" << c.fmt << '"';
        } else {
            EXPECT_LE(out.size(), size_t(2) << 20) << "format \"" << c.fmt << '"';
        }
    }
}

TEST(Format, PrecisionNeverSplitsAUtf8Character)
{
    EXPECT_EQ("Gr", format("%.3s", "Grüße")); // "ü" takes bytes 3 and 4
    EXPECT_EQ("Grü", format("%.4s", "Grüße"));
}

// Switches LC_ALL to a German locale for the test's lifetime. When none is
// installed, one is built with localedef into a temporary folder.
class GermanLocale {
public:
    GermanLocale()
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German"}) {
            if (std::setlocale(LC_ALL, name)) {
                active_ = true;
                return;
            }
        }
        buildWithLocaledef();
    }
    ~GermanLocale() { std::setlocale(LC_ALL, "C"); }
    bool active() const { return active_; }

private:
    void buildWithLocaledef()
    {
        folder_.emplace();
        std::string target = folder_->file("de_DE.UTF-8");
        std::string command = "localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            return;
        }
        ::setenv("LOCPATH", folder_->path().c_str(), 1);
        active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        ::unsetenv("LOCPATH");
    }

    bool active_ = false;
    std::optional<test::TempDir> folder_; // made only when the locale has to be built
};

TEST(Format, NumbersUseThePointEvenUnderAGermanLocale)
{
    GermanLocale german;
    if (!german.active()) {
        GTEST_SKIP() << "no German locale could be set or built (install the 'locales' package)";
    }
    ASSERT_STREQ(",", std::localeconv()->decimal_point) << "the locale should use a decimal comma";
    for (const FormatCase& c : printfCases()) {
        EXPECT_EQ(c.expected, format(c.fmt, c.args)) << "format \"" << c.fmt << '"';
    }
    ScopedLogCapture capture;
    logLine("%@ took %.2f s", "load", 1.25);
    EXPECT_EQ(std::vector<std::string>{"load took 1.25 s"}, capture.lines());
}

TEST(Log, LinesGoToTheSinkInOrder)
{
    ScopedLogCapture capture;
    logLine("first %d", 1);
    logLine("%s=%u %lld%%", "second", 2u, -3LL);
    EXPECT_EQ((std::vector<std::string>{"first 1", "second=2 -3%"}), capture.lines());
    EXPECT_TRUE(capture.contains("second=2"));
    EXPECT_FALSE(capture.contains("third"));
}

} // namespace
} // namespace mw
