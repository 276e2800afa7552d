#pragma once

#include "skin_dialog.h"

class CSkinEdit;

// One recipient number typed by hand: digits only, at most 18, at least 4 to be accepted.
class CRecipientNumberDlg final : public CSkinDialog {
    Q_OBJECT
public:
    explicit CRecipientNumberDlg(QWidget* parent = nullptr);
    const QString& Number() const { return m_number; }

protected:
    void OnInitDialog() override;

private:
    void OnOk();

    QString m_number;
    CSkinEdit* m_edit;
};
