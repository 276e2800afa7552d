#include "sticker_printer.h"

#include "dialogs.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace {
// How often a waiting message looks whether the page is free again.
constexpr int kRetryMs = 300;

QString LastLine(const QByteArray& output)
{
    const QStringList lines = QString::fromLocal8Bit(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (!it->trimmed().isEmpty())
            return it->trimmed();
    return QString();
}
} // namespace

StickerPrinter::StickerPrinter(QObject* parent)
    : QObject(parent),
      m_run([this](const QString& program, const QStringList& arguments, Done done) {
          RunProcess(this, program, arguments, std::move(done));
      }),
      m_tell([](const QString& text) { ShowMessage(text, false); }),
      m_busy([] { return false; }),
      m_folder(DefaultFolder())
{}

QString StickerPrinter::DefaultFolder()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return QDir(documents).filePath(QStringLiteral("防伪贴纸"));
}

QString StickerPrinter::SheetName(const QString& batchName, const QString& first, const QString& last)
{
    QString name = batchName.trimmed();
    for (QChar& c : name)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QStringLiteral("批次"));
    return name + QLatin1Char('_') + first + (last.isEmpty() ? QString() : QLatin1Char('-') + last) +
           QStringLiteral(".pdf");
}

void StickerPrinter::Print(const QString& programDirectory, const QString& smsNumber, const QString& batchName,
                           const QString& first, const QString& last)
{
    if (!QDir().mkpath(m_folder)) {
        TellWhenIdle(QStringLiteral("无法创建保存防伪贴纸的文件夹：\r\n") + m_folder);
        return;
    }
    const QString sheet = QDir(m_folder).filePath(SheetName(batchName, first, last));
    QStringList arguments;
    if (!smsNumber.isEmpty())
        arguments << QStringLiteral("--sms-number") << smsNumber;
    arguments << QStringLiteral("--output") << sheet << first + last;
    m_run(programDirectory + QStringLiteral("/stickwell"), arguments,
          [this, sheet](int exitStatus, const QString& lastLine) { Finished(sheet, exitStatus, lastLine); });
}

void StickerPrinter::Finished(const QString& sheet, int exitStatus, const QString& lastLine)
{
    if (exitStatus == 0)
        return; // the viewer shows the sheet
    if (exitStatus == kNotShown) {
        TellWhenIdle(QStringLiteral("防伪贴纸已保存在：\r\n") + sheet +
                     QStringLiteral("\r\n没有打开它的 PDF 阅读程序，请从这个文件夹打开并打印。"));
        return;
    }
    TellWhenIdle(QStringLiteral("防伪贴纸未能生成。") +
                 (lastLine.isEmpty() ? QString() : QStringLiteral("\r\n") + lastLine));
}

void StickerPrinter::TellWhenIdle(const QString& text)
{
    if (!m_busy()) {
        m_tell(text);
        return;
    }
    QTimer::singleShot(kRetryMs, this, [this, text] { TellWhenIdle(text); });
}

void StickerPrinter::RunProcess(QObject* owner, const QString& program, const QStringList& arguments, Done done)
{
    auto* process = new QProcess(owner);
    process->setProcessChannelMode(QProcess::MergedChannels);
    // A viewer started by the program may keep running long after it; its output is none
    // of the console's business.
    QObject::connect(process, &QProcess::finished, owner, [process, done](int exitCode, QProcess::ExitStatus status) {
        done(status == QProcess::NormalExit ? exitCode : -1, LastLine(process->readAll()));
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, owner, [process, program, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        done(-1, QStringLiteral("找不到或无法启动贴纸程序 ") + program);
        process->deleteLater();
    });
    process->start(program, arguments);
}
