#include "gbk_text.h"

#include <QList>

#include <cerrno>
#include <iconv.h>

namespace {

QByteArray Convert(const char* to, const char* from, const QByteArray& input)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QByteArray();
    QByteArray output;
    output.resize(input.size() * 4 + 8);
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = static_cast<size_t>(input.size());
    char* out = output.data();
    size_t outLeft = static_cast<size_t>(output.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno == EILSEQ || errno == EINVAL) {
            // An invalid byte becomes '?' and the rest carries on.
            ++in;
            --inLeft;
            if (outLeft > 0) {
                *out++ = '?';
                --outLeft;
            }
            continue;
        }
        break;
    }
    output.resize(output.size() - static_cast<qsizetype>(outLeft));
    iconv_close(cd);
    return output;
}

int CodePointBytes(char32_t codePoint)
{
    if (codePoint < 0x80)
        return 1;
    const QString one = QString::fromUcs4(&codePoint, 1);
    return static_cast<int>(ToGbk(one).size());
}

} // namespace

QByteArray ToGbk(const QString& text)
{
    return Convert("GB18030", "UTF-8", text.toUtf8());
}

QString FromGbk(const QByteArray& bytes)
{
    return QString::fromUtf8(Convert("UTF-8", "GB18030", bytes));
}

int GbkByteCount(const QString& text)
{
    return static_cast<int>(ToGbk(text).size());
}

QString CutToGbkBytes(const QString& text, int maxBytes)
{
    if (maxBytes <= 0)
        return QString();
    if (text.size() <= maxBytes / 4 || GbkByteCount(text) <= maxBytes)
        return text;
    QString result;
    int used = 0;
    for (char32_t codePoint : text.toUcs4()) {
        const int bytes = CodePointBytes(codePoint);
        if (used + bytes > maxBytes)
            break;
        used += bytes;
        result += QString::fromUcs4(&codePoint, 1);
    }
    return result;
}

bool IsValidUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char lead = p[i];
        int follow = 0;
        char32_t codePoint = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xc2 && lead <= 0xdf) {
            follow = 1;
            codePoint = lead & 0x1f;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            follow = 2;
            codePoint = lead & 0x0f;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            follow = 3;
            codePoint = lead & 0x07;
        } else {
            return false;
        }
        for (int k = 1; k <= follow; ++k) {
            if (i + k >= n || (p[i + k] & 0xc0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (p[i + k] & 0x3f);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((follow == 2 && codePoint < 0x800) || (follow == 3 && codePoint < 0x10000) ||
            (codePoint >= 0xd800 && codePoint <= 0xdfff) || codePoint > 0x10ffff)
            return false;
        i += follow + 1;
    }
    return true;
}
