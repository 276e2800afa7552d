#include "batch_dialog.h"

#include "modal_script.h"
#include "scripted_dialogs.h"
#include "skin_button.h"
#include "skin_edit.h"

#include "db_engine_test.h"
#include "execute_sql.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

class BatchDialogTest : public DbEngineTest {
protected:
    void SetUp() override
    {
        DbEngineTest::SetUp();
        if (IsSkipped())
            return;
        ExecuteSql("insert into ProductGroupTable (ProductName,ProductRemark,ProductCount,ProductStatus,ProductCode) "
                   "values ('Tea Set',' ',10,'未启用',1)");
    }

    // Fills the dialog as typed and presses OK; true when it closed with OK.
    static bool Press(CBatchDialog& dialog, const QString& quantity, const QString& name, const QString& remark)
    {
        dialog.QuantityEdit()->setText(quantity);
        dialog.NameEdit()->setText(name);
        dialog.RemarkEdit()->setText(remark);
        dialog.show();
        QTest::mouseClick(dialog.findChild<CSkinButton*>(QStringLiteral("1")), Qt::LeftButton);
        return dialog.result() == QDialog::Accepted && !dialog.isVisible();
    }

    ScriptedDialogs m_dialogs;
};

// A Chinese character takes two GBK bytes.
const QString k24Bytes = QStringLiteral("一二三四五六七八九十甲乙");
const QString k26Bytes = k24Bytes + QStringLiteral("丙");

} // namespace

TEST_P(BatchDialogTest, NewModeRefusals)
{
    struct Case {
        const char* why;
        QString quantity, name, remark;
        QString message;
        const char* focus; // object name of the edit that gets the focus
    };
    const QString range = QStringLiteral("“请填入一个在1和999999之间的整数。”");
    const QString tooLong = QStringLiteral("“请填入不多于25个的字符。”");
    const Case cases[] = {
        {"quantity 0", "0", "A", "", range, "quantity"},
        {"quantity 1000000", "1000000", "A", "", range, "quantity"},
        {"quantity far too big", "99999999999", "A", "", range, "quantity"},
        {"quantity 12a", "12a", "A", "", QStringLiteral("请键入一个整数。"), "quantity"},
        {"quantity empty", "", "A", "", QStringLiteral("请键入一个整数。"), "quantity"},
        {"quantity checked before the name", "0", "", "", range, "quantity"},
        {"name of blanks", "5", "   ", "", QStringLiteral("请输入产品名称描述！"), "name"},
        {"name of 26 bytes", "5", k26Bytes, "", tooLong, "name"},
        {"remark of 26 bytes", "5", "B", k26Bytes, tooLong, "remark"},
        {"duplicate in another case", "5", "tea set", "",
         QStringLiteral("已经有同名的产品名称，建议在产品名称后加个序号或日期，以便识别！"), "name"},
        {"duplicate after leading blanks", "5", "  Tea Set", "",
         QStringLiteral("已经有同名的产品名称，建议在产品名称后加个序号或日期，以便识别！"), "name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        m_dialogs.Clear();
        CBatchDialog dialog;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("新增产品"));
        EXPECT_FALSE(Press(dialog, c.quantity, c.name, c.remark));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(m_dialogs.Messages(), QStringList{c.message});
        ASSERT_NE(dialog.focusWidget(), nullptr);
        EXPECT_EQ(dialog.focusWidget()->objectName(), QString::fromLatin1(c.focus));
    }
}

TEST_P(BatchDialogTest, NewModeAccepts)
{
    struct Case {
        const char* why;
        QString quantity, name, remark;
        int expectQuantity;
        QString expectName;
    };
    const Case cases[] = {
        {"bounds 1", "1", "A", "", 1, "A"},
        {"bounds 999999 with blanks around", " 999999 ", "B", "r", 999999, "B"},
        {"blanks around the name go", "5", QStringLiteral("  茶具 "), "", 5, QStringLiteral("茶具")},
        {"25 bytes", "5", k24Bytes + "x", k24Bytes + "y", 5, k24Bytes + "x"},
        {"an apostrophe", "5", "O'Brien", "it's", 5, "O'Brien"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        m_dialogs.Clear();
        CBatchDialog dialog;
        EXPECT_TRUE(Press(dialog, c.quantity, c.name, c.remark));
        EXPECT_TRUE(m_dialogs.Prompts().empty());
        EXPECT_EQ(dialog.Quantity(), c.expectQuantity);
        EXPECT_EQ(dialog.Name(), c.expectName);
        EXPECT_EQ(dialog.Remark(), c.remark);
    }
}

TEST_P(BatchDialogTest, TypingStopsAtTwentyFiveBytes)
{
    CBatchDialog dialog;
    dialog.show();
    QTest::keyClicks(dialog.NameEdit(), QString(30, QLatin1Char('x')));
    EXPECT_EQ(dialog.NameEdit()->text(), QString(25, QLatin1Char('x')));
    // Text an input method hands over is checked the same way.
    ModalScript::Type(dialog, QStringLiteral("remark"), k26Bytes);
    EXPECT_EQ(dialog.RemarkEdit()->text(), k24Bytes);
    QTest::keyClick(dialog.RemarkEdit(), Qt::Key_Z);
    EXPECT_EQ(dialog.RemarkEdit()->text(), k24Bytes + "z");
    // A pasted name that is too long keeps what fits.
    dialog.NameEdit()->clear();
    dialog.NameEdit()->insert(k26Bytes);
    EXPECT_EQ(dialog.NameEdit()->text(), k24Bytes);
}

TEST_P(BatchDialogTest, EditModeChangesOnlyTheRemark)
{
    CBatchDialog dialog;
    dialog.SetMode(CBatchDialog::Mode::Edit);
    dialog.SetName(QStringLiteral("Tea Set")); // taken, and that is no reason to refuse here
    dialog.SetQuantity(10);
    dialog.SetRemark(QStringLiteral("old"));
    EXPECT_TRUE(dialog.windowTitle().isEmpty());
    EXPECT_FALSE(dialog.QuantityEdit()->isEnabled());
    EXPECT_FALSE(dialog.NameEdit()->isEnabled());
    EXPECT_TRUE(dialog.RemarkEdit()->isEnabled());

    m_dialogs.Clear();
    EXPECT_FALSE(Press(dialog, "10", "Tea Set", k26Bytes));
    EXPECT_EQ(m_dialogs.Messages(), QStringList{QStringLiteral("“请填入不多于25个的字符。”")});

    EXPECT_TRUE(Press(dialog, "10", "Tea Set", QString()));
    EXPECT_EQ(dialog.Name(), QStringLiteral("Tea Set"));
    EXPECT_EQ(dialog.Remark(), QString());
}

KELVANE_DB_ENGINE_TEST_SUITE(BatchDialogTest);
