#include "send_record_list.h"

#include <algorithm>

namespace {

bool Is(const std::string& status, const char* text)
{
    return status == text;
}

} // namespace

SendRecordList::Row SendRecordList::Make(SmsRecord record)
{
    const int index = SmsIndexValue(record.smsIndex);
    return Row{std::move(record), index, m_nextKey++};
}

void SendRecordList::ApplyFullLoad(std::vector<SmsRecord> records)
{
    for (SmsRecord& record : records) {
        if (Is(record.sendStatus, kSmsPending) || Is(record.sendStatus, kSmsSending))
            m_rows.push_front(Make(std::move(record)));
        else
            m_rows.push_back(Make(std::move(record)));
    }
}

SendRecordList::Change SendRecordList::ApplyChanged(const SmsRecord& record)
{
    if (Is(record.sendStatus, kSmsSent) || Is(record.sendStatus, kSmsFailed)) {
        const int index = SmsIndexValue(record.smsIndex);
        const auto found =
            std::find_if(m_rows.begin(), m_rows.end(), [index](const Row& row) { return row.index == index; });
        if (found == m_rows.end())
            return {};
        SmsRecord& shown = found->record;
        shown.sendStatus = record.sendStatus;
        shown.sendTime = record.sendTime;
        shown.phoneNumber = record.phoneNumber;
        shown.smsContent = record.smsContent;
        return {Change::Kind::Updated, static_cast<std::size_t>(found - m_rows.begin())};
    }
    if (Is(record.sendStatus, kSmsReceived))
        return ApplyNewPending(record);
    return {};
}

SendRecordList::Change SendRecordList::ApplyNewPending(const SmsRecord& record)
{
    m_rows.push_front(Make(record));
    return {Change::Kind::Inserted, 0};
}

void SendRecordList::RemoveAt(std::size_t position)
{
    if (position < m_rows.size())
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(position));
}

void SendRecordList::Clear()
{
    m_rows.clear();
}

std::optional<std::size_t> SendRecordList::FindKey(std::uint64_t key) const
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [key](const Row& row) { return row.key == key; });
    if (found == m_rows.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - m_rows.begin());
}
