#include "query_text.h"

#include <cstddef>

namespace {

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool StartsWith(std::string_view text, std::size_t at, std::string_view prefix)
{
    return text.substr(at, prefix.size()) == prefix;
}

// Separators people type inside a code, in ASCII and in the forms Chinese input methods give.
constexpr std::string_view kDropped[] = {
    " ",
    "\t",
    "\r",
    "\n",
    "\xE3\x80\x80", // ideographic space
    "-",
    "\xEF\xBC\x8D", // full-width hyphen-minus
    "\xE2\x80\x90",
    "\xE2\x80\x91",
    "\xE2\x80\x92",
    "\xE2\x80\x93",
    "\xE2\x80\x94",
    "\xE2\x80\x95", // hyphens and dashes
    ".",
    "\xEF\xBC\x8E", // full-width full stop
    "\xE3\x80\x82", // ideographic full stop
    "\xC2\xB7",     // middle dot
};

} // namespace

std::string NormaliseQueryText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        // Full-width digits U+FF10..U+FF19: EF BC 90..99.
        if (i + 2 < text.size() && static_cast<unsigned char>(text[i]) == 0xEF &&
            static_cast<unsigned char>(text[i + 1]) == 0xBC) {
            const unsigned char third = static_cast<unsigned char>(text[i + 2]);
            if (third >= 0x90 && third <= 0x99) {
                out.push_back(static_cast<char>('0' + (third - 0x90)));
                i += 3;
                continue;
            }
        }
        bool dropped = false;
        for (std::string_view separator : kDropped) {
            if (StartsWith(text, i, separator)) {
                i += separator.size();
                dropped = true;
                break;
            }
        }
        if (!dropped)
            out.push_back(text[i++]);
    }
    return out;
}

std::optional<QueryCode> FindQueryCode(std::string_view text)
{
    const std::string normal = NormaliseQueryText(text);
    std::size_t i = 0;
    while (i < normal.size()) {
        if (!IsAsciiDigit(normal[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < normal.size() && IsAsciiDigit(normal[end]))
            ++end;
        if (end - i == 16)
            return QueryCode{normal.substr(i, 8), normal.substr(i + 8, 8)};
        i = end;
    }
    return std::nullopt;
}
