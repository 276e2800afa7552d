#pragma once

#include <string>

// A provider's multi-line error text as one line for the terminal.
std::string OneLine(const std::string& text);
