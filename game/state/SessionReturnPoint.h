#pragma once

#include <cstdint>

namespace mw {

// The state a board session returns to when the player leaves it early.
//
// A session's pop-up marks the point when it opens (after its save); leaving
// through the exit question puts the profile back to that mark. The mark is
// kept in memory rather than re-read from the save file, because a coin
// purchase in the middle of a session saves the profile and would otherwise
// move the point that leaving returns to. Gold bought while the mark is held
// is carried over on return: the player paid for it. Main thread only.
namespace SessionReturnPoint {

// Takes the profile's whole save state now (the participants included).
// False (logged) when the state cannot be taken; no mark is then held.
bool mark();
// Drops the mark (the session ended by its own rules).
void clear();
bool held();
// Gold that a purchase added while the mark is held (nothing without a mark).
void noteGoldBought(int32_t gold);
int32_t goldBought();
// Puts the profile back to the mark, adds the gold bought since, saves, and
// drops the mark. False, with nothing changed, when no mark is held or the
// mark does not load back (logged); the caller then reads the save file.
bool restore();

} // namespace SessionReturnPoint
} // namespace mw
