// The command line: converting drawings to other formats and showing their information without
// the window, for many files at once and on machines without a screen.
#pragma once

#include <QStringList>

#include <cstdio>

// True when the arguments (without the program) ask for the command line rather than the window:
// when any of them is an option (begins with "-") other than one of Qt's own. An unknown option
// is wrong usage there.
bool IsCommandLine(const QStringList& arguments);
// True for an option that Qt's application object takes itself ("-platform", "--style=...").
bool IsQtOption(const QString& argument);

// Runs the command line; the exit status: 0 when every file was converted, 1 when any failed,
// 2 for wrong usage. Results go to out, messages and progress to err.
int RunCommandLine(const QStringList& arguments, std::FILE* out, std::FILE* err);
