#include "modal_script.h"

#include "modal_runner.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

ModalScript::ModalScript()
{
    SetModalHook([this](QDialog& dialog) { return Run(dialog); });
}

ModalScript::~ModalScript()
{
    SetModalHook(ModalHook());
}

ModalScript& ModalScript::Then(Step step)
{
    m_steps.push_back(std::move(step));
    return *this;
}

int ModalScript::Run(QDialog& dialog)
{
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    QApplication::processEvents();
    m_titles << dialog.windowTitle();
    if (m_steps.empty()) {
        ++m_unexpected;
        dialog.reject();
        return dialog.result();
    }
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    step(dialog);
    if (dialog.isVisible()) {
        ++m_leftOpen;
        dialog.reject();
    }
    return dialog.result();
}

namespace {

// Key presses as a keyboard with an input method makes them: keys for printable ASCII and
// Tab, Return for a line break ("\r\n" is one), and every other character as text without a
// key code, a surrogate pair in one piece.
void TypeKeys(QWidget* widget, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            QTest::keyClick(widget, Qt::Key_Return);
            continue;
        }
        if (c == u'\t' || (c.unicode() >= 0x20 && c.unicode() < 0x7f)) {
            QTest::keyClick(widget, c.toLatin1());
            continue;
        }
        const bool pair = c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString unit = text.mid(i, pair ? 2 : 1);
        i += pair ? 1 : 0;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, unit);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, unit);
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace

void ModalScript::Type(QDialog& dialog, const QString& control, const QString& text)
{
    QWidget* widget = dialog.findChild<QWidget*>(control);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->clear();
        TypeKeys(edit, text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        plain->clear();
        TypeKeys(plain, text);
    }
}

void ModalScript::Click(QDialog& dialog, const QString& control)
{
    if (auto* button = dialog.findChild<QAbstractButton*>(control))
        QTest::mouseClick(button, Qt::LeftButton);
}

ModalScript::Step ModalScript::TypeAndOk(const QString& control, const QString& text)
{
    return [control, text](QDialog& dialog) {
        Type(dialog, control, text);
        Click(dialog, QStringLiteral("1"));
    };
}

ModalScript::Step ModalScript::Press(const QString& control)
{
    return [control](QDialog& dialog) { Click(dialog, control); };
}
