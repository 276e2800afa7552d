#pragma once

#include "skin_dialog.h"

class CSkinEdit;
class QLabel;

// The password prompt: at start-up, from the tray, and for the administrator's confirmation.
class CLoginDialog final : public CSkinDialog {
    Q_OBJECT
public:
    explicit CLoginDialog(QWidget* parent = nullptr);

    void SetTitle(const QString& title) { m_title = title; }
    // Shows the two lines with the default passwords of a new installation.
    void SetShowHint(bool show) { m_showHint = show; }
    const QString& Password() const { return m_password; }

protected:
    void OnInitDialog() override;

private:
    QString m_title;
    bool m_showHint = false;
    QString m_password;
    QLabel* m_hintFirst;
    QLabel* m_hintSecond;
    CSkinEdit* m_edit;
};
