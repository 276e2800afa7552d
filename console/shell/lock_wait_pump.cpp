#include "lock_wait_pump.h"

#include "lock_wait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

namespace {

// Timer events are dropped, not lost: a timer whose event did not arrive fires again.
class HoldBack final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        return event->type() == QEvent::Timer || event->type() == QEvent::Close;
    }
};

} // namespace

void PumpPaintOnly()
{
    // A connection used on a worker thread waits without it: events belong to the window's thread.
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() != application->thread())
        return;
    HoldBack holdBack;
    application->installEventFilter(&holdBack);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    application->removeEventFilter(&holdBack);
}

LockWaitPump::LockWaitPump()
{
    SetLockWaitHook(&PumpPaintOnly);
}

LockWaitPump::~LockWaitPump()
{
    SetLockWaitHook(nullptr);
}
