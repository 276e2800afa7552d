#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Character work of the simulated handset side: UTF-8 in and out, the GSM 7-bit default
// alphabet with its extension table, septet packing and UCS-2/UTF-16.
namespace gsmsim {

// Decodes UTF-8 into code points; false on a malformed sequence.
bool DecodeUtf8(std::string_view utf8, std::u32string* out);
void AppendUtf8(char32_t cp, std::string* out);

// Maps text onto GSM default-alphabet septets (extension characters become ESC + code).
// False when a character has no place in the alphabet.
bool Utf8ToGsm7(std::string_view utf8, std::vector<std::uint8_t>* septets);
// Septets back to UTF-8; an unknown escape shows as its base-table character.
std::string Gsm7ToUtf8(const std::vector<std::uint8_t>& septets);

// Packs septets into octets, leading with fillBits zero bits (used after a user-data header).
std::vector<std::uint8_t> PackSeptets(const std::vector<std::uint8_t>& septets, int fillBits = 0);
// Takes count septets out of octets, skipping fillBits leading bits.
std::vector<std::uint8_t> UnpackSeptets(const std::vector<std::uint8_t>& octets, std::size_t count, int fillBits = 0);

// UTF-8 to UTF-16 code units (characters above U+FFFF as surrogate pairs).
bool Utf8ToUtf16(std::string_view utf8, std::vector<std::uint16_t>* units);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::vector<std::uint16_t>& units);

// Upper-case hex of bytes, and back (false on odd length or a non-hex character).
std::string ToHex(const std::vector<std::uint8_t>& bytes);
bool FromHex(std::string_view hex, std::vector<std::uint8_t>* bytes);

} // namespace gsmsim
