#include <gtest/gtest.h>

#include <string>

#include "platform/LocaleFormats.h"

namespace mw {
namespace {

TEST(LocaleFormatsTest, PricesFollowTheLocalesCurrencyStyle)
{
    struct Row {
        double price;
        const char* locale;
        std::string text;
    };
    const Row rows[] = {
        { 0.99, "en_US", "$0.99" },       { 0.99, "de_DE", "0,99\u00a0\u20ac" },
        { 1234.5, "en_US", "$1,234.50" }, { 0.99, "en_US@currency=EUR", "\u20ac0.99" },
        { 2.5, "en_US@currency=EUR", "\u20ac2.50" }, { 120, "ja_JP", "\uffe5120" },
        // One locale after another, the same one twice: each price in its own.
        { 0.99, "de_DE", "0,99\u00a0\u20ac" }, { 0.99, "en_US", "$0.99" },
    };
    for (const Row& row : rows) EXPECT_EQ(formatCurrency(row.price, row.locale), row.text) << row.locale;
}

TEST(LocaleFormatsTest, PacificTimeIsTheZoneDatabasesNotUtc)
{
    // 2026-03-10 07:30 UTC is 00:30 in Los Angeles (daylight time, UTC-7);
    // 2026-01-10 07:30 UTC is 23:30 of the 9th (standard time, UTC-8).
    const ZonedTime summer = zonedTime(1773127800, "America/Los_Angeles");
    EXPECT_EQ(summer.day, 10);
    EXPECT_EQ(summer.hour, 0);
    EXPECT_EQ(summer.minute, 30);
    const ZonedTime winter = zonedTime(1768030200, "America/Los_Angeles");
    EXPECT_EQ(winter.day, 9);
    EXPECT_EQ(winter.hour, 23);
    const ZonedTime utc = zonedTime(1768030200, "UTC");
    EXPECT_EQ(utc.day, 10);
    EXPECT_EQ(utc.hour, 7);
}

} // namespace
} // namespace mw
