#include "newest_on_top.h"

#include "color_list_ctrl.h"

#include <gtest/gtest.h>

namespace {

// More rows than one part holds: every part lands above the older ones, the window is
// served between parts and not after the last.
TEST(NewestOnTopTest, PartsStackNewestFirst)
{
    CColorListCtrl list;
    list.InsertColumn(0, QStringLiteral("n"));
    const int count = 2 * 65536 + 3;
    std::vector<std::vector<QString>> rows;
    for (int n = 0; n < count; ++n)
        rows.push_back({QString::number(n)});
    int served = 0;
    InsertNewestOnTop(list, std::move(rows), [&served] { ++served; });
    ASSERT_EQ(list.GetItemCount(), count);
    EXPECT_EQ(served, 2);
    for (int row : {0, 1, 2, 3, 65536, 65537, count - 1})
        EXPECT_EQ(list.GetItemText(row, 0), QString::number(count - 1 - row)) << row;
}

} // namespace
