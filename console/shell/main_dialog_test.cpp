#include "main_dialog.h"

#include "color_list_ctrl.h"
#include "connection_owner.h"
#include "db_connection.h"
#include "execute_sql.h"
#include "home_page.h"
#include "kit_art.h"
#include "modal_script.h"
#include "nav_button.h"
#include "page_host.h"
#include "product_batch_page.h"
#include "program_directory.h"
#include "schema.h"
#include "scripted_dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString kExitQuestion = QStringLiteral("真的要退出“Ostrel”吗？");

// Every way the operator can ask the main window to close.
const struct {
    const char* name;
    void (*close)(CMainDialog&);
} kClosePaths[] = {
    {"exit button 1",
     [](CMainDialog& w) { QTest::mouseClick(w.findChild<QWidget*>(QStringLiteral("1")), Qt::LeftButton); }},
    {"close button 2",
     [](CMainDialog& w) { QTest::mouseClick(w.findChild<QWidget*>(QStringLiteral("2")), Qt::LeftButton); }},
    {"Enter", [](CMainDialog& w) { QTest::keyClick(&w, Qt::Key_Return); }},
    {"Escape", [](CMainDialog& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
    {"window manager", [](CMainDialog& w) { w.close(); }},
};

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramDirectory(m_dir.path());
        SetArtDirectory(QStringLiteral(KELVANE_ART_DIR));
    }

    void TearDown() override { DestroyTheConnection(); }

    // The database file the default connection string names.
    void MakeDatabase()
    {
        CDbConnection connection;
        ASSERT_TRUE(connection.Open(
            "Provider=SQLite;Data Source=" + m_dir.filePath(QStringLiteral("Varnholt.db")).toStdString() + ";Create=1;",
            -1));
        connection.CloseIfOpen();
    }

    // The window shown on the batches page with one unstarted batch of `count` codes
    // selected; null (with the failure recorded) where that cannot be set up.
    CProductBatchPage* ShowOneNewBatch(CMainDialog& window, int count)
    {
        std::string error;
        if (!CreateSchema(*TheConnection(), error)) {
            ADD_FAILURE() << error;
            return nullptr;
        }
        EXPECT_TRUE(ExecuteSql(
            "insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) "
            "values ('Tea',' '," +
            std::to_string(count) + ",'未启用',3)"));
        window.show();
        window.ShowPage(1);
        auto* page = qobject_cast<CProductBatchPage*>(window.PageHost()->Page(1));
        if (page == nullptr)
            return nullptr;
        page->LoadBatches();
        page->List()->SetItemSelected(0, true);
        return page;
    }

    void Write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir m_dir;
    ScriptedDialogs m_dialogs;
};

TEST_F(MainDialogTest, ConnectsWithTheDefaultStringAndTakesItsTitleFromOemDat)
{
    MakeDatabase();
    Write(QStringLiteral("oem.dat"), QStringLiteral("[程序窗口名]\nOstrel=绿茶防伪\n").toUtf8());
    CMainDialog window;
    EXPECT_TRUE(window.OnInitDialog());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("绿茶防伪"));
    ASSERT_NE(TheConnection(), nullptr);
    EXPECT_TRUE(TheConnection()->IsOpen());
    EXPECT_TRUE(m_dialogs.Prompts().empty());
    // The link file now holds the default string for the next start.
    QFile link(m_dir.filePath(QStringLiteral("Varnholt-dblink.ini")));
    ASSERT_TRUE(link.open(QIODevice::ReadOnly));
    EXPECT_EQ(link.readAll().toStdString(), TheConnection()->ConnectionString());
}

TEST_F(MainDialogTest, DatabaseThatCannotBeOpenedIsReportedAndLeavesTheWindowUntitled)
{
    Write(QStringLiteral("oem.dat"), QStringLiteral("[程序窗口名]\nOstrel=绿茶防伪\n").toUtf8());
    Write(QStringLiteral("Varnholt-dblink.ini"), "Provider=SQLite;Data Source=/no/such/folder/x.db;");
    CMainDialog window;
    EXPECT_FALSE(window.OnInitDialog());
    EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral("连接数据库失败！")});
    EXPECT_EQ(window.windowTitle(), QString());
    EXPECT_FALSE(window.IsEnded());
}

