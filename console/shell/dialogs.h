#pragma once

#include <QString>

#include <optional>

// What a file chooser shows. The filter is written as the pages quote it:
// "文本文件(*.txt)|*.txt|" — pairs of description and pattern, each ended by '|'.
struct FileChoice {
    QString title;
    QString filter;
    QString defaultExtension; // added when the operator types a name without one
};

// Every message, confirmation, password prompt and file chooser the pages use goes
// through here. The console installs the real dialogs; tests install ScriptedDialogs,
// which answers from a queue and never blocks.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The console's message dialog: a notice (OK only, answers true) or, with cancel, a
    // question that answers true only when OK was pressed.
    virtual bool ShowMessage(const QString& text, bool withCancel) = 0;
    // A plain platform message box with OK only: provider errors and the lost-connection
    // notice.
    virtual void PlainMessage(const QString& text, const QString& caption, bool information) = 0;
    // The administrator's password asked for again, on the spot.
    virtual bool VerifyAdministrator() = 0;
    // The reply-text dialog: the text typed (never empty), or nothing when cancelled.
    virtual std::optional<QString> AskReplyText() = 0;
    // The recipient-number dialog: the number typed (at least four digits), or nothing.
    virtual std::optional<QString> AskRecipientNumber() = 0;
    // File choosers: the full path, or nothing when cancelled. The save chooser asks
    // before an existing file is replaced.
    virtual std::optional<QString> ChooseOpenFile(const FileChoice& choice) = 0;
    virtual std::optional<QString> ChooseSaveFile(const FileChoice& choice) = 0;
};

// The dialogs in use. Passing nullptr restores the real ones.
Dialogs& TheDialogs();
void SetDialogs(Dialogs* dialogs);

// Shorthands for the calls the pages make most.
bool ShowMessage(const QString& text, bool withCancel = false);
bool VerifyAdministrator();
