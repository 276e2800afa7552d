#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

class QDialog;

// For tests: while it lives, every dialog run through RunModal is shown and handed to the
// next scripted step, which drives its real controls (typing, clicking). The step should
// leave the dialog closed; one it leaves open is cancelled and counted. A dialog that
// finds no step left is cancelled and counted as unexpected.
class ModalScript final {
public:
    using Step = std::function<void(QDialog&)>;

    ModalScript();
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    ModalScript& Then(Step step);

    int Remaining() const { return static_cast<int>(m_steps.size()); }
    int Unexpected() const { return m_unexpected; }
    int LeftOpen() const { return m_leftOpen; }
    // Window titles of the dialogs that ran, in order.
    const QStringList& Titles() const { return m_titles; }

    // Step helpers: find a control by its object name (its control ID).
    // Type clears the edit and types any text, as a keyboard with an input method would;
    // a line break is the Return key (in a one-line edit it presses the default button).
    static void Type(QDialog& dialog, const QString& control, const QString& text);
    static void Click(QDialog& dialog, const QString& control);
    // A step that types into one edit and presses OK (control 1).
    static Step TypeAndOk(const QString& control, const QString& text);
    static Step Press(const QString& control);

private:
    int Run(QDialog& dialog);

    std::deque<Step> m_steps;
    QStringList m_titles;
    int m_unexpected = 0;
    int m_leftOpen = 0;
};
