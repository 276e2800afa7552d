#include "passwords.h"

#include "change_passwords_dialog.h"
#include "dialogs.h"
#include "ini_file.h"
#include "login_dialog.h"
#include "modal_runner.h"
#include "program_directory.h"

#include <QApplication>

namespace {

const QString kSection = QStringLiteral("用户权限");
const QString kAdministratorKey = QStringLiteral("系统管理员");
const QString kOperatorKey = QStringLiteral("普通操作员");
const QString kDefaultAdministrator = QStringLiteral("482");
const QString kDefaultOperator = QStringLiteral("759");
// Each value is read into a buffer of this many bytes.
constexpr int kPasswordBuffer = 20;

QString PasswordFile()
{
    return ProgramFile(QStringLiteral("sp.dap"));
}

bool SameNoCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QWidget* Owner()
{
    return QApplication::activeWindow();
}

} // namespace

OperatorPasswords ReadPasswords()
{
    IniFile file;
    file.Load(PasswordFile());
    return OperatorPasswords{file.GetString(kSection, kAdministratorKey, kDefaultAdministrator, kPasswordBuffer),
                             file.GetString(kSection, kOperatorKey, kDefaultOperator, kPasswordBuffer)};
}

bool WritePasswords(const OperatorPasswords& passwords)
{
    IniFile file;
    file.Load(PasswordFile());
    file.SetString(kSection, kAdministratorKey, passwords.administrator);
    file.SetString(kSection, kOperatorKey, passwords.operatorPassword);
    return file.Save(PasswordFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

int Login()
{
    const OperatorPasswords passwords = ReadPasswords();
    CLoginDialog dialog(Owner());
    dialog.SetShowHint(SameNoCase(passwords.administrator, kDefaultAdministrator) ||
                       SameNoCase(passwords.operatorPassword, kDefaultOperator));
    if (RunModal(dialog) != QDialog::Accepted)
        return kNoAccess;
    // Equal passwords give the administrator's role: that test comes first.
    if (SameNoCase(dialog.Password(), passwords.administrator))
        return kAdministratorRole;
    if (SameNoCase(dialog.Password(), passwords.operatorPassword))
        return kOperatorRole;
    ShowMessage(QStringLiteral("口令错误！"));
    return kNoAccess;
}

bool PromptAdministrator()
{
    const QString administrator = ReadPasswords().administrator;
    CLoginDialog dialog(Owner());
    dialog.SetTitle(QStringLiteral("请输入防伪系统的系统管理员口令"));
    dialog.SetShowHint(SameNoCase(administrator, kDefaultAdministrator));
    if (RunModal(dialog) != QDialog::Accepted)
        return false;
    if (SameNoCase(dialog.Password(), administrator))
        return true;
    ShowMessage(QStringLiteral("输入的不是正确的系统管理员口令！"));
    return false;
}

void ChangePasswords()
{
    if (!VerifyAdministrator())
        return;
    const OperatorPasswords current = ReadPasswords();
    CChangePasswordsDialog dialog(Owner());
    dialog.SetAdministratorPassword(current.administrator);
    dialog.SetOperatorPassword(current.operatorPassword);
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    // A failed write leaves the old passwords in force: the operator must not believe
    // the new ones hold.
    if (!WritePasswords(OperatorPasswords{dialog.AdministratorPassword(), dialog.OperatorPassword()}))
        ShowMessage(QStringLiteral("口令保存失败（无法写入口令文件sp.dap），原来的口令仍然有效！"));
}
