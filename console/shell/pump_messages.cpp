#include "pump_messages.h"

#include <QCoreApplication>

bool PumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return true;
}
