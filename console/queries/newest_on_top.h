#pragma once

#include <QString>

#include <functional>
#include <vector>

class CColorListCtrl;
class ColorListRow;

// Puts rows read oldest first into a list with the newest on top, a part at a time so that
// between parts the window is served (betweenParts) however long the list grows: each part
// goes in as one block on top of those before it.
void InsertNewestOnTop(CColorListCtrl& list, std::vector<std::vector<QString>> rows,
                       const std::function<void()>& betweenParts);
void InsertNewestOnTop(CColorListCtrl& list, std::vector<ColorListRow> rows, const std::function<void()>& betweenParts);
