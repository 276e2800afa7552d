#pragma once

#include "sms_record.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// The rows of the send-record list, top (0) to bottom, with the rules by which rows read
// from the queue are merged in. Each row also carries a key of its own that no other row
// of the list ever had, so a command can find again the row it started on after rows were
// added above it.
class SendRecordList final {
public:
    // What a merge did to the list.
    struct Change {
        enum class Kind { None, Inserted, Updated };
        Kind kind = Kind::None;
        std::size_t position = 0;
    };

    // In the order given: pending and sending rows on top, every other row at the end.
    void ApplyFullLoad(std::vector<SmsRecord> records);
    // Sent or failed: the first row from the top with the same SmsIndex value takes the
    // record's status, time, number and text. Received: a new row on top. Else nothing.
    Change ApplyChanged(const SmsRecord& record);
    // A new row on top.
    Change ApplyNewPending(const SmsRecord& record);
    void RemoveAt(std::size_t position);
    void Clear();

    std::size_t Size() const { return m_rows.size(); }
    const SmsRecord& At(std::size_t position) const { return m_rows[position].record; }
    std::uint64_t KeyAt(std::size_t position) const { return m_rows[position].key; }
    std::optional<std::size_t> FindKey(std::uint64_t key) const;

private:
    struct Row {
        SmsRecord record;
        int index; // SmsIndexValue of record.smsIndex, kept for matching
        std::uint64_t key;
    };
    Row Make(SmsRecord record);

    std::deque<Row> m_rows;
    std::uint64_t m_nextKey = 1;
};
