#pragma once

#include <string>
#include <string_view>

// A phone number for the log: the middle digits hidden ("139****5678"), so a log that
// leaves the machine does not carry whole consumer numbers.
std::string MaskPhone(std::string_view number);
