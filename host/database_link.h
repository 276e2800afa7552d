#pragma once

#include <string>

// The connection string the host opens: the one given, else the content of the named link
// file, else the installation's link file in the program directory as every program of
// the installation reads it (and without one, Varnholt.db there). False with the reason
// when a named link file cannot be read.
bool HostConnectionString(const std::string& given, const std::string& linkFile, std::string& out, std::string& error);
