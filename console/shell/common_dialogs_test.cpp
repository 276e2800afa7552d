#include "chinese_qt_texts.h"
#include "dialogs.h"
#include "modal_script.h"
#include "scripted_dialogs.h"
#include "widget_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

QAbstractButton* Button(QDialog& dialog, const char* id)
{
    return dialog.findChild<QAbstractButton*>(QString::fromLatin1(id));
}

TEST(MessageDialog, NoticeShowsOnlyOkAndQuestionAnswersByItsButtons)
{
    WidgetDialogs dialogs;
    const struct {
        bool withCancel;
        const char* press; // a button, or "Escape"
        bool answer;
    } cases[] = {
        {false, "1", true}, {false, "Escape", false}, {true, "1", true}, {true, "2", false}, {true, "Escape", false},
    };
    for (const auto& c : cases) {
        ModalScript script;
        script.Then([&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("消息提示！"));
            EXPECT_EQ(dialog.findChild<QTextEdit*>(QStringLiteral("1014"))->toPlainText(),
                      QStringLiteral("第一行\n第二行"));
            EXPECT_TRUE(Button(dialog, "1")->isVisible());
            EXPECT_EQ(Button(dialog, "2")->isVisible(), c.withCancel);
            if (c.withCancel) {
                EXPECT_EQ(Button(dialog, "1")->geometry(), QRect(51, 158, 75, 19));
                EXPECT_EQ(Button(dialog, "2")->geometry(), QRect(158, 158, 75, 19));
            }
            if (QLatin1String(c.press) == QLatin1String("Escape"))
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                ModalScript::Click(dialog, QString::fromLatin1(c.press));
        });
        EXPECT_EQ(dialogs.ShowMessage(QStringLiteral("第一行\r\n第二行"), c.withCancel), c.answer)
            << c.withCancel << " " << c.press;
    }
}

// Message boxes stand centred on the console's window wherever it was moved, also when
// it is not the active window (a message raised by a timer while another program has the
// focus).
TEST(MessageDialog, BoxesStandCentredOnTheConsoleWindow)
{
    WidgetDialogs dialogs;
    for (const bool active : {true, false}) {
        QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
        window.setAttribute(Qt::WA_ShowWithoutActivating, !active);
        window.setGeometry(90, 60, 700, 500);
        window.show();
        QApplication::processEvents();
        QApplication::setActiveWindow(active ? &window : nullptr);
        ASSERT_EQ(QApplication::activeWindow() == &window, active);
        const QPoint centre = window.frameGeometry().center();

        ModalScript script;
        QPoint shown;
        auto where = [&](QDialog& dialog) {
            shown = dialog.frameGeometry().center();
            dialog.accept();
        };
        script.Then(where);
        dialogs.ShowMessage(QStringLiteral("连接数据库失败！"), false);
        EXPECT_LE((shown - centre).manhattanLength(), 2) << "message, active " << active;
        script.Then(where);
        dialogs.PlainMessage(QStringLiteral("database is locked"), QStringLiteral("错误"), false);
        EXPECT_LE((shown - centre).manhattanLength(), 2) << "plain box, active " << active;
    }
}

TEST(ReplyTextDialog, RefusesAnEmptyTextAndKeeps140Bytes)
{
    ScriptedDialogs notices;
    WidgetDialogs dialogs;
    ModalScript script;
    const QString seventyOne(71, QChar(0x56de)); // 回 x 71: 142 bytes
    script.Then([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("输入回复短信的内容"));
        ModalScript::Click(dialog, QStringLiteral("1"));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(notices.Messages(), QStringList{QStringLiteral("请输入短信内容！")});
        dialog.findChild<QPlainTextEdit*>(QStringLiteral("1092"))->insertPlainText(seventyOne);
        ModalScript::Click(dialog, QStringLiteral("1"));
    });
    EXPECT_EQ(dialogs.AskReplyText(), std::optional<QString>(QString(70, QChar(0x56de))));

    script.Then(ModalScript::TypeAndOk(QStringLiteral("1092"), QStringLiteral("您好")));
    script.Then(ModalScript::Press(QStringLiteral("2")));
    EXPECT_EQ(dialogs.AskReplyText(), std::optional<QString>(QStringLiteral("您好")));
    EXPECT_EQ(dialogs.AskReplyText(), std::nullopt);

    // With a character outside the basic plane.
    const QString wide = QStringLiteral("您好，再见𠀀");
    script.Then(ModalScript::TypeAndOk(QStringLiteral("1092"), wide));
    EXPECT_EQ(dialogs.AskReplyText(), std::optional<QString>(wide));
}

// Return in the reply presses OK: on an empty text it says what is missing, after a text
// it ends the dialog with that text; it never puts a line break into the message.
TEST(ReplyTextDialog, ReturnPressesOkInsteadOfBreakingTheLine)
{
    const struct {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } cases[] = {
        {"Return", Qt::Key_Return, Qt::NoModifier},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier},
        {"Shift+Return", Qt::Key_Return, Qt::ShiftModifier},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDialogs notices;
        WidgetDialogs dialogs;
        ModalScript script;
        script.Then([&](QDialog& dialog) {
            auto* edit = dialog.findChild<QPlainTextEdit*>(QStringLiteral("1092"));
            ASSERT_NE(edit, nullptr);
            QTest::keyClick(edit, c.key, c.modifiers);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(notices.Messages(), QStringList{QStringLiteral("请输入短信内容！")});
            EXPECT_EQ(edit->toPlainText(), QString());
            ModalScript::Type(dialog, QStringLiteral("1092"), QStringLiteral("您好"));
            QTest::keyClick(edit, c.key, c.modifiers);
            EXPECT_FALSE(dialog.isVisible());
        });
        EXPECT_EQ(dialogs.AskReplyText(), std::optional<QString>(QStringLiteral("您好")));
        EXPECT_EQ(script.LeftOpen(), 0);
    }
}

