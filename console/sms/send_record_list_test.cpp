#include "send_record_list.h"

#include <gtest/gtest.h>

namespace {

SmsRecord Record(const std::string& index, const std::string& status, const std::string& phone = "1234")
{
    return {index, status, "", phone, "text " + index};
}

std::vector<std::string> Indexes(const SendRecordList& list)
{
    std::vector<std::string> indexes;
    for (std::size_t i = 0; i < list.Size(); ++i)
        indexes.push_back(list.At(i).smsIndex);
    return indexes;
}

TEST(SendRecordList, FullLoadPutsPendingAndSendingOnTopInQueryOrderAndTheRestReversed)
{
    // The load hands the rows over walked backwards: query order 1..5 arrives as 5..1.
    SendRecordList list;
    list.ApplyFullLoad(
        {Record("5", "接收"), Record("4", "发送中"), Record("3", "失败"), Record("2", "待发"), Record("1", "成功")});
    EXPECT_EQ(Indexes(list), (std::vector<std::string>{"2", "4", "5", "3", "1"}));
}

TEST(SendRecordList, ChangedRowsMergeByStatus)
{
    struct Case {
        SmsRecord changed;
        std::vector<std::string> indexes; // top to bottom afterwards
        SendRecordList::Change::Kind kind;
        std::size_t position;
    };
    const Case cases[] = {
        {{"3", "成功", "2026-12-10 10:00:00", "139", "new"},
         {"1", "2", "3", "4"},
         SendRecordList::Change::Kind::Updated,
         2},
        {{"003", "失败", "", "139", "new"}, {"1", "2", "3", "4"}, SendRecordList::Change::Kind::Updated, 2},
        {Record("9", "成功"), {"1", "2", "3", "4"}, SendRecordList::Change::Kind::None, 0},
        {Record("9", "接收"), {"9", "1", "2", "3", "4"}, SendRecordList::Change::Kind::Inserted, 0},
        {Record("3", "接收"), {"3", "1", "2", "3", "4"}, SendRecordList::Change::Kind::Inserted, 0},
        {Record("2", "待发"), {"1", "2", "3", "4"}, SendRecordList::Change::Kind::None, 0},
        {Record("2", "发送中"), {"1", "2", "3", "4"}, SendRecordList::Change::Kind::None, 0},
        {Record("2", "其他"), {"1", "2", "3", "4"}, SendRecordList::Change::Kind::None, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.changed.smsIndex + " " + c.changed.sendStatus);
        SendRecordList list;
        list.ApplyFullLoad({Record("3", "失败"), Record("4", "成功"), Record("2", "待发"), Record("1", "待发")});
        ASSERT_EQ(Indexes(list), (std::vector<std::string>{"1", "2", "3", "4"}));
        const SmsRecord before = list.At(2);
        const SendRecordList::Change change = list.ApplyChanged(c.changed);
        EXPECT_EQ(Indexes(list), c.indexes);
        EXPECT_EQ(change.kind, c.kind);
        EXPECT_EQ(change.position, c.position);
        if (change.kind == SendRecordList::Change::Kind::Updated) {
            // Everything but the index comes from the changed row.
            EXPECT_EQ(list.At(2), (SmsRecord{before.smsIndex, c.changed.sendStatus, c.changed.sendTime,
                                             c.changed.phoneNumber, c.changed.smsContent}));
        }
    }
}

TEST(SendRecordList, AChangeUpdatesTheFirstMatchFromTheTop)
{
    SendRecordList list;
    list.ApplyFullLoad({Record("7", "成功", "old")});
    list.ApplyNewPending(Record("7", "待发", "top"));
    list.ApplyChanged(Record("7", "失败", "new"));
    EXPECT_EQ(list.At(0).phoneNumber, "new");
    EXPECT_EQ(list.At(1).phoneNumber, "old");
}

TEST(SendRecordList, ARowIsFoundAgainByItsKeyAfterRowsCameAboveAndWent)
{
    SendRecordList list;
    list.ApplyFullLoad({Record("2", "成功"), Record("1", "成功")});
    const std::uint64_t second = list.KeyAt(1);
    list.ApplyNewPending(Record("3", "待发"));
    list.ApplyChanged(Record("4", "接收"));
    EXPECT_EQ(list.FindKey(second), std::optional<std::size_t>(3));
    list.RemoveAt(0);
    EXPECT_EQ(list.FindKey(second), std::optional<std::size_t>(2));
    list.RemoveAt(2);
    EXPECT_EQ(list.FindKey(second), std::nullopt);
    list.Clear();
    EXPECT_EQ(list.Size(), 0u);
}

TEST(SmsIndexValue, ReadsTheLeadingDecimalNumber)
{
    const std::pair<const char*, int> cases[] = {
        {"42", 42}, {" 42", 42}, {"42abc", 42}, {"", 0}, {"abc", 0}, {"-3", -3}, {"99999999999", 2147483647}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(SmsIndexValue(text), value) << text;
}

} // namespace