TEST_F(MainDialogTest, EveryWayOfClosingAsksAndCancelKeepsTheConsoleRunning)
{
    MakeDatabase();
    {
        // Enter and Escape typed on a page stay there.
        CMainDialog window;
        window.OnInitDialog();
        window.show();
        window.ShowPage(2);
        QTest::keyClick(window.PageHost()->Page(2), Qt::Key_Return);
        QTest::keyClick(window.PageHost()->Page(2), Qt::Key_Escape);
        EXPECT_TRUE(m_dialogs.Prompts().empty());
    }
    for (const auto& path : kClosePaths) {
        for (const bool confirm : {false, true}) {
            m_dialogs.Clear();
            CMainDialog window;
            window.OnInitDialog();
            window.show();
            m_dialogs.AnswerQuestion(confirm);
            path.close(window);
            EXPECT_EQ(m_dialogs.Messages(), QStringList{kExitQuestion}) << path.name;
            ASSERT_EQ(m_dialogs.Prompts().size(), 1u);
            EXPECT_EQ(m_dialogs.Prompts()[0].kind, ScriptedDialogs::Kind::Question) << path.name;
            EXPECT_EQ(window.IsEnded(), confirm) << path.name;
            EXPECT_EQ(window.isVisible(), !confirm) << path.name;
            if (confirm) {
                EXPECT_EQ(window.Result(), 1) << path.name;
            }
        }
    }
}

TEST_F(MainDialogTest, ClosingDuringCodeGenerationIsIgnoredUntilTheRunEnds)
{
    MakeDatabase();
    CMainDialog window;
    ASSERT_TRUE(window.OnInitDialog());
    CProductBatchPage* page = ShowOneNewBatch(window, 1000);
    ASSERT_NE(page, nullptr);

    // Every way of closing, tried while the run serves the window; a question answered
    // yes would end the console.
    int tried = 0;
    QTimer::singleShot(0, [&] {
        for (const auto& path : kClosePaths) {
            EXPECT_TRUE(page->IsGenerating()) << path.name;
            path.close(window);
            EXPECT_FALSE(window.IsEnded()) << path.name;
            EXPECT_TRUE(window.isVisible()) << path.name;
            ++tried;
        }
    });
    m_dialogs.AnswerAdministrator(true);
    m_dialogs.AnswerQuestion(true);
    page->GenerateCodes();

    EXPECT_EQ(tried, 5);
    EXPECT_FALSE(window.IsEnded());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(m_dialogs.Messages(),
              QStringList({QStringLiteral("防伪码生成速度较慢，请耐心等候！"), QStringLiteral("防伪码生成完毕！")}));
    EXPECT_EQ(m_dialogs.Unused(), 1) << "nobody was asked whether to exit";
    EXPECT_EQ(page->List()->GetItemText(0, CProductBatchPage::kEndNumber), QStringLiteral("03000999"));

    // With the run over, closing asks again.
    m_dialogs.Clear();
    m_dialogs.AnswerQuestion(true);
    kClosePaths[1].close(window);
    EXPECT_EQ(m_dialogs.Messages(), QStringList{kExitQuestion});
    EXPECT_TRUE(window.IsEnded());
}

// A prompt opened during a run would hold it until answered: the password button and the
// tray's password prompt do nothing while a page is busy.
TEST_F(MainDialogTest, NoPromptOpensDuringCodeGeneration)
{
    MakeDatabase();
    CMainDialog window;
    ASSERT_TRUE(window.OnInitDialog());
    CProductBatchPage* page = ShowOneNewBatch(window, 100);
    ASSERT_NE(page, nullptr);

    ModalScript script; // nothing queued: any dialog that opens is unexpected
    int tried = 0;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(page->IsGenerating());
        QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("1147")), Qt::LeftButton);
        EXPECT_EQ(window.OnTrayNotify(CMainDialog::TrayEvent::LeftPress), 0);
        ++tried;
    });
    m_dialogs.AnswerAdministrator(true);
    page->GenerateCodes();

    EXPECT_EQ(tried, 1);
    EXPECT_EQ(script.Unexpected(), 0);
    int administratorPrompts = 0;
    for (const auto& prompt : m_dialogs.Prompts())
        administratorPrompts += prompt.kind == ScriptedDialogs::Kind::Administrator;
    EXPECT_EQ(administratorPrompts, 1); // the run's own check
    EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral("防伪码生成完毕！")});
}

