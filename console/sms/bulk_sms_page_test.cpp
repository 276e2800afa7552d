#include "bulk_sms_page.h"

#include "page_host.h"
#include "query_records_page.h"
#include "scripted_dialogs.h"
#include "workbook_reader.h"

#include "color_list_ctrl.h"
#include "skin_button.h"

#include "db_engine_test.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "lock_wait.h"
#include "read_rows.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class BulkSmsPageTest : public DbEngineTest {
protected:
    void SetUp() override
    {
        DbEngineTest::SetUp();
        if (IsSkipped())
            return;
        m_page = std::make_unique<CBulkSmsPage>();
    }
    void TearDown() override
    {
        m_page.reset();
        DbEngineTest::TearDown();
    }

    // What the gateway host writes, on its own connection.
    void Host(const std::string& statement)
    {
        if (!m_host.IsOpen()) {
            ASSERT_TRUE(OpenSecond(m_host));
        }
        std::string error;
        ASSERT_TRUE(RunSql(m_host, statement, error)) << error;
    }
    void HostAdds(const std::string& status, const std::string& phone, int flag = 1)
    {
        Host("insert into SendSmsTable (SendStatus,PhoneNumber,SmsContent,NewFlag) values ('" + status + "','" + phone +
             "','text of " + phone + "'," + std::to_string(flag) + ")");
    }
    int Count(const std::string& where = "1=1")
    {
        return std::stoi(Value("select count(*) as N from SendSmsTable where " + where, "N"));
    }

    CColorListCtrl& Records() const { return *m_page->Records(); }
    CColorListCtrl& Recipients() const { return *m_page->Recipients(); }
    // The send records as "number:status", top to bottom.
    QStringList Shown() const
    {
        QStringList rows;
        for (int row = 0; row < Records().GetItemCount(); ++row)
            rows << Records().GetItemText(row, CBulkSmsPage::kPhone) + QLatin1Char(':') +
                        Records().GetItemText(row, CBulkSmsPage::kStatus);
        return rows;
    }
    QStringList Entries() const
    {
        QStringList entries;
        for (int row = 0; row < Recipients().GetItemCount(); ++row)
            entries << Recipients().GetItemText(row, 0);
        return entries;
    }
    void AddRecipients(const QStringList& numbers)
    {
        for (const QString& number : numbers) {
            m_dialogs.AnswerRecipientNumber(number);
            m_page->AddOne();
        }
    }
    void SelectRecords(std::initializer_list<int> rows)
    {
        Records().clearSelection();
        for (int row : rows)
            Records().SetItemSelected(row, true);
    }

    ScriptedDialogs m_dialogs;
    std::unique_ptr<CBulkSmsPage> m_page;
    CDbConnection m_host;
};

TEST_P(BulkSmsPageTest, SendQueuesOneRowPerRecipientShowsThemOnTopAndEmptiesTheInputs)
{
    HostAdds("成功", "10086", 0);
    m_page->LoadAll();
    AddRecipients({QStringLiteral("1001"), QStringLiteral("1002"), QStringLiteral("1001")});
    EXPECT_EQ(Entries(), (QStringList{QStringLiteral("1001"), QStringLiteral("1002"), QStringLiteral("1001")}));
    m_page->MessageEdit()->setPlainText(QStringLiteral("新茶上市 it's here"));
    m_page->Send();

    EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral("已加入发送列表！")});
    EXPECT_EQ(Count("SendStatus='待发' and NewFlag=0"), 3);
    EXPECT_EQ(Value("select SmsContent from SendSmsTable where PhoneNumber='1002'", "SmsContent"),
              "新茶上市 it's here");
    EXPECT_EQ(Shown(), (QStringList{QStringLiteral("1001:待发"), QStringLiteral("1002:待发"),
                                    QStringLiteral("1001:待发"), QStringLiteral("10086:成功")}));
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_TRUE(m_page->MessageEdit()->toPlainText().isEmpty());
}

