// The view commands of the drawing window.
#include "engine/Engine.h"

namespace cad {

void registerViewCommands(Engine&) {}

} // namespace cad
