#pragma once

#include <string>
#include <vector>

namespace mw {

// The user's preferred languages, most preferred first, as language codes
// ("de", "pl"), read from the environment on every call: the entries of
// LANGUAGE, then the first of LC_ALL, LC_MESSAGES and LANG that is set, each
// language once. A locale name keeps only its
// language ("de_DE.UTF-8" gives "de"): the desktop's locale also names the
// region's formats, which the phone kept apart from the language. "C" and
// "POSIX" read as "en". Empty when none of them is set.
std::vector<std::string> preferredLanguages();

} // namespace mw
