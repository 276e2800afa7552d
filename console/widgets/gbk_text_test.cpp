#include "gbk_byte_limit.h"
#include "gbk_text.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(GbkText, CountsAndCutsInGbkBytesWithoutSplittingCharacters)
{
    const struct {
        QString text;
        int max;
        int bytes;
        QString cut;
    } cases[] = {
        {QStringLiteral("abc"), 2, 3, QStringLiteral("ab")},
        {QStringLiteral("短信内容"), 5, 8, QStringLiteral("短信")},
        {QStringLiteral("a短信"), 4, 5, QStringLiteral("a短")},
        {QStringLiteral("口令12"), 20, 6, QStringLiteral("口令12")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GbkByteCount(c.text), c.bytes) << c.text.toStdString();
        EXPECT_EQ(CutToGbkBytes(c.text, c.max), c.cut) << c.text.toStdString();
    }
    EXPECT_EQ(ToGbk(QStringLiteral("短信")), QByteArray("\xb6\xcc\xd0\xc5"));
    EXPECT_EQ(FromGbk(QByteArray("\xb6\xcc\xd0\xc5")), QStringLiteral("短信"));
    EXPECT_TRUE(IsValidUtf8(QStringLiteral("短信").toUtf8()));
    EXPECT_FALSE(IsValidUtf8(QByteArray("\xb6\xcc\xd0\xc5")));
}

TEST(GbkByteLimit, EditsRefuseTextPastTheirByteLimit)
{
    QLineEdit password;
    LimitGbkBytes(&password, 10);
    QTest::keyClicks(&password, QStringLiteral("abcdefghijkl"));
    EXPECT_EQ(password.text(), QStringLiteral("abcdefghij"));
    password.clear();
    password.insert(QStringLiteral("口令口令口令"));
    EXPECT_EQ(password.text(), QStringLiteral("口令口令口"));
    // Typing into the middle of a full edit keeps the text around the cursor.
    password.setText(QStringLiteral("abcdefghij"));
    password.setCursorPosition(2);
    QTest::keyClicks(&password, QStringLiteral("X"));
    EXPECT_EQ(password.text(), QStringLiteral("abcdefghij"));
    // A longer value the program puts there stays whole; typing cannot lengthen it, but
    // the operator can delete from it.
    password.setText(QStringLiteral("abcdefghijklmnopqrs"));
    EXPECT_EQ(password.text(), QStringLiteral("abcdefghijklmnopqrs"));
    QTest::keyClicks(&password, QStringLiteral("t"));
    EXPECT_EQ(password.text(), QStringLiteral("abcdefghijklmnopqrs"));
    QTest::keyClick(&password, Qt::Key_Backspace);
    EXPECT_EQ(password.text(), QStringLiteral("abcdefghijklmnopqr"));

    QPlainTextEdit reply;
    LimitGbkBytes(&reply, 140);
    reply.insertPlainText(QString(71, QChar(0x77ed))); // 71 Chinese characters: 142 bytes
    EXPECT_EQ(reply.toPlainText(), QString(70, QChar(0x77ed)));
}

} // namespace