TEST_F(MainDialogTest, NavigationButtonsShowTheirPageAndSelectThemselves)
{
    MakeDatabase();
    CMainDialog window;
    window.OnInitDialog();
    window.show();
    CPageHost* host = window.PageHost();
    const auto visiblePages = [host]() {
        std::vector<int> shown;
        for (int n = 0; n < host->PageCount(); ++n)
            if (host->Page(n)->isVisible())
                shown.push_back(n);
        return shown;
    };
    EXPECT_EQ(visiblePages(), std::vector<int>{0});
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(window.ColumnButton(i)->GetState(), CNavButton::Normal) << "no button is selected at start";

    for (const int n : {3, 0, 7, 7, 1}) {
        QTest::mouseClick(window.findChild<QWidget*>(QString::number(1006 + n)), Qt::LeftButton);
        EXPECT_EQ(visiblePages(), std::vector<int>{n});
        EXPECT_EQ(host->Page(n)->geometry(), host->rect());
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(window.ColumnButton(i)->GetState(), i == n ? CNavButton::Selected : CNavButton::Normal)
                << "page " << n << " button " << i;
    }
    // The page frame encloses the page host, one pixel out at the left and top.
    const QRect frame = window.findChild<QWidget*>(QStringLiteral("1001"))->geometry();
    const QRect pageHost = host->geometry();
    EXPECT_EQ(frame.topLeft(), pageHost.topLeft() - QPoint(1, 1));
    EXPECT_EQ(frame.bottomRight(), pageHost.bottomRight());
}

TEST_F(MainDialogTest, TrayPressAsksForThePasswordAndIgnoresPressesWhileAsking)
{
    MakeDatabase();
    CMainDialog window;
    window.OnInitDialog();
    ModalScript script;

    // Moves, releases and double clicks do nothing.
    EXPECT_EQ(window.OnTrayNotify(CMainDialog::TrayEvent::Other), 1);
    EXPECT_EQ(script.Titles().size(), 0);

    // A wrong password leaves the window hidden.
    script.Then(ModalScript::TypeAndOk(QStringLiteral("1144"), QStringLiteral("000")));
    EXPECT_EQ(window.OnTrayNotify(CMainDialog::TrayEvent::RightPress), 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral("口令错误！")});

    // A press while the prompt is open is ignored; the right password shows the window.
    int nested = -1;
    script.Then([&](QDialog& dialog) {
        EXPECT_TRUE(CMainDialog::TrayBusy());
        nested = window.OnTrayNotify(CMainDialog::TrayEvent::LeftPress);
        ModalScript::TypeAndOk(QStringLiteral("1144"), QStringLiteral("759"))(dialog);
    });
    EXPECT_EQ(window.OnTrayNotify(CMainDialog::TrayEvent::LeftPress), 1);
    EXPECT_EQ(nested, 0);
    EXPECT_FALSE(CMainDialog::TrayBusy());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(script.Unexpected(), 0);
}

TEST_F(MainDialogTest, HiddenWindowStaysReachableAndASecondStartShowsItWithoutPassword)
{
    MakeDatabase();
    CMainDialog window;
    window.OnInitDialog();
    window.show();
    ModalScript script;
    QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("1005")), Qt::LeftButton);
    if (window.HasTrayIcon())
        EXPECT_FALSE(window.isVisible());
    else
        EXPECT_TRUE(window.isMinimized()) << "without a tray the window is minimised, not hidden";

    window.hide();
    window.ShowFromSecondStart();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_EQ(script.Titles().size(), 0) << "no password prompt";
}

TEST_F(MainDialogTest, PasswordButtonRunsTheChangeAfterTheAdministratorCheck)
{
    MakeDatabase();
    CMainDialog window;
    window.OnInitDialog();
    ModalScript script;
    script.Then(ModalScript::Press(QStringLiteral("2")));
    m_dialogs.AnswerAdministrator(true);
    QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("1147")), Qt::LeftButton);
    EXPECT_EQ(script.Titles(), QStringList{QStringLiteral("修改操作口令")});
    EXPECT_EQ(window.findChild<QWidget*>(QStringLiteral("1147"))->toolTip(), QStringLiteral("修改系统口令"));
}

TEST_F(MainDialogTest, HomePagePaintsTheProgramDirectorysPicture)
{
    ASSERT_TRUE(QFile::copy(QStringLiteral(KELVANE_ART_DIR "/m3.bmp"), m_dir.filePath(QStringLiteral("m3.bmp"))));
    CHomePage home;
    EXPECT_TRUE(home.HasPicture());
    QFile::remove(m_dir.filePath(QStringLiteral("m3.bmp")));
    CHomePage bare;
    EXPECT_FALSE(bare.HasPicture());
}

} // namespace
