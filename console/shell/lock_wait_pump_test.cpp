#include "lock_wait_pump.h"

#include "db_connection.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "recording_message_sink.h"
#include "schema.h"
#include "test_database.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class PaintCounter final : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

} // namespace

// Another program keeps the row locked (on SQLite: the file) past the wait limit, on each
// engine. Meanwhile the window repaints, but no timer handler runs (it could use the busy
// connection), and afterwards the operator reads that the database is busy.
TEST(LockWaitPump, WindowPaintsWhileAStatementWaitsForALock)
{
    for (const SqlDialect engine : {SqlDialect::SQLite, SqlDialect::PostgreSQL}) {
        SCOPED_TRACE(engine == SqlDialect::SQLite ? "SQLite" : "PostgreSQL");
        TestDatabase database;
        std::string error;
        bool unavailable = false;
        if (!database.Create(engine, error, unavailable)) {
            ASSERT_TRUE(unavailable) << error;
            continue; // the server is not installed
        }
        CDbConnection console;
        ASSERT_TRUE(console.Open(database.ConnectionString() + "Lock Timeout=300;", -1)) << console.GetErrorsText();
        ASSERT_TRUE(CreateSchema(console, error)) << error;
        ASSERT_TRUE(RunSql(console, "insert into SendSmsTable (PhoneNumber,NewFlag) values ('1',1)", error)) << error;
        CDbConnection other;
        ASSERT_TRUE(other.Open(database.ConnectionString(), -1));
        ASSERT_TRUE(other.BeginTrans()) << other.GetErrorsText();
        ASSERT_TRUE(RunSql(other, "update SendSmsTable set NewFlag=0 where PhoneNumber='1'", error)) << error;
        CDbRecordset read; // sends what the transaction holds back, so the row is locked now
        read.SetConnection(&other);
        ASSERT_EQ(read.Open("select NewFlag from SendSmsTable", 1, 3, 3), 1) << other.GetErrorsText();

        PaintCounter window;
        window.resize(100, 100);
        window.show();
        QCoreApplication::processEvents();
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(1);

        RecordingMessageSink messages;
        LockWaitPump pump;
        window.paints = 0;
        window.update();
        EXPECT_FALSE(ExecuteSql(console, "update SendSmsTable set NewFlag=1 where PhoneNumber='1'"));

        EXPECT_GT(window.paints, 0);
        EXPECT_EQ(ticks, 0);
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0].text.rfind("数据库正忙", 0), 0u) << messages.Messages()[0].text;
        other.RollbackTrans();
    }
}
