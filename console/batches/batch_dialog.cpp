#include "batch_dialog.h"

#include "dialog_controls.h"
#include "dialogs.h"
#include "gbk_byte_limit.h"
#include "gbk_text.h"
#include "kit_look.h"
#include "skin_button.h"
#include "skin_edit.h"

#include "batch_commands.h"

#include "db_connection.h"

#include <QLabel>

#include <algorithm>
#include <climits>

namespace {

// An integer as the dialog accepts one: blanks around it, an optional sign, digits,
// nothing else. Values past the int range saturate, so they are refused as
// out of range rather than as no integer.
bool ParseInteger(const QString& text, int& value)
{
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == QLatin1Char('-') || trimmed[i] == QLatin1Char('+')))
        negative = trimmed[i++] == QLatin1Char('-');
    if (i == trimmed.size())
        return false;
    long long number = 0;
    for (; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        number = std::min<long long>(number * 10 + (c.unicode() - '0'), 1LL << 40);
    }
    if (negative)
        number = -number;
    value = static_cast<int>(std::clamp<long long>(number, INT_MIN, INT_MAX));
    return true;
}

// Blanks as the trim of the name knows them: the single-byte ones only, so
// a full-width space stays part of a name.
bool IsAsciiBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
           c == QLatin1Char('\v') || c == QLatin1Char('\f');
}

QLabel* MakeLabel(const QString& text, const QRect& place, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

CBatchDialog::CBatchDialog(QWidget* parent)
    : CSkinDialog(parent),
      m_quantityEdit(new CSkinEdit(this)),
      m_nameEdit(new CSkinEdit(this)),
      m_remarkEdit(new CSkinEdit(this))
{
    setFixedSize(DluSize(190, 118));
    const int top = BandHeight();
    auto row = [top](int i) { return top + Dlu(10 + 20 * i); };

    MakeLabel(QStringLiteral("生成数量："), QRect(Dlu(10), row(0), Dlu(48), Dlu(13)), this);
    MakeLabel(QStringLiteral("产品名称："), QRect(Dlu(10), row(1), Dlu(48), Dlu(13)), this);
    MakeLabel(QStringLiteral("备注信息："), QRect(Dlu(10), row(2), Dlu(48), Dlu(13)), this);
    m_quantityEdit->setGeometry(Dlu(62), row(0), Dlu(112), Dlu(13));
    m_nameEdit->setGeometry(Dlu(62), row(1), Dlu(112), Dlu(13));
    m_remarkEdit->setGeometry(Dlu(62), row(2), Dlu(112), Dlu(13));
    m_quantityEdit->setObjectName(QStringLiteral("quantity"));
    m_nameEdit->setObjectName(QStringLiteral("name"));
    m_remarkEdit->setObjectName(QStringLiteral("remark"));
    LimitGbkBytes(m_nameEdit, kMaxTextBytes);
    LimitGbkBytes(m_remarkEdit, kMaxTextBytes);

    const int buttonTop = row(3) + Dlu(4);
    auto* ok =
        PlaceOkCancel(this, QRect(Dlu(40), buttonTop, Dlu(50), Dlu(14)), QRect(Dlu(100), buttonTop, Dlu(50), Dlu(14)))
            .ok;
    connect(ok, &QPushButton::clicked, this, &CBatchDialog::OnOK);

    SetQuantity(0);
    ApplyMode();
}

void CBatchDialog::SetMode(Mode mode)
{
    m_mode = mode;
    ApplyMode();
}

void CBatchDialog::ApplyMode()
{
    const bool isNew = m_mode == Mode::New;
    setWindowTitle(isNew ? QStringLiteral("新增产品") : QString());
    m_quantityEdit->setEnabled(isNew);
    m_nameEdit->setEnabled(isNew);
}

void CBatchDialog::SetQuantity(int quantity)
{
    m_quantity = quantity;
    m_quantityEdit->setText(QString::number(quantity));
}

void CBatchDialog::SetName(const QString& name)
{
    m_name = name;
    m_nameEdit->setText(name);
}

void CBatchDialog::SetRemark(const QString& remark)
{
    m_remark = remark;
    m_remarkEdit->setText(remark);
}

void CBatchDialog::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    ApplyMode();
    (m_mode == Mode::New ? m_quantityEdit : m_remarkEdit)->setFocus();
}

bool CBatchDialog::Refuse(const QString& message, CSkinEdit* edit)
{
    ShowMessage(message, false);
    edit->setFocus();
    edit->selectAll();
    return false;
}

int CBatchDialog::FindName(const QString& name) const
{
    // The database compares, so a name that differs only in letter case is taken as well.
    CDbConnection* connection = TheConnection();
    return connection ? FindBatchName(*connection, name.toStdString()) : 0;
}

void CBatchDialog::OnOK()
{
    int quantity = 0;
    if (!ParseInteger(m_quantityEdit->text(), quantity)) {
        Refuse(QStringLiteral("请键入一个整数。"), m_quantityEdit);
        return;
    }
    if (quantity < kMinQuantity || quantity > kMaxQuantity) {
        Refuse(QStringLiteral("“请填入一个在%1和%2之间的整数。”").arg(kMinQuantity).arg(kMaxQuantity), m_quantityEdit);
        return;
    }
    const QString tooLong = QStringLiteral("“请填入不多于%1个的字符。”").arg(kMaxTextBytes);
    QString name = m_nameEdit->text();
    if (m_mode == Mode::New && GbkByteCount(name) > kMaxTextBytes) {
        Refuse(tooLong, m_nameEdit);
        return;
    }
    const QString remark = m_remarkEdit->text();
    if (GbkByteCount(remark) > kMaxTextBytes) {
        Refuse(tooLong, m_remarkEdit);
        return;
    }

    if (m_mode == Mode::New) {
        // Trailing blanks go too: every list cell reads back trimmed, and a stored name
        // with a trailing blank would never again match the cell that every later update
        // and delete of the batch selects it by.
        qsizetype blanks = 0;
        while (blanks < name.size() && IsAsciiBlank(name[blanks]))
            ++blanks;
        name.remove(0, blanks);
        while (!name.isEmpty() && IsAsciiBlank(name.back()))
            name.chop(1);
        if (name.isEmpty()) {
            Refuse(QStringLiteral("请输入产品名称描述！"), m_nameEdit);
            return;
        }
        const int found = FindName(name);
        if (found < 0) {
            // The failure was shown; the operator may try again or cancel.
            m_nameEdit->setFocus();
            return;
        }
        if (found > 0) {
            Refuse(QStringLiteral("已经有同名的产品名称，建议在产品名称后加个序号或日期，以便识别！"), m_nameEdit);
            return;
        }
    }

    m_quantity = quantity;
    m_name = name;
    m_remark = remark;
    accept();
}
