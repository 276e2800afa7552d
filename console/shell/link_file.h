#pragma once

#include <QString>

#include <string>

// The connection string of a new installation: the SQLite file "Varnholt.db" of the folder.
std::string DefaultConnectionString(const QString& programDirectory);

// The connection string the console opens. A link file "Varnholt-dblink.ini" of more than
// 20 bytes holds it, read byte for byte and untrimmed. Otherwise the default string is
// used and written there (exactly that string, no line end) for the next start; a link file
// that cannot be written changes nothing else.
std::string ChooseConnectionString(const QString& programDirectory);
