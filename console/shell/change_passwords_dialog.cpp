#include "change_passwords_dialog.h"

#include "dialog_controls.h"
#include "dialogs.h"
#include "gbk_byte_limit.h"
#include "kit_look.h"
#include "skin_button.h"
#include "skin_edit.h"

namespace {
constexpr int kPasswordBytes = 10;
}

CChangePasswordsDialog::CChangePasswordsDialog(QWidget* parent) : CSkinDialog(parent)
{
    setFixedSize(DluSize(187, 108));
    PlaceLabel(this, QString(), QStringLiteral("系统管理员口令："), QRect(24, 48, 110, 22));
    m_administrator = PlaceEdit(this, QStringLiteral("1144"), QRect(134, 48, width() - 134 - 24, 22));
    PlaceLabel(this, QString(), QStringLiteral("普通操作员口令："), QRect(24, 82, 110, 22));
    m_operator = PlaceEdit(this, QStringLiteral("1148"), QRect(134, 82, width() - 134 - 24, 22));
    for (CSkinEdit* edit : {m_administrator, m_operator}) {
        edit->setEchoMode(QLineEdit::Password);
        LimitGbkBytes(edit, kPasswordBytes);
    }
    auto* ok = PlaceOkCancel(this, QRect(50, 124, 75, 22), QRect(156, 124, 75, 22)).ok;
    connect(ok, &QAbstractButton::clicked, this, &CChangePasswordsDialog::OnOk);
}

void CChangePasswordsDialog::SetAdministratorPassword(const QString& password)
{
    m_administrator->setText(password);
}

void CChangePasswordsDialog::SetOperatorPassword(const QString& password)
{
    m_operator->setText(password);
}

QString CChangePasswordsDialog::AdministratorPassword() const
{
    return m_administrator->text();
}

QString CChangePasswordsDialog::OperatorPassword() const
{
    return m_operator->text();
}

void CChangePasswordsDialog::OnInitDialog()
{
    CSkinDialog::OnInitDialog();
    setWindowTitle(QStringLiteral("修改操作口令"));
    m_administrator->setFocus();
}

void CChangePasswordsDialog::OnOk()
{
    // The administrator's tests come first, then the operator's; the first failure speaks.
    const struct {
        bool failed;
        const char16_t* message;
        CSkinEdit* focus;
    } checks[] = {
        {AdministratorPassword().isEmpty(), u"请输入系统管理员口令！", m_administrator},
        {AdministratorPassword() == QLatin1String("482"), u"系统管理员口令不能与默认的口令（482）相同！",
         m_administrator},
        {OperatorPassword().isEmpty(), u"请输入普通操作员口令！", m_operator},
        {OperatorPassword() == QLatin1String("759"), u"普通操作员口令不能与默认的口令（759）相同！", m_operator},
    };
    for (const auto& check : checks) {
        if (check.failed) {
            ShowMessage(QString::fromUtf16(check.message));
            check.focus->setFocus();
            return;
        }
    }
    accept();
}
