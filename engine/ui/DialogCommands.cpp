// The commands that open the engine's dialogs.
#include "engine/Engine.h"

namespace cad {

void registerDialogCommands(Engine&) {}

} // namespace cad
