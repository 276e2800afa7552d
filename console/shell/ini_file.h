#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <vector>

// A small INI file: section and key names match without regard to letter case, blanks
// around names and values do not count, a value in matching quotes loses them, and a value
// is cut to fit the caller's buffer. Installed settings files are GBK; files written by
// hand may be UTF-8: both read. A write changes only the lines it must and
// keeps the file's code page, line ends and every other byte.
class IniFile final {
public:
    // A missing or unreadable file reads as empty; answers whether the file was read.
    bool Load(const QString& path);
    void LoadBytes(const QByteArray& bytes);

    // The value, or fallback when the section or key is missing; either way cut to at most
    // bufferBytes - 1 GBK bytes, as it would be in a buffer of that size.
    QString GetString(const QString& section, const QString& key, const QString& fallback, int bufferBytes) const;
    void SetString(const QString& section, const QString& key, const QString& value);

    // Writes the whole file at once (a new file replaces the old one), with the given
    // permissions. False when it cannot be written; the old file then stays as it was.
    bool Save(const QString& path, QFileDevice::Permissions permissions) const;

    QByteArray Bytes() const;
    bool IsUtf8() const { return m_utf8; }

private:
    enum class LineKind { Other, Section, Key };
    struct Parsed {
        LineKind kind = LineKind::Other;
        QString name;
        QString value;
    };
    Parsed Parse(int line) const;
    QString Decode(const QByteArray& bytes) const;
    QByteArray Encode(const QString& text) const;
    // The index of the first line of the section's header, or -1.
    int FindSection(const QString& section) const;

    std::vector<QByteArray> m_lines; // each with its own line end, if it had one
    bool m_utf8 = true;
    QByteArray m_newline = "\n";
};
