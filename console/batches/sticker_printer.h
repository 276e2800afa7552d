#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// Runs the sticker program for one batch range and tells the operator how it went. The
// sheet goes to the stickers folder under the batch's name and range; when no viewer
// opened it the operator is told where it lies, when the program failed, why. A message
// waits while the page is busy: a generation holds its transaction, and a modal box must
// not stop it.
class StickerPrinter final : public QObject {
    Q_OBJECT
public:
    // done(exit status, last line the program wrote); -1 when it did not start or crashed.
    using Done = std::function<void(int exitStatus, const QString& lastLine)>;
    using Runner = std::function<void(const QString& program, const QStringList& arguments, Done done)>;
    using Teller = std::function<void(const QString& text)>;
    using Busy = std::function<bool()>;

    // The sticker program's status when it wrote the sheet but no viewer opened it.
    static constexpr int kNotShown = 3;

    explicit StickerPrinter(QObject* parent = nullptr);

    void SetRunner(Runner runner) { m_run = std::move(runner); }
    void SetTeller(Teller teller) { m_tell = std::move(teller); }
    void SetBusy(Busy busy) { m_busy = std::move(busy); }
    void SetFolder(const QString& folder) { m_folder = folder; }
    const QString& Folder() const { return m_folder; }

    // smsNumber may be empty (none set for the installation).
    void Print(const QString& programDirectory, const QString& smsNumber, const QString& batchName,
               const QString& first, const QString& last);

    // "<Documents>/防伪贴纸": a folder the operator finds in the file manager.
    static QString DefaultFolder();
    // "<batch>_<first>-<last>.pdf" (or "<batch>_<first>.pdf"), with characters no file name
    // can hold replaced.
    static QString SheetName(const QString& batchName, const QString& first, const QString& last);

private:
    void Finished(const QString& sheet, int exitStatus, const QString& lastLine);
    void TellWhenIdle(const QString& text);
    static void RunProcess(QObject* owner, const QString& program, const QStringList& arguments, Done done);

    Runner m_run;
    Teller m_tell;
    Busy m_busy;
    QString m_folder;
};
