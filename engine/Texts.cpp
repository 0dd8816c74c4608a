// Every text the engine shows, by its number, with the engine's own English words for it. The
// engine asks the program for each of these numbers (CAD_MSG_TEXT) and shows these words only
// when the program has none. A text the engine shows is added here, never written where it is
// shown.
#include "engine/Engine.h"

#include <algorithm>
#include <array>

namespace cad {

namespace {

struct OwnText {
    int number;
    std::string_view english;
};

constexpr auto kTexts = std::to_array<OwnText>({
    // Messages and questions; "\n" written as backslash and n is a line break.
    {10501, "Application"},
    {10502, "Untitled"},
    {10503, "Nothing to undo"},
    {10504, "Nothing to redo"},
    {10506, "Erase the selected objects?"},
    {10507, "Save changes to \"%s\"?"},
    {10509, "The file was made by a newer version of the program"},
    {10510, "The file is already open"},
    {10512, "The file is damaged (checksum error)"},
    {10513, "Cannot write the file \\n%s"},
    {10514, "The DXF file cannot be read: its content does not follow the DXF format \\n%s"},
    {10516, "Error: cannot read the file \\n%s"},
    // File dialogs: filters ("description|patterns|") and the DXF export.
    {10541, "Drawings  (*.rdw)|*.rdw|"},
    {10545, "PDF files (*.pdf)|*.pdf|"},
    {10551, "DXF files (*.dxf)|*.dxf|"},
    {10552, "Export to DXF"},
    // Layers that cannot be deleted or named so.
    {10651, "At least one layer must remain in a drawing. This layer cannot be deleted"},
    {10652, "This layer still holds objects. It cannot be deleted now."},
    {10670, "A layer must have a name."},
    {10671, "A layer of this name exists already: %s"},
    // The list of open files, saved views.
    {10981, "Open files"},
    {10982, "Closed file"},
    {10983, "Activate"},
    {10984, "Close the file"},
    {10985, "Views:"},
    {10986, "Rename"},
    {10987, "Delete view"},
    {10988, "Save the current view"},
    {10989, "View name"},
    {10990, "Close"},
    // Common buttons.
    {11201, "OK"},
    {11202, "Cancel"},
    {11203, "Add"},
    {11204, "Delete"},
    {11205, "Current"},
    {11410, "Paper orientation:"},
    // Layers, their order, line styles.
    {11501, "Layers"},
    {11502, "Name"},
    {11503, "Status"},
    {11504, "Name :"},
    {11505, "Line width :"},
    {11506, "Line colour"},
    {11507, "Fill colour"},
    {11508, "Hidden"},
    {11509, "Read only"},
    {11510, "Do not print / export"},
    {11512, "Layer :"},
    {11513, "Order of layers"},
    {11645, "Line styles"},
    // The grid.
    {12401, "Grid"},
    {12402, "Point"},
    {12403, "Cross"},
    {12404, "Diagonal cross"},
    {12405, "Line"},
    {12406, "Dotted line"},
    {12407, "Dashed line"},
    {12411, "Origin"},
    {12412, "Step"},
    {12413, "Horizontal"},
    {12414, "Vertical"},
    {12416, "Snap to grid"},
    {12417, "Show grid"},
    {12421, "Grid type"},
    {12422, "Colour"},
    // Printing.
    {16001, "Print"},
    {16002, "Printer..."},
    {16004, "Fit to the page"},
    {16005, "All"},
    {16008, "View"},
    {16009, "Window"},
    {16013, "Current printer :"},
    {16016, "Printed area:"},
    {16020, "Scale:"},
    {16023, "Print margins:"},
    {16024, "Copies :"},
    {16027, "Landscape"},
    {16028, "Portrait"},
    {16029, "PDF file:"},
    {16030, "Divide into sheets"},
    {16031, "The drawing could not be printed."},
    {16032, "Choose..."},
    {16033, "The scale is written 1:N, for example 1:500"},
    // Measuring.
    {16301, "Distance/Area"},
    {16302, "Take from object"},
    {16303, "Start"},
    {16304, "Finish"},
    {16305, "Distance:"},
    {16306, "Total:"},
    {16307, "Angle:"},
    {16308, "Area:"},
    {16309, "Total area:"},
    // The drawing's information and statistics.
    {17001, "File name: %s"},
    {17002, "File size: %d bytes"},
    {17003, "Width:  %.3f mm"},
    {17004, "Height: %.3f mm"},
    {17005, "X min:   %.2f mm"},
    {17006, "Y min:   %.2f mm"},
    {17007, "X max:   %.2f mm"},
    {17008, "Y max:   %.2f mm"},
    {17021, "Pages:        %d"},
    {17022, "Layers:       %d"},
    {17023, "Line Styles:  %d"},
    {17024, "Text Styles:  %d"},
    {17025, "Hatch Styles: %d"},
    {17026, "Dim. Styles:  %d"},
    {17027, "Point Styles: %d"},
    {17028, "Blocks:       %d"},
    {17029, "Entities:     %d"},
    {17030, "PolyVertexes: %d"},
    {17031, "Text Chars:   %d"},
    {17041, "Number of Entities by Layers"},
    {17043, "Number of Entities by Blocks"},
    {17050, "Number of Entities by Type"},
    {17051, "Point:     %d"},
    {17052, "Line:      %d"},
    {17053, "Polyline:  %d"},
    {17054, "Circle:    %d"},
    {17055, "Arc:       %d"},
    {17056, "Ellipse:   %d"},
    {17057, "Text:      %d"},
    {17058, "Bitmap:    %d"},
    {17059, "Block:     %d"},
    {17060, "Hatch:     %d"},
    {17061, "Rectangle: %d"},
    {17067, "Spline:    %d"},
    {17068, "Sector:    %d"},
    // The commands: tooltips of their buttons, titles of their windows.
    {19003, "Save the drawing to a file"},
    {19004, "Print"},
    {19006, "Zoom to the whole drawing"},
    {19007, "Zoom to a window"},
    {19008, "Zoom in"},
    {19009, "Zoom out"},
    {19010, "Pan the view"},
    {19011, "Previous view"},
    {19012, "Zoom to the selection"},
    {19022, "Show the grid"},
    {19023, "Lines without width"},
    {19024, "Fills as outlines only"},
    {19025, "Measure distance and area"},
    {19026, "Show line widths"},
    {19027, "Drawing information"},
    {19028, "Redraw"},
    {19029, "Navigator"},
    {19032, "Undo"},
    {19033, "Redo"},
    {19034, "Cut"},
    {19035, "Copy"},
    {19036, "Paste"},
    {19037, "Object properties"},
    {19038, "Copy objects"},
    {19039, "Move"},
    {19040, "Rotate"},
    {19041, "Scale"},
    {19042, "Mirror"},
    {19043, "Delete"},
    {19044, "Explode"},
    {19045, "Create a block"},
    {19051, "Point"},
    {19052, "Line"},
    {19053, "Polyline"},
    {19054, "Spline"},
    {19055, "Circle (centre, radius)"},
    {19056, "Circle (3 points)"},
    {19057, "Arc (centre, start, end)"},
    {19058, "Arc (start, middle, end)"},
    {19059, "Ellipse"},
    {19060, "Rectangle"},
    {19061, "Hatch"},
    {19062, "Text"},
    {19063, "Symbol"},
    {19064, "Insert a block"},
    {19065, "Raster image"},
    {19101, "Snap to end points"},
    {19102, "Snap to midpoints"},
    {19103, "Snap to intersections"},
    {19104, "Snap to centres"},
    {19105, "Tracking"},
    {19106, "Snap perpendicular"},
    {19107, "Snap tangent"},
    {19108, "Snap to points"},
    {19109, "Snap to the nearest point"},
    {19110, "Snap to the grid"},
    {19111, "Snap in steps of length and angle"},
    {19112, "No snapping"},
    // Short names of the commands, shown before their prompts.
    {19206, "Point"},
    {19207, "Line"},
    {19208, "Circle"},
    {19209, "Arc"},
    {19210, "Sector"},
    {19211, "Ellipse"},
    {19212, "Polyline"},
    {19218, "Rectangle"},
    {19226, "Select by pointing"},
    {19227, "Select by rectangle"},
    {19228, "Select by polygon"},
    {19229, "Select by polyline"},
    {19230, "Select by distance"},
    {19238, "Erase"},
    {19241, "Spline"},
    // Prompts while a command picks points or objects.
    {19301, "Select objects (the right mouse button ends the selection)"},
    {19302, "First corner"},
    {19303, "Second corner"},
    {19308, "First point"},
    {19309, "Second point"},
    {19310, "Third point"},
    {19311, "Centre point"},
    {19312, "Radius point"},
    {19313, "Start point"},
    {19314, "End point"},
    {19317, "Next point"},
    {19333, "Select object"},
    // Prompts of the engine's own.
    {19340, "Next point (Z closes, Enter ends)"},
});

constexpr bool strictlyIncreasing() {
    for (std::size_t i = 1; i < kTexts.size(); ++i)
        if (kTexts[i - 1].number >= kTexts[i].number)
            return false;
    return true;
}
static_assert(strictlyIncreasing(), "texts are found by halving: keep numbers sorted and unique");

} // namespace

std::optional<std::string_view> ownText(int number) {
    const auto it = std::lower_bound(kTexts.begin(), kTexts.end(), number,
                                     [](const OwnText& t, int n) { return t.number < n; });
    if (it == kTexts.end() || it->number != number)
        return std::nullopt;
    return it->english;
}

std::vector<int> ownTextNumbers() {
    std::vector<int> numbers;
    numbers.reserve(kTexts.size());
    for (const OwnText& t : kTexts)
        numbers.push_back(t.number);
    return numbers;
}

} // namespace cad
