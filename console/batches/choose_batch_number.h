#pragma once

#include <string>
#include <vector>

// The batch number for a new batch from the batch-number cells of the listed rows: the
// smallest of 1..99 that no row holds, or 0 when every one is held. A cell counts by its
// leading digits; an empty cell counts as 0.
int ChooseBatchNumber(const std::vector<std::string>& batchNumberCells);

// The integer value of a cell's leading digits (after blanks and a sign), 0 without any,
// as the console reads numbers out of list cells.
int CellInteger(const std::string& cell);
