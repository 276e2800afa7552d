#include "color_list_ctrl.h"
#include "color_list_model.h"

#include "kit_look.h"
#include "packed_cells.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

QStringList Column(const CColorListCtrl& list, int column)
{
    QStringList cells;
    for (int row = 0; row < list.GetItemCount(); ++row)
        cells << list.GetItemText(row, column);
    return cells;
}

QStringList Row(const CColorListCtrl& list, int row)
{
    QStringList cells;
    for (int column = 0; column < list.GetColumnCount(); ++column)
        cells << list.GetItemText(row, column);
    return cells;
}

// The selected row is one flat colour with black text whether the list has the focus or
// another control does: every pixel of the row away from its text, top to bottom.
TEST(ColorListCtrl, SelectedRowIsFlatWithAndWithoutFocus)
{
    for (const bool listFocused : {true, false}) {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* other = new QLineEdit(&window);
        auto* list = new CColorListCtrl(&window);
        layout->addWidget(other);
        layout->addWidget(list);
        window.resize(400, 240);
        list->InsertColumn(0, QStringLiteral("产品名称"), Qt::AlignLeft, 300);
        list->InsertColumn(1, QStringLiteral("产品数量"), Qt::AlignLeft, 60);
        for (int row = 0; row < 3; ++row) {
            list->InsertItem(row, QStringLiteral("批次%1").arg(row));
            list->SetItemText(row, 1, QString::number(row));
        }
        list->SetSelectionBackground(ListSelectionBackground());
        list->SetSelectionText(Qt::black);
        list->SetItemSelected(1, true);
        window.show();
        QApplication::setActiveWindow(&window);
        (listFocused ? static_cast<QWidget*>(list) : other)->setFocus();
        QApplication::processEvents();
        ASSERT_EQ(list->hasFocus(), listFocused);

        const QImage picture = list->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect selected = list->visualRect(list->Model()->index(1, 0));
        const QRect plain = list->visualRect(list->Model()->index(2, 0));
        // Far right in the wide first column, away from the text; the last pixel row is
        // the grid line's.
        for (int y = selected.top(); y < selected.bottom(); ++y)
            EXPECT_EQ(QColor(picture.pixel(selected.right() - 10, y)), QColor(174, 196, 241))
                << "focused " << listFocused << " y " << y - selected.top();
        EXPECT_NE(QColor(picture.pixel(plain.right() - 10, plain.center().y())), QColor(174, 196, 241));
        // The text is drawn in black: its darkest pixel is black.
        int darkest = 255;
        for (int x = selected.left(); x < selected.left() + 60; ++x)
            for (int y = selected.top(); y < selected.bottom(); ++y)
                darkest = std::min(darkest, qGray(picture.pixel(x, y)));
        EXPECT_LT(darkest, 40) << "focused " << listFocused;
    }
}

// The operator widens or narrows a column by dragging its header edge, and a cell too
// narrow for its text shows the whole text as a tooltip; one that fits shows none.
TEST(ColorListCtrl, ColumnsResizeAndCutCellsShowTheirWholeText)
{
    CColorListCtrl list;
    list.resize(400, 200);
    list.InsertColumn(0, QStringLiteral("产品名称"), Qt::AlignLeft, 90);
    list.InsertColumn(1, QStringLiteral("产品数量"), Qt::AlignLeft, 60);
    const QString longName = QStringLiteral("金穗复合肥25公斤装（高氮型）");
    list.InsertItem(0, longName);
    list.SetItemText(0, 1, QStringLiteral("12"));
    list.show();
    QApplication::processEvents();

    QHeaderView* header = list.header();
    EXPECT_EQ(header->sectionResizeMode(0), QHeaderView::Interactive);
    const int edge = header->sectionViewportPosition(0) + header->sectionSize(0) - 1;
    const int y = header->height() / 2;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
    QMouseEvent move(QEvent::MouseMove, QPointF(edge + 40, y), header->viewport()->mapToGlobal(QPointF(edge + 40, y)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &move);
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 40, y));
    EXPECT_EQ(list.GetColumnWidth(0), 130);

    // A tooltip put up beforehand stays as it is unless the cell shows one of its own.
    auto tooltipAt = [&](int column) {
        const QRect cell = list.visualRect(list.Model()->index(0, column));
        const QPoint global = list.viewport()->mapToGlobal(cell.center());
        const QString before = QStringLiteral("before %1").arg(column);
        QToolTip::showText(global, before, list.viewport());
        QHelpEvent help(QEvent::ToolTip, cell.center(), global);
        QApplication::sendEvent(list.viewport(), &help);
        return QToolTip::text() == before ? QString() : QToolTip::text();
    };
    EXPECT_EQ(tooltipAt(0), longName);
    EXPECT_EQ(tooltipAt(1), QString());
    list.SetColumnWidth(0, 400);
    EXPECT_EQ(tooltipAt(0), QString());
    list.SetColumnWidth(1, 8);
    EXPECT_EQ(tooltipAt(1), QStringLiteral("12"));
}

