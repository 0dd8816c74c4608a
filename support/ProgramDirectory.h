// The program directory: the folder of the program's own file, where the program finds the
// files it ships (settings, line styles, road-sign drawings, the projects file) and keeps the
// ones it writes (settings, the recent-files list).
#pragma once

#include <QString>

// With a trailing separator. The executable's folder unless another one was set.
QString ProgramDirectory();
// Sets the program directory (a trailing separator is added when missing); an empty text
// returns to the executable's folder.
void SetProgramDirectory(const QString& directory);
// The program directory followed by a bare file name.
QString ProgramFile(const QString& name);
