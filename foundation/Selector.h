#pragma once

#include "foundation/Object.h"

namespace mw {

// Target + selector callbacks: an Object* target plus a member-function pointer
// of one of a few fixed signatures. They compare by value, so a registry can
// find and remove "this selector on this target". A derived class's member is
// converted with the matching macro, e.g. schedule_selector(Board::tick).
using SEL_Update = void (Object::*)(float dt);
using SEL_Call = void (Object::*)();
using SEL_CallO = void (Object::*)(Object* object);

#define schedule_selector(_SELECTOR) static_cast<::mw::SEL_Update>(&_SELECTOR)
#define call_selector(_SELECTOR) static_cast<::mw::SEL_Call>(&_SELECTOR)
#define callO_selector(_SELECTOR) static_cast<::mw::SEL_CallO>(&_SELECTOR)

} // namespace mw