TEST_P(BulkSmsPageTest, ASendTheDatabaseRefusesQueuesNothingAndKeepsWhatWasTyped)
{
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript(
        Engine() == SqlDialect::SQLite
            ? "create trigger refuse before insert on SendSmsTable when new.PhoneNumber='1003' "
              "begin select raise(abort, 'number refused'); end;"
            : "create function refuse() returns trigger language plpgsql as $$ begin if new.PhoneNumber = '1003' "
              "then raise exception 'number refused'; end if; return new; end $$;"
              "create trigger refuse before insert on SendSmsTable for each row execute function refuse();"))
        << m_connection.GetErrorsText();
    AddRecipients({QStringLiteral("1001"), QStringLiteral("1002"), QStringLiteral("1003")});
    m_page->MessageEdit()->setPlainText(QStringLiteral("hello"));
    m_page->Send();

    EXPECT_EQ(Count(), 0);
    EXPECT_TRUE(m_dialogs.Messages().isEmpty()) << m_dialogs.Messages().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(m_messages.Messages().size(), 1u); // the database's reason, shown once
    EXPECT_EQ(Entries().size(), 3);
    EXPECT_EQ(m_page->MessageEdit()->toPlainText(), QStringLiteral("hello"));
    EXPECT_EQ(Records().GetItemCount(), 0);
}

