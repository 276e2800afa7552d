#pragma once

#include <QByteArray>
#include <QString>

// Text in GBK, the console's code page on disk. Limits of the console are counted in GBK bytes
// (a Chinese character takes two); GB18030 is used for the conversion so that no character
// is lost (those outside GBK take four bytes).
QByteArray ToGbk(const QString& text);
QString FromGbk(const QByteArray& bytes);
int GbkByteCount(const QString& text);
// The longest start of text that fits into maxBytes GBK bytes, never splitting a character.
QString CutToGbkBytes(const QString& text, int maxBytes);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(const QByteArray& bytes);
