// The snap commands: one toggle for each way of finding a point (the grid's is the active
// drawing's own setting), "none" that turns every one off, and the settings dialog.
#pragma once

namespace cad {

// The toggles 17501-17512 (their buttons can be pressed in).
bool isSnapToggle(int command);
// Whether a toggle's button shows pressed: its way is on; "none" when no way is.
bool snapToggleChecked(int command);
// The snapping changed: the toolbars show the new state, the drawing window its marker.
void snapsChanged();

} // namespace cad