TEST_P(BulkSmsPageTest, CommandsWithoutWhatTheyNeedSayWhy)
{
    struct Case {
        const char* name;
        void (CBulkSmsPage::*command)();
        bool recipient, text;
        const char* notice;
    };
    const Case cases[] = {
        {"send to nobody", &CBulkSmsPage::Send, false, true, "请先添加短信接收者的号码！"},
        {"send no text", &CBulkSmsPage::Send, true, false, "请输入短消息内容！"},
        {"remove no one", &CBulkSmsPage::RemoveRecipients, true, true, "请先选择要取消发送的人！"},
        {"resend nothing", &CBulkSmsPage::Resend, true, true, "请先从列表中选择要重发的记录！"},
        {"delete nothing", &CBulkSmsPage::DeleteOne, true, true, "请先从列表中选择要删除的记录！"},
        {"clear an empty list", &CBulkSmsPage::ClearAll, true, true, "列表中已经没有记录！"},
        {"export an empty list", &CBulkSmsPage::ExportRecords, true, true, "没有可导出的记录"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialogs.Clear();
        Recipients().DeleteAllItems();
        if (c.recipient)
            Recipients().InsertItem(0, QStringLiteral("1001"));
        m_page->MessageEdit()->setPlainText(c.text ? QStringLiteral(" ") : QString());
        (m_page.get()->*c.command)();
        EXPECT_EQ(m_dialogs.Messages(), QStringList{QString::fromUtf8(c.notice)});
        EXPECT_EQ(Count(), 0);
        EXPECT_EQ(Entries().size(), c.recipient ? 1 : 0);
    }
}

TEST_P(BulkSmsPageTest, TheRefreshCycleLoadsOnceThenFollowsTheHostsChanges)
{
    EXPECT_TRUE(m_page->FirstLoadTimer().isActive());
    EXPECT_TRUE(m_page->FirstLoadTimer().isSingleShot());
    EXPECT_EQ(m_page->FirstLoadTimer().interval(), 1500);
    EXPECT_FALSE(m_page->RefreshTimer().isActive());

    HostAdds("成功", "1001");
    HostAdds("待发", "1002");
    m_page->LoadAll();
    EXPECT_FALSE(m_page->FirstLoadTimer().isActive());
    EXPECT_TRUE(m_page->RefreshTimer().isActive());
    EXPECT_EQ(m_page->RefreshTimer().interval(), 4500);
    EXPECT_EQ(Shown(), (QStringList{QStringLiteral("1002:待发"), QStringLiteral("1001:成功")}));

    // The host sends 1002 and receives a message; a new pending row of another program is
    // passed over.
    Host("update SendSmsTable set SendStatus='成功',SendTime='2026-12-10 09:30:00',NewFlag=1 where PhoneNumber='1002'");
    HostAdds("接收", "1390");
    HostAdds("待发", "1003");
    m_page->RefreshChanged();
    EXPECT_EQ(Shown(),
              (QStringList{QStringLiteral("1390:接收"), QStringLiteral("1002:成功"), QStringLiteral("1001:成功")}));
    EXPECT_EQ(Records().GetItemText(1, CBulkSmsPage::kTime), QStringLiteral("2026-12-10 09:30:00"));
    EXPECT_EQ(Count("NewFlag=1"), 0);
}

// The table goes away and comes back: every read of the page fails meanwhile.
TEST_P(BulkSmsPageTest, AFailedReadIsToldOnceKeepsTheListAndIsTriedAgainByTheNextTick)
{
    const auto tableGone = [this](bool gone) {
        std::string error;
        ASSERT_TRUE(RunSql(m_connection,
                           gone ? "alter table SendSmsTable rename to SendSmsAway"
                                : "alter table SendSmsAway rename to SendSmsTable",
                           error))
            << error;
    };
    const auto told = [this] {
        std::vector<std::string> texts;
        for (const auto& shown : m_messages.Messages())
            texts.push_back(shown.text);
        return texts;
    };
    HostAdds("成功", "1001", 0); // sent in an earlier session: only a full load shows it
    HostAdds("待发", "1391");
    m_page->ShowNewPending(); // a reply shown before the first load
    ASSERT_EQ(Shown(), QStringList{QStringLiteral("1391:待发")});

    // The first load fails: the reply stays, the operator hears why, and each tick tries
    // the load again without telling again.
    tableGone(true);
    m_page->LoadAll();
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("1391:待发")});
    ASSERT_EQ(told().size(), 1u);
    EXPECT_EQ(told()[0].rfind("未能从数据库读取发送记录，列表保持原样，稍后自动重试。\r\n数据库操作失败。", 0), 0u)
        << told()[0];
    EXPECT_NE(told()[0].find("Description: "), std::string::npos) << told()[0];
    EXPECT_TRUE(m_page->RefreshTimer().isActive());
    m_page->RefreshChanged();
    EXPECT_EQ(told().size(), 1u);
    tableGone(false);
    m_page->RefreshChanged();
    EXPECT_EQ(Shown(), (QStringList{QStringLiteral("1391:待发"), QStringLiteral("1001:成功")}));

    // Later the refresh fails, and so does a reply's read: the list keeps its rows, the
    // operator is told once more, and what came meanwhile is shown once the reads work.
    HostAdds("接收", "1390");
    HostAdds("待发", "1392");
    tableGone(true);
    m_page->RefreshChanged();
    m_page->ShowNewPending();
    m_page->RefreshChanged();
    EXPECT_EQ(Shown(), (QStringList{QStringLiteral("1391:待发"), QStringLiteral("1001:成功")}));
    EXPECT_EQ(told().size(), 2u);
    tableGone(false);
    m_page->RefreshChanged();
    EXPECT_EQ(Shown(), (QStringList{QStringLiteral("1390:接收"), QStringLiteral("1392:待发"),
                                    QStringLiteral("1391:待发"), QStringLiteral("1001:成功")}));
    EXPECT_EQ(Count("NewFlag=1"), 0);
    EXPECT_EQ(told().size(), 2u);
    EXPECT_TRUE(m_dialogs.Messages().isEmpty());
}

TEST_P(BulkSmsPageTest, TheRefreshNeverJoinsATransactionAnotherPageHoldsOnTheConnection)
{
    m_page->LoadAll();
    HostAdds("接收", "1390");
    // A long run of another page: its transaction is open while the window is served.
    ASSERT_TRUE(m_connection.BeginTrans());
    m_page->RefreshChanged();
    EXPECT_EQ(Records().GetItemCount(), 0);
    ASSERT_TRUE(m_connection.RollbackTrans());
    EXPECT_EQ(Count("NewFlag=1"), 1);
    m_page->RefreshChanged();
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("1390:接收")});
}

