#pragma once

#include "dialogs.h"

// The real dialogs: the console's own message, reply-text, recipient-number and password
// dialogs, Qt's message box and file choosers.
class WidgetDialogs final : public Dialogs {
public:
    bool ShowMessage(const QString& text, bool withCancel) override;
    void PlainMessage(const QString& text, const QString& caption, bool information) override;
    bool VerifyAdministrator() override;
    std::optional<QString> AskReplyText() override;
    std::optional<QString> AskRecipientNumber() override;
    std::optional<QString> ChooseOpenFile(const FileChoice& choice) override;
    std::optional<QString> ChooseSaveFile(const FileChoice& choice) override;
};

// "文本文件(*.txt)|*.txt|" as the file chooser's name filters: "文本文件(*.txt)".
QStringList NameFilters(const QString& filter);
