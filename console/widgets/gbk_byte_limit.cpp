#include "gbk_byte_limit.h"

#include "gbk_text.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>

#include <algorithm>
#include <memory>

namespace {

// Whether a change from `before` to `after` may stand: it fits, or it does not make a text
// that is already too long (one the program set) any longer, so deleting from it works.
bool Allowed(const QString& before, const QString& after, int maxBytes)
{
    const int bytes = GbkByteCount(after);
    return bytes <= maxBytes || bytes <= GbkByteCount(before);
}

// What the edit may keep when an edit made `before` into `after` and after is too long:
// the inserted part is shortened until the whole fits, so text around the cursor stays.
// When the text around it is already too long, nothing of the insertion is kept.
// Answers the kept text and where the cursor belongs.
std::pair<QString, int> Fit(const QString& before, const QString& after, int maxBytes)
{
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(before.size(), after.size());
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const QString head = after.left(prefix);
    const QString tail = after.right(suffix);
    const QString inserted = after.mid(prefix, after.size() - prefix - suffix);
    const int budget = maxBytes - GbkByteCount(head) - GbkByteCount(tail);
    if (budget < 0)
        return {head + tail, static_cast<int>(head.size())};
    const QString kept = CutToGbkBytes(inserted, budget);
    return {head + kept + tail, static_cast<int>(head.size() + kept.size())};
}

} // namespace

void LimitGbkBytes(QLineEdit* edit, int maxBytes)
{
    auto accepted = std::make_shared<QString>(edit->text());
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, maxBytes, accepted](const QString& text) {
        // Text the program sets is shown as it is; only typing and pasting are limited.
        if (!edit->isModified() || Allowed(*accepted, text, maxBytes)) {
            *accepted = text;
            return;
        }
        const auto [fitted, cursor] = Fit(*accepted, text, maxBytes);
        *accepted = fitted;
        edit->setText(fitted);
        edit->setCursorPosition(cursor);
    });
}

void LimitGbkBytes(QPlainTextEdit* edit, int maxBytes)
{
    auto accepted = std::make_shared<QString>(CutToGbkBytes(edit->toPlainText(), maxBytes));
    if (*accepted != edit->toPlainText())
        edit->setPlainText(*accepted);
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, maxBytes, accepted]() {
        const QString text = edit->toPlainText();
        if (Allowed(*accepted, text, maxBytes)) {
            *accepted = text;
            return;
        }
        const auto [fitted, cursor] = Fit(*accepted, text, maxBytes);
        *accepted = fitted;
        {
            const QSignalBlocker blocker(edit);
            edit->setPlainText(fitted);
        }
        QTextCursor textCursor = edit->textCursor();
        textCursor.setPosition(cursor);
        edit->setTextCursor(textCursor);
        emit edit->textChanged();
    });
}
