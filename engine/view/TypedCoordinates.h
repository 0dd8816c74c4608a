// What a person types for a point while a command asks for one: "x,y" absolute, "@dx,dy"
// relative to the last point, "@length<angle" from the last point in a direction (degrees,
// counter-clockwise from the x axis), "length<angle" the same from the origin, or a bare
// number: a length along the rubber band (or a value the command takes). Numbers are written
// with "." whatever the person's locale.
#pragma once

#include "engine/model/Geometry.h"

#include <optional>
#include <string_view>

namespace cad {

struct TypedEntry {
    enum class Kind { Absolute, Relative, Polar, RelativePolar, Length };
    Kind kind = Kind::Absolute;
    double a = 0, b = 0; // x and y, or length and angle; a length alone
};

// The entry the text makes; nothing for a malformed one.
std::optional<TypedEntry> parseTypedEntry(std::string_view text);

// What is typed where a command asks for a value (an angle, a scale factor): one number,
// written with "." or with a decimal comma ("1,5", as people of comma locales write it);
// nothing for anything else.
std::optional<double> parseTypedValue(std::string_view text);

// The point an entry (other than a bare length) stands for; nothing when it is relative and
// there is no last point.
std::optional<Vec2> typedPoint(const TypedEntry& entry, std::optional<Vec2> last);

// The point at a distance from `from` towards `toward`; nothing when they are the same.
std::optional<Vec2> pointAlong(Vec2 from, Vec2 toward, double distance);

} // namespace cad
