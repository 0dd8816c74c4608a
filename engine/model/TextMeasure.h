// How large a text stands in the drawing. The model knows only the name of a text's font; the
// renderer, which draws the text with that font, measures it and installs its measure here, so
// that the extents of a text (in the index, in what is drawn again after a change, in the
// clipboard's picture) hold the whole text as it is drawn.
#pragma once

#include <string_view>

namespace cad {

// In heights of the text (the height of its capitals).
struct TextReach {
    double width = 0; // the advance of the whole string, before the style's width factor
    double below = 0; // how far letters reach below the baseline
    double above = 1; // how far above the baseline (accents over capitals)
};

// fontFamily and bytes are Windows-1250 bytes; an empty family is the default font.
using TextMeasure = TextReach (*)(std::string_view fontFamily, std::string_view bytes);
void setTextMeasure(TextMeasure measure);
// The installed measure's answer; without one an average letter is taken as 0.6 of the height
// wide, with nothing below the baseline.
TextReach measureText(std::string_view fontFamily, std::string_view bytes);

} // namespace cad
