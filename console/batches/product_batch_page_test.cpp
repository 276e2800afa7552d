#include "product_batch_page.h"

#include "batch_dialog.h"
#include "modal_script.h"
#include "program_directory.h"
#include "scripted_dialogs.h"
#include "skin_button.h"
#include "skin_edit.h"

#include "color_list_ctrl.h"

#include "clock.h"
#include "db_engine_test.h"
#include "db_provider.h"
#include "db_recordset.h"
#include "execute_sql.h"
#include "read_rows.h"
#include "sql_text.h"
#include "sticker_printer.h"
#include "sticker_settings.h"

#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>

namespace {

constexpr std::int64_t kStart = 1765000000; // 2025-12-06, local time as the clock says

const QString kDone = QStringLiteral("防伪码生成完毕！");
const QString kSlow = QStringLiteral("防伪码生成速度较慢，请耐心等候！");

class BatchPageTest : public DbEngineTest {
protected:
    void SetUp() override
    {
        DbEngineTest::SetUp();
        if (IsSkipped())
            return;
        m_connection.Provider()->SetClock(&m_clock);
        m_page = MakePage();
    }
    void TearDown() override
    {
        EXPECT_EQ(m_modal.Remaining(), 0);
        EXPECT_EQ(m_modal.Unexpected(), 0);
        m_page.reset();
        DbEngineTest::TearDown();
    }

    std::unique_ptr<CProductBatchPage> MakePage()
    {
        auto page = std::make_unique<CProductBatchPage>();
        page->SetClock(&m_clock);
        page->Stickers().SetFolder(m_stickers.path());
        page->Stickers().SetRunner(
            [this](const QString& program, const QStringList& arguments, const StickerPrinter::Done&) {
                m_started.push_back(program + QLatin1Char(' ') + arguments.join(QLatin1Char('|')));
            });
        return page;
    }

    // What the operator types into the next batch dialog before pressing OK; the dialog
    // is recorded as it arrived.
    struct Typing {
        QString quantity, name, remark;
    };
    ModalScript::Step Types(Typing typing)
    {
        return [this, typing](QDialog& shown) {
            auto& dialog = static_cast<CBatchDialog&>(shown);
            m_dialogModes.push_back(dialog.GetMode());
            m_dialogFields.push_back(
                {dialog.QuantityEdit()->text(), dialog.NameEdit()->text(), dialog.RemarkEdit()->text()});
            for (auto [edit, text] :
                 {std::pair{dialog.QuantityEdit(), typing.quantity}, std::pair{dialog.NameEdit(), typing.name},
                  std::pair{dialog.RemarkEdit(), typing.remark}}) {
                if (edit->isEnabled())
                    ModalScript::Type(dialog, edit->objectName(), text);
            }
            ModalScript::Click(dialog, QStringLiteral("1"));
        };
    }

    int AddBatch(const QString& name, int quantity, const QString& remark = QString())
    {
        m_modal.Then(Types({QString::number(quantity), name, remark}));
        m_page->NewBatch();
        return m_page->List()->GetItemCount() - 1;
    }
    void Select(int row) { m_page->List()->SetItemSelected(row, true); }
    void Generate(int row)
    {
        Select(row);
        m_dialogs.AnswerAdministrator(true);
        m_page->GenerateCodes();
    }
    int AdministratorPrompts() const
    {
        int prompts = 0;
        for (const auto& prompt : m_dialogs.Prompts())
            prompts += prompt.kind == ScriptedDialogs::Kind::Administrator;
        return prompts;
    }

    QString Cell(int row, int column) const { return m_page->List()->GetItemText(row, column); }

