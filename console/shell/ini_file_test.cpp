#include "ini_file.h"

#include "gbk_text.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(IniFile, ReadsWithTheProfileRules)
{
    IniFile file;
    file.LoadBytes(QByteArrayLiteral("; a comment\r\n"
                                     "[Other]\r\n"
                                     "Ostrel=wrong section\r\n"
                                     "  [ Program ]  \r\n"
                                     "  TITLE  =  Tea House  \r\n"
                                     "Quoted=\"  kept blanks  \"\r\n"
                                     "Half=\"open\r\n"
                                     "Title=second\r\n"
                                     "Long=abcdefghijklmnopqrstuvwxyz\r\n"
                                     "Wide=") +
                   ToGbk(QStringLiteral("一二三四五六七八九十")) + QByteArrayLiteral("\r\n"));
    ASSERT_FALSE(file.IsUtf8());
    const struct {
        const char* section;
        const char* key;
        int buffer;
        QString expected;
    } cases[] = {
        {"program", "title", 200, QStringLiteral("Tea House")},        // any case, blanks dropped, first wins
        {"PROGRAM", "quoted", 200, QStringLiteral("  kept blanks  ")}, // matching quotes go
        {"Program", "Half", 200, QStringLiteral("\"open")},
        {"Program", "Long", 20, QStringLiteral("abcdefghijklmnopqrs")}, // 19 bytes of a 20-byte buffer
        {"Program", "Wide", 20, QStringLiteral("一二三四五六七八九")},  // no half character
        {"Program", "Missing", 200, QStringLiteral("fallback")},
        {"Missing", "Title", 200, QStringLiteral("fallback")},
        {"Other", "Ostrel", 200, QStringLiteral("wrong section")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(file.GetString(QString::fromLatin1(c.section), QString::fromLatin1(c.key), QStringLiteral("fallback"),
                                 c.buffer),
                  c.expected)
            << c.section << "/" << c.key;
}

TEST(IniFile, ReadsGbkAndUtf8FilesAlike)
{
    const QString text = QStringLiteral("[程序窗口名]\nOstrel=茶叶防伪\n");
    for (const QByteArray& bytes : {ToGbk(text), text.toUtf8(), QByteArray("\xef\xbb\xbf") + text.toUtf8()}) {
        IniFile file;
        file.LoadBytes(bytes);
        EXPECT_EQ(file.GetString(QStringLiteral("程序窗口名"), QStringLiteral("ostrel"), QString(), 200),
                  QStringLiteral("茶叶防伪"));
    }
}

TEST(IniFile, WritesChangeOnlyTheirLinesAndKeepTheCodePage)
{
    const QByteArray before = ToGbk(QStringLiteral("; 口令文件\r\n"
                                                   "[用户权限]\r\n"
                                                   "系统管理员=old\r\n"
                                                   "\r\n"
                                                   "[其他]\r\n"
                                                   "键=值\r\n"));
    IniFile file;
    file.LoadBytes(before);
    file.SetString(QStringLiteral("用户权限"), QStringLiteral("系统管理员"), QStringLiteral("新口令"));
    file.SetString(QStringLiteral("用户权限"), QStringLiteral("普通操作员"), QStringLiteral("abc"));
    file.SetString(QStringLiteral("新节"), QStringLiteral("k"), QStringLiteral("v"));
    EXPECT_EQ(file.Bytes(), ToGbk(QStringLiteral("; 口令文件\r\n"
                                                 "[用户权限]\r\n"
                                                 "系统管理员=新口令\r\n"
                                                 "普通操作员=abc\r\n"
                                                 "\r\n"
                                                 "[其他]\r\n"
                                                 "键=值\r\n"
                                                 "[新节]\r\n"
                                                 "k=v\r\n")));

    IniFile fresh;
    fresh.LoadBytes(QByteArray());
    fresh.SetString(QStringLiteral("用户权限"), QStringLiteral("系统管理员"), QStringLiteral("x"));
    EXPECT_EQ(fresh.Bytes(), QStringLiteral("[用户权限]\n系统管理员=x\n").toUtf8());
}

TEST(IniFile, SaveReplacesTheFileWithTheGivenPermissionsOrLeavesItAlone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sp.dap"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("[a]\nk=old\n");
        old.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    }
    IniFile file;
    ASSERT_TRUE(file.Load(path));
    file.SetString(QStringLiteral("a"), QStringLiteral("k"), QStringLiteral("new"));
    ASSERT_TRUE(file.Save(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("[a]\nk=new\n"));

    EXPECT_FALSE(file.Save(dir.filePath(QStringLiteral("no/such/folder/sp.dap")), QFileDevice::ReadOwner));
}

} // namespace
