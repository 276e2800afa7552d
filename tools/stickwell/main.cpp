// stickwell: prints the codes of a ProductID range as a PDF sheet of stickers, then opens
// the sheet in the desktop's viewer or sends it to a printer.
#include "connection_string.h"
#include "db_connection.h"
#include "link_file.h"
#include "message_sink.h"
#include "one_line.h"
#include "program_home.h"
#include "sheet_file.h"
#include "sticker_sheet.h"
#include "sticker_source.h"
#include "stickwell_options.h"

#include <QGuiApplication>
#include <QProcess>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

int Fail(const std::string& line)
{
    std::fprintf(stderr, "stickwell: %s\n", line.c_str());
    return 1;
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
    if (ProviderOf(settings) != ProviderKind::SQLite)
        return false;
    path = settings.Get("Data Source");
    return !path.empty() && path != ":memory:" && path.rfind("file:", 0) != 0;
}

// Exit status when the sheet was written but no viewer took it: the caller tells the
// operator where it is.
constexpr int kNotShown = 3;

// Starts the desktop's viewer. It answers within moments when it cannot open the file (no
// viewer for PDF, no desktop); one still running after that has opened it and is left to
// run.
bool ShowSheet(const std::string& path)
{
    const char* const argv[] = {"xdg-open", path.c_str(), nullptr};
    // The viewer may outlive us; it keeps no hold on our caller's output.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "xdg-open", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
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
    if (options.Open() && !ShowSheet(path)) {
        std::fprintf(stderr, "stickwell: the sheet is in %s; no viewer opened it\n", path.c_str());
        return kNotShown;
    }
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

    const std::string programDirectory = ProgramHome();
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

    SheetFile file;
    if (!(options.Output().empty() ? file.OpenPrivate(range.First() + "-" + range.Last(), error)
                                   : file.Open(options.Output(), error)))
        return Fail(error);
    const std::string output = file.Path();

    StickerSheet sheet(options.Grid(), options.SmsNumber(), options.Outline());
    const QString title =
        QStringLiteral("%1 - %2").arg(QString::fromStdString(range.First()), QString::fromStdString(range.Last()));
    if (!sheet.Begin(&file.Device(), title, error))
        return Fail(error);
    StickerSource::Outcome next = StickerSource::Outcome::Sticker;
    while (next == StickerSource::Outcome::Sticker) {
        sheet.Add(sticker);
        next = source.Next(sticker, error);
    }
    if (next == StickerSource::Outcome::Failed)
        return Fail(error);
    if (!sheet.Finish(error) || !file.Commit(error))
        return Fail(error);

    std::printf("stickwell: %d stickers in %s\n", sheet.Count(), output.c_str());
    return Deliver(options, output);
}
