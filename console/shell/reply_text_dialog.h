#pragma once

#include "skin_dialog.h"

class QPlainTextEdit;

// The text of a manual reply: at most 140 GBK bytes (70 Chinese characters), never empty.
class CReplyTextDialog final : public CSkinDialog {
    Q_OBJECT
public:
    explicit CReplyTextDialog(QWidget* parent = nullptr);
    const QString& Text() const { return m_text; }

protected:
    void OnInitDialog() override;

private:
    void OnOk();

    QString m_text;
    QPlainTextEdit* m_edit;
};