    std::string Batch(const std::string& name, const std::string& column)
    {
        return Value("select " + column + " from ProductGroupTable where ProductName='" + SqlQuote(name) + "'", column);
    }
    int Count(const std::string& where)
    {
        return std::stoi(Value("select count(*) as N from ProductTable where " + where, "N"));
    }
    int Codes(const std::string& name) { return Count("ProductName='" + SqlQuote(name) + "'"); }
    // The messages shown, each followed by a line end.
    std::string Shown() const
    {
        std::string all;
        for (const QString& text : m_dialogs.Messages())
            all += text.toStdString() + "\n";
        return all;
    }

    FixedClock m_clock{kStart};
    ScriptedDialogs m_dialogs;
    ModalScript m_modal;
    std::unique_ptr<CProductBatchPage> m_page;
    std::vector<CBatchDialog::Mode> m_dialogModes;
    std::vector<Typing> m_dialogFields;
    std::vector<QString> m_started;
    QTemporaryDir m_stickers;
};

} // namespace

TEST_P(BatchPageTest, LoadsOnceAfterTheDelayAndNeverWhileBeingCreated)
{
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode,"
               "StartNumber,EndNumber,CreateCodeTime) values ('Tea',' ',3,'启用',1,'01000000','01000002',"
               "#2025-12-06 08:09:10#)");
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) "
               "values ('Cup','blue',7,'未启用',2)");

    // No connection while the page is made, as at start-up: it must not notice.
    SetTheConnection(nullptr);
    m_messages.Clear();
    auto page = MakePage();
    EXPECT_EQ(page->List()->GetItemCount(), 0);
    EXPECT_TRUE(m_messages.Messages().empty());
    SetTheConnection(&m_connection);

    QTest::qWait(CProductBatchPage::kLoadDelayMs / 2);
    EXPECT_EQ(page->List()->GetItemCount(), 0);
    QTest::qWait(CProductBatchPage::kLoadDelayMs);
    ASSERT_EQ(page->List()->GetItemCount(), 2);
    QTest::qWait(CProductBatchPage::kLoadDelayMs + 200);
    ASSERT_EQ(page->List()->GetItemCount(), 2); // once only

    EXPECT_EQ(page->List()->GetColumnCount(), 9);
    EXPECT_TRUE(page->List()->isColumnHidden(8));
    const int tea = page->List()->GetItemText(0, 0) == "Tea" ? 0 : 1;
    const QStringList expected{"Tea", "", "2025-12-06 08:09:10", "", "01000000", "01000002", "3", "启用", "1"};
    for (int column = 0; column < 9; ++column)
        EXPECT_EQ(page->List()->GetItemText(tea, column), expected[column]) << column;
    EXPECT_EQ(page->List()->GetItemText(1 - tea, 1), "blue");
}

