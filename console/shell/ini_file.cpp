#include "ini_file.h"

#include "gbk_text.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray LineEnd(const QByteArray& line)
{
    if (line.endsWith("\r\n"))
        return QByteArrayLiteral("\r\n");
    if (line.endsWith('\n'))
        return QByteArrayLiteral("\n");
    return QByteArray();
}

QByteArray WithoutLineEnd(const QByteArray& line)
{
    return line.left(line.size() - LineEnd(line).size());
}

mode_t ModeOf(QFileDevice::Permissions permissions)
{
    mode_t mode = 0;
    if (permissions & QFileDevice::ReadOwner)
        mode |= S_IRUSR;
    if (permissions & QFileDevice::WriteOwner)
        mode |= S_IWUSR;
    if (permissions & QFileDevice::ExeOwner)
        mode |= S_IXUSR;
    if (permissions & QFileDevice::ReadGroup)
        mode |= S_IRGRP;
    if (permissions & QFileDevice::WriteGroup)
        mode |= S_IWGRP;
    if (permissions & QFileDevice::ExeGroup)
        mode |= S_IXGRP;
    if (permissions & QFileDevice::ReadOther)
        mode |= S_IROTH;
    if (permissions & QFileDevice::WriteOther)
        mode |= S_IWOTH;
    if (permissions & QFileDevice::ExeOther)
        mode |= S_IXOTH;
    return mode;
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        at += written;
        left -= written;
    }
    return true;
}

} // namespace

bool IniFile::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        LoadBytes(QByteArray());
        return false;
    }
    LoadBytes(file.readAll());
    return true;
}

void IniFile::LoadBytes(const QByteArray& bytes)
{
    m_lines.clear();
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        m_lines.push_back(bytes.mid(start, next - start));
        start = next;
    }
    m_utf8 = IsValidUtf8(bytes);
    m_newline = bytes.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

QString IniFile::Decode(const QByteArray& bytes) const
{
    QString text = m_utf8 ? QString::fromUtf8(bytes) : FromGbk(bytes);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    return text;
}

QByteArray IniFile::Encode(const QString& text) const
{
    return m_utf8 ? text.toUtf8() : ToGbk(text);
}

IniFile::Parsed IniFile::Parse(int line) const
{
    Parsed parsed;
    const QString text = Decode(WithoutLineEnd(m_lines[static_cast<size_t>(line)])).trimmed();
    if (text.startsWith(QLatin1Char('['))) {
        parsed.kind = LineKind::Section;
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        parsed.name = (close < 0 ? text.mid(1) : text.mid(1, close - 1)).trimmed();
        return parsed;
    }
    if (text.startsWith(QLatin1Char(';')))
        return parsed;
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return parsed;
    parsed.kind = LineKind::Key;
    parsed.name = text.left(equals).trimmed();
    QString value = text.mid(equals + 1).trimmed();
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
        value = value.mid(1, value.size() - 2);
    parsed.value = value;
    return parsed;
}

int IniFile::FindSection(const QString& section) const
{
    for (int i = 0; i < static_cast<int>(m_lines.size()); ++i) {
        const Parsed parsed = Parse(i);
        if (parsed.kind == LineKind::Section && parsed.name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString IniFile::GetString(const QString& section, const QString& key, const QString& fallback, int bufferBytes) const
{
    QString value = fallback;
    const int header = FindSection(section);
    if (header >= 0) {
        for (int i = header + 1; i < static_cast<int>(m_lines.size()); ++i) {
            const Parsed parsed = Parse(i);
            if (parsed.kind == LineKind::Section)
                break;
            if (parsed.kind == LineKind::Key && parsed.name.compare(key, Qt::CaseInsensitive) == 0) {
                value = parsed.value;
                break;
            }
        }
    }
    return CutToGbkBytes(value, bufferBytes - 1);
}

void IniFile::SetString(const QString& section, const QString& key, const QString& value)
{
    const QByteArray entry = Encode(key + QLatin1Char('=') + value);
    const int header = FindSection(section);
    if (header < 0) {
        if (!m_lines.empty() && LineEnd(m_lines.back()).isEmpty())
            m_lines.back() += m_newline;
        m_lines.push_back(Encode(QLatin1Char('[') + section + QLatin1Char(']')) + m_newline);
        m_lines.push_back(entry + m_newline);
        return;
    }
    int lastContent = header;
    int i = header + 1;
    for (; i < static_cast<int>(m_lines.size()); ++i) {
        const Parsed parsed = Parse(i);
        if (parsed.kind == LineKind::Section)
            break;
        if (parsed.kind == LineKind::Key && parsed.name.compare(key, Qt::CaseInsensitive) == 0) {
            QByteArray& line = m_lines[static_cast<size_t>(i)];
            line = entry + LineEnd(line);
            return;
        }
        if (!WithoutLineEnd(m_lines[static_cast<size_t>(i)]).trimmed().isEmpty())
            lastContent = i;
    }
    QByteArray& before = m_lines[static_cast<size_t>(lastContent)];
    if (LineEnd(before).isEmpty())
        before += m_newline;
    m_lines.insert(m_lines.begin() + lastContent + 1, entry + m_newline);
}

QByteArray IniFile::Bytes() const
{
    QByteArray bytes;
    for (const QByteArray& line : m_lines)
        bytes += line;
    return bytes;
}

bool IniFile::Save(const QString& path, QFileDevice::Permissions permissions) const
{
    // A temporary file beside the target, renamed over it: a failed write leaves the old
    // file whole, and the new one never exists with wider permissions than asked for.
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, ModeOf(permissions)) == 0 && WriteAll(fd, Bytes()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ::rename(temporary.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}
