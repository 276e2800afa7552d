#include "log_row_bounds.h"

#include "query_filter.h"

#include "db_engine_test.h"
#include "execute_sql.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

class LogRowBoundsTest : public DbEngineTest {};

// A log whose clock was wrong now and then: some rows carry a time earlier or later than
// their neighbours'. The bounds must take in every row of a range, also where the range's
// earliest and latest queries by time are not its lowest and highest row numbers, through
// either way of finding them (a narrow range walks the time index, a wide one the log).
TEST_P(LogRowBoundsTest, TakeInEveryRowOfTheRangeWhereverItsTimeWasLogged)
{
    const struct {
        int index;
        const char* time;
    } rows[] = {
        {1, "2026-01-01 10:00:00"},    {2, "2026-01-10 10:00:00"}, // the clock ahead
        {5, "2026-01-03 10:00:00"},    {50, "2026-01-05 10:00:00"},  {52, "2026-01-05 12:00:00"},
        {800, "2026-01-08 10:00:00"},  {900, "2026-01-05 11:00:00"}, // behind
        {1000, "2026-01-04 10:00:00"},                               // behind
        {1001, "2026-01-20 10:00:00"},
    };
    for (const auto& row : rows)
        ASSERT_TRUE(ExecuteSql("insert into QueryLogTable (QueryIndex,QueryTime,QueryStatus) values (" +
                               std::to_string(row.index) + ",#" + row.time + "#,2)"));

    const struct {
        int fromDay;
        int toDay;
        ReadOutcome outcome;
        std::int64_t first;
        std::int64_t last;
    } cases[] = {
        // Narrow: 50 and 52 are the earliest and latest, 900 lies in between by time.
        {5, 5, ReadOutcome::Rows, 50, 900},
        // Wide: 5 and 800 are the earliest and latest, 1000 lies in between by time.
        {3, 8, ReadOutcome::Rows, 5, 1000},
        {1, 20, ReadOutcome::Rows, 1, 1001},
        {10, 10, ReadOutcome::Rows, 2, 2},
        {4, 4, ReadOutcome::Rows, 1000, 1000},
        {11, 19, ReadOutcome::Empty, 0, 0},
    };
    for (const auto& c : cases) {
        const std::string range =
            QueryFilter{{2026, 1, c.fromDay}, {2026, 1, c.toDay}, {}, {}, {}, {}}.TimeRangeClause();
        std::int64_t first = 0;
        std::int64_t last = 0;
        std::string error;
        EXPECT_EQ(TimeRangeRowBounds(m_connection, range, first, last, error), c.outcome) << range << error;
        if (c.outcome == ReadOutcome::Rows) {
            EXPECT_EQ(first, c.first) << range;
            EXPECT_EQ(last, c.last) << range;
        }
    }
    EXPECT_TRUE(m_messages.Messages().empty());
}

KELVANE_DB_ENGINE_TEST_SUITE(LogRowBoundsTest);

} // namespace
