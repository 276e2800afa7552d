#include "sticker_printer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A printer whose program is replaced and whose messages are recorded.
struct Recorded {
    StickerPrinter printer;
    std::vector<QString> told;
    std::vector<StickerPrinter::Done> running;
    QStringList arguments;
    bool busy = false;

    explicit Recorded(const QString& folder)
    {
        printer.SetFolder(folder);
        printer.SetTeller([this](const QString& text) { told.push_back(text); });
        printer.SetBusy([this] { return busy; });
        printer.SetRunner([this](const QString&, const QStringList& args, StickerPrinter::Done done) {
            arguments = args;
            running.push_back(std::move(done));
        });
    }
};

TEST(StickerPrinter, SheetIsNamedAfterTheBatchAndItsRange)
{
    const struct {
        const char* batch;
        const char* first;
        const char* last;
        const char* name;
    } cases[] = {
        {"金穗复合肥", "01000000", "01000999", "金穗复合肥_01000000-01000999.pdf"},
        {"One", "02000000", "", "One_02000000.pdf"},
        {"a/b:c*?", "03000000", "03000001", "a_b_c___03000000-03000001.pdf"},
        {" .hidden", "04000000", "", "批次.hidden_04000000.pdf"},
        {"", "05000000", "", "批次_05000000.pdf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StickerPrinter::SheetName(QString::fromUtf8(c.batch), QString::fromUtf8(c.first),
                                            QString::fromUtf8(c.last)),
                  QString::fromUtf8(c.name))
            << c.batch;
}

TEST(StickerPrinter, TellsWhereTheSheetIsOrWhyThereIsNone)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("防伪贴纸"));
    const QString sheet = folder + QStringLiteral("/Tea_01000000-01000009.pdf");
    const struct {
        const char* what;
        int status;
        const char* lastLine;
        QString told; // empty: nothing is said
    } cases[] = {
        {"shown by a viewer", 0, "stickwell: 10 stickers in x", QString()},
        {"no viewer", StickerPrinter::kNotShown, "stickwell: the sheet is in x; no viewer opened it",
         QStringLiteral("防伪贴纸已保存在：\r\n") + sheet +
             QStringLiteral("\r\n没有打开它的 PDF 阅读程序，请从这个文件夹打开并打印。")},
        {"failed", 1, "stickwell: database not found: /x.db",
         QStringLiteral("防伪贴纸未能生成。\r\nstickwell: database not found: /x.db")},
        {"crashed", -1, "", QStringLiteral("防伪贴纸未能生成。")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Recorded recorded(folder);
        recorded.printer.Print(QStringLiteral("/opt/v"), QStringLiteral("10657"), QStringLiteral("Tea"),
                               QStringLiteral("01000000"), QStringLiteral("01000009"));
        EXPECT_TRUE(QDir(folder).exists()) << "made for the sheet";
        EXPECT_EQ(recorded.arguments,
                  (QStringList{QStringLiteral("--sms-number"), QStringLiteral("10657"), QStringLiteral("--output"),
                               sheet, QStringLiteral("0100000001000009")}));
        ASSERT_EQ(recorded.running.size(), 1u);
        recorded.running[0](c.status, QString::fromUtf8(c.lastLine));
        if (c.told.isEmpty()) {
            EXPECT_TRUE(recorded.told.empty());
        } else {
            ASSERT_EQ(recorded.told.size(), 1u);
            EXPECT_EQ(recorded.told[0], c.told);
        }
    }
}

TEST(StickerPrinter, MessageWaitsWhileThePageIsBusy)
{
    QTemporaryDir dir;
    Recorded recorded(dir.path());
    recorded.printer.Print(QStringLiteral("/opt/v"), QString(), QStringLiteral("Tea"), QStringLiteral("01000000"),
                           QString());
    ASSERT_EQ(recorded.running.size(), 1u);
    recorded.busy = true;
    recorded.running[0](1, QStringLiteral("stickwell: failed"));
    QTest::qWait(700);
    EXPECT_TRUE(recorded.told.empty()) << "no box while a generation holds its transaction";
    recorded.busy = false;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recorded.told.empty(); }, 10000));
}

TEST(StickerPrinter, RunsTheProgramBesideTheConsole)
{
    QTemporaryDir home;
    QTemporaryDir sheets;
    // A stand-in that notes its arguments and finds no viewer.
    const QString program = home.filePath(QStringLiteral("stickwell"));
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\necho \"$@\" > '%1'\necho 'stickwell: the sheet is in x; no viewer opened "
                                "it' >&2\nexit 3\n")
                     .arg(home.filePath(QStringLiteral("args")))
                     .toUtf8());
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    StickerPrinter printer;
    printer.SetFolder(sheets.path());
    std::vector<QString> told;
    printer.SetTeller([&](const QString& text) { told.push_back(text); });
    printer.Print(home.path(), QString(), QStringLiteral("Tea"), QStringLiteral("01000000"), QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.empty(); }, 20000));
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("防伪贴纸已保存在：\r\n") + sheets.path() +
                                   QStringLiteral("/Tea_01000000.pdf")))
        << told[0].toStdString();
    QFile args(home.filePath(QStringLiteral("args")));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(args.readAll(), ("--output " + sheets.path() + "/Tea_01000000.pdf 01000000\n").toUtf8());

    // A program that is not there.
    told.clear();
    printer.Print(home.filePath(QStringLiteral("missing")), QString(), QStringLiteral("Tea"),
                  QStringLiteral("01000000"), QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.empty(); }, 20000));
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("防伪贴纸未能生成。"))) << told[0].toStdString();
}

} // namespace
