#include "sticker_source.h"

#include "one_line.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "sql_text.h"
#include "sticker_range.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

std::string IdText(long number)
{
    char text[24];
    std::snprintf(text, sizeof text, "%08ld", number);
    return text;
}

bool IsEightDigits(const std::string& text)
{
    return text.size() == 8 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

} // namespace

StickerSource::StickerSource(CDbConnection& connection, const StickerRange& range, long sliceSize)
    : m_connection(connection),
      m_nextLower(range.FirstNumber()),
      m_last(range.LastNumber()),
      m_sliceSize(sliceSize > 0 ? sliceSize : 1)
{}

std::string StickerSource::SliceStatement(long lower) const
{
    // IDs are compared as text, the way the rows store them. A slice ends just before the
    // next slice's first ID, so the slices together cover exactly the text range from the
    // first to the last ID, whatever else the column holds.
    std::string statement = "select ProductID,ProductCode,ProductName from ProductTable where ProductID>='" +
                            SqlQuote(IdText(lower)) + "' and ";
    const long upper = lower + m_sliceSize;
    if (upper > m_last)
        statement += "ProductID<='" + SqlQuote(IdText(m_last)) + "'";
    else
        statement += "ProductID<'" + SqlQuote(IdText(upper)) + "'";
    return statement + " order by ProductID";
}

bool StickerSource::FetchSlice(std::string& error)
{
    m_slice.clear();
    m_position = 0;
    const std::string statement = SliceStatement(m_nextLower);
    m_nextLower += m_sliceSize;

    CDbRecordset rows;
    rows.SetConnection(&m_connection);
    const int opened = rows.Open(statement, 1, 3, 3);
    if (opened < 0) {
        const std::string reason = m_connection.GetErrorsText();
        error = "cannot read ProductTable: " + OneLine(reason.empty() ? "unknown error" : reason);
        return false;
    }
    while (opened == 1 && !rows.IsEOF()) {
        Sticker sticker;
        rows.GetFieldValue("ProductID", sticker.productId);
        rows.GetFieldValue("ProductCode", sticker.productCode);
        rows.GetFieldValue("ProductName", sticker.productName);
        // Text order lets IDs of another length into the slice; they are no codes.
        if (IsEightDigits(sticker.productId) && IsEightDigits(sticker.productCode))
            m_slice.push_back(std::move(sticker));
        rows.MoveNext();
    }
    return true;
}

StickerSource::Outcome StickerSource::Next(Sticker& sticker, std::string& error)
{
    while (m_position >= m_slice.size()) {
        if (m_nextLower > m_last)
            return Outcome::End;
        if (!FetchSlice(error))
            return Outcome::Failed;
    }
    sticker = std::move(m_slice[m_position++]);
    return Outcome::Sticker;
}
