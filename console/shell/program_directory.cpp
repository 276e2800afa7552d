#include "program_directory.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace {

std::optional<QString>& Stored()
{
    static std::optional<QString> directory;
    return directory;
}

QString Compute()
{
    const QString home = qEnvironmentVariable("KELVANE_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QDir(home).absolutePath());
    const QFileInfo program(QStringLiteral("/proc/self/exe"));
    const QString target = program.symLinkTarget();
    if (!target.isEmpty())
        return QFileInfo(target).absolutePath();
    return QDir::currentPath();
}

} // namespace

const QString& ProgramDirectory()
{
    auto& stored = Stored();
    if (!stored)
        stored = Compute();
    return *stored;
}

void SetProgramDirectory(const QString& directory)
{
    Stored() = directory;
}

QString ProgramFile(const QString& name)
{
    return QDir(ProgramDirectory()).filePath(name);
}
