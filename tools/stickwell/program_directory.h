#pragma once

#include <string>

// The folder of the running executable, without a trailing slash; KELVANE_HOME, when set
// and not empty, stands in for it (tests and packaging).
std::string ProgramDirectory();
