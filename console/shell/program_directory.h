#pragma once

#include <QString>

// The folder of the running program, where the console keeps its files ("oem.dat",
// "sp.dap", "Varnholt-dblink.ini", the pictures). KELVANE_HOME overrides it. Computed once.
const QString& ProgramDirectory();
// For tests and tools that run the console's parts from another folder.
void SetProgramDirectory(const QString& directory);
// A file of the program directory.
QString ProgramFile(const QString& name);
