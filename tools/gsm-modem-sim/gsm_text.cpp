#include "gsm_text.h"

#include <array>

namespace gsmsim {
namespace {

constexpr char32_t kEsc = 0x1B;

// The default alphabet, indexed by septet value.
constexpr std::array<char32_t, 128> kBasic = {
    U'@', U'£',  U'$', U'¥', U'è', U'é', U'ù', U'ì', U'ò', U'Ç', U'\n', U'Ø', U'ø', U'\r', U'Å', U'å', U'Δ', U'_', U'Φ',
    U'Γ', U'Λ',  U'Ω', U'Π', U'Ψ', U'Σ', U'Θ', U'Ξ', kEsc, U'Æ', U'æ',  U'ß', U'É', U' ',  U'!', U'"', U'#', U'¤', U'%',
    U'&', U'\'', U'(', U')', U'*', U'+', U',', U'-', U'.', U'/', U'0',  U'1', U'2', U'3',  U'4', U'5', U'6', U'7', U'8',
    U'9', U':',  U';', U'<', U'=', U'>', U'?', U'¡', U'A', U'B', U'C',  U'D', U'E', U'F',  U'G', U'H', U'I', U'J', U'K',
    U'L', U'M',  U'N', U'O', U'P', U'Q', U'R', U'S', U'T', U'U', U'V',  U'W', U'X', U'Y',  U'Z', U'Ä', U'Ö', U'Ñ', U'Ü',
    U'§', U'¿',  U'a', U'b', U'c', U'd', U'e', U'f', U'g', U'h', U'i',  U'j', U'k', U'l',  U'm', U'n', U'o', U'p', U'q',
    U'r', U's',  U't', U'u', U'v', U'w', U'x', U'y', U'z', U'ä', U'ö',  U'ñ', U'ü', U'à',
};

struct Extension {
    std::uint8_t code;
    char32_t cp;
};
constexpr std::array<Extension, 10> kExtension = {{
    {0x0A, U'\f'},
    {0x14, U'^'},
    {0x28, U'{'},
    {0x29, U'}'},
    {0x2F, U'\\'},
    {0x3C, U'['},
    {0x3D, U'~'},
    {0x3E, U']'},
    {0x40, U'|'},
    {0x65, U'€'},
}};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

bool DecodeUtf8(std::string_view utf8, std::u32string* out)
{
    out->clear();
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        int extra = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= utf8.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(utf8[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not text.
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        out->push_back(cp);
        i += 1 + extra;
    }
    return true;
}

void AppendUtf8(char32_t cp, std::string* out)
{
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool Utf8ToGsm7(std::string_view utf8, std::vector<std::uint8_t>* septets)
{
    septets->clear();
    std::u32string cps;
    if (!DecodeUtf8(utf8, &cps))
        return false;
    for (char32_t cp : cps) {
        bool found = false;
        for (std::size_t v = 0; v < kBasic.size(); ++v) {
            if (kBasic[v] == cp && cp != kEsc) {
                septets->push_back(static_cast<std::uint8_t>(v));
                found = true;
                break;
            }
        }
        if (found)
            continue;
        for (const Extension& e : kExtension) {
            if (e.cp == cp) {
                septets->push_back(0x1B);
                septets->push_back(e.code);
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }
    return true;
}

std::string Gsm7ToUtf8(const std::vector<std::uint8_t>& septets)
{
    std::string out;
    for (std::size_t i = 0; i < septets.size(); ++i) {
        const std::uint8_t v = septets[i] & 0x7F;
        if (v == 0x1B && i + 1 < septets.size()) {
            const std::uint8_t code = septets[++i] & 0x7F;
            char32_t cp = kBasic[code];
            for (const Extension& e : kExtension) {
                if (e.code == code)
                    cp = e.cp;
            }
            AppendUtf8(cp == kEsc ? U' ' : cp, &out);
            continue;
        }
        AppendUtf8(v == 0x1B ? U' ' : kBasic[v], &out);
    }
    return out;
}

std::vector<std::uint8_t> PackSeptets(const std::vector<std::uint8_t>& septets, int fillBits)
{
    const std::size_t bits = static_cast<std::size_t>(fillBits) + septets.size() * 7;
    std::vector<std::uint8_t> out((bits + 7) / 8, 0);
    std::size_t pos = static_cast<std::size_t>(fillBits);
    for (std::uint8_t s : septets) {
        for (int b = 0; b < 7; ++b, ++pos) {
            if ((s >> b) & 1)
                out[pos / 8] |= static_cast<std::uint8_t>(1u << (pos % 8));
        }
    }
    return out;
}

std::vector<std::uint8_t> UnpackSeptets(const std::vector<std::uint8_t>& octets, std::size_t count, int fillBits)
{
    std::vector<std::uint8_t> out;
    std::size_t pos = static_cast<std::size_t>(fillBits);
    for (std::size_t n = 0; n < count && pos + 7 <= octets.size() * 8; ++n) {
        std::uint8_t s = 0;
        for (int b = 0; b < 7; ++b, ++pos) {
            if ((octets[pos / 8] >> (pos % 8)) & 1)
                s |= static_cast<std::uint8_t>(1u << b);
        }
        out.push_back(s);
    }
    return out;
}

bool Utf8ToUtf16(std::string_view utf8, std::vector<std::uint16_t>* units)
{
    units->clear();
    std::u32string cps;
    if (!DecodeUtf8(utf8, &cps))
        return false;
    for (char32_t cp : cps) {
        if (cp < 0x10000) {
            units->push_back(static_cast<std::uint16_t>(cp));
        } else {
            const char32_t v = cp - 0x10000;
            units->push_back(static_cast<std::uint16_t>(0xD800 + (v >> 10)));
            units->push_back(static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
        }
    }
    return true;
}

std::string Utf16ToUtf8(const std::vector<std::uint16_t>& units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            AppendUtf8(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00), &out);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(0xFFFD, &out);
        } else {
            AppendUtf8(u, &out);
        }
    }
    return out;
}

std::string ToHex(const std::vector<std::uint8_t>& bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 0x0F]);
    }
    return out;
}

bool FromHex(std::string_view hex, std::vector<std::uint8_t>* bytes)
{
    bytes->clear();
    if (hex.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]);
        const int lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes->push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return true;
}

} // namespace gsmsim
