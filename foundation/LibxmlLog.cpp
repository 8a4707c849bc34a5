#include "foundation/LibxmlLog.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include "foundation/Log.h"

namespace mw {

namespace {

std::string_view withoutTrailingSpace(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    return text;
}

void logStructured(void*, xmlErrorPtr error)
{
    if (!error || !error->message) return;
    const std::string message(withoutTrailingSpace(error->message));
    if (error->line > 0) {
        logLine("libxml2: %s (line %d)", message.c_str(), error->line);
    } else {
        logLine("libxml2: %s", message.c_str());
    }
}

// The generic handler receives a message in printf-style pieces; a line is
// complete at its newline, and each thread builds its own.
void logGeneric(void*, const char* format, ...)
{
    thread_local std::string pending;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length > 0) {
        std::string piece(static_cast<size_t>(length) + 1, '\0');
        std::vsnprintf(piece.data(), piece.size(), format, args);
        piece.resize(static_cast<size_t>(length));
        pending += piece;
    }
    va_end(args);
    for (size_t newline = pending.find('\n'); newline != std::string::npos; newline = pending.find('\n')) {
        const std::string line(withoutTrailingSpace(std::string_view(pending).substr(0, newline)));
        pending.erase(0, newline + 1);
        if (!line.empty()) logLine("libxml2: %s", line.c_str());
    }
}

} // namespace

void routeLibxmlErrorsToLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // xmlInitParser must not race with itself; the rest of the parser may.
        xmlInitParser();
        // Threads whose libxml2 state is made from now on start with these.
        xmlThrDefSetStructuredErrorFunc(nullptr, logStructured);
        xmlThrDefSetGenericErrorFunc(nullptr, logGeneric);
    });
    // This thread may have state of its own already (or be the one libxml2
    // treats as its main thread, which never reads those defaults).
    thread_local bool routed = false;
    if (routed) return;
    xmlSetStructuredErrorFunc(nullptr, logStructured);
    xmlSetGenericErrorFunc(nullptr, logGeneric);
    routed = true;
}

} // namespace mw
