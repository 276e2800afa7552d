#include "newest_on_top.h"

#include "color_list_ctrl.h"
#include "color_list_model.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace {

// Rows per part: one part takes a small part of a second to go in.
constexpr std::size_t kRowsPerPart = 65536;

template <typename Row>
void InsertParts(CColorListCtrl& list, std::vector<Row> rows, const std::function<void()>& betweenParts)
{
    for (std::size_t from = 0; from < rows.size(); from += kRowsPerPart) {
        const std::size_t to = std::min(rows.size(), from + kRowsPerPart);
        std::vector<Row> part(std::make_move_iterator(rows.begin() + static_cast<std::ptrdiff_t>(from)),
                              std::make_move_iterator(rows.begin() + static_cast<std::ptrdiff_t>(to)));
        std::reverse(part.begin(), part.end());
        list.InsertItems(0, std::move(part));
        if (to < rows.size() && betweenParts)
            betweenParts();
    }
}

} // namespace

void InsertNewestOnTop(CColorListCtrl& list, std::vector<std::vector<QString>> rows,
                       const std::function<void()>& betweenParts)
{
    InsertParts(list, std::move(rows), betweenParts);
}

void InsertNewestOnTop(CColorListCtrl& list, std::vector<ColorListRow> rows, const std::function<void()>& betweenParts)
{
    InsertParts(list, std::move(rows), betweenParts);
}
