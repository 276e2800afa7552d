#pragma once

#include "jet_translator.h"

#include <string>
#include <vector>

class CDbConnection;

// Creates the five tables with their indexes on an open, empty database and fills
// AddressTable, in one transaction (the caller's, when one is open). The scripts are built
// into the library. With replace, the five tables are dropped first in the same
// transaction, so a failure keeps them.
bool CreateSchema(CDbConnection& connection, std::string& error, bool replace = false);

// The built-in scripts: the tables of one engine, and the AddressTable rows (plain
// inserts both engines accept; none when the data was missing at build time).
std::string SchemaScript(SqlDialect dialect);
std::vector<std::string> AddressScripts();
