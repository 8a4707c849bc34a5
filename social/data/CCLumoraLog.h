#pragma once

namespace mw {

// The social client's log lines go through the one log sink: refusals and
// errors start with this text (as the "%s" of their format) ...
inline constexpr const char* kLumoraError = "Lumora Error: ";

// ... and the public interface's trace lines start with "--> " and follow a
// process-wide switch that starts on. Only numbered setting 8 changes it.
bool AllowPublicAPILog();
void EnablePublicAPILog(bool enabled);

} // namespace mw
