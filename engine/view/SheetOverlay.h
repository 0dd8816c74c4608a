// The print areas as the drawing window shows them: each area's frame in the frame colour with
// its number in its top left corner, painted over the cached picture of the drawing (never
// into it), and the grips it is held by in the idle window: the centre moves the area, a
// corner turns it.
#pragma once

#include "engine/Document.h"
#include "engine/model/PrintArea.h"

#include <optional>
#include <vector>

class QPainter;

namespace cad {

// A grip of an area: its centre (corner < 0) or one of its corners (0 to 3, as areaCorners
// gives them).
struct AreaGrip {
    int area = -1;
    int corner = -1;
    bool centre() const { return corner < 0; }
};

// Paints the document's areas, when it shows them, over a view of the drawing; with their
// grips when `grips`. The areas a list has picked (areasPicked) are drawn bolder.
void paintPrintAreas(QPainter& painter, const Document& document, const View& view, bool grips);
// Paints one area as a command would show it before it is placed: dashed, in the frame colour.
void paintAreaPreview(QPainter& painter, const Document& document, const View& view,
                      const PrintArea& area);

// The grip nearest to a point of the drawing within `reach` (drawing units), while the areas are
// shown.
std::optional<AreaGrip> areaGripAt(const Document& document, Vec2 p, double reach);

// The areas of a document picked in a list (the dialog's), which the window draws bolder.
void setAreasPicked(int document, std::vector<int> areas);
const std::vector<int>& areasPicked(int document);

} // namespace cad