// The load's timer may fire while another page's long run has the shared connection and
// serves the window: a read of many rows (the connection refuses statements until it
// ends) or a transaction (a statement would join it). The load waits and comes later.
TEST_P(BatchPageTest, TheLoadWaitsWhileAnotherPagesLongRunHasTheConnection)
{
    ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) "
               "values ('Cup','blue',7,'未启用',2)");
    ExecuteSql("insert into QueryLogTable (QueryPhoneNumber) values ('139')");
    struct Case {
        const char* name;
        std::function<void(const std::function<void()>& meanwhile)> longRun;
    };
    const Case cases[] = {
        {"a read",
         [this](const std::function<void()>& meanwhile) {
             EXPECT_EQ(ReadRows(m_connection, "select QueryIndex from QueryLogTable",
                                [&](const DbRow&) {
                                    meanwhile();
                                    return true;
                                }),
                       1);
         }},
        {"a transaction",
         [this](const std::function<void()>& meanwhile) {
             ASSERT_TRUE(m_connection.BeginTrans());
             meanwhile();
             EXPECT_TRUE(m_connection.RollbackTrans());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.Clear();
        auto page = MakePage();
        c.longRun([&] {
            page->LoadBatches(); // as the timer calls it
            EXPECT_EQ(page->List()->GetItemCount(), 0);
        });
        EXPECT_TRUE(m_messages.Messages().empty());
        QTest::qWait(CProductBatchPage::kLoadDelayMs + 300);
        ASSERT_EQ(page->List()->GetItemCount(), 1);
        EXPECT_EQ(page->List()->GetItemText(0, 0), QStringLiteral("Cup"));
        EXPECT_TRUE(m_messages.Messages().empty());
        EXPECT_TRUE(m_dialogs.Messages().isEmpty());
    }
}

TEST_P(BatchPageTest, NewBatchAppendsTheRowAndInsertsTheBatch)
{
    m_page->LoadBatches();
    EXPECT_EQ(AddBatch(QStringLiteral("  茶具 "), 12), 0);
    EXPECT_EQ(AddBatch(QStringLiteral("O'Brien"), 5, QStringLiteral("it's")), 1);
    const QStringList first{"茶具", "", "", "", "", "", "12", "未启用", "1"};
    for (int column = 0; column < 9; ++column)
        EXPECT_EQ(Cell(0, column), first[column]) << column;
    EXPECT_EQ(Cell(1, 8), "2");
    EXPECT_EQ(Batch("茶具", "ProductRemark"), "");
    EXPECT_EQ(Value("select count(*) as N from ProductGroupTable where ProductRemark=' '", "N"), "1");
    EXPECT_EQ(Batch("茶具", "ProductCount"), "12");
    EXPECT_EQ(Batch("茶具", "ProductStatus"), "未启用");
    EXPECT_EQ(Batch("O'Brien", "ProductRemark"), "it's");
    EXPECT_EQ(Batch("O'Brien", "ProductCode"), "2");
    EXPECT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;

    // Cancelled: nothing.
    m_modal.Then(ModalScript::Press(QStringLiteral("2")));
    m_page->NewBatch();
    EXPECT_EQ(m_page->List()->GetItemCount(), 2);

    // As after a restart: the cell read afresh, which every later command selects the
    // batch by, still names the stored row of a name typed with blanks around it.
    m_page->LoadBatches();
    const int tea = Cell(0, 0) == QStringLiteral("茶具") ? 0 : 1;
    EXPECT_EQ(Batch(Cell(tea, 0).toStdString(), "ProductCount"), "12");
    EXPECT_EQ(m_dialogModes.back(), CBatchDialog::Mode::New);
    EXPECT_EQ(Value("select count(*) as N from ProductGroupTable", "N"), "2");
}

TEST_P(BatchPageTest, GenerateCodesGuardsInOrder)
{
    const int row = AddBatch("Tea", 3);
    m_page->GenerateCodes();
    EXPECT_EQ(Shown(), "请先从列表中选择要生成防伪码的产品！\n");

    // A wrong password (the shell says so) generates nothing and changes no cell.
    m_dialogs.Clear();
    Select(row);
    m_dialogs.AnswerAdministrator(false);
    m_page->GenerateCodes();
    EXPECT_EQ(AdministratorPrompts(), 1);
    EXPECT_EQ(Codes("Tea"), 0);
    for (int column : {2, 4, 5})
        EXPECT_EQ(Cell(row, column), "") << column;

    m_dialogs.Clear();
    m_clock.Set(kStart + 60);
    const QString startedAt = m_page->NowText();
    Generate(row);
    EXPECT_EQ(Shown(), kDone.toStdString() + "\n");
    EXPECT_EQ(Codes("Tea"), 3);
    EXPECT_EQ(Cell(row, 2), startedAt);
    EXPECT_EQ(Cell(row, 4), "01000000");
    EXPECT_EQ(Cell(row, 5), "01000002");
    EXPECT_EQ(Batch("Tea", "StartNumber"), "01000000");
    EXPECT_EQ(Batch("Tea", "EndNumber"), "01000002");
    EXPECT_EQ(Batch("Tea", "CreateCodeTime"), startedAt.toStdString());

    // Refused a second time before the password is asked.
    m_dialogs.Clear();
    m_page->GenerateCodes();
    EXPECT_EQ(Shown(), "您选择的产品已经生成了防伪码，请重新选择！\n");
    EXPECT_EQ(AdministratorPrompts(), 0);
    EXPECT_EQ(Codes("Tea"), 3);
}

TEST_P(BatchPageTest, GenerateCodesEdgeQuantities)
{
    struct Case {
        const char* name;
        int quantity;
        bool warned;
        const char* end;
    };
    const Case cases[] = {
        {"One", 1, false, ""},
        {"Two hundred", 200, false, "02000199"},
        {"Two hundred and one", 201, true, "03000200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialogs.Clear();
        const int row = AddBatch(c.name, c.quantity);
        Generate(row);
        const std::string expected = (c.warned ? kSlow.toStdString() + "\n" : "") + kDone.toStdString() + "\n";
        EXPECT_EQ(Shown(), expected);
        EXPECT_EQ(Codes(c.name), c.quantity);
        EXPECT_EQ(Cell(row, 5), c.end);
        EXPECT_EQ(Batch(c.name, "EndNumber"), c.end);
    }
}

TEST_P(BatchPageTest, WhileGeneratingTheCommandsAreOffAndTheBarMoves)
{
    const int row = AddBatch("Big", 2500);
    AddBatch("Other", 2);
    Select(row);

    bool sawRun = false;
    bool buttonsOff = true;
    int maxProgress = 0;
    // Runs inside the generation, on the first window event pass.
    QTimer::singleShot(0, [&] {
        sawRun = m_page->IsGenerating();
        for (CSkinButton* button : m_page->findChildren<CSkinButton*>())
            buttonsOff = buttonsOff && !button->isEnabled();
        EXPECT_TRUE(m_page->Progress()->isVisible() || !m_page->isVisible());
        EXPECT_EQ(m_page->Progress()->maximum(), 2500);
        // A second start of the same run, and a remark edit, are ignored.
        const int prompts = AdministratorPrompts();
        m_page->GenerateCodes();
        m_page->EditRemark();
        EXPECT_EQ(AdministratorPrompts(), prompts);
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout,
                     [&] { maxProgress = std::max(maxProgress, m_page->Progress()->value()); });
    poll.start(0);
    m_dialogs.AnswerAdministrator(true);
    m_page->GenerateCodes();
    poll.stop();

    EXPECT_TRUE(sawRun);
    EXPECT_TRUE(buttonsOff);
    EXPECT_GE(maxProgress, 2000);
    EXPECT_EQ(m_modal.Unexpected(), 0); // no remark dialog came up
    EXPECT_FALSE(m_page->IsGenerating());
    EXPECT_FALSE(m_page->Progress()->isVisible());
    for (CSkinButton* button : m_page->findChildren<CSkinButton*>())
        EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(Codes("Big"), 2500);
}

TEST_P(BatchPageTest, AFailedRunLeavesNoCodesAndTheRowWithout)
{
    const int row = AddBatch("Tea", 5);
    // The fourth code is refused by the database, in its own dialect.
    const std::string trigger =
        Engine() == SqlDialect::SQLite
            ? "create trigger refuse_code before insert on ProductTable when new.ProductID='01000003' "
              "begin select raise(abort, 'code refused'); end;"
            : "create function refuse_code() returns trigger language plpgsql as $$ begin if new.ProductID = "
              "'01000003' then raise exception 'code refused'; end if; return new; end $$; "
              "create trigger refuse_code before insert on ProductTable for each row execute function refuse_code();";
    ASSERT_TRUE(m_connection.Provider()->ExecuteScript(trigger)) << m_connection.GetErrorsText();
    ASSERT_TRUE(m_messages.Messages().empty()) << m_messages.Messages()[0].text;
    Generate(row);
    EXPECT_EQ(Codes("Tea"), 0);
    ASSERT_EQ(m_messages.Messages().size(), 1u); // the failure, once
    EXPECT_NE(m_messages.Messages()[0].text.find("code refused"), std::string::npos);
    EXPECT_TRUE(m_dialogs.Messages().empty()) << Shown(); // and no "done"
    for (int column : {2, 4, 5})
        EXPECT_EQ(Cell(row, column), "") << column;
    EXPECT_EQ(Batch("Tea", "StartNumber"), "");
}

// The database takes no writes (another program holds the lock past the wait limit): no
// command changes a cell, and generating reports no success. Afterwards a fresh page
// shows the same rows as the one that was refused.
TEST_P(BatchPageTest, RefusedWritesLeaveTheListAsTheDatabaseIs)
{
    m_page->LoadBatches(); // the page's own load, now rather than from a pump in a command
    const int row = AddBatch("Tea", 3, QStringLiteral("old"));
    const int bare = AddBatch("Bare", 2);
    Generate(row);
    m_dialogs.Clear();
    // Each row as one text, sorted: the database returns rows in no particular order.
    auto rows = [](const CProductBatchPage& page) {
        std::vector<std::string> all;
        for (int r = 0; r < page.List()->GetItemCount(); ++r) {
            QStringList cells;
            for (int column = 0; column < 9; ++column)
                cells << page.List()->GetItemText(r, column);
            all.push_back(cells.join(QLatin1Char('|')).toStdString());
        }
        std::sort(all.begin(), all.end());
        std::string text;
        for (const std::string& row : all)
            text += row + "\n";
        return text;
    };
    const std::string before = rows(*m_page);

    // Another program holds the write lock; the console waits a short limit for it.
    m_connection.CloseIfOpen();
    ASSERT_TRUE(m_connection.Open(ConnectionString() + "Lock Timeout=200;", -1));
    m_connection.Provider()->SetClock(&m_clock);
    CDbConnection holder;
    ASSERT_TRUE(OpenSecond(holder));
    ASSERT_TRUE(holder.BeginTrans());
    if (Engine() == SqlDialect::PostgreSQL) {
        ASSERT_TRUE(holder.Provider()->ExecuteScript("lock table ProductGroupTable, ProductTable in exclusive mode"))
            << holder.GetErrorsText();
    }
    m_messages.Clear();

    m_modal.Then(Types({"5", "locktest", ""}));
    m_page->NewBatch();
    Select(row);
    m_page->EnableBatch();
    m_page->DisableBatch();
    Select(row);
    m_modal.Then(Types({"", "", QStringLiteral("new")}));
    m_page->EditRemark();
    Select(row);
    m_dialogs.AnswerQuestion(true);
    m_dialogs.AnswerAdministrator(true);
    m_page->DeleteBatch();
    Generate(bare);

    EXPECT_EQ(rows(*m_page), before);
    EXPECT_EQ(m_messages.Messages().size(), 6u); // one per refused command
    for (const auto& shown : m_messages.Messages())
        EXPECT_EQ(shown.text.rfind("数据库正忙", 0), 0u) << shown.text;
    EXPECT_FALSE(Shown().find("防伪码生成完毕！") != std::string::npos) << Shown();
    holder.CloseIfOpen();
    EXPECT_EQ(Codes("Bare"), 0);

    auto restarted = MakePage();
    restarted->LoadBatches();
    EXPECT_EQ(rows(*restarted), before);
}

// The batch states, driven through the page: cells and database together.
TEST_P(BatchPageTest, EnableAndDisableFollowTheStateTable)
{
    const int row = AddBatch("Tea", 3);
    const int bare = AddBatch("Bare", 4);
    Generate(row);

    struct Step {
        const char* command;
        std::int64_t at;
        const char* cell;
        const char* stored;
        int useStatus; // codes with UseStatus=1
        bool enablingMoves;
    };
    const Step steps[] = {
        {"disable", 10, "停用", "停用", 0, false}, // never enabled: stored too, so the cell holds
        {"enable", 20, "启用", "启用", 3, true},
        {"enable", 30, "启用", "启用", 3, true}, // enabling again moves the date
        {"disable", 40, "停用", "停用", 0, false},
        {"disable", 50, "停用", "停用", 0, false}, // already off: nothing
        {"enable", 60, "启用", "启用", 3, true},
    };
    QString lastEnabled;
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.command) + " at +" + std::to_string(step.at));
        m_clock.Set(kStart + step.at);
        Select(row);
        if (std::string(step.command) == "enable")
            m_page->EnableBatch();
        else
            m_page->DisableBatch();
        if (step.enablingMoves)
            lastEnabled = m_page->NowText();
        EXPECT_EQ(Cell(row, 7), step.cell);
        EXPECT_EQ(Batch("Tea", "ProductStatus"), step.stored);
        EXPECT_EQ(Count("ProductName='Tea' and UseStatus=1"), step.useStatus);
        EXPECT_EQ(Cell(row, 3), lastEnabled);
        EXPECT_EQ(Batch("Tea", "UseCodeTime"), lastEnabled.toStdString());
    }
    EXPECT_EQ(m_dialogs.Messages().size(), 1) << Shown(); // the generation's "done" only

    // A batch without codes: enabling says why not, disabling does nothing at all.
    m_dialogs.Clear();
    Select(bare);
    m_page->EnableBatch();
    m_page->DisableBatch();
    EXPECT_EQ(Shown(), "您选择的产品尚未生成了防伪码，生成防伪码以后才能启用短信查询功能！\n");
    EXPECT_EQ(Cell(bare, 7), "未启用");
    EXPECT_EQ(Cell(bare, 3), "");
    EXPECT_EQ(Batch("Bare", "ProductStatus"), "未启用");

    // Nothing selected.
    m_dialogs.Clear();
    m_page->List()->clearSelection();
    m_page->EnableBatch();
    m_page->DisableBatch();
    EXPECT_EQ(Shown(), "请先从列表中选择要启用短信查询的产品！\n请先从列表中选择要停用短信查询的产品！\n");
}

