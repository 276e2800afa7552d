#pragma once

#include <string>

struct sqlite3;

// Runs sql on a plain handle; false with the engine's message in error. For the upgrades
// that work on the file below the provider.
bool SqliteExec(sqlite3* db, const std::string& sql, std::string& error);
