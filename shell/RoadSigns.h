// Road signs: the sign groups shipped beside the program as drawings whose blocks are the signs,
// copied into the active drawing as blocks to insert.
#pragma once

// Loads group 1, 2, 3, 4 or 9, or every group for a selector above 10.
void LoadRoadSigns(int group);
