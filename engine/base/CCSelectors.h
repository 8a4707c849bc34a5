#pragma once

#include "foundation/Selector.h"

namespace mw {

class CCNode;

// Engine-side callback signatures that pass the node that sent them (the
// callback actions). They compare by value like the foundation's selectors.
using SEL_CallFuncN = void (Object::*)(CCNode* sender);
using SEL_CallFuncND = void (Object::*)(CCNode* sender, void* data);

#define callfuncN_selector(_SELECTOR) static_cast<::mw::SEL_CallFuncN>(&_SELECTOR)
#define callfuncND_selector(_SELECTOR) static_cast<::mw::SEL_CallFuncND>(&_SELECTOR)

} // namespace mw
