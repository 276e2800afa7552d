#pragma once

#include <string>
#include <string_view>

// Letter case folding for text comparisons on SQLite, so that it agrees with the server
// engine's citext: every letter of UTF-8 text is compared by its lower-case form (accented
// and full-width letters included, not ASCII alone). Bytes that are not valid UTF-8 compare
// as themselves.

// <0, 0 or >0 as a sorts before, equal to or after b once folded.
int CompareFolded(std::string_view a, std::string_view b);
std::string FoldCase(std::string_view text);

// True when SQLite's own NOCASE (which folds ASCII letters only) could compare text
// otherwise than CompareFolded: it holds a letter beyond ASCII that has another case, or
// bytes that are not UTF-8. Codes, numbers and Chinese names never do.
bool FoldsBeyondAscii(std::string_view text);

// The comparison on SQLite, and its registration on a connection. The stored schema never
// names it (every SQLite program must be able to write the file): columns and indexes use
// NOCASE, and the data layer names this collation in a statement beside a text value that
// FoldsBeyondAscii.
inline constexpr const char* kFoldCollation = "VARNHOLT_NOCASE";
struct sqlite3;
bool RegisterFoldCollation(sqlite3* db);
