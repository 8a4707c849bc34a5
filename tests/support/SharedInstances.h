#pragma once

namespace mw::test {

// Puts every shared instance back to "not made yet", so that no test sees
// what an earlier one left behind, in the program's order: the director is
// ended (its scenes go first, then the engine's shared objects in their
// teardown order) and released, or, without a director, that teardown order
// runs on its own; then the game's, the clients' and the sound engine's
// instances end as at the program's end (MosswickAppDelegate::
// endSharedInstances; the social store unwritten), and the configuration,
// the fonts and the user defaults are dropped. A test's own replacements (a
// posed configuration) are dropped too.
//
// Call it where the test's GL context, if any, is current: ending the
// director releases textures.
void resetSharedInstances();

} // namespace mw::test
