#pragma once

namespace mw {

// Initialises libxml2 once and sends its own messages to the log sink instead
// of stderr: those it raises outside a parser context (a failed encoding
// conversion, an I/O error) and those it prints through its generic handler.
// Each line is logged as "libxml2: <message>".
//
// libxml2 keeps its error handlers per thread (a thread's copy is made from
// the defaults when it first uses the library), so every thread calls this
// before it parses; after the first call on a thread it is a thread-local check.
void routeLibxmlErrorsToLog();

} // namespace mw
