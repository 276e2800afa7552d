#include "dialogs_message_sink.h"

#include "dialogs.h"

void DialogsMessageSink::Show(const std::string& text, const std::string& caption, MessageIcon icon)
{
    TheDialogs().PlainMessage(QString::fromStdString(text), QString::fromStdString(caption),
                              icon == MessageIcon::Information);
}
