#pragma once

#include <string>
#include <typeinfo>

namespace mw {

// The unqualified class name of a dynamic type ("CCNode" for mw::CCNode),
// for the engine's description strings.
std::string ccClassName(const std::type_info& type);

// An address the way the engine's descriptions print it: eight upper-case
// hexadecimal digits (the low 32 bits).
std::string ccAddressString(const void* address);

} // namespace mw
