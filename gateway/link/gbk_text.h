#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text conversion between the UTF-8 of every outside interface and the GBK bytes the
// link works in. The GB18030 converter is used: it agrees with GBK on every GBK
// character and can still express every other character, so nothing is lost.
// Input that is not valid in its encoding never fails a conversion: each bad byte
// (or unpaired UTF-16 unit) becomes "?".

std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

std::u16string GbkToUtf16(std::string_view gbk);
// At most maxBytes bytes, cut on a character boundary.
std::string Utf16ToGbk(std::u16string_view utf16, std::size_t maxBytes = std::string::npos);

// The longest prefix of at most maxBytes bytes that does not split a GBK/GB18030 character.
std::string_view CutGbk(std::string_view gbk, std::size_t maxBytes);