TEST(ColorListCtrl, NegativeWidthHidesTheColumnButKeepsItsCells)
{
    CColorListCtrl list;
    list.InsertColumn(0, QStringLiteral("产品名称"), Qt::AlignLeft, 90);
    list.InsertColumn(1, QStringLiteral("产品编号"), Qt::AlignLeft, -10);
    list.InsertItem(0, QStringLiteral("茶叶"));
    list.SetItemText(0, 1, QStringLiteral("7"));
    EXPECT_TRUE(list.header()->isSectionHidden(1));
    EXPECT_FALSE(list.header()->isSectionHidden(0));
    EXPECT_EQ(list.GetColumnWidth(1), 0);
    EXPECT_EQ(list.GetItemText(0, 1), QStringLiteral("7"));
}

TEST(ColorListCtrl, DeletingColumnsShiftsCellsAndTheLastColumnTakesTheRows)
{
    CColorListCtrl list;
    list.InsertColumn(0, QStringLiteral("a"));
    list.InsertColumn(1, QStringLiteral("b"));
    list.InsertItem(0, QStringLiteral("a0"));
    list.SetItemText(0, 1, QStringLiteral("b0"));
    list.InsertItem(1, QStringLiteral("a1"));
    list.SetItemText(1, 1, QStringLiteral("b1"));

    ASSERT_TRUE(list.DeleteColumn(0));
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(Column(list, 0), (QStringList{QStringLiteral("b0"), QStringLiteral("b1")}));

    ASSERT_TRUE(list.DeleteColumn(0));
    EXPECT_EQ(list.GetColumnCount(), 0);
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST(ColorListCtrl, RowsInsertedAtTheTopShowTheReadingOrderReversed)
{
    CColorListCtrl list;
    list.InsertColumn(0, QStringLiteral("时间"));
    list.InsertColumn(1, QStringLiteral("号码"));
    for (const char* number : {"1", "2", "3"}) {
        const int row = list.InsertItem(0, QString::fromLatin1(number));
        list.SetItemText(row, 1, QStringLiteral("x") + QString::fromLatin1(number));
    }
    EXPECT_EQ(Column(list, 0), (QStringList{"3", "2", "1"}));
    EXPECT_EQ(Column(list, 1), (QStringList{"x3", "x2", "x1"}));
    // Past the end appends; a column that does not exist is refused.
    EXPECT_EQ(list.InsertItem(99, QStringLiteral("4")), 3);
    EXPECT_FALSE(list.SetItemText(0, 2, QStringLiteral("no")));
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(Column(list, 0), (QStringList{"2", "1", "4"}));
}

TEST(ColorListCtrl, CellsKeepTheirTextWhateverTheirLength)
{
    CColorListCtrl list;
    for (int column = 0; column < 4; ++column)
        list.InsertColumn(column, QString::number(column));
    const QString huge(70000, QLatin1Char('x'));
    list.InsertItem(0, QStringLiteral("a"));
    // Cells set out of order, past those that exist, longer and shorter than before.
    const std::pair<int, QString> edits[] = {{2, QStringLiteral("中文")}, {1, huge},       {0, QString()},
                                             {2, QStringLiteral("c")},    {3, huge + "y"}, {1, QStringLiteral("b")}};
    QStringList expected{QStringLiteral("a"), QString(), QString(), QString()};
    for (const auto& [column, text] : edits) {
        ASSERT_TRUE(list.SetItemText(0, column, text));
        expected[column] = text;
        EXPECT_EQ(Row(list, 0), expected) << column;
    }
    list.InsertColumn(1, QStringLiteral("new"));
    EXPECT_EQ(Row(list, 0), (QStringList{QString(), QString(), "b", "c", huge + "y"}));

    // A block of rows goes in as given, in one piece.
    ASSERT_EQ(list.InsertItems(0, {{"1", "", "one"}, {"2", huge}}), 0);
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(Row(list, 0), (QStringList{"1", "", "one", "", ""}));
    EXPECT_EQ(list.GetItemText(1, 1), huge);
    EXPECT_EQ(list.GetItemText(2, 4), huge + "y");
    EXPECT_EQ(list.InsertItems(-1, {{"x"}}), -1);

    // Rows taken for reading stay as they were while the list changes.
    const ColorListRows taken = list.GetRows();
    list.SetItemText(0, 2, QStringLiteral("changed"));
    list.DeleteItem(1);
    EXPECT_EQ(taken.Count(), 3);
    EXPECT_EQ(taken.Cell(0, 2), QStringLiteral("one"));
    EXPECT_EQ(taken.Cell(1, 1), huge);
    EXPECT_EQ(taken.Cell(3, 0), QString());
    EXPECT_EQ(list.GetItemText(0, 2), QStringLiteral("changed"));
}

// Rows built cell by cell from UTF-8 read back as QString::fromUtf8 reads the same bytes.
TEST(ColorListCtrl, RowsBuiltFromUtf8ReadBackAsTheirText)
{
    const std::string longCell(70000, 'z');
    const std::string cases[] = {
        "",
        "0123456789",
        "重复查询3次",
        "广东 深圳",
        "\xEF\xBB\xBF"
        "bom",                    // a leading byte order mark
        "ab\xFF\xC3(",            // bytes that are not UTF-8
        "\xF0\x9F\x98\x80 emoji", // one character, two UTF-16 units
        longCell,
        std::string(65534, '\xE4'),
    };
    CColorListCtrl list;
    const int columns = static_cast<int>(std::size(cases));
    for (int column = 0; column < columns; ++column)
        list.InsertColumn(column, QString::number(column));
    std::vector<ColorListRow> rows(2);
    for (const std::string& cell : cases)
        rows[0].AddUtf8Cell(cell);
    rows[1].Reserve(4);
    rows[1].AddCell(QStringLiteral("second"));
    ASSERT_EQ(list.InsertItems(0, std::move(rows)), 0);
    ASSERT_EQ(list.GetItemCount(), 2);
    for (int column = 0; column < columns; ++column) {
        const std::string& cell = cases[column];
        EXPECT_EQ(list.GetItemText(0, column), QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size())))
            << column;
    }
    EXPECT_EQ(Row(list, 1).first(), QStringLiteral("second"));
    EXPECT_EQ(list.GetItemText(1, 1), QString());
    EXPECT_EQ(list.InsertItems(-1, std::vector<ColorListRow>(1)), -1);
}