TEST(RecipientNumberDialog, TakesDigitsOnlyAndAtLeastFour)
{
    ScriptedDialogs notices;
    WidgetDialogs dialogs;
    ModalScript script;
    script.Then([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("输入短信接收号码"));
        ModalScript::TypeAndOk(QStringLiteral("1132"), QStringLiteral("123"))(dialog);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(notices.Messages(), QStringList{QStringLiteral("请输入短信接收号码（不少于4位）！")});
        ModalScript::Type(dialog, QStringLiteral("1132"), QStringLiteral("13a8b0-0 1380013800012345678"));
        EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("1132"))->text(), QStringLiteral("138001380013800012"));
        ModalScript::TypeAndOk(QStringLiteral("1132"), QStringLiteral("1234"))(dialog);
    });
    EXPECT_EQ(dialogs.AskRecipientNumber(), std::optional<QString>(QStringLiteral("1234")));
}

// Qt's own dialogs read Chinese on every button, as the console's own dialogs do: the
// plain box of the data layer (a database error at start), the file chooser and its
// question before a file is replaced.
TEST(QtDialogs, EveryButtonReadsChinese)
{
    ChineseQtTexts chinese;
    QApplication::installTranslator(&chinese);
    WidgetDialogs dialogs;
    ModalScript script;
    const auto shown = [](QWidget& dialog) {
        QStringList texts;
        for (const QPushButton* button : dialog.findChildren<QPushButton*>())
            if (button->isVisible())
                texts << button->text();
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            if (label->isVisible() && !label->text().isEmpty())
                texts << label->text();
        return texts;
    };

    script.Then([&](QDialog& box) {
        EXPECT_EQ(shown(box),
                  (QStringList{QStringLiteral("确定"), QStringLiteral("database disk image is malformed")}));
        box.accept();
    });
    dialogs.PlainMessage(QStringLiteral("database disk image is malformed"), QStringLiteral("Ostrel"), false);

    script.Then([&](QDialog& chooser) {
        EXPECT_EQ(shown(chooser),
                  (QStringList{QStringLiteral("打开"), QStringLiteral("取消"), QStringLiteral("查找范围："),
                               QStringLiteral("文件名："), QStringLiteral("文件类型：")}));
        const QAbstractItemModel* files = chooser.findChild<QTreeView*>()->model();
        QStringList columns;
        for (int column = 0; column < files->columnCount(); ++column)
            columns << files->headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(columns, (QStringList{QStringLiteral("名称"), QStringLiteral("大小"), QStringLiteral("类型"),
                                        QStringLiteral("修改日期")}));
        chooser.reject();
    });
    dialogs.ChooseOpenFile(
        {QStringLiteral("选择要导入的号码文件"), QStringLiteral("文本文件(*.txt)|*.txt|"), QStringLiteral("txt")});

    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("records.xlsx"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QStringList question;
    script.Then([&](QDialog& chooser) {
        EXPECT_EQ(shown(chooser).mid(0, 2), (QStringList{QStringLiteral("保存"), QStringLiteral("取消")}));
        chooser.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(existing);
        // The question comes up inside accept(); it is answered from its own event loop.
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                question = shown(*box);
                box->button(QMessageBox::Yes)->click();
            }
        });
        chooser.accept();
    });
    EXPECT_EQ(dialogs.ChooseSaveFile({QStringLiteral("输入记录保存的Excel文件名"),
                                      QStringLiteral("电子表格文件(*.xlsx)|*.xlsx|"), QStringLiteral("xlsx")}),
              std::optional<QString>(existing));
    EXPECT_EQ(question, (QStringList{QStringLiteral("是"), QStringLiteral("否"),
                                     QStringLiteral("records.xlsx 已经存在。\n要替换它吗？")}));
    EXPECT_EQ(script.Unexpected(), 0);
}

TEST(FileChooser, FiltersOfThePagesMatchInEitherCase)
{
    EXPECT_EQ(NameFilters(QStringLiteral("文本文件(*.txt)|*.txt|")),
              QStringList{QStringLiteral("文本文件(*.txt *.TXT)")});
    EXPECT_EQ(NameFilters(QStringLiteral("电子表格文件(*.XLS)|*.XLS|")),
              QStringList{QStringLiteral("电子表格文件(*.XLS *.xls)")});
}

TEST(ScriptedDialogs, AnswersFromItsQueuesAndCancelsWhatWasNotScripted)
{
    ScriptedDialogs dialogs;
    dialogs.AnswerQuestion(true);
    EXPECT_TRUE(ShowMessage(QStringLiteral("删除吗？"), true));
    EXPECT_FALSE(ShowMessage(QStringLiteral("再删除吗？"), true));
    EXPECT_TRUE(ShowMessage(QStringLiteral("完成")));
    EXPECT_FALSE(VerifyAdministrator());
    EXPECT_EQ(dialogs.Unanswered(), 2);
    EXPECT_EQ(dialogs.Messages(),
              (QStringList{QStringLiteral("删除吗？"), QStringLiteral("再删除吗？"), QStringLiteral("完成")}));
}

} // namespace
