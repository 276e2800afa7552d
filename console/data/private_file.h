#pragma once

#include <string>

// Writes a whole file readable and writable by its owner only (0600): into a new file
// beside the target, renamed over it at the end, so a reader never sees half a file and a
// symbolic link planted at the path is replaced, never followed. False with a reason.
bool WritePrivateFile(const std::string& path, const std::string& content, std::string& error);
