#include "link_file.h"

#include <QDir>
#include <QFile>

namespace {
// A shorter file is taken as missing.
constexpr qint64 kMinimumLength = 21;
}

std::string DefaultConnectionString(const QString& programDirectory)
{
    return "Provider=SQLite;Data Source=" +
           QDir(programDirectory).filePath(QStringLiteral("Varnholt.db")).toStdString() + ";";
}

std::string ChooseConnectionString(const QString& programDirectory)
{
    const QString path = QDir(programDirectory).filePath(QStringLiteral("Varnholt-dblink.ini"));
    QFile link(path);
    if (link.open(QIODevice::ReadOnly) && link.size() >= kMinimumLength) {
        const QByteArray content = link.readAll();
        return std::string(content.constData(), static_cast<size_t>(content.size()));
    }
    link.close();
    const std::string fallback = DefaultConnectionString(programDirectory);
    QFile write(path);
    if (write.open(QIODevice::WriteOnly | QIODevice::Truncate))
        write.write(fallback.data(), static_cast<qint64>(fallback.size()));
    return fallback;
}
