#include "filter_lists.h"
#include "query_filter.h"
#include "query_log.h"
#include "query_log_column.h"
#include "query_records.h"
#include "query_records_reader.h"
#include "query_status.h"
#include "testing/refuse_deleting.h"

#include "packed_cells.h"

#include "db_engine_test.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "lock_wait.h"
#include "read_rows.h"
#include "sql_text.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

class QueryLogTest : public DbEngineTest {
protected:
    // One log row; the index is given when a test needs gaps between rows.
    void Log(const std::string& time, int status, const std::string& province = "广东",
             const std::string& city = "深圳", const std::string& product = "金穗", int index = 0)
    {
        const std::string columns = index ? "QueryIndex," : "";
        const std::string value = index ? std::to_string(index) + "," : "";
        ExecuteSql("insert into QueryLogTable (" + columns +
                   "QueryTime,QueryPhoneNumber,QueryProductID,QueryProductCode,RealProductCode,QueryStatus,"
                   "QueryComm,QueryProv,QueryCity,ProductName) values (" +
                   value + "#" + time + "#,'13900000000','01000001','12345678','12345678'," + std::to_string(status) +
                   ",'/dev/ttyUSB0','" + SqlQuote(province) + "','" + SqlQuote(city) + "','" + SqlQuote(product) +
                   "')");
        ASSERT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;
    }

    // The times of the rows a filter selects, in the order read.
    std::vector<std::string> Times(const QueryFilter& filter)
    {
        std::vector<std::string> times;
        std::string error;
        const ReadOutcome outcome = ReadQueryLogRows(
            m_connection, QueryLogSelect(filter.WhereClause()),
            [&times](const QueryLogRow& row) { times.push_back(row.time); }, error);
        EXPECT_NE(outcome, ReadOutcome::Failed) << error;
        return times;
    }

    std::vector<std::string> Listed(QueryListing& listing)
    {
        std::vector<std::string> indexes;
        std::string error;
        int windows = 0;
        EXPECT_NE(ReadQueryRecords(
                      m_connection, listing, [&indexes](const QueryLogRow& row) { indexes.push_back(row.index); },
                      [&windows] { ++windows; }, error),
                  ReadOutcome::Failed)
            << error;
        m_windows = windows;
        return indexes;
    }

    int Rows()
    {
        CDbRecordset rows;
        rows.SetConnection(&m_connection);
        EXPECT_EQ(rows.Open("select count(*) as N from QueryLogTable", 1, 3, 3), 1);
        std::string n;
        rows.GetFieldValue("N", n);
        return std::stoi(n);
    }

    static QueryFilter Day(int day, std::string status = "")
    {
        return QueryFilter{{2004, 5, day}, {2004, 5, day}, "", "", "", std::move(status)};
    }

    // A trigger that refuses to delete one row, for a clear that fails half way.
    void RefuseDeleting(int index)
    {
        ASSERT_TRUE(m_connection.Provider()->ExecuteScript(RefuseDeletingScript(Engine(), index)))
            << m_connection.GetErrorsText();
    }

    int m_windows = 0;
};

TEST_P(QueryLogTest, ADaySelectsItsRowsBetweenOneSecondPastMidnightAndOneSecondBefore)
{
    for (const char* time :
         {"2004-04-30 23:59:59", "2004-05-01 00:00:00", "2004-05-01 00:00:01", "2004-05-01 00:00:02",
          "2004-05-01 12:30:00", "2004-05-01 23:59:58", "2004-05-01 23:59:59", "2004-05-02 00:00:00"})
        Log(time, 1);
    EXPECT_EQ(Times(Day(1)),
              (std::vector<std::string>{"2004-05-01 00:00:02", "2004-05-01 12:30:00", "2004-05-01 23:59:58"}));
    // Midnight belongs to neither range it lies between; inside a longer range it counts.
    const QueryFilter before{{2004, 4, 30}, {2004, 4, 30}, "", "", "", ""};
    EXPECT_EQ(Times(before), std::vector<std::string>{});
    const QueryFilter twoDays{{2004, 4, 30}, {2004, 5, 1}, "", "", "", ""};
    EXPECT_EQ(Times(twoDays).size(), 6u);
    const QueryFilter backwards{{2004, 5, 2}, {2004, 5, 1}, "", "", "", ""};
    EXPECT_TRUE(Times(backwards).empty());
}

