#include "window_title.h"

#include "ini_file.h"

#include <QDir>

namespace {
constexpr int kTitleBuffer = 200;
}

QString DefaultWindowTitle()
{
    return QStringLiteral("Ostrel");
}

QString ReadWindowTitle(const QString& programDirectory)
{
    IniFile file;
    file.Load(QDir(programDirectory).filePath(QStringLiteral("oem.dat")));
    return file.GetString(QStringLiteral("程序窗口名"), QStringLiteral("Ostrel"), DefaultWindowTitle(), kTitleBuffer);
}
