// The ways of snapping a person chose, kept from run to run in "KWL_snapy.knf" beside the other
// settings the program writes (the program directory, or the user's configuration folder when
// that is not writable): one line of the snap modes that are on, the aperture and the steps.
//
//   SNAPY,17501,17504            the commands of the modes that are on
//   APERTURA,10                  pixels around the cursor
//   KROKI,1.0000,15.0000,0.0000  length step, angle step, the angle the steps count from
#pragma once

#include "engine/CadApi.h"

#include <QByteArray>
#include <QString>

inline constexpr char kSnapSettingsFile[] = "KWL_snapy.knf";

// The file's lines for the settings, and the settings of a file's bytes (lines it does not know,
// or values it cannot read, leave the engine's defaults).
QByteArray WriteSnapSettings(const CadSnapSettings& settings);
CadSnapSettings ReadSnapSettings(const QByteArray& bytes);

// At start: the engine takes the settings of the file, when there is one.
void LoadSnapSettings();
// At the end: the engine's settings are written to the file. False when it cannot be written.
bool SaveSnapSettings();
