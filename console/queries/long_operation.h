#pragma once

#include <QApplication>
#include <QWidget>

#include <utility>
#include <vector>

// A page's read or delete under way: the page is busy, the given controls are disabled and
// the wait cursor shows. All is put back by End(), or when the scope ends, early returns
// included.
class LongOperation {
public:
    LongOperation(bool& busy, std::vector<QWidget*> controls) : m_busy(busy), m_controls(std::move(controls))
    {
        m_busy = true;
        SetEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~LongOperation() { End(); }
    // Puts the page back before what follows the operation: a message box, say.
    void End()
    {
        if (m_ended)
            return;
        m_ended = true;
        QApplication::restoreOverrideCursor();
        SetEnabled(true);
        m_busy = false;
    }
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

private:
    void SetEnabled(bool enabled)
    {
        for (QWidget* control : m_controls)
            control->setEnabled(enabled);
    }

    bool& m_busy;
    std::vector<QWidget*> m_controls;
    bool m_ended = false;
};
