#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Small text helpers shared by the modem link and its tasks. All texts are GBK bytes.
namespace engine_text {

// A modem that streams without the terminators we wait for must not grow our buffers
// without end: only the newest bytes are kept, enough for a long message listing.
inline constexpr std::size_t kBufferLimit = 32 * 1024;

// Appends chunk, then drops the oldest bytes beyond limit.
void AppendBounded(std::string& buffer, std::string_view chunk, std::size_t limit = kBufferLimit);

inline bool Contains(std::string_view text, std::string_view what)
{
    return text.find(what) != std::string_view::npos;
}

// The modem's final error answer: "\r\nERROR\r\n", or an extended one ("+CMS ERROR: 321",
// "+CME ERROR: 10") whose line has ended.
bool HasErrorAnswer(std::string_view text);

// Strips blanks, tabs and line breaks (ASCII white space only: GBK trail bytes are never
// mistaken for it) at both ends.
std::string TrimBlanks(std::string_view text);

// Reads a decimal number the way atoi does (leading blanks, optional sign, digits, stops at
// the first other character, 0 when there are none), saturating instead of overflowing.
int ParseDecimal(std::string_view text);

} // namespace engine_text
