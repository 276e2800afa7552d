#include "passwords.h"

#include "gbk_text.h"
#include "modal_script.h"
#include "program_directory.h"
#include "scripted_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class PasswordsTest : public ::testing::Test {
protected:
    void SetUp() override { SetProgramDirectory(m_dir.path()); }

    void WriteFile(const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(QStringLiteral("sp.dap")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray FileBytes() const
    {
        QFile file(m_dir.filePath(QStringLiteral("sp.dap")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // One login: types the entry, presses OK, and notes whether the hint lines showed.
    int LoginWith(const QString& entry, bool* hintShown = nullptr)
    {
        ModalScript script;
        script.Then([&](QDialog& dialog) {
            if (hintShown)
                *hintShown = dialog.findChild<QLabel*>(QStringLiteral("1145"))->isVisible() &&
                             dialog.findChild<QLabel*>(QStringLiteral("1146"))->isVisible();
            ModalScript::TypeAndOk(QStringLiteral("1144"), entry)(dialog);
        });
        const int role = Login();
        EXPECT_EQ(script.Remaining(), 0);
        return role;
    }

    QTemporaryDir m_dir;
    ScriptedDialogs m_dialogs;
};

TEST_F(PasswordsTest, FreshInstallationAcceptsTheDefaultsAndShowsTheHint)
{
    const struct {
        QString entry;
        int role;
        QStringList messages;
    } cases[] = {
        {QStringLiteral("482"), kAdministratorRole, {}},
        {QStringLiteral("759"), kOperatorRole, {}},
        {QStringLiteral("123"), kNoAccess, {QStringLiteral("口令错误！")}},
        {QString(), kNoAccess, {QStringLiteral("口令错误！")}},
    };
    for (const auto& c : cases) {
        m_dialogs.Clear();
        bool hint = false;
        EXPECT_EQ(LoginWith(c.entry, &hint), c.role) << c.entry.toStdString();
        EXPECT_TRUE(hint);
        EXPECT_EQ(m_dialogs.Messages(), c.messages) << c.entry.toStdString();
    }
}

TEST_F(PasswordsTest, ChangedPasswordsMatchInAnyCaseAndHideTheHint)
{
    WriteFile(ToGbk(QStringLiteral("[用户权限]\r\n系统管理员=Tea8\r\n普通操作员=leaf\r\n")));
    const struct {
        QString entry;
        int role;
    } cases[] = {
        {QStringLiteral("tEA8"), kAdministratorRole},
        {QStringLiteral("LEAF"), kOperatorRole},
        {QStringLiteral("482"), kNoAccess},
        {QStringLiteral("759"), kNoAccess},
    };
    for (const auto& c : cases) {
        m_dialogs.Clear();
        bool hint = true;
        EXPECT_EQ(LoginWith(c.entry, &hint), c.role) << c.entry.toStdString();
        EXPECT_FALSE(hint);
        EXPECT_EQ(m_dialogs.Messages().size(), c.role == kNoAccess ? 1 : 0);
    }
}

TEST_F(PasswordsTest, OneDefaultLeftShowsTheHintAndEqualPasswordsGiveTheAdministrator)
{
    WriteFile(QStringLiteral("[用户权限]\n系统管理员=same\n").toUtf8());
    bool hint = false;
    EXPECT_EQ(LoginWith(QStringLiteral("759"), &hint), kOperatorRole);
    EXPECT_TRUE(hint);

    WriteFile(QStringLiteral("[用户权限]\n系统管理员=same\n普通操作员=SAME\n").toUtf8());
    EXPECT_EQ(LoginWith(QStringLiteral("same")), kAdministratorRole);
}

TEST_F(PasswordsTest, CancelAnswersNoAccessWithoutAMessage)
{
    ModalScript script;
    script.Then(ModalScript::Press(QStringLiteral("2")));
    EXPECT_EQ(Login(), kNoAccess);
    script.Then([](QDialog& dialog) { dialog.reject(); });
    EXPECT_FALSE(PromptAdministrator());
    EXPECT_TRUE(m_dialogs.Prompts().empty());
}

TEST_F(PasswordsTest, AdministratorPromptAcceptsOnlyTheAdministrator)
{
    WriteFile(QStringLiteral("[用户权限]\n系统管理员=Boss\n普通操作员=staff\n").toUtf8());
    const struct {
        QString entry;
        bool accepted;
    } cases[] = {{QStringLiteral("bOSS"), true}, {QStringLiteral("staff"), false}, {QStringLiteral("482"), false}};
    for (const auto& c : cases) {
        m_dialogs.Clear();
        ModalScript script;
        script.Then(ModalScript::TypeAndOk(QStringLiteral("1144"), c.entry));
        EXPECT_EQ(PromptAdministrator(), c.accepted) << c.entry.toStdString();
        EXPECT_EQ(script.Titles(), QStringList{QStringLiteral("请输入防伪系统的系统管理员口令")});
        EXPECT_EQ(m_dialogs.Messages(),
                  c.accepted ? QStringList() : QStringList{QStringLiteral("输入的不是正确的系统管理员口令！")});
    }
}

TEST_F(PasswordsTest, ChangeDialogChecksInOrderAndKeepsTheFocusOnTheFaultyEdit)
{
    WriteFile(ToGbk(QStringLiteral("[其他]\r\n键=值\r\n[用户权限]\r\n系统管理员=482\r\n")));
    m_dialogs.AnswerAdministrator(true);
    const struct {
        QString administrator, operatorPassword, message, focus;
    } refused[] = {
        {QString(), QString(), QStringLiteral("请输入系统管理员口令！"), QStringLiteral("1144")},
        {QStringLiteral("482"), QString(), QStringLiteral("系统管理员口令不能与默认的口令（482）相同！"),
         QStringLiteral("1144")},
        {QStringLiteral("Boss"), QString(), QStringLiteral("请输入普通操作员口令！"), QStringLiteral("1148")},
        {QStringLiteral("Boss"), QStringLiteral("759"), QStringLiteral("普通操作员口令不能与默认的口令（759）相同！"),
         QStringLiteral("1148")},
    };
    ModalScript script;
    script.Then([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("修改操作口令"));
        // The current passwords are filled in.
        EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("1144"))->text(), QStringLiteral("482"));
        EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("1148"))->text(), QStringLiteral("759"));
        for (const auto& r : refused) {
            m_dialogs.Clear();
            ModalScript::Type(dialog, QStringLiteral("1144"), r.administrator);
            ModalScript::Type(dialog, QStringLiteral("1148"), r.operatorPassword);
            ModalScript::Click(dialog, QStringLiteral("1"));
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(m_dialogs.Messages(), QStringList{r.message});
            ASSERT_NE(dialog.focusWidget(), nullptr);
            EXPECT_EQ(dialog.focusWidget()->objectName(), r.focus) << r.message.toStdString();
        }
        ModalScript::Type(dialog, QStringLiteral("1144"), QStringLiteral("Boss"));
        ModalScript::Type(dialog, QStringLiteral("1148"), QStringLiteral("口令"));
        ModalScript::Click(dialog, QStringLiteral("1"));
    });
    ChangePasswords();
    EXPECT_EQ(script.LeftOpen(), 0);

    const OperatorPasswords now = ReadPasswords();
    EXPECT_EQ(now.administrator, QStringLiteral("Boss"));
    EXPECT_EQ(now.operatorPassword, QStringLiteral("口令"));
    // The rest of the file stays, in its code page; only its owner may read it.
    EXPECT_EQ(FileBytes(),
              ToGbk(QStringLiteral("[其他]\r\n键=值\r\n[用户权限]\r\n系统管理员=Boss\r\n普通操作员=口令\r\n")));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(m_dir.filePath(QStringLiteral("sp.dap"))).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(PasswordsTest, ChangeIsAbandonedWithoutTheAdministratorOrOnCancel)
{
    ModalScript script;
    m_dialogs.AnswerAdministrator(false);
    ChangePasswords();
    EXPECT_EQ(script.Titles().size(), 0) << "no change dialog without the administrator";

    m_dialogs.AnswerAdministrator(true);
    script.Then([](QDialog& dialog) {
        ModalScript::Type(dialog, QStringLiteral("1144"), QStringLiteral("Boss"));
        ModalScript::Type(dialog, QStringLiteral("1148"), QStringLiteral("staff"));
        ModalScript::Click(dialog, QStringLiteral("2"));
    });
    ChangePasswords();
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("sp.dap"))));
    EXPECT_EQ(ReadPasswords().administrator, QStringLiteral("482"));
}

// The password file cannot be written (here a folder stands in its place): the operator
// is told, and the old passwords stay in force.
TEST_F(PasswordsTest, FailedSaveIsReported)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("sp.dap/in-the-way")));
    m_dialogs.AnswerAdministrator(true);
    ModalScript script;
    script.Then([](QDialog& dialog) {
        ModalScript::Type(dialog, QStringLiteral("1144"), QStringLiteral("Boss"));
        ModalScript::Type(dialog, QStringLiteral("1148"), QStringLiteral("staff"));
        ModalScript::Click(dialog, QStringLiteral("1"));
    });
    ChangePasswords();
    EXPECT_EQ(script.LeftOpen(), 0);
    EXPECT_EQ(m_dialogs.Messages(),
              QStringList{QStringLiteral("口令保存失败（无法写入口令文件sp.dap），原来的口令仍然有效！")});
    EXPECT_EQ(ReadPasswords().administrator, QStringLiteral("482"));
}

} // namespace
