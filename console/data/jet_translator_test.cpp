#include "jet_translator.h"

#include "clock.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// 2026-12-09 10:20:30 local time, whatever the machine's zone.
std::int64_t LocalSeconds()
{
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_hour = 10;
    t.tm_min = 20;
    t.tm_sec = 30;
    t.tm_isdst = -1;
    return static_cast<std::int64_t>(mktime(&t));
}

TEST(JetTranslator, RewritesDatesAndNowButNothingInsideQuotes)
{
    const FixedClock clock(LocalSeconds());
    JetTranslator jet(SqlDialect::SQLite);
    const struct {
        const char* jet;
        const char* translated;
    } cases[] = {
        {"select * from T where QueryTime>#2004-05-01 0:0:1# and QueryTime<#2004-5-2#",
         "select * from T where QueryTime>'2004-05-01 00:00:01' and QueryTime<'2004-05-02 00:00:00'"},
        {"select 1 where x=#5/1/2004 1:02:03 PM#", "select 1 where x='2004-05-01 13:02:03'"},
        {"select 1 where x=#2004/05/01 12:00 AM#", "select 1 where x='2004-05-01 00:00:00'"},
        {"update T set A=now(), B=NOW ( ) where C='x'",
         "update T set A='2026-12-09 10:20:30', B='2026-12-09 10:20:30' where C='x'"},
        {"insert into S (C) values ('#2004-05-01# now() it''s')",
         "insert into S (C) values ('#2004-05-01# now() it''s')"},
        {"select [Product Name],[QueryTime] from T where snow()=1",
         "select \"Product Name\",QueryTime from T where snow()=1"},
        {"select 1 where a=#not a date# or b='#'", "select 1 where a=#not a date# or b='#'"},
        {"select 1 where d=#2004-02-30#", "select 1 where d=#2004-02-30#"},
        {"select 'unterminated #2004-01-01#", "select 'unterminated #2004-01-01#"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jet.Translate(c.jet, clock), c.translated) << c.jet;
}

TEST(JetTranslator, ParametriseTakesLiteralsOutOfTheSkeleton)
{
    const FixedClock clock(LocalSeconds());
    JetTranslator sqlite(SqlDialect::SQLite);
    sqlite.Parametrise("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName) "
                       "values ('01000000','09282731',0,'O''Brien''s')",
                       clock, true);
    EXPECT_EQ(sqlite.Skeleton(), "insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName) "
                                 "values (?,?,?,?)");
    ASSERT_EQ(sqlite.Literals().size(), 4u);
    EXPECT_EQ(sqlite.Literals()[0].text, "01000000");
    EXPECT_EQ(sqlite.Literals()[2].kind, JetTranslator::Literal::Kind::Integer);
    EXPECT_EQ(sqlite.Literals()[2].text, "0");
    EXPECT_EQ(sqlite.Literals()[3].text, "O'Brien's");

    JetTranslator pg(SqlDialect::PostgreSQL);
    pg.Parametrise("update T2 set A=now(),B=1.5 where C=-2 and D<#2004-05-01#", clock, true);
    EXPECT_EQ(pg.Skeleton(), "update T2 set A=$1,B=$2 where C=-$3 and D<$4");
    ASSERT_EQ(pg.Literals().size(), 4u);
    EXPECT_EQ(pg.Literals()[0].text, "2026-12-09 10:20:30");
    EXPECT_EQ(pg.Literals()[1].kind, JetTranslator::Literal::Kind::Real);
    EXPECT_EQ(pg.Literals()[3].text, "2004-05-01 00:00:00");

    // Numbers of a select stay: "order by 1" means the first column.
    pg.Parametrise("select a from T where b='x' order by 1", clock, false);
    EXPECT_EQ(pg.Skeleton(), "select a from T where b=$1 order by 1");
}

TEST(JetTranslator, KindOfReadsTheFirstWord)
{
    EXPECT_EQ(JetTranslator::KindOf("  INSERT into x"), JetTranslator::StatementKind::Insert);
    EXPECT_EQ(JetTranslator::KindOf("(select 1)"), JetTranslator::StatementKind::Select);
    EXPECT_EQ(JetTranslator::KindOf("Delete from x"), JetTranslator::StatementKind::Delete);
    EXPECT_EQ(JetTranslator::KindOf("updated"), JetTranslator::StatementKind::Other);
}

} // namespace
