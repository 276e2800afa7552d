#pragma once

#include <string>

// The connection string the console uses, read the way the console reads it: the whole
// content of "Varnholt-dblink.ini" in the program directory when that file is longer than
// 20 bytes, otherwise the default SQLite file "Varnholt.db" in that directory. Never writes
// the file; that is the console's business.
std::string LinkConnectionString(const std::string& programDirectory);

std::string DefaultConnectionString(const std::string& programDirectory);