// Rows read in blocks stay packed as UTF-8 in their blocks: they read back as their text in
// the order given, whatever their length; changing or deleting them, or the columns, keeps
// every other cell; a row taken for reading outlives the list's rows; a span outside its
// block is an empty row, not a read past the block.
TEST(ColorListCtrl, RowsKeptInTheirBlocksReadAndChangeAsOthers)
{
    const std::string longCell(70000, 'z');
    const std::vector<std::vector<std::string>> cells = {
        {"1", "正确", "2004-05-01 10:00:00"},
        {"2", "", "\xF0\x9F\x98\x80 emoji"},
        {"3", longCell, "ab\xFF\xC3("},
        {"4", "重复查询3次"},
    };
    auto block = std::make_shared<std::string>();
    std::vector<ColorListBlock::Span> spans;
    for (const auto& row : cells) {
        const auto offset = static_cast<std::uint32_t>(block->size());
        for (const std::string& cell : row)
            AppendPackedCell(*block, cell);
        spans.push_back({offset, static_cast<std::uint32_t>(block->size()) - offset});
    }
    const auto text = [](const std::string& cell) {
        return QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
    };

    CColorListCtrl list;
    for (int column = 0; column < 3; ++column)
        list.InsertColumn(column, QString::number(column));
    list.InsertItem(0, QStringLiteral("built"));
    // Newest first, in two blocks over one text: rows 3 and 2, then a broken span and row 0.
    std::vector<ColorListBlock> blocks(2);
    blocks[0] = {block, {spans[3], spans[2]}};
    blocks[1] = {block,
                 {{spans[3].offset, spans[3].size + 1}, {static_cast<std::uint32_t>(block->size() + 1), 0}, spans[0]}};
    ASSERT_EQ(list.InsertItems(0, std::move(blocks)), 0);
    block.reset();
    ASSERT_EQ(list.GetItemCount(), 6);
    EXPECT_EQ(Row(list, 0), (QStringList{"4", text("重复查询3次"), QString()}));
    EXPECT_EQ(Row(list, 1), (QStringList{"3", text(longCell), text("ab\xFF\xC3(")}));
    EXPECT_EQ(Row(list, 2).first(), QString()) << "a span past its block's end";
    EXPECT_EQ(Row(list, 3), (QStringList{QString(), QString(), QString()}));
    EXPECT_EQ(Row(list, 4), (QStringList{"1", text("正确"), "2004-05-01 10:00:00"}));
    EXPECT_EQ(Column(list, 0).last(), QStringLiteral("built"));
    EXPECT_EQ(list.Model()->data(list.Model()->index(1, 2), Qt::DisplayRole).toString(), text("ab\xFF\xC3("));

    const ColorListRows taken = list.GetRows();
    ASSERT_TRUE(list.SetItemText(1, 2, QStringLiteral("changed")));
    EXPECT_EQ(Row(list, 1), (QStringList{"3", text(longCell), "changed"}));
    list.InsertColumn(1, QStringLiteral("new"));
    EXPECT_EQ(Row(list, 0), (QStringList{"4", QString(), text("重复查询3次"), QString()}));
    ASSERT_TRUE(list.DeleteColumn(0));
    EXPECT_EQ(Row(list, 4), (QStringList{QString(), text("正确"), "2004-05-01 10:00:00"}));
    ASSERT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.GetItemText(0, 1), text(longCell));

    list.DeleteAllItems();
    EXPECT_EQ(taken.Count(), 6);
    EXPECT_EQ(taken.Cell(0, 1), text("重复查询3次"));
    EXPECT_EQ(taken.Cell(1, 2), text("ab\xFF\xC3("));
    EXPECT_EQ(taken.Cell(4, 2), QStringLiteral("2004-05-01 10:00:00"));
    EXPECT_EQ(taken.Cell(4, 3), QString());
    EXPECT_EQ(list.InsertItems(-1, std::vector<ColorListBlock>(1)), -1);
}

