// stickwell: prints the codes of a ProductID range as a PDF sheet of stickers, then opens
// the sheet in the desktop's viewer or sends it to a printer.
#include "connection_string.h"
#include "db_connection.h"
#include "link_file.h"
#include "message_sink.h"
#include "program_directory.h"
#include "sticker_sheet.h"
#include "sticker_source.h"
#include "stickwell_options.h"
#include "text_util.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

int Fail(const std::string& line)
{
    std::fprintf(stderr, "stickwell: %s\n", line.c_str());
    return 1;
}

std::string OneLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

// The data layer's notices go to the program's one error line instead of the terminal.
class KeptMessages final : public MessageSink {
public:
    void Show(const std::string& text, const std::string&, MessageIcon) override
    {
        if (m_text.empty())
            m_text = OneLine(text);
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

bool IsSqliteFile(const ConnectionString& settings, std::string& path)
{
    if (!EqualsNoCaseAscii(settings.Get("Provider"), "sqlite"))
        return false;
    path = settings.Get("Data Source");
    return !path.empty() && path != ":memory:" && path.rfind("file:", 0) != 0;
}

std::string DefaultOutput(const StickerRange& range)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    return QDir(folder).filePath(QStringLiteral("stickwell-%1-%2.pdf")
                                     .arg(QString::fromStdString(range.First()), QString::fromStdString(range.Last())))
        .toStdString();
}

int Deliver(const StickwellOptions& options, const std::string& path)
{
    const QString file = QString::fromStdString(path);
    if (options.Print()) {
        QStringList args;
        if (!options.Printer().empty())
            args << QStringLiteral("-d") << QString::fromStdString(options.Printer());
        args << QStringLiteral("--") << file;
        QProcess lp;
        lp.start(QStringLiteral("lp"), args);
        if (!lp.waitForStarted())
            return Fail("the sheet is in " + path + ", but lp could not be started");
        lp.waitForFinished(-1);
        if (lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0)
            return Fail("the sheet is in " + path + ", but lp refused it: " +
                        OneLine(QString::fromLocal8Bit(lp.readAllStandardError()).toStdString()));
        return 0;
    }
    if (options.Open() && !QProcess::startDetached(QStringLiteral("xdg-open"), {file}))
        return Fail("the sheet is in " + path + ", but xdg-open could not be started to show it");
    return 0;
}

void DropQtNotices(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "stickwell: %s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char* argv[])
{
    StickwellOptions options;
    std::string error;
    switch (options.Parse(std::vector<std::string>(argv + 1, argv + argc), error)) {
    case StickwellOptions::Outcome::Help:
        std::fputs(StickwellOptions::Usage().c_str(), stdout);
        return 0;
    case StickwellOptions::Outcome::Wrong:
        Fail(error + " (see --help)");
        return 2;
    case StickwellOptions::Outcome::Run:
        break;
    }

    KeptMessages messages;
    SetMessageSink(&messages);
    SetApplicationName("stickwell");

    const std::string programDirectory = ProgramDirectory();
    const std::string connectionString = LinkConnectionString(programDirectory);
    const ConnectionString settings(connectionString);
    std::string sqlitePath;
    if (IsSqliteFile(settings, sqlitePath) && !std::filesystem::is_regular_file(sqlitePath))
        return Fail("database not found: " + sqlitePath);
    CDbConnection connection;
    if (!connection.Open(connectionString, -1)) {
        const std::string reason = connection.GetErrorsText();
        return Fail("cannot open the database: " + (reason.empty() ? connectionString : OneLine(reason)));
    }

    const StickerRange& range = options.Range();
    StickerSource source(connection, range);
    Sticker sticker;
    switch (source.Next(sticker, error)) {
    case StickerSource::Outcome::End:
        return Fail("no codes from " + range.First() + " to " + range.Last() + " in the database");
    case StickerSource::Outcome::Failed:
        return Fail(error);
    case StickerSource::Outcome::Sticker:
        break;
    }

    // No window is ever shown; fonts and the PDF engine need the application object only.
    // Qt's own notices would break the promise of one line per outcome.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(DropQtNotices);
    QGuiApplication application(argc, argv);

    const std::string output = options.Output().empty() ? DefaultOutput(range) : options.Output();
    // Written beside the target and renamed at the end: a cut-short run leaves no half sheet.
    QSaveFile file(QString::fromStdString(output));
    if (!file.open(QIODevice::WriteOnly))
        return Fail("cannot write " + output + ": " + file.errorString().toStdString());

    StickerSheet sheet(options.Grid(), options.SmsNumber(), options.Outline());
    const QString title = QStringLiteral("%1 - %2").arg(QString::fromStdString(range.First()),
                                                         QString::fromStdString(range.Last()));
    if (!sheet.Begin(&file, title, error))
        return Fail(error);
    StickerSource::Outcome next = StickerSource::Outcome::Sticker;
    while (next == StickerSource::Outcome::Sticker) {
        sheet.Add(sticker);
        next = source.Next(sticker, error);
    }
    if (next == StickerSource::Outcome::Failed) {
        file.cancelWriting();
        return Fail(error);
    }
    if (!sheet.Finish(error)) {
        file.cancelWriting();
        return Fail(error);
    }
    if (!file.commit())
        return Fail("cannot write " + output + ": " + file.errorString().toStdString());

    std::printf("stickwell: %d stickers in %s\n", sheet.Count(), output.c_str());
    return Deliver(options, output);
}
