// Road signs: the sign groups shipped beside the program as drawings whose blocks are the signs,
// copied into the active drawing as blocks to insert.
#pragma once

// How large a sign is drawn on a plan: its larger side on paper, in millimetres, whatever the
// scale the plan is printed at.
inline constexpr double kSignPaperMm = 10.0;

// Loads group 1, 2, 3, 4 or 9, or every group for a selector above 10. The layer new entities go
// on stays the one it was.
void LoadRoadSigns(int group);

// Tells the engine the size on paper of every sign of the shipped groups, so that inserting one
// proposes the scale at which it prints that large; the number of signs.
int RegisterRoadSignSizes();