// A cell that changed without the database would turn back at the next start.
TEST_P(BatchPageTest, DisablingANewBatchStillShowsAfterTheNextStart)
{
    const int row = AddBatch("Tea", 2);
    Generate(row);
    Select(row);
    m_page->DisableBatch();
    EXPECT_EQ(Cell(row, 7), "停用");

    auto restarted = MakePage();
    restarted->LoadBatches();
    ASSERT_EQ(restarted->List()->GetItemCount(), 1);
    EXPECT_EQ(restarted->List()->GetItemText(0, 7), "停用");
}

TEST_P(BatchPageTest, DeleteAsksTwiceAndFreesTheNumber)
{
    AddBatch("One", 2);
    const int row = AddBatch("Two", 2);
    AddBatch("Three", 2);
    Generate(row);
    m_dialogs.Clear();

    struct Case {
        const char* why;
        bool confirm;
        bool password;
        bool deleted;
        std::size_t passwordsAsked;
    };
    const Case cases[] = {
        {"cancel at the confirmation", false, true, false, 0},
        {"cancel at the password", true, false, false, 1},
        {"both given", true, true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Select(1);
        m_dialogs.Clear();
        m_dialogs.AnswerQuestion(c.confirm);
        if (c.passwordsAsked > 0)
            m_dialogs.AnswerAdministrator(c.password);
        m_page->DeleteBatch();
        EXPECT_EQ(AdministratorPrompts(), static_cast<int>(c.passwordsAsked));
        EXPECT_EQ(m_dialogs.Unused(), 0);
        EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral(
                                            "注意：您的此步操作将删除选中产品的所有信息（包括防伪码、查询记录等）。\r\n"
                                            "确认您要做此操作吗？")});
        EXPECT_EQ(m_page->List()->GetItemCount(), c.deleted ? 2 : 3);
        EXPECT_EQ(Batch("Two", "ProductName"), c.deleted ? "<none>" : "Two");
        EXPECT_EQ(Codes("Two"), c.deleted ? 0 : 2);
    }
    EXPECT_EQ(Cell(1, 0), "Three");

    // Its number 2 is free again.
    EXPECT_EQ(Cell(AddBatch("Four", 1), 8), "2");

    m_dialogs.Clear();
    m_page->List()->clearSelection();
    m_page->DeleteBatch();
    EXPECT_EQ(Shown(), "请先从列表中选择要删除短信查询的产品！\n");
}

