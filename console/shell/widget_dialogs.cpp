#include "widget_dialogs.h"

#include "message_dialog.h"
#include "modal_runner.h"
#include "passwords.h"
#include "recipient_number_dlg.h"
#include "reply_text_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

// The window a dialog belongs to and is centred on: the open modal dialog, else the active
// window, else the console's largest visible window. A message raised while another
// program has the focus (a timer, a finished run) still stands on the console, not alone
// in the middle of the screen.
QWidget* Owner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    QWidget* largest = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible() || top->isMinimized() || top->windowType() != Qt::Window)
            continue;
        if (!largest || top->width() * top->height() > largest->width() * largest->height())
            largest = top;
    }
    return largest;
}

std::optional<QString> ChooseFile(const FileChoice& choice, bool save)
{
    QFileDialog dialog(Owner(), choice.title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFilters(choice.filter));
    dialog.setDefaultSuffix(choice.defaultExtension);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !save);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

} // namespace

QStringList NameFilters(const QString& filter)
{
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        if (description.isEmpty() && pattern.isEmpty())
            continue;
        // Patterns match without regard to case, as operators expect: "*.XLS" finds "a.xls".
        QStringList patterns;
        for (const QString& one : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << one;
            if (one.toLower() != one)
                patterns << one.toLower();
            else if (one.toUpper() != one)
                patterns << one.toUpper();
        }
        const qsizetype open = description.indexOf(QLatin1Char('('));
        const QString name = open >= 0 ? description.left(open) : description;
        filters << name + QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

bool WidgetDialogs::ShowMessage(const QString& text, bool withCancel)
{
    CMessageDialog dialog(Owner());
    dialog.SetText(text);
    dialog.SetWithCancel(withCancel);
    return RunModal(dialog) == QDialog::Accepted;
}

void WidgetDialogs::PlainMessage(const QString& text, const QString& caption, bool information)
{
    QMessageBox box(information ? QMessageBox::Information : QMessageBox::NoIcon, caption, text, QMessageBox::Ok,
                    Owner());
    RunModal(box);
}

bool WidgetDialogs::VerifyAdministrator()
{
    return PromptAdministrator();
}

std::optional<QString> WidgetDialogs::AskReplyText()
{
    CReplyTextDialog dialog(Owner());
    if (RunModal(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.Text();
}

std::optional<QString> WidgetDialogs::AskRecipientNumber()
{
    CRecipientNumberDlg dialog(Owner());
    if (RunModal(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.Number();
}

std::optional<QString> WidgetDialogs::ChooseOpenFile(const FileChoice& choice)
{
    return ChooseFile(choice, false);
}

std::optional<QString> WidgetDialogs::ChooseSaveFile(const FileChoice& choice)
{
    return ChooseFile(choice, true);
}
