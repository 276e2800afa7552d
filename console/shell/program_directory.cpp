#include "program_directory.h"

#include "program_home.h"

#include <QDir>

#include <optional>

namespace {

std::optional<QString>& Stored()
{
    static std::optional<QString> directory;
    return directory;
}

QString Compute()
{
    return QString::fromStdString(ProgramHome());
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
