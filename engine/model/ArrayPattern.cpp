#include "engine/model/ArrayPattern.h"

#include "engine/model/VectorOps.h"

#include <cmath>

namespace cad {

using namespace vectorops;

namespace {

// A turn about a point followed by a move.
Similarity turnThenMove(Vec2 about, double degrees, Vec2 by) {
    Similarity s = Similarity::rotation(about, degrees);
    s.map = Affine::translation(by.x, by.y).after(s.map);
    return s;
}

double degreesOf(Vec2 d) {
    return std::atan2(d.y, d.x) * 180 / kPi;
}

} // namespace

Outcome<std::vector<Similarity>> rectangularArray(const RectangularArray& a) {
    if (!std::isfinite(a.rowSpacing) || !std::isfinite(a.columnSpacing) ||
        !std::isfinite(a.angleDegrees))
        return Refusal::NotFinite;
    if (a.rows < 1 || a.columns < 1)
        return Refusal::NegativeValue;
    if (static_cast<std::size_t>(a.rows) * static_cast<std::size_t>(a.columns) > kMostArrayCopies)
        return Refusal::TooMany;
    const double r = radians(a.angleDegrees);
    const Vec2 along{std::cos(r), std::sin(r)}, across = perp(along);
    std::vector<Similarity> out;
    out.reserve(static_cast<std::size_t>(a.rows) * static_cast<std::size_t>(a.columns));
    for (int row = 0; row < a.rows; ++row)
        for (int column = 0; column < a.columns; ++column)
            out.push_back(Similarity::translation(along * (column * a.columnSpacing) +
                                                  across * (row * a.rowSpacing)));
    return out;
}

Outcome<std::vector<Similarity>> polarArray(const PolarArray& a, Vec2 basePoint) {
    if (!std::isfinite(a.fillDegrees) || !finite(a.centre) || !finite(basePoint))
        return Refusal::NotFinite;
    if (a.count < 1)
        return Refusal::NegativeValue;
    if (static_cast<std::size_t>(a.count) > kMostArrayCopies)
        return Refusal::TooMany;
    const bool whole = std::abs(a.fillDegrees) >= 360;
    const double step = a.count == 1 ? 0
                        : whole      ? std::copysign(360.0, a.fillDegrees) / a.count
                                     : a.fillDegrees / (a.count - 1);
    std::vector<Similarity> out;
    for (int i = 0; i < a.count; ++i) {
        const double turn = step * i;
        if (a.rotateCopies) {
            out.push_back(Similarity::rotation(a.centre, turn));
        } else {
            // Only carried round: the base point goes where the turn takes it.
            const Vec2 to = Similarity::rotation(a.centre, turn).apply(basePoint);
            out.push_back(Similarity::translation(to - basePoint));
        }
    }
    return out;
}

Outcome<std::vector<Similarity>> pathArray(const Curve& path, Vec2 basePoint, const PathArray& a) {
    if (!finite(path) || !finite(basePoint) || !std::isfinite(a.spacing))
        return Refusal::NotFinite;
    if (a.count < 0 || a.spacing < 0 || (a.count == 0 && a.spacing == 0))
        return Refusal::NegativeValue;
    const double length = curveLength(path);
    if (!(length > 0))
        return Refusal::EmptyInput;
    const bool closed = isClosed(path);
    std::vector<double> at;
    if (a.spacing > 0) {
        const double fit = std::floor(length / a.spacing * (1 + 1e-12)) + (closed ? 0 : 1);
        double n = a.count > 0 ? std::min<double>(fit, a.count) : fit;
        if (closed && n * a.spacing > length * (1 + 1e-12))
            n = std::floor(length / a.spacing);
        if (n > static_cast<double>(kMostArrayCopies))
            return Refusal::TooMany;
        for (int i = 0; i < static_cast<int>(n); ++i)
            at.push_back(std::min(i * a.spacing, length));
    } else {
        if (static_cast<std::size_t>(a.count) > kMostArrayCopies)
            return Refusal::TooMany;
        const double step = a.count == 1 ? 0 : length / (closed ? a.count : a.count - 1);
        for (int i = 0; i < a.count; ++i)
            at.push_back(std::min(i * step, length));
    }
    const double startAngle = degreesOf(tangentAt(path, 0));
    std::vector<Similarity> out;
    out.reserve(at.size());
    for (const double s : at) {
        const double u = parameterAtLength(path, s);
        const Vec2 p = pointAt(path, u);
        const double turn = a.align ? degreesOf(tangentAt(path, u)) - startAngle : 0;
        // Turned about the base point, which then goes to the point of the path.
        out.push_back(turnThenMove(basePoint, turn, p - basePoint));
    }
    return out;
}

} // namespace cad
