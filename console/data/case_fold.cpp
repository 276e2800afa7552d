#include "case_fold.h"

#include <sqlite3.h>

#include <locale.h>
#include <wctype.h>

#include <cstdint>

namespace {

// glibc's C.UTF-8 carries the full Unicode case mapping, as the server's own lower() uses
// under a UTF-8 locale. Without it, ASCII letters still fold.
locale_t FoldLocale()
{
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

// Reads one code point; an invalid byte reads as 0x110000 + the byte, above every real one.
char32_t Next(std::string_view text, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    }
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
        ++i;
        return 0x110000 + lead;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char c = byte(i + static_cast<std::size_t>(k));
        if ((c & 0xC0) != 0x80) {
            ++i;
            return 0x110000 + lead;
        }
        code = (code << 6) | (c & 0x3F);
    }
    // Overlong forms and surrogates are not text.
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF));
    if (overlong || (code >= 0xD800 && code <= 0xDFFF)) {
        ++i;
        return 0x110000 + lead;
    }
    i += static_cast<std::size_t>(length);
    return code;
}

char32_t Lower(char32_t code)
{
    if (code < 0x80)
        return code >= 'A' && code <= 'Z' ? code + 32 : code;
    if (code > 0x10FFFF)
        return code;
    const locale_t locale = FoldLocale();
    if (locale == static_cast<locale_t>(nullptr))
        return code;
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(code), locale));
}

bool HasOtherCase(char32_t code)
{
    const locale_t locale = FoldLocale();
    if (locale == static_cast<locale_t>(nullptr))
        return false;
    const auto wide = static_cast<wint_t>(code);
    return towlower_l(wide, locale) != wide || towupper_l(wide, locale) != wide;
}

void Append(std::string& out, char32_t code)
{
    if (code > 0x10FFFF) {
        out += static_cast<char>(code - 0x110000);
    } else if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

int Collate(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return CompareFolded(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(lengthA)),
                         std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(lengthB)));
}

} // namespace

int CompareFolded(std::string_view a, std::string_view b)
{
    // An index of a column that holds few distinct values (a batch name, a province)
    // compares equal texts over and over, for every row written or deleted.
    if (a == b)
        return 0;
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[j]);
        // Codes, batch numbers and most names are ASCII: no decoding for them.
        if (ca < 0x80 && cb < 0x80) {
            const int la = ca >= 'A' && ca <= 'Z' ? ca + 32 : ca;
            const int lb = cb >= 'A' && cb <= 'Z' ? cb + 32 : cb;
            if (la != lb)
                return la < lb ? -1 : 1;
            ++i;
            ++j;
            continue;
        }
        const char32_t ra = Next(a, i);
        const char32_t rb = Next(b, j);
        if (ra == rb)
            continue; // the same letter folds the same way; the lookup is the costly part
        const char32_t la = Lower(ra);
        const char32_t lb = Lower(rb);
        if (la != lb)
            return la < lb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

bool FoldsBeyondAscii(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const char32_t code = Next(text, i);
        if (code > 0x10FFFF || HasOtherCase(code))
            return true;
    }
    return false;
}

std::string FoldCase(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        Append(out, Lower(Next(text, i)));
    return out;
}

bool RegisterFoldCollation(sqlite3* db)
{
    return sqlite3_create_collation_v2(db, kFoldCollation, SQLITE_UTF8, nullptr, &Collate, nullptr) == SQLITE_OK;
}
