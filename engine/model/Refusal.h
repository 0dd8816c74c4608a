// Why a change of geometry (offset, trim, extend, fillet, chamfer, break, join, lengthen) could
// not be made. Ordinary refusals are answers, not exceptions: a command shows them as a message
// and waits for the next pick.
#pragma once

#include <utility>

namespace cad {

enum class Refusal {
    None,
    EmptyInput,     // nothing to work on: no points, or a curve of no length
    NotFinite,      // a coordinate, distance or radius that is not a finite number
    ZeroDistance,   // an offset by 0
    Vanishes,       // the offset inward goes past the middle of the shape: nothing is left
    NoIntersection, // nothing to trim at or extend to
    NeedsTwoCuts,   // a closed curve is trimmed only between two cut points
    ClosedCurve,    // an end of a closed curve was asked for (extend, lengthen)
    OpenPathEnd,    // a corner at the end of an open polyline, which has none
    NotACorner,     // the two segments of a polyline picked do not meet at a corner
    Parallel,       // lines that never meet
    RadiusTooLarge, // the fillet or chamfer does not fit on the segments
    NegativeValue,  // a negative radius, distance or count
    TooShort,       // the curve would become of no length or shorter than nothing
    TooLong,        // an arc would close on itself
    Unsupported,    // the kind of curve cannot be changed this way
    BreakOutside,   // the break points lie on no part of the curve that can be split
    Gap,            // pieces that do not meet within the tolerance
    TooMany,        // more copies than a drawing should be given at once
    NotAtEnd,       // a polyline's segment picked that is not at one of its ends
};

// A result or the reason why there is none.
template <typename T> struct Outcome {
    T value{};
    Refusal refusal = Refusal::None;

    Outcome() = default;
    Outcome(T v) : value(std::move(v)) {}
    Outcome(Refusal r) : refusal(r) {}

    bool ok() const { return refusal == Refusal::None; }
    explicit operator bool() const { return ok(); }
    const T& operator*() const { return value; }
    const T* operator->() const { return &value; }
};

} // namespace cad
