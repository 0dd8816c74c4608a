// The command line: converting drawings to other formats and showing their information without
// the window, for many files at once and on machines without a screen.
#pragma once

#include <QStringList>

#include <cstdio>

// True when the arguments (without the program) ask for the command line rather than the window.
bool IsCommandLine(const QStringList& arguments);

// Runs the command line; the exit status: 0 when every file was converted, 1 when any failed,
// 2 for wrong usage. Results go to out, messages and progress to err.
int RunCommandLine(const QStringList& arguments, std::FILE* out, std::FILE* err);