// Another page reads a long result on the shared connection and serves the window from
// inside the read; the cycle's timers and a reply from the records page arrive meanwhile.
// The connection refuses every statement until the read ends: the cycle waits for it, and
// what the host and the operator added in between comes with the next tick.
TEST_P(BulkSmsPageTest, WhileAnotherPageReadsRowsTheCycleWaitsAndItsNextTickShowsWhatCameMeanwhile)
{
    HostAdds("成功", "1001", 0); // sent in an earlier session: only the full load shows it
    ExecuteSql("insert into QueryLogTable (QueryPhoneNumber) values ('139')");
    const auto whileReading = [this](const std::function<void()>& meanwhile) {
        bool handed = false;
        EXPECT_EQ(ReadRows(m_connection, "select QueryIndex from QueryLogTable",
                           [&](const DbRow&) {
                               handed = true;
                               meanwhile();
                               return true;
                           }),
                  1);
        EXPECT_TRUE(handed);
    };

    // The first load's timer fires during the read; after it, the load is tried again.
    QSignalSpy fired(&m_page->FirstLoadTimer(), &QTimer::timeout);
    const auto untilFired = [&fired] {
        fired.clear();
        QElapsedTimer waited;
        waited.start();
        while (fired.isEmpty() && waited.elapsed() < 2 * CBulkSmsPage::kFirstLoadMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return fired.size();
    };
    whileReading([&] { EXPECT_EQ(untilFired(), 1); });
    EXPECT_TRUE(Shown().isEmpty());
    EXPECT_EQ(untilFired(), 1);
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("1001:成功")});
    EXPECT_TRUE(m_page->RefreshTimer().isActive());

    // A received message, and a reply queued on the records page, come during a read.
    HostAdds("接收", "1390");
    HostAdds("待发", "1391");
    whileReading([this] {
        m_page->RefreshChanged();
        m_page->ShowNewPending();
    });
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("1001:成功")});
    EXPECT_EQ(Count("NewFlag=1"), 2);
    m_page->RefreshChanged();
    EXPECT_EQ(Shown(),
              (QStringList{QStringLiteral("1390:接收"), QStringLiteral("1391:待发"), QStringLiteral("1001:成功")}));
    EXPECT_EQ(Count("NewFlag=1"), 0);
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_TRUE(m_dialogs.Messages().isEmpty());
}

// A statement of the console waits for a row the host keeps locked, and the window is
// served from the wait; a reply shown then (a call posted by the page's own pass) must not
// cut into the waiting statement, and comes with the next refresh.
TEST_P(BulkSmsPageTest, AReplyArrivingWhileAStatementWaitsForALockComesWithTheNextRefresh)
{
    m_page->LoadAll();
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductCount,ProductCode) values ('Cup',1,1)");
    HostAdds("待发", "1391");
    ASSERT_TRUE(OpenSecond(m_host));
    ASSERT_TRUE(m_host.BeginTrans());
    std::string error;
    ASSERT_TRUE(RunSql(m_host, "update ProductGroupTable set ProductRemark='host' where ProductName='Cup'", error))
        << error;
    // A read makes the update run now: the engine may hold a transaction's writes back.
    EXPECT_EQ(Value(m_host, "select ProductRemark from ProductGroupTable where ProductName='Cup'", "ProductRemark"),
              "host");
    int calls = 0;
    SetLockWaitHook([&] {
        if (++calls > 1)
            return;
        m_page->ShowNewPending();
        EXPECT_TRUE(m_host.CommitTrans());
    });
    EXPECT_TRUE(
        RunSql(m_connection, "update ProductGroupTable set ProductRemark='console' where ProductName='Cup'", error))
        << error;
    SetLockWaitHook(nullptr);
    EXPECT_GE(calls, 1);
    EXPECT_TRUE(Shown().isEmpty());
    m_page->RefreshChanged();
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("1391:待发")});
    EXPECT_EQ(Count("NewFlag=1"), 0);
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_P(BulkSmsPageTest, ResendQueuesTheRowsNumberAndTextAgainAndLeavesTheRow)
{
    HostAdds("接收", "13900000000");
    m_page->LoadAll();
    SelectRecords({0});
    m_page->Resend();
    EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral("已将要重新发送的短信提交到发送列表！")});
    EXPECT_EQ(Shown(), (QStringList{QStringLiteral("13900000000:待发"), QStringLiteral("13900000000:接收")}));
    EXPECT_EQ(Records().GetItemText(0, CBulkSmsPage::kContent), QStringLiteral("text of 13900000000"));
    EXPECT_EQ(Count("SendStatus='待发' and SmsContent='text of 13900000000'"), 1);
}

