#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Number files for the recipient list: text, one number per line ended by CR LF, blanks
// around a number allowed.

// At most this many bytes of a file are read; a longer file is cut there.
inline constexpr std::size_t kNumberFileLimit = 5000000;
// Pieces shorter than this (after trimming) are skipped.
inline constexpr std::size_t kShortestNumber = 4;

// The text of the file: its first kNumberFileLimit bytes, ending at the first zero byte.
// False when the file cannot be opened.
bool ReadNumberFile(const std::string& path, std::string& text);

// The accepted pieces in file order: the text split at each CR LF (a lone CR or LF does
// not split), each piece trimmed of blanks, tabs and line-break characters, and kept when
// it has at least kShortestNumber bytes. Nothing else is checked.
std::vector<std::string> SplitNumbers(std::string_view text);