TEST_P(BatchPageTest, EditRemarkWritesOnlyAChange)
{
    const int row = AddBatch("Tea", 7, QStringLiteral("old"));
    // The database is changed behind the page's back, so an update would show.
    ExecuteSql("update ProductGroupTable set ProductRemark='elsewhere' where ProductName='Tea'");

    Select(row);
    m_modal.Then(Types({"", "", QStringLiteral("old")}));
    m_page->EditRemark();
    ASSERT_EQ(m_dialogModes.back(), CBatchDialog::Mode::Edit);
    EXPECT_EQ(m_dialogFields.back().quantity, "7");
    EXPECT_EQ(m_dialogFields.back().name, "Tea");
    EXPECT_EQ(m_dialogFields.back().remark, "old");
    EXPECT_EQ(Batch("Tea", "ProductRemark"), "elsewhere");

    m_modal.Then(ModalScript::Press(QStringLiteral("2")));
    m_page->EditRemark(); // cancelled
    EXPECT_EQ(Cell(row, 1), "old");

    m_modal.Then(Types({"", "", QString()}));
    m_page->EditRemark();
    EXPECT_EQ(Cell(row, 1), "");
    EXPECT_EQ(Value("select count(*) as N from ProductGroupTable where ProductRemark=' '", "N"), "1");

    // A double click without a selected row does nothing.
    m_page->List()->clearSelection();
    m_page->EditRemark();
    EXPECT_EQ(m_modal.Unexpected(), 0);
    EXPECT_EQ(m_modal.LeftOpen(), 0);
}

