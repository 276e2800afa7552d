#include "code_lookup.h"

#include "db_engine_test.h"
#include "db_provider.h"
#include "execute_sql.h"

#include <string>
#include <vector>

namespace {

class CodeLookupTest : public DbEngineTest {
protected:
    void SetUp() override
    {
        DbEngineTest::SetUp();
        if (IsSkipped())
            return;
        ExecuteSql("insert into ProductGroupTable (ProductName,CreateCodeTime,ProductCount,ProductCode) values "
                   "('O''Brien''s',#2026-01-02 03:04:05#,2,1)");
        ExecuteSql("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) values "
                   "('01000000','11112222',0,'O''Brien''s',0)");
        ExecuteSql("insert into ProductTable (ProductID,ProductCode,QueryCount,ProductName,UseStatus) values "
                   "('02000000','33334444',0,'已删除批次',0)");
        for (const char* status : {"-1", "-2"})
            ExecuteSql(std::string("insert into QueryLogTable (QueryTime,QueryPhoneNumber,QueryProductID,"
                                   "QueryProductCode,QueryStatus) values (#2026-01-03 10:00:00#,'139','09000000',"
                                   "'55556666',") +
                       status + ")");
        ASSERT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;
    }

    std::vector<std::string> Statuses(const std::string& productId, ReadOutcome expected)
    {
        std::vector<std::string> statuses;
        std::string error;
        EXPECT_EQ(ReadCodeQueries(
                      m_connection, productId, [&statuses](const QueryLogRow& row) { statuses.push_back(row.status); },
                      error),
                  expected)
            << error;
        return statuses;
    }
};

TEST_P(CodeLookupTest, ProductAndBatchOfAProductId)
{
    ProductOnFile found;
    std::string error;
    ASSERT_EQ(LookupProduct(m_connection, "01000000", found, error), ReadOutcome::Rows) << error;
    EXPECT_EQ(found.productName, "O'Brien's");
    EXPECT_EQ(found.productCode, "11112222");
    EXPECT_TRUE(found.batchFound);
    EXPECT_EQ(found.createCodeTime, "2026-01-02 03:04:05");
    EXPECT_EQ(found.useCodeTime, "") << "a batch not enabled yet";
    EXPECT_TRUE(Statuses("01000000", ReadOutcome::Empty).empty());

    // A code whose batch row is gone: no dates to show.
    ASSERT_EQ(LookupProduct(m_connection, "02000000", found, error), ReadOutcome::Rows);
    EXPECT_EQ(found.productName, "已删除批次");
    EXPECT_FALSE(found.batchFound);
}

TEST_P(CodeLookupTest, AProductIdNotOnFileLeavesWhatWasFoundAndListsItsQueries)
{
    ProductOnFile found{"前一个", "99998888", true, "2026-01-01 00:00:00", ""};
    std::string error;
    EXPECT_EQ(LookupProduct(m_connection, "09000000", found, error), ReadOutcome::Empty);
    EXPECT_EQ(found.productName, "前一个");
    EXPECT_EQ(Statuses("09000000", ReadOutcome::Rows), (std::vector<std::string>{"-1", "-2"}));
    EXPECT_EQ(LookupProduct(m_connection, "0'", found, error), ReadOutcome::Empty);
}

TEST_P(CodeLookupTest, ABrokenDatabaseFails)
{
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript("drop table ProductTable; drop table QueryLogTable"));
    ProductOnFile found;
    std::string error;
    EXPECT_EQ(LookupProduct(m_connection, "01000000", found, error), ReadOutcome::Failed);
    EXPECT_FALSE(error.empty());
    Statuses("01000000", ReadOutcome::Failed);
}

KELVANE_DB_ENGINE_TEST_SUITE(CodeLookupTest);

} // namespace
