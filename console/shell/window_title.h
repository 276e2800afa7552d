#pragma once

#include <QString>

// The main window's title from "oem.dat" in the program directory: section "程序窗口名",
// key "Ostrel", read into 200 bytes; "Ostrel" when the file, section or key is missing.
QString ReadWindowTitle(const QString& programDirectory);

// The default title; the second-start lookup always uses it.
QString DefaultWindowTitle();
