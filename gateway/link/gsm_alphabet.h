#pragma once

#include <string>
#include <string_view>

// The GSM 7-bit default alphabet and its extension table (reached through the escape
// septet 0x1B). Septets are held one per byte, values 0..127.

inline constexpr char kGsmEscape = 0x1B;

// Septets for the UTF-16 text. Characters outside the alphabet become "?"; allMapped
// (when given) tells whether that happened to none of them.
std::string GsmEncode(std::u16string_view text, bool* allMapped = nullptr);
// Text for the septets. An escape followed by a septet with no extension character
// gives that septet's ordinary character; an escape at the very end gives nothing.
std::u16string GsmDecode(std::string_view septets);
