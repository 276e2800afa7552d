#pragma once

#include <string>

// The program directory: the folder of the running executable, where the console keeps
// its files ("Varnholt-dblink.ini", "oem.dat", "sp.dap" ...) and finds its tools.
// KELVANE_HOME, when set and not empty, stands in for it (tests and packaging). Absolute,
// without a trailing slash.
std::string ProgramHome();
