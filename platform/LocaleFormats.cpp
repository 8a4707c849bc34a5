#include "platform/LocaleFormats.h"

#include <unicode/ucal.h>
#include <unicode/unum.h>
#include <unicode/ustring.h>

#include <memory>
#include <mutex>
#include <vector>

#include "foundation/Log.h"

namespace mw {

namespace {

std::string toUtf8(const UChar* text, int32_t length)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strToUTF8(nullptr, 0, &needed, text, length, &status);
    status = U_ZERO_ERROR;
    std::string out(static_cast<size_t>(needed), '\0');
    u_strToUTF8(out.data(), needed, nullptr, text, length, &status);
    return U_SUCCESS(status) ? out : std::string();
}

std::vector<UChar> toUChars(const char* text)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strFromUTF8(nullptr, 0, &needed, text, -1, &status);
    status = U_ZERO_ERROR;
    std::vector<UChar> out(static_cast<size_t>(needed) + 1, 0);
    u_strFromUTF8(out.data(), needed + 1, nullptr, text, -1, &status);
    return out;
}

} // namespace

namespace {

// Opening a formatter reads the locale's data, which costs many times the
// formatting itself; the prices of one store answer share a locale, so the
// last locale's formatter is kept.
struct Closer {
    void operator()(UNumberFormat* formatter) const { unum_close(formatter); }
};
std::mutex mutex;
std::string lastLocale;
std::unique_ptr<UNumberFormat, Closer> lastFormatter;

} // namespace

void forgetCurrencyFormat()
{
    std::lock_guard guard(mutex);
    lastFormatter.reset();
    lastLocale.clear();
}

std::string formatCurrency(double amount, const std::string& locale)
{
    std::lock_guard guard(mutex);
    UErrorCode status = U_ZERO_ERROR;
    if (!lastFormatter || locale != lastLocale) {
        lastFormatter.reset();
        std::unique_ptr<UNumberFormat, Closer> formatter(
            unum_open(UNUM_CURRENCY, nullptr, 0, locale.c_str(), nullptr, &status));
        if (U_FAILURE(status)) {
            logLine("Prices: no currency format for locale \"%s\" (%s)", locale.c_str(), u_errorName(status));
            return std::string();
        }
        lastFormatter = std::move(formatter);
        lastLocale = locale;
    }
    UChar buffer[64];
    const int32_t length = unum_formatDouble(lastFormatter.get(), amount, buffer, 64, nullptr, &status);
    if (U_FAILURE(status) || length > 64) return std::string();
    return toUtf8(buffer, length);
}

ZonedTime zonedTime(double secondsSince1970, const char* zone)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::vector<UChar> zoneId = toUChars(zone);
    UCalendar* calendar = ucal_open(zoneId.data(), -1, "en_US", UCAL_GREGORIAN, &status);
    if (U_FAILURE(status)) return {};
    ucal_setMillis(calendar, secondsSince1970 * 1000.0, &status);
    ZonedTime time;
    time.day = ucal_get(calendar, UCAL_DAY_OF_MONTH, &status);
    time.hour = ucal_get(calendar, UCAL_HOUR_OF_DAY, &status);
    time.minute = ucal_get(calendar, UCAL_MINUTE, &status);
    ucal_close(calendar);
    return U_SUCCESS(status) ? time : ZonedTime {};
}

} // namespace mw