TEST_P(BatchPageTest, PrintStickersStartsTheStickerProgram)
{
    const int many = AddBatch("Many", 3);
    const int one = AddBatch("One", 1);
    const int none = AddBatch("None", 1);
    Generate(many);
    Generate(one);
    m_dialogs.Clear();

    Select(many);
    m_page->PrintStickers();
    Select(one);
    m_page->PrintStickers();
    const QString program = ProgramDirectory() + QStringLiteral("/stickwell");
    const QString folder = m_stickers.path();
    ASSERT_EQ(m_started.size(), 2u);
    EXPECT_EQ(m_started[0], program + " --output|" + folder + "/Many_01000000-01000002.pdf|0100000001000002");
    EXPECT_EQ(m_started[1], program + " --output|" + folder + "/One_02000000.pdf|02000000");

    Select(none);
    m_page->PrintStickers();
    m_page->List()->clearSelection();
    m_page->PrintStickers();
    EXPECT_EQ(m_started.size(), 2u);
    EXPECT_EQ(Shown(),
              "您选择的产品尚未生成了防伪码，生成防伪码以后才能导出防伪码！\n请先选择要打印防伪贴纸的产品！\n");

    // With the installation's service number set, the sheet names it.
    QTemporaryDir home;
    const QString saved = ProgramDirectory();
    SetProgramDirectory(home.path());
    std::string error;
    ASSERT_TRUE(WriteSmsNumber(home.path().toStdString(), "1065712345678", error)) << error;
    Select(one);
    m_page->PrintStickers();
    SetProgramDirectory(saved);
    ASSERT_EQ(m_started.size(), 3u);
    EXPECT_EQ(m_started[2],
              home.path() + "/stickwell --sms-number|1065712345678|--output|" + folder + "/One_02000000.pdf|02000000");
}

KELVANE_DB_ENGINE_TEST_SUITE(BatchPageTest);
