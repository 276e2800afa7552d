#pragma once

#include <string>

// The folder of the running program (KELVANE_HOME overrides it), where the console keeps
// its link file and database.
std::string ProgramDirectory();

// The connection string the host opens: the one given, else the link file's (a file of
// more than 20 bytes, as the console reads it), else the SQLite file Varnholt.db of the
// program directory. False with the reason when a named link file cannot be read.
bool ChooseConnectionString(const std::string& given, const std::string& linkFile, std::string& out,
                            std::string& error);
