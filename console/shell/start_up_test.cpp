#include "console_app.h"
#include "link_file.h"
#include "single_instance.h"
#include "window_title.h"

#include "gbk_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(StartUp, CommandLineOfMoreThanOneCharacterEndsTheProcess)
{
    const struct {
        QStringList arguments;
        bool ends;
    } cases[] = {
        {{}, false},
        {{QStringLiteral("x")}, false},
        {{QStringLiteral("-x")}, true},
        {{QStringLiteral("a"), QStringLiteral("b")}, true},
        {{QStringLiteral("")}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandLineEndsProcess(c.arguments), c.ends) << c.arguments.join(QLatin1Char(' ')).toStdString();
}

TEST(StartUp, LinkFileOfMoreThanTwentyBytesHoldsTheConnectionString)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("Varnholt-dblink.ini"));
    const std::string fallback = DefaultConnectionString(dir.path().toStdString());
    EXPECT_EQ(fallback, "Provider=SQLite;Data Source=" + dir.path().toStdString() + "/Varnholt.db;");

    const struct {
        const char* name;
        std::optional<QByteArray> content;
        std::string chosen;
    } cases[] = {
        {"missing", std::nullopt, fallback},
        {"20 bytes", QByteArray("Provider=SQLite;Data"), fallback},
        {"21 bytes, untrimmed", QByteArray("Provider=SQLite; x;\r\n"), "Provider=SQLite; x;\r\n"},
    };
    for (const auto& c : cases) {
        QFile::remove(link);
        if (c.content)
            WriteAll(link, *c.content);
        EXPECT_EQ(ChooseConnectionString(dir.path().toStdString()), c.chosen) << c.name;
        // The default string is written back exactly, without a line end.
        const QByteArray expectedFile = c.chosen == fallback ? QByteArray::fromStdString(fallback) : *c.content;
        EXPECT_EQ(ReadAll(link), expectedFile) << c.name;
    }
}

TEST(StartUp, WindowTitleComesFromOemDat)
{
    QTemporaryDir dir;
    const QString oem = dir.filePath(QStringLiteral("oem.dat"));
    EXPECT_EQ(ReadWindowTitle(dir.path()), QStringLiteral("Ostrel"));
    WriteAll(oem, ToGbk(QStringLiteral("[程序窗口名]\r\nostrel=绿茶防伪查询\r\n")));
    EXPECT_EQ(ReadWindowTitle(dir.path()), QStringLiteral("绿茶防伪查询"));
    WriteAll(oem, QStringLiteral("[程序窗口名]\nOstrel=Tea 防伪\n").toUtf8());
    EXPECT_EQ(ReadWindowTitle(dir.path()), QStringLiteral("Tea 防伪"));
    WriteAll(oem, QByteArray("[other]\nOstrel=x\n"));
    EXPECT_EQ(ReadWindowTitle(dir.path()), QStringLiteral("Ostrel"));
}

QString UniqueName()
{
    return QStringLiteral("kelvane-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

TEST(SingleInstance, SecondStartAsksTheFirstToShowItself)
{
    const QString name = UniqueName();
    SingleInstance first(name);
    SingleInstance second(name);
    EXPECT_FALSE(second.HandOverToRunningCopy(200)) << "nobody runs yet";
    ASSERT_TRUE(first.Listen());
    QSignalSpy shown(&first, &SingleInstance::ShowRequested);
    EXPECT_TRUE(second.HandOverToRunningCopy());
    EXPECT_TRUE(shown.count() == 1 || shown.wait(2000));
    EXPECT_EQ(shown.count(), 1);
}

TEST(SingleInstance, SocketLeftByACopyThatDiedIsTakenOver)
{
    const QString name = UniqueName();
    const QByteArray path = QFile::encodeName(QDir::temp().filePath(name));
    // A bound socket whose owner is gone: its file stays, nobody answers.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(path.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(QString::fromLocal8Bit(path)));

    SingleInstance starting(name);
    EXPECT_FALSE(starting.HandOverToRunningCopy(200));
    EXPECT_TRUE(starting.Listen());
    SingleInstance later(name);
    EXPECT_TRUE(later.HandOverToRunningCopy());
}

} // namespace
