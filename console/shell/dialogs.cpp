#include "dialogs.h"

#include "widget_dialogs.h"

namespace {
Dialogs* g_dialogs = nullptr;
}

Dialogs& TheDialogs()
{
    static WidgetDialogs real;
    return g_dialogs ? *g_dialogs : real;
}

void SetDialogs(Dialogs* dialogs)
{
    g_dialogs = dialogs;
}

bool ShowMessage(const QString& text, bool withCancel)
{
    return TheDialogs().ShowMessage(text, withCancel);
}

bool VerifyAdministrator()
{
    return TheDialogs().VerifyAdministrator();
}