TEST_P(BulkSmsPageTest, DeleteOneDeletesTheUpperSelectedRowEvenWhenRowsArriveMeanwhile)
{
    for (const char* phone : {"1001", "1002", "1003"})
        HostAdds("成功", phone);
    m_page->LoadAll();
    ASSERT_EQ(Shown(),
              (QStringList{QStringLiteral("1003:成功"), QStringLiteral("1002:成功"), QStringLiteral("1001:成功")}));
    SelectRecords({1, 2});
    // While the question is open, a refresh puts a received message on top.
    m_dialogs.SetOnPrompt([this](const ScriptedDialogs::Prompt&) {
        HostAdds("接收", "1390");
        m_page->RefreshChanged();
    });
    m_dialogs.AnswerQuestion(true);
    m_page->DeleteOne();
    m_dialogs.SetOnPrompt({});

    EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral("真的要删除选中的录吗？")});
    EXPECT_EQ(Shown(),
              (QStringList{QStringLiteral("1390:接收"), QStringLiteral("1003:成功"), QStringLiteral("1001:成功")}));
    EXPECT_EQ(Count("PhoneNumber='1002'"), 0);
    EXPECT_EQ(Count(), 3);

    // Cancel keeps the row.
    SelectRecords({0});
    m_dialogs.AnswerQuestion(false);
    m_page->DeleteOne();
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(Records().GetItemCount(), 3);
}

TEST_P(BulkSmsPageTest, ClearAllEmptiesTheTableAlsoOfRowsNeverShown)
{
    HostAdds("成功", "1001");
    m_page->LoadAll();
    HostAdds("待发", "1002");
    m_dialogs.AnswerQuestion(false);
    m_page->ClearAll();
    EXPECT_EQ(Count(), 2);
    m_dialogs.AnswerQuestion(true);
    m_page->ClearAll();
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(Records().GetItemCount(), 0);
    EXPECT_EQ(m_page->RecordList().Size(), 0u);
}

