#pragma once

namespace mw {

class CCNode;
class CCTableView;

// What the village's list layers share about their table: rebuilding it in
// place and the band between the HUD's bars where a row's buttons count.
namespace list {

// Reloads the table and puts its scroll offset back, so the list does not jump.
void reloadKeepingOffset(CCTableView* table);
// Whether a row (a cell of a table placed on its list layer) stands clear of
// both bars: its height over the window's bottom (the row, its container and
// the table, plus the bottom bar's height) is at least the bottom bar's
// height and half the row's, and no higher than the window less the top bar.
bool rowClearOfBars(const CCNode* row, float rowHeight);

} // namespace list
} // namespace mw
