#pragma once

#include <optional>
#include <string>

// "Varnholt-dblink.ini" of the program directory names the database every program of the
// installation uses (the console, the tools, the gateway host).

inline constexpr const char* kLinkFileName = "Varnholt-dblink.ini";

// The connection string of a new installation: the SQLite file "Varnholt.db" of the folder.
std::string DefaultConnectionString(const std::string& programDirectory);

// The link file's content when it is longer than 20 bytes, read byte for byte and
// untrimmed (the connection string's reader ignores blanks and line ends); otherwise the
// default string. Never writes.
std::string LinkConnectionString(const std::string& programDirectory);

// As LinkConnectionString, and when the file held no string the default one is written
// there for the next start (exactly that string, no line end), readable by its owner only:
// a link file may hold a server password. A link file that cannot be written changes
// nothing else.
std::string ChooseConnectionString(const std::string& programDirectory);

// The content of a link file at any path when it is longer than 20 bytes; nothing when
// it is shorter or cannot be read (errno tells which).
std::optional<std::string> ReadLinkFile(const std::string& path);

// Writes a connection string into the link file, owner-only; false with a reason.
bool WriteLinkFile(const std::string& programDirectory, const std::string& connectionString, std::string& error);
