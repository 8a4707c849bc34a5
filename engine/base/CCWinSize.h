#pragma once

#include "foundation/Geometry.h"

namespace mw {

// The window size in points, as layers and scenes take it for their content
// size. It belongs to the director, which installs its provider at start-up;
// nodes reach it only through this function so that the node tree does not
// depend on the director. Until a provider is installed there is no window
// and the size is zero.
using ccWinSizeProvider = CGSize (*)();

// Installs the provider (null removes it).
void ccSetWinSizeProvider(ccWinSizeProvider provider);

// The window size in points; zero without a provider.
CGSize ccWinSize();

} // namespace mw
