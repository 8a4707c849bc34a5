#pragma once

#include <string>

namespace mw {

// Locale-dependent text through the system's ICU data.

// A price in the currency style of a locale such as "en_US", "de_DE" or
// "en_GB@currency=EUR" (the region's currency unless the locale names one):
// "$0.99", "0,99\u00a0€". An unknown locale falls back to ICU's root rules.
// The formatter of the last locale is kept for the next call.
std::string formatCurrency(double amount, const std::string& locale);
// Closes the formatter formatCurrency keeps (the next call opens one again).
void forgetCurrencyFormat();

// The calendar fields of a moment in a time zone of the time-zone database
// ("America/Los_Angeles"); Gregorian calendar. An unknown zone answers UTC's.
struct ZonedTime {
    int day = 0;    // of the month, 1-31
    int hour = 0;   // 0-23
    int minute = 0; // 0-59
};
ZonedTime zonedTime(double secondsSince1970, const char* zone);

} // namespace mw
