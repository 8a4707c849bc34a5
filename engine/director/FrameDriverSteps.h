#pragma once

#include <string>

#include "engine/director/EAGLView.h"
#include "foundation/Geometry.h"
#include "foundation/Ref.h"

namespace mw {

class GLContext;

// The steps every frame driver (the window's, the headless one) takes the
// same way, so that a scene runs alike on the screen, in tests and in
// `mosswick --headless`.

// The GL view over a context's whole surface, `points` in size, in the
// surface's colour format, with a 16-bit depth buffer when the surface has
// depth. Null (one log line) when the context cannot be made current.
[[nodiscard]] Ref<EAGLView> viewOverSurface(GLContext& context, CGSize points);

// One screen refresh at `now` (monotonic seconds): drains the main run loop
// (its event source, run-loop timers, work handed over from other threads),
// then reports the refresh to the display links, where the display-link
// director draws. Main thread only.
void refreshScreen(double now);

// Writes what the context's surface shows as a PNG file (opaque: the alpha
// channel is not kept). False, with one log line, when it cannot be written.
[[nodiscard]] bool writeScreenshot(const GLContext& context, const std::string& path);

} // namespace mw