TEST_P(BulkSmsPageTest, ImportedNumbersFollowTheEntriesThereInReverseFileOrder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("号码.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("  13800138000 \r\n123\r\n13900139000\r\n1370013700");
    file.close();
    AddRecipients({QStringLiteral("1001")});
    m_dialogs.Clear();
    m_dialogs.AnswerOpenFile(path);
    m_page->ImportNumbers();
    EXPECT_EQ(Entries(), (QStringList{QStringLiteral("1001"), QStringLiteral("1370013700"),
                                      QStringLiteral("13900139000"), QStringLiteral("13800138000")}));
    EXPECT_EQ(m_dialogs.Messages().value(0),
              QStringLiteral("号码导入文件应为文本文件，每个发送号码以回车换行为结束标志(允许号码首尾有空格)！"));
    EXPECT_EQ(m_dialogs.Prompts().back().text, QStringLiteral("选择要导入的号码文件"));

    // A file that cannot be read ends the import without a word.
    m_dialogs.Clear();
    m_dialogs.AnswerOpenFile(dir.filePath(QStringLiteral("missing.txt")));
    m_page->ImportNumbers();
    EXPECT_EQ(m_dialogs.Messages().size(), 1);
    EXPECT_EQ(Entries().size(), 4);

    // Removing the selected entries keeps the others in order.
    Recipients().SetItemSelected(1, true);
    Recipients().SetItemSelected(3, true);
    m_page->RemoveRecipients();
    EXPECT_EQ(Entries(), (QStringList{QStringLiteral("1001"), QStringLiteral("13900139000")}));
}

TEST_P(BulkSmsPageTest, ExportWritesTheListWithItsHiddenIndex)
{
    HostAdds("成功", "1001");
    m_page->LoadAll();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("短信.xlsx"));
    m_dialogs.AnswerSaveFile(path);
    m_page->ExportRecords();
    EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral("Excel文件写入成功！")});
    const WorkbookContent book = ReadWorkbook(QFile::encodeName(path).toStdString());
    ASSERT_TRUE(book.read) << book.error;
    EXPECT_EQ(book.sheets, std::vector<std::string>{"短信记录"});
    ASSERT_EQ(book.rows.size(), 2u);
    EXPECT_EQ(book.rows[1], (std::vector<std::string>{Value("select SmsIndex from SendSmsTable", "SmsIndex"), "成功",
                                                      " ", "1001", "text of 1001"}));
}

TEST_P(BulkSmsPageTest, TheRecordsPagesReplyReachesThisPageThroughThePageHost)
{
    m_page.reset();
    CPageHost host;
    ExecuteSql("insert into SendSmsTable (PhoneNumber,SmsContent,SendStatus,NewFlag) values ('1001','reply','待发',1)");
    auto* records = host.findChild<CQueryRecordsPage*>();
    ASSERT_NE(records, nullptr);
    emit records->ReplyQueued();
    ASSERT_EQ(host.BulkSmsPage()->Records()->GetItemCount(), 1);
    EXPECT_EQ(host.BulkSmsPage()->Records()->GetItemText(0, CBulkSmsPage::kContent), QStringLiteral("reply"));
    // A reply shown before the first load is not shown twice after it.
    host.BulkSmsPage()->LoadAll();
    EXPECT_EQ(host.BulkSmsPage()->Records()->GetItemCount(), 1);
}

TEST_P(BulkSmsPageTest, EveryControlHasANameAndTheListsShowTheirCells)
{
    HostAdds("成功", "1001");
    m_page->LoadAll();
    Recipients().InsertItem(0, QStringLiteral("1380"));
    for (QWidget* control : m_page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_FALSE(control->accessibleName().isEmpty());
    }
    for (auto* button : m_page->findChildren<CSkinButton*>())
        EXPECT_EQ(button->accessibleName(), button->text());
    EXPECT_EQ(Recipients().FlowView()->accessibleName(), QStringLiteral("短信接收者"));

    m_page->show();
    QAccessibleInterface* records = QAccessible::queryAccessibleInterface(&Records());
    ASSERT_NE(records, nullptr);
    EXPECT_EQ(records->text(QAccessible::Name), QStringLiteral("发送记录"));
    ASSERT_NE(records->tableInterface(), nullptr);
    QAccessibleInterface* cell = records->tableInterface()->cellAt(0, CBulkSmsPage::kPhone);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("1001"));
    QAccessibleInterface* flow = QAccessible::queryAccessibleInterface(Recipients().FlowView());
    ASSERT_NE(flow, nullptr);
    ASSERT_NE(flow->tableInterface(), nullptr);
    QAccessibleInterface* entry = flow->tableInterface()->cellAt(0, 0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(QAccessible::Name), QStringLiteral("1380"));
}

KELVANE_DB_ENGINE_TEST_SUITE(BulkSmsPageTest);

} // namespace
