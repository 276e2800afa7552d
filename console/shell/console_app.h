#pragma once

#include <QStringList>

// The console from process start to its end: the command-line rule, the single instance,
// login, the main window, and the connection closed at the end. Answers the exit status.
int RunConsole(int argc, char** argv);

// A command line (the arguments after the program, joined by blanks) longer than one
// character ends the process before any window.
bool CommandLineEndsProcess(const QStringList& arguments);
