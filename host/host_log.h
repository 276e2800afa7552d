#pragma once

#include <string>

// One line per event on standard error. Under systemd the line carries its priority
// ("<3>" ...) so the journal files errors as errors.
enum class LogLevel { Error = 3, Warning = 4, Info = 6 };

void LogLine(LogLevel level, const std::string& text);
