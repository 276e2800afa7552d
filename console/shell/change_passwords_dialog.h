#pragma once

#include "skin_dialog.h"

class CSkinEdit;

// The two operator passwords, changed together; OK refuses empty and default passwords.
class CChangePasswordsDialog final : public CSkinDialog {
    Q_OBJECT
public:
    explicit CChangePasswordsDialog(QWidget* parent = nullptr);

    void SetAdministratorPassword(const QString& password);
    void SetOperatorPassword(const QString& password);
    QString AdministratorPassword() const;
    QString OperatorPassword() const;

protected:
    void OnInitDialog() override;

private:
    void OnOk();

    CSkinEdit* m_administrator;
    CSkinEdit* m_operator;
};
