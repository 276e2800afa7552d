#include "recipient_number_dlg.h"

#include "dialog_controls.h"
#include "dialogs.h"
#include "kit_look.h"
#include "skin_button.h"
#include "skin_edit.h"

#include <QRegularExpressionValidator>

namespace {
constexpr int kMaxDigits = 18;
constexpr int kMinDigits = 4;
} // namespace

CRecipientNumberDlg::CRecipientNumberDlg(QWidget* parent) : CSkinDialog(parent)
{
    setFixedSize(DluSize(182, 101));
    PlaceLabel(this, QString(), QStringLiteral("短信接收号码："), QRect(Dlu(17), Dlu(46) - 3, 100, 20));
    m_edit = PlaceEdit(this, QStringLiteral("1132"), DluRect(77, 43, 85, 14));
    m_edit->setMaxLength(kMaxDigits);
    m_edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_edit));
    auto* ok = PlaceOkCancel(this, QRect(48, 112, 75, 19), QRect(150, 112, 75, 19)).ok;
    connect(ok, &QAbstractButton::clicked, this, &CRecipientNumberDlg::OnOk);
}

void CRecipientNumberDlg::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    setWindowTitle(QStringLiteral("输入短信接收号码"));
    m_edit->setFocus();
}

void CRecipientNumberDlg::OnOk()
{
    const QString number = m_edit->text();
    if (number.size() < kMinDigits) {
        ShowMessage(QStringLiteral("请输入短信接收号码（不少于4位）！"));
        m_edit->setFocus();
        return;
    }
    m_number = number;
    accept();
}