TEST_P(QueryLogTest, ConditionsSelectRegionBatchAndStatus)
{
    Log("2004-05-01 10:00:00", 1, "广东", "深圳", "金穗");
    Log("2004-05-01 10:00:01", 2, "广东", "广州", "金穗");
    Log("2004-05-01 10:00:02", -2, "广东", "深圳", "O'Brien's");
    Log("2004-05-01 10:00:03", 3, "江苏", "南京", "O'Brien's");
    Log("2004-05-01 10:00:04", -1, "广东", "深圳", "");

    struct Case {
        QueryFilter filter;
        std::vector<std::string> seconds;
    };
    auto filter = [](std::string province, std::string city, std::string product, std::string status) {
        return QueryFilter{{2004, 5, 1}, {2004, 5, 1}, province, city, product, status};
    };
    const Case cases[] = {
        {filter("", "", "", "<不限>"), {"00", "01", "02", "03", "04"}},
        {filter("广东", "", "", ""), {"00", "01", "02", "04"}},
        {filter("广东", "深圳", "", "码值错误"), {"02", "04"}},
        {filter("", "", "", "重复查询"), {"01", "03"}},
        {filter("", "", "", "正确查询"), {"00"}},
        {filter("", "", "o'brien's", ""), {"02", "03"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> seconds;
        for (const std::string& time : Times(c.filter))
            seconds.push_back(time.substr(17));
        EXPECT_EQ(seconds, c.seconds) << c.filter.WhereClause();
    }
}

TEST_P(QueryLogTest, FilterListsReadTheDatabase)
{
    EXPECT_EQ(FillCityList(m_connection, "不存在"), std::vector<std::string>{});
    const std::vector<std::string> cities = FillCityList(m_connection, "广东");
    ASSERT_FALSE(cities.empty());
    EXPECT_TRUE(std::is_sorted(cities.begin(), cities.end())) << "sorted as the database sorts";

    ExecuteSql("insert into AddressTable (ProvName,CityName) values ('O''Land','B''town')");
    ExecuteSql("insert into AddressTable (ProvName,CityName) values ('O''Land','A''town')");
    EXPECT_EQ(FillCityList(m_connection, "O'Land"), (std::vector<std::string>{"A'town", "B'town"}));

    EXPECT_TRUE(FillProductList(m_connection).empty());
    for (const char* name : {"瑞丰", "O'Brien's", "金穗"})
        ExecuteSql("insert into ProductGroupTable (ProductName,ProductCount,ProductCode) values ('" + SqlQuote(name) +
                   "',1,1)");
    std::vector<std::string> products = FillProductList(m_connection);
    std::sort(products.begin(), products.end());
    EXPECT_EQ(products, (std::vector<std::string>{"O'Brien's", "瑞丰", "金穗"}));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_P(QueryLogTest, RecordsAreReadInRisingIndexAcrossWindows)
{
    // Index gaps wider than a read window, and a row that the filter drops.
    const int w = static_cast<int>(kQueryRecordsWindow);
    Log("2004-05-01 10:00:00", 1, "广东", "深圳", "金穗", 7);
    Log("2004-05-01 10:00:00", 1, "广东", "深圳", "金穗", w + 100);
    Log("2004-05-02 10:00:00", 1, "广东", "深圳", "金穗", w + 200);
    Log("2004-05-01 09:00:00", 2, "广东", "深圳", "金穗", 2 * w + 50);
    QueryListing listing{Day(1).WhereClause(), "", 0, 0};
    EXPECT_EQ(Listed(listing), (std::vector<std::string>{"7", std::to_string(w + 100), std::to_string(2 * w + 50)}));
    EXPECT_EQ(listing.upTo, 2 * w + 50);
    EXPECT_EQ(m_windows, 3);
    // With the time range to look the row numbers up by, a day is read in the windows it spans.
    QueryListing secondDay{Day(2).WhereClause(), Day(2).TimeRangeClause()};
    EXPECT_EQ(Listed(secondDay), std::vector<std::string>{std::to_string(w + 200)});
    EXPECT_EQ(m_windows, 1);
    EXPECT_EQ(secondDay.upTo, w + 200);

    // Clearing goes window by window too, and says how far it got when one fails. The
    // refused row lies just past the first window, inside the second whatever its size.
    const int c = static_cast<int>(kQueryClearWindow);
    ASSERT_LT(c + 20, w);
    Log("2004-05-01 10:00:00", 1, "广东", "深圳", "金穗", c + 10);
    RefuseDeleting(c + 10);
    Log("2004-05-01 10:00:00", 1, "广东", "深圳", "金穗", c + 20);
    listing.upTo = c + 20;
    std::int64_t cleared = 0;
    EXPECT_FALSE(ClearQueryRecords(m_connection, listing, -1, nullptr, cleared));
    EXPECT_EQ(cleared, 6 + c) << "the first window went through";
    EXPECT_EQ(Rows(), 5) << "only row 7 lay in the first window";

    QueryListing nothing{Day(9).WhereClause(), "", 0, 0};
    std::string error;
    EXPECT_EQ(ReadQueryRecords(
                  m_connection, nothing, [](const QueryLogRow&) {}, nullptr, error),
              ReadOutcome::Empty);
}

// The reader of the records page: the same rows as a read on the page's own connection,
// every field in place, over windows; a failed read and a connection it cannot make are
// told, with the reading connection's error.
TEST_P(QueryLogTest, TheRecordsReaderHandsOverWhatAReadOnTheConnectionGets)
{
    const int w = static_cast<int>(kQueryRecordsWindow);
    Log("2004-05-01 10:00:00", 1, "广东", "深圳", "金穗", 7);
    Log("2004-05-01 11:00:00", 3, "O'Land", "B'town", "金穗", w + 100);
    Log("2004-05-01 12:00:00", -1, "四川", "成都", "金穗", 2 * w + 50);
    QueryListing direct{Day(1).WhereClause(), Day(1).TimeRangeClause()};
    // The rows as the records list shows them: its column order, the status rendered.
    std::vector<std::vector<std::string>> expected;
    std::string error;
    ASSERT_EQ(ReadQueryRecords(
                  m_connection, direct,
                  [&expected](const QueryLogRow& row) {
                      expected.push_back({row.index, RenderQueryStatus(row.status), row.time, row.phone, row.productId,
                                          row.productCode, row.realCode, row.comm, row.province, row.city});
                  },
                  nullptr, error),
              ReadOutcome::Rows);
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(expected[1][QueryLogList::kStatus], "重复查询2次");
    EXPECT_EQ(expected[1][QueryLogList::kProvince], "O'Land");

    QueryRecordsReader reader;
    ASSERT_TRUE(reader.Start(ConnectionString(), QueryListing{Day(1).WhereClause(), Day(1).TimeRangeClause()}));
    std::vector<QueryRecordsBlock> blocks;
    while (!reader.Take(blocks, std::chrono::milliseconds(20))) {
    }
    std::vector<std::vector<std::string>> handed;
    for (const QueryRecordsBlock& block : blocks) {
        ASSERT_FALSE(block.starts.empty());
        EXPECT_EQ(block.starts.back(), block.rows.size());
        for (std::size_t k = 0; k < block.RowCount(); ++k) {
            std::string_view row =
                std::string_view(block.rows).substr(block.starts[k], block.starts[k + 1] - block.starts[k]);
            std::vector<std::string>& cells = handed.emplace_back();
            for (std::string_view cell; TakePackedCell(row, cell);)
                cells.emplace_back(cell);
            EXPECT_TRUE(row.empty()) << "row " << k << " ends where the next begins";
        }
    }
    EXPECT_EQ(handed, expected);
    EXPECT_EQ(blocks.size(), 3u) << "a block per window that found rows";
    EXPECT_EQ(reader.Outcome(), ReadOutcome::Rows);
    EXPECT_EQ(reader.Listing().from, direct.from);
    EXPECT_EQ(reader.Listing().upTo, direct.upTo);

    ASSERT_TRUE(m_connection.Provider()->ExecuteScript("drop table QueryLogTable"));
    QueryRecordsReader broken;
    ASSERT_TRUE(broken.Start(ConnectionString(), direct));
    blocks.clear();
    while (!broken.Take(blocks, std::chrono::milliseconds(20))) {
    }
    EXPECT_EQ(broken.Outcome(), ReadOutcome::Failed);
    EXPECT_NE(broken.Connection().GetErrorsText().find("Description: "), std::string::npos);

    QueryRecordsReader unreachable;
    EXPECT_FALSE(unreachable.Start("Provider=None;", direct));
    EXPECT_TRUE(unreachable.Take(blocks, std::chrono::milliseconds(0)));
    EXPECT_EQ(unreachable.Outcome(), ReadOutcome::Failed);
    EXPECT_FALSE(unreachable.Connection().GetErrorsText().empty());
}

// The fields are read as the engine holds them, without a copy each; they must read as a
// row read field by field (DbRow::Text) shows them: NULL and "NULL" as nothing, blanks
// trimmed, times as "YYYY-MM-DD HH:MM:SS", numbers as their digits. SQLite keeps what it
// is given, so odd stored forms are tried there.
TEST_P(QueryLogTest, FieldsReadAsARowReadFieldByFieldShowsThem)
{
    struct Case {
        const char* time;
        const char* phone;
        const char* status;
        const char* province;
        const char* shownTime; // nullptr: as stored
        const char* shownPhone;
        bool sqliteOnly;
    };
    static const Case kCases[] = {
        {"'2004-05-01 10:00:00'", "'13900000000'", "1", "'广东'", nullptr, "13900000000", false},
        {"'2004-05-01 10:00:00'", "'  139 00 '", "-1", "null", nullptr, "139 00", false},
        {"'2004-05-01 10:00:00'", "'NULL'", "3", "'NULL'", nullptr, "", false},
        {"null", "null", "null", "' 四川\t'", "", "", false},
        {"'2004-05-01T10:00:00'", "13900000000", "2.5", "'广东'", "2004-05-01 10:00:00", "13900000000", true},
        {"'2004-05-01'", "'x'", "'abc'", "'广东'", "2004-05-01 00:00:00", "x", true},
        {"'2004-05-01 10:00:00.250'", "'x'", "1", "'广东'", "2004-05-01 10:00:00", "x", true},
        {"'2004-5-1 10:00:00'", "'x'", "1", "'广东'", "2004-5-1 10:00:00", "x", true},
        {"'2004-13-45 99:99:99'", "'x'", "1", "'广东'", "2004-13-45 99:99:99", "x", true},
        {"' 2004-05-01 10:00:00 '", "'x'", "1", "'广东'", "2004-05-01 10:00:00", "x", true},
        {"20040501", "'x'", "1", "'广东'", "20040501", "x", true},
    };
    const bool sqlite = Engine() == SqlDialect::SQLite;
    std::vector<const Case*> stored;
    for (const Case& c : kCases) {
        if (c.sqliteOnly && !sqlite)
            continue;
        ExecuteSql(
            std::string("insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryStatus,QueryProv) values (") +
            c.time + "," + c.phone + "," + c.status + "," + c.province + ")");
        stored.push_back(&c);
    }
    const std::string select = QueryLogSelect(" order by QueryIndex");

    std::vector<std::vector<std::string>> fieldByField;
    ASSERT_EQ(ReadRows(m_connection, select,
                       [&fieldByField](const DbRow& row) {
                           std::vector<std::string>& fields = fieldByField.emplace_back();
                           for (std::size_t k = 0; k < row.ColumnCount(); ++k)
                               fields.push_back(row.Text(k));
                           return true;
                       }),
              static_cast<long long>(stored.size()));
    std::vector<std::vector<std::string>> read;
    std::string error;
    ASSERT_EQ(ReadQueryLogRows(
                  m_connection, select,
                  [&read](const QueryLogRow& row) {
                      read.push_back({row.index, row.time, row.phone, row.productId, row.productCode, row.realCode,
                                      row.status, row.comm, row.province, row.city});
                  },
                  error),
              ReadOutcome::Rows)
        << error;
    EXPECT_EQ(read, fieldByField);
    ASSERT_EQ(read.size(), stored.size());
    for (std::size_t k = 0; k < read.size(); ++k) {
        const Case& c = *stored[k];
        EXPECT_EQ(read[k][1], c.shownTime ? c.shownTime : std::string(c.time).substr(1, 19)) << c.time;
        EXPECT_EQ(read[k][2], c.shownPhone) << c.phone;
    }
    EXPECT_EQ(read[1][6], "-1");
    EXPECT_EQ(read[2][8], "") << "the text NULL";
    EXPECT_EQ(read[3][8], "四川");
    if (sqlite) {
        EXPECT_EQ(read[5][6], "abc");
        EXPECT_NE(read[4][6].find("2.5"), std::string::npos) << read[4][6];
    }
}

TEST_P(QueryLogTest, AnEmptyLogIsEmptyAndABrokenOneFails)
{
    QueryListing listing{Day(1).WhereClause(), "", 0, 0};
    std::string error;
    EXPECT_EQ(ReadQueryRecords(
                  m_connection, listing, [](const QueryLogRow&) {}, nullptr, error),
              ReadOutcome::Empty);
    EXPECT_TRUE(error.empty());

    ASSERT_TRUE(m_connection.Provider()->ExecuteScript("drop table QueryLogTable"));
    EXPECT_EQ(ReadQueryRecords(
                  m_connection, listing, [](const QueryLogRow&) {}, nullptr, error),
              ReadOutcome::Failed);
    EXPECT_NE(error.find("Description: "), std::string::npos) << error;
    error.clear();
    EXPECT_EQ(ReadQueryLogRows(
                  m_connection, QueryLogSelect(listing.clause), [](const QueryLogRow&) {}, error),
              ReadOutcome::Failed);
    EXPECT_FALSE(error.empty());
}

TEST_P(QueryLogTest, ClearDeletesTheListedRowsAndKeepsRowsLoggedSince)
{
    Log("2004-05-01 10:00:00", 1);
    Log("2004-05-01 11:00:00", -1);
    Log("2004-05-02 11:00:00", 1);
    QueryListing listing{Day(1).WhereClause(), "", 0, 0};
    ASSERT_EQ(Listed(listing).size(), 2u);

    // Logged after the list was filled, inside its filter.
    Log("2004-05-01 12:00:00", 1);
    std::int64_t cleared = 0;
    ASSERT_TRUE(ClearQueryRecords(m_connection, listing, -1, nullptr, cleared));
    EXPECT_EQ(cleared, listing.upTo);
    EXPECT_EQ(Rows(), 2);
    QueryListing again{Day(1).WhereClause(), "", 0, 0};
    EXPECT_EQ(Listed(again).size(), 1u);
}

// A log whose rows are all listed is emptied; any row the listing does not hold keeps it
// from being emptied and stays, whether it was there before the list was filled or came
// after.
TEST_P(QueryLogTest, ClearKeepsEveryRowTheListingDoesNotHold)
{
    struct Case {
        const char* unlisted; // a row that must stay: its time and status, or nothing
        int status;
        bool afterListing;
    };
    const Case cases[] = {
        {nullptr, 0, false},
        {"#2004-05-01 12:00:00#", 1, true},  // logged after the list was filled
        {"#2004-05-02 10:00:00#", 1, false}, // another day
        {"#2004-05-01 00:00:00#", 1, false}, // midnight, in no day's range
        {"null", 1, false},                  // no time
        {"#2004-05-01 10:30:00#", -1, false} // outside the status filter
    };
    const auto logUnlisted = [this](const Case& c) {
        ExecuteSql("insert into QueryLogTable (QueryTime,QueryStatus,QueryProv,QueryCity) values (" +
                   std::string(c.unlisted) + "," + std::to_string(c.status) + ",'广东','留')");
    };
    // With the count of the list's rows (which can rule the whole log out at once) and
    // without; with a window to serve meanwhile, SQLite's whole-log clear runs on a
    // connection of its own.
    struct Run {
        std::int64_t shown;
        bool served;
    };
    for (const Case& c : cases)
        for (const Run run : {Run{3, false}, Run{-1, false}, Run{-1, true}}) {
            const std::string name = (c.unlisted ? c.unlisted : "all listed") + std::string(", ") +
                                     std::to_string(run.shown) + " shown" + (run.served ? ", served" : "");
            ExecuteSql("delete from QueryLogTable");
            for (const char* time : {"2004-05-01 09:00:00", "2004-05-01 10:00:00", "2004-05-01 11:00:00"})
                Log(time, 1);
            if (c.unlisted && !c.afterListing)
                logUnlisted(c);
            QueryListing listing{Day(1, "正确查询").WhereClause(), "", 0, 0};
            ASSERT_EQ(Listed(listing).size(), 3u) << name;
            if (c.unlisted && c.afterListing)
                logUnlisted(c);
            std::int64_t cleared = 0;
            const std::function<void()> serve = [] {};
            EXPECT_TRUE(ClearQueryRecords(m_connection, listing, run.shown, run.served ? serve : nullptr, cleared))
                << name;
            EXPECT_EQ(cleared, listing.upTo) << name;
            EXPECT_EQ(Column("select QueryCity from QueryLogTable", "QueryCity"),
                      c.unlisted ? std::vector<std::string>{"留"} : std::vector<std::string>{})
                << name;
            EXPECT_TRUE(m_messages.Messages().empty()) << name;
            if (c.unlisted)
                continue;
            // The emptied log reports its rows as deleted, and its row numbers are not used again.
            if (Engine() == SqlDialect::SQLite && !run.served) {
                EXPECT_EQ(Value("select changes() as N", "N"), "3") << name;
            }
            Log("2004-05-01 12:00:00", 1);
            EXPECT_EQ(Value("select QueryIndex from QueryLogTable", "QueryIndex"), std::to_string(listing.upTo + 1))
                << name;
        }
}

// The host commits a row while the clear waits for the write lock, after the clear counted
// the log: the row stays.
TEST_P(QueryLogTest, ARowCommittedWhileTheClearWaitsForTheLockStays)
{
    Log("2004-05-01 09:00:00", 1);
    Log("2004-05-01 10:00:00", 1);
    QueryListing listing{Day(1).WhereClause(), "", 0, 0};
    ASSERT_EQ(Listed(listing).size(), 2u);
    CDbConnection host;
    ASSERT_TRUE(OpenSecond(host));
    ASSERT_TRUE(host.BeginTrans());
    std::string error;
    ASSERT_TRUE(RunSql(host,
                       "insert into QueryLogTable (QueryTime,QueryStatus,QueryProv,QueryCity) values "
                       "(#2004-05-01 11:00:00#,1,'广东','留')",
                       error))
        << error;
    int waits = 0;
    SetLockWaitHook([&] {
        if (waits++ == 0) {
            EXPECT_TRUE(host.CommitTrans()) << host.GetErrorsText();
        }
    });
    std::int64_t cleared = 0;
    EXPECT_TRUE(ClearQueryRecords(m_connection, listing, 2, nullptr, cleared));
    SetLockWaitHook(nullptr);
    // PostgreSQL's deletes do not wait for a row another transaction inserts.
    if (waits == 0) {
        ASSERT_TRUE(host.CommitTrans()) << host.GetErrorsText();
    }
    if (Engine() == SqlDialect::SQLite) {
        EXPECT_GT(waits, 0) << "the clear did not wait for the host's lock";
    }
    EXPECT_EQ(Column("select QueryCity from QueryLogTable", "QueryCity"), std::vector<std::string>{"留"});
    EXPECT_TRUE(m_messages.Messages().empty());
}

// A clear of an all-listed log that the database refuses deletes nothing and is shown.
TEST_P(QueryLogTest, AFailedClearOfTheWholeLogKeepsItAndIsShown)
{
    for (int index : {5, 6, 7})
        Log("2004-05-01 10:00:00", 1, "广东", "深圳", "金穗", index);
    QueryListing listing{Day(1).WhereClause(), "", 0, 0};
    ASSERT_EQ(Listed(listing).size(), 3u);
    RefuseDeleting(7);
    std::int64_t cleared = -1;
    EXPECT_FALSE(ClearQueryRecords(m_connection, listing, 3, nullptr, cleared));
    EXPECT_EQ(cleared, 4);
    EXPECT_EQ(Rows(), 3);
    ASSERT_EQ(m_messages.Messages().size(), 1u);
    EXPECT_NE(m_messages.Messages()[0].text.find("row kept"), std::string::npos) << m_messages.Messages()[0].text;
}

TEST_P(QueryLogTest, DeleteOneRowAndReportAFailure)
{
    Log("2004-05-01 10:00:00", 1, "广东", "深圳", "金穗", 5);
    Log("2004-05-01 10:00:00", 1, "广东", "深圳", "金穗", 6);
    EXPECT_TRUE(DeleteQueryRecord(m_connection, "5"));
    EXPECT_EQ(Rows(), 1);
    EXPECT_TRUE(m_messages.Messages().empty());

    ASSERT_TRUE(m_connection.Provider()->ExecuteScript("drop table QueryLogTable"));
    EXPECT_FALSE(DeleteQueryRecord(m_connection, "6"));
    std::int64_t cleared = -1;
    EXPECT_FALSE(ClearQueryRecords(m_connection, QueryListing{Day(1).WhereClause(), "", 4, 6}, -1, nullptr, cleared));
    EXPECT_EQ(cleared, 4) << "nothing was deleted";
    EXPECT_EQ(m_messages.Messages().size(), 2u);
}

KELVANE_DB_ENGINE_TEST_SUITE(QueryLogTest);

} // namespace
