// The program directory: the folder of the program's own file, where the program finds the
// files it ships (settings, line styles, road-sign drawings, the projects file) and keeps the
// ones it writes (settings, the recent-files list).
//
// An installed program lives in a folder its users cannot write to. Then the files it writes go
// to the user's configuration folder (XDG, ~/.config/kwl-edytor/), and are read from there
// first, the program directory's copies serving until the user has his own.
#pragma once

#include <QString>

#include <optional>

// With a trailing separator. The executable's folder unless another one was set.
QString ProgramDirectory();
// Sets the program directory (a trailing separator is added when missing); an empty text
// returns to the executable's folder.
void SetProgramDirectory(const QString& directory);
// The program directory followed by a bare file name.
QString ProgramFile(const QString& name);

// The user's configuration folder for the program, with a trailing separator; the XDG one
// unless another was set (an empty text returns to it).
QString UserConfigDirectory();
void SetUserConfigDirectory(const QString& directory);
// The user's state folder for the program, with a trailing separator: $XDG_STATE_HOME/kwl-edytor/
// when that variable names an absolute folder, else ~/.local/state/kwl-edytor/. Copies of
// unsaved drawings are kept there.
QString UserStateDirectory();
// True when the program can write into its own directory. Tests, which may run with every
// right, can decide it instead (nothing returns to asking the system).
bool ProgramDirectoryWritable();
void OverrideProgramDirectoryWritable(std::optional<bool> writable);
// Where a file the program writes is read from: the user's copy when the program directory is
// not writable and the user has one, otherwise the program directory's.
QString ProgramFileToRead(const QString& name);
// Where it is written: the program directory when writable, otherwise the user's
// configuration folder (created when missing).
QString ProgramFileToWrite(const QString& name);
