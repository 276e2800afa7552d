#pragma once

#include <QValidator>

// Keeps typing and pasting within a number of GBK bytes. Text set by the program is not
// checked, as with the platform's byte-limited edits, so such a value meets the dialog's
// own length check when OK is pressed.
class GbkByteValidator final : public QValidator {
    Q_OBJECT
public:
    GbkByteValidator(int maxBytes, QObject* parent);
    State validate(QString& input, int& position) const override;

private:
    int m_maxBytes;
};
