#include "gsm_alphabet.h"

#include <array>

namespace {

constexpr std::array<char16_t, 128> kBasic = {
    u'@',      u'\u00A3', u'$',      u'\u00A5', u'\u00E8', u'\u00E9', u'\u00F9', u'\u00EC', u'\u00F2', u'\u00C7',
    u'\n',     u'\u00D8', u'\u00F8', u'\r',     u'\u00C5', u'\u00E5', u'\u0394', u'_',      u'\u03A6', u'\u0393',
    u'\u039B', u'\u03A9', u'\u03A0', u'\u03A8', u'\u03A3', u'\u0398', u'\u039E', u'\u00A0', u'\u00C6', u'\u00E6',
    u'\u00DF', u'\u00C9', u' ',      u'!',      u'"',      u'#',      u'\u00A4', u'%',      u'&',      u'\'',
    u'(',      u')',      u'*',      u'+',      u',',      u'-',      u'.',      u'/',      u'0',      u'1',
    u'2',      u'3',      u'4',      u'5',      u'6',      u'7',      u'8',      u'9',      u':',      u';',
    u'<',      u'=',      u'>',      u'?',      u'\u00A1', u'A',      u'B',      u'C',      u'D',      u'E',
    u'F',      u'G',      u'H',      u'I',      u'J',      u'K',      u'L',      u'M',      u'N',      u'O',
    u'P',      u'Q',      u'R',      u'S',      u'T',      u'U',      u'V',      u'W',      u'X',      u'Y',
    u'Z',      u'\u00C4', u'\u00D6', u'\u00D1', u'\u00DC', u'\u00A7', u'\u00BF', u'a',      u'b',      u'c',
    u'd',      u'e',      u'f',      u'g',      u'h',      u'i',      u'j',      u'k',      u'l',      u'm',
    u'n',      u'o',      u'p',      u'q',      u'r',      u's',      u't',      u'u',      u'v',      u'w',
    u'x',      u'y',      u'z',      u'\u00E4', u'\u00F6', u'\u00F1', u'\u00FC', u'\u00E0',
};
// Slot 0x1B above is the escape, not a character: it is never matched when encoding.
constexpr std::size_t kEscapeSlot = 0x1B;

struct Extension {
    char septet;
    char16_t character;
};

constexpr std::array<Extension, 10> kExtension = {{
    {0x0A, u'\f'},
    {0x14, u'^'},
    {0x28, u'{'},
    {0x29, u'}'},
    {0x2F, u'\\'},
    {0x3C, u'['},
    {0x3D, u'~'},
    {0x3E, u']'},
    {0x40, u'|'},
    {0x65, u'\u20AC'},
}};

int BasicSeptet(char16_t character)
{
    for (std::size_t septet = 0; septet < kBasic.size(); ++septet) {
        if (septet != kEscapeSlot && kBasic[septet] == character) {
            return static_cast<int>(septet);
        }
    }
    return -1;
}

int ExtensionSeptet(char16_t character)
{
    for (const Extension& entry : kExtension) {
        if (entry.character == character) {
            return entry.septet;
        }
    }
    return -1;
}

} // namespace

std::string GsmEncode(std::u16string_view text, bool* allMapped)
{
    std::string septets;
    septets.reserve(text.size());
    bool mapped = true;
    for (const char16_t character : text) {
        if (const int septet = BasicSeptet(character); septet >= 0) {
            septets.push_back(static_cast<char>(septet));
        } else if (const int extension = ExtensionSeptet(character); extension >= 0) {
            septets.push_back(kGsmEscape);
            septets.push_back(static_cast<char>(extension));
        } else {
            septets.push_back('?');
            mapped = false;
        }
    }
    if (allMapped != nullptr) {
        *allMapped = mapped;
    }
    return septets;
}

std::u16string GsmDecode(std::string_view septets)
{
    std::u16string text;
    text.reserve(septets.size());
    for (std::size_t i = 0; i < septets.size(); ++i) {
        const auto septet = static_cast<unsigned char>(septets[i] & 0x7F);
        if (septet != kEscapeSlot) {
            text.push_back(kBasic[septet]);
            continue;
        }
        if (++i == septets.size()) {
            break;
        }
        const auto next = static_cast<char>(septets[i] & 0x7F);
        char16_t character = kBasic[static_cast<unsigned char>(next)];
        for (const Extension& entry : kExtension) {
            if (entry.septet == next) {
                character = entry.character;
            }
        }
        // Escape twice is reserved; show it as a blank rather than as nothing.
        text.push_back(next == kGsmEscape ? u' ' : character);
    }
    return text;
}