TEST(ColorListCtrl, SelectionFollowsRowsAndSingleSelectionKeepsOne)
{
    CColorListCtrl list;
    list.InsertColumn(0, QStringLiteral("号码"));
    for (int row = 0; row < 4; ++row)
        list.InsertItem(row, QString::number(row));
    list.SetItemSelected(2, true);
    list.SetItemSelected(0, true);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{0, 2}));
    EXPECT_EQ(list.GetFirstSelectedItem(), 0);
    // A row inserted at the top moves the selected rows down with their texts.
    list.InsertItem(0, QStringLiteral("new"));
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{1, 3}));

    list.SetMultipleSelection(false);
    list.SetItemSelected(4, true);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{4}));
    list.DeleteAllItems();
    EXPECT_EQ(list.GetFirstSelectedItem(), -1);
}

TEST(ColorListCtrl, DeletingASelectedRowSelectsNoNeighbour)
{
    struct Case {
        const char* why;
        int selected, deleted;
        std::vector<int> expect;
    };
    const Case cases[] = {
        {"the last row", 3, 3, {}},
        {"a middle row", 1, 1, {}},
        {"the first row", 0, 0, {}},
        {"a row above the selection", 2, 0, {1}},
        {"a row below the selection", 1, 3, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        CColorListCtrl list;
        list.InsertColumn(0, QStringLiteral("产品名称"));
        for (int row = 0; row < 4; ++row)
            list.InsertItem(row, QString::number(row));
        list.SetMultipleSelection(false);
        list.show();
        list.setFocus();
        list.SetItemSelected(c.selected, true);
        EXPECT_TRUE(list.DeleteItem(c.deleted));
        QApplication::processEvents();
        EXPECT_EQ(list.GetSelectedItems(), c.expect);
    }
}

TEST(ColorListCtrl, ListModeFlowsEntriesInColumnsAndSharesTheSelection)
{
    CColorListCtrl list;
    list.InsertColumn(0, QStringLiteral("接收人"), Qt::AlignLeft, 80);
    list.SetListMode(true);
    list.resize(300, 90);
    std::vector<std::vector<QString>> entries;
    for (int i = 0; i < 12; ++i)
        entries.push_back({QStringLiteral("1380000%1").arg(i, 4, 10, QLatin1Char('0'))});
    EXPECT_EQ(list.InsertItems(0, entries), 0);
    list.show();
    QApplication::processEvents();
    ASSERT_NE(list.FlowView(), nullptr);
    EXPECT_FALSE(list.header()->isVisible());

    QListView& flow = *list.FlowView();
    const auto rect = [&](int row) { return flow.visualRect(list.Model()->index(row, 0)); };
    int perColumn = 1;
    while (perColumn < 12 && rect(perColumn).x() == rect(0).x())
        ++perColumn;
    ASSERT_GT(perColumn, 1);
    ASSERT_LT(perColumn, 12);
    // The next column starts at the top, one column width to the right.
    EXPECT_EQ(rect(perColumn).y(), rect(0).y());
    EXPECT_EQ(rect(perColumn).x(), rect(0).x() + 80);
    EXPECT_GT(rect(perColumn - 1).y(), rect(0).y());

    // A click on an entry selects that row of the list, and the list's selection shows there.
    QTest::mouseClick(flow.viewport(), Qt::LeftButton, {}, rect(perColumn + 1).center());
    EXPECT_EQ(list.GetSelectedItems(), std::vector<int>{perColumn + 1});
    list.SetItemSelected(0, true);
    EXPECT_TRUE(flow.selectionModel()->isSelected(list.Model()->index(0, 0)));
    EXPECT_EQ(list.GetItemText(perColumn + 1, 0), entries[static_cast<std::size_t>(perColumn) + 1][0]);
}

} // namespace
