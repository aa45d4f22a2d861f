// The status rows the user ticked in the "Servo Status" pane, kept across
// runs so that monitoring watches the same variables after a restart.
#pragma once

#include <cstdint>

class CGXGridWnd;

namespace tarvex {

// Ticks the rows stored last (bit 0 for row 1) among the grid's first
// `rowCount` rows; the grid reports each tick as the user's would.
void tickRememberedRows(CGXGridWnd &grid, int rowCount);
void rememberTickedRows(std::uint32_t rows);

} // namespace tarvex
