#pragma once

#include "skin_dialog.h"

class QLabel;
class QTextEdit;
class CSkinButton;

// The console's message and confirmation dialog: the text in a read-only box, OK, and
// cancel when the caller asks for it.
class CMessageDialog final : public CSkinDialog {
    Q_OBJECT
public:
    explicit CMessageDialog(QWidget* parent = nullptr);

    void SetText(const QString& text) { m_text = text; }
    void SetWithCancel(bool withCancel) { m_withCancel = withCancel; }

protected:
    void OnInitDialog() override;

private:
    QString m_text;
    bool m_withCancel = false;
    QTextEdit* m_textBox;
    CSkinButton* m_ok;
    CSkinButton* m_cancel;
};
