#pragma once

#include "skin_dialog.h"

class QAbstractButton;
class QPlainTextEdit;

// The text of a manual reply: at most 140 GBK bytes (70 Chinese characters), never empty.
// Return in the text presses OK, as in the console's other input dialogs: a reply is one
// short message, and a line break typed by habit would only cost it bytes.
class CReplyTextDialog final : public CSkinDialog {
    Q_OBJECT
public:
    explicit CReplyTextDialog(QWidget* parent = nullptr);
    const QString& Text() const { return m_text; }

protected:
    void OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnOk();

    QString m_text;
    QPlainTextEdit* m_edit;
    QAbstractButton* m_ok;
};
