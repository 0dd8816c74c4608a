#include "engine/model/Dimension.h"

#include "engine/model/Construct.h"
#include "engine/model/Transform.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace cad {

namespace {

// ---- vectors

Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
Vec2 operator*(Vec2 a, double k) {
    return {a.x * k, a.y * k};
}
double dot(Vec2 a, Vec2 b) {
    return a.x * b.x + a.y * b.y;
}
double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}
double length(Vec2 a) {
    return std::hypot(a.x, a.y);
}
// The direction of an angle in degrees.
Vec2 direction(double degrees) {
    const double r = radians(degrees);
    return {std::cos(r), std::sin(r)};
}
// The unit vector of a, or `otherwise` for a vector of no length.
Vec2 unit(Vec2 a, Vec2 otherwise = {1, 0}) {
    const double l = length(a);
    return l > 0 && std::isfinite(l) ? a * (1 / l) : otherwise;
}
// a turned a quarter counter-clockwise.
Vec2 left(Vec2 a) {
    return {-a.y, a.x};
}
double angleOf(Vec2 v) {
    return directionDegrees({0, 0}, v);
}

// An angle brought into (-90, 90]: the direction of a text that reads from left to right.
double readable(double degrees) {
    double a = normalisedDegrees(degrees);
    if (a > 90 && a <= 270)
        a -= 180;
    else if (a > 270)
        a -= 360;
    return a;
}

// ---- the measured angle

// The vertex and the sector (start, sweep in degrees) of an angular dimension; nothing when
// its lines do not meet.
struct Sector {
    Vec2 vertex;
    double start = 0, sweep = 0;
};

// Whether an angle lies within the sweep counter-clockwise from start.
bool within(double angle, double start, double sweep) {
    return normalisedDegrees(angle - start) <= sweep;
}

std::optional<Sector> angularSector(const DimensionData& d) {
    const Vec2 a0 = d.points[DimPoint::FirstLineStart], a1 = d.points[DimPoint::FirstLineEnd];
    const Vec2 b0 = d.points[DimPoint::SecondLineStart], b1 = d.points[DimPoint::SecondLineEnd];
    const Vec2 arc = d.points[DimPoint::ArcPoint];
    if (a0 == b0) { // at a vertex: the sweep from one leg to the other holding the arc point
        if (a1 == a0 || b1 == a0)
            return std::nullopt;
        const double first = directionDegrees(a0, a1), second = directionDegrees(a0, b1);
        const double sweep = sweepDegrees(first, second);
        if (sweep >= 360)
            return std::nullopt;
        const bool toward =
            arc == a0 ? sweep <= 180 : within(directionDegrees(a0, arc), first, sweep);
        if (toward)
            return Sector{a0, first, sweep};
        return Sector{a0, second, 360 - sweep};
    }
    const Vec2 u = a1 - a0, v = b1 - b0;
    const double den = cross(u, v);
    const double scale = length(u) * length(v);
    if (!(std::abs(den) > 1e-12 * scale) || !std::isfinite(den))
        return std::nullopt; // parallel lines, or a line of no length
    const Vec2 vertex = a0 + u * (cross(b0 - a0, v) / den);
    // The four rays along the lines, in turn round the vertex; the sector between two
    // neighbours that holds the arc point.
    const double du = angleOf(u), dv = angleOf(v);
    std::array<double, 4> rays = {du, normalisedDegrees(du + 180), dv, normalisedDegrees(dv + 180)};
    std::sort(rays.begin(), rays.end());
    const double toArc = arc == vertex ? normalisedDegrees(du + sweepDegrees(du, dv) / 2)
                                       : directionDegrees(vertex, arc);
    for (std::size_t i = 0; i < rays.size(); ++i) {
        const double start = rays[i], sweep = sweepDegrees(start, rays[(i + 1) % rays.size()]);
        if (within(toArc, start, sweep))
            return Sector{vertex, start, sweep};
    }
    return Sector{vertex, rays[0], sweepDegrees(rays[0], rays[1])};
}

// ---- texts

std::string numberText(double value, const DimensionStyle& s) {
    return dimensionNumber(value, s.decimals, s.suppressTrailingZeros, s.decimalSeparator);
}

// A tolerance with its own sign in front: `positive` when the value is >= 0.
std::string signedText(double value, char positive, char negative, const DimensionStyle& s) {
    return std::string(1, value >= 0 ? positive : negative) + numberText(std::abs(value), s);
}

void replaceAll(std::string& text, std::string_view what, std::string_view with) {
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

// ---- drawing

// How big a text is and how it stands against a line.
struct TextSize {
    double width = 0, height = 0;
    // Half its extent along a direction at `angle` degrees from its own, and across it.
    double along(double angle) const {
        const Vec2 r = turn(angle);
        return width / 2 * std::abs(r.x) + height / 2 * std::abs(r.y);
    }
    double across(double angle) const {
        const Vec2 r = turn(angle);
        return width / 2 * std::abs(r.y) + height / 2 * std::abs(r.x);
    }
    // The cosine and sine of the angle; both sides of one angle are asked one after the
    // other, so the last angle's are kept.
    Vec2 turn(double angle) const {
        if (!(angle == lastAngle)) {
            const double r = radians(angle);
            lastTurn = {std::cos(r), std::sin(r)};
            lastAngle = angle;
        }
        return lastTurn;
    }
    mutable double lastAngle = std::nan("");
    mutable Vec2 lastTurn;
};

class Builder {
public:
    // Lays out into `out`, emptied first (its lists keep their room).
    Builder(const DimensionData& d, const DimensionStyle& s, const DimensionContext& c,
            DimensionGeometry& out)
        : d_(d), s_(s),
          k_(c.unitsPerPaperMm > 0 && std::isfinite(c.unitsPerPaperMm) ? c.unitsPerPaperMm : 1),
          g_(out) {
        g_.lines.clear();
        g_.arcs.clear();
        g_.extensionLines.clear();
        g_.triangles.clear();
        g_.dots.clear();
        g_.text.reset();
        arrow_ = std::max(0.0, s.arrowLength) * k_;
        arrowWidth_ = std::max(0.0, s.arrowHeight) * k_;
        gap_ = std::max(0.0, s.textGap) * k_;
        offset_ = s.extensionOffset * k_;
        beyond_ = s.extensionBeyond * k_;
        mark_ = std::max(0.0, s.centreMarkSize) * k_;
        placement_ = effectivePlacement(d, s);
        const std::string text = dimensionText(d, s);
        if (!text.empty()) {
            const double h = std::max(0.0, s.textHeight) * k_;
            double w =
                c.textWidth ? c.textWidth(text, h) : 0.6 * h * static_cast<double>(text.size());
            if (!(w >= 0) || !std::isfinite(w))
                w = 0;
            size_.width = w;
            size_.height = h;
            text_ = DimensionText{text, {}, h, w, 0, 4, s.textStyle, s.frame, {}};
        }
    }

    void build() {
        switch (d_.kind) {
        case DimensionKind::Horizontal:
        case DimensionKind::Vertical:
        case DimensionKind::Parallel:
            linear();
            break;
        case DimensionKind::Angular:
            angular();
            break;
        case DimensionKind::Radial:
        case DimensionKind::Diametric:
            radial();
            break;
        case DimensionKind::OrdinateX:
        case DimensionKind::OrdinateY:
            ordinate();
            break;
        }
        if (text_) {
            frameText();
            cutByText();
            g_.text = std::move(text_);
        }
    }

private:
    // The text's rotation for a line of that direction.
    double textRotation(double lineAngle) const {
        return s_.horizontalText ? 0 : readable(lineAngle);
    }
    // How far the text's middle stands from the line, toward the text's upper side.
    double placementOffset(double lineAngle, double rotation) const {
        if (!text_ || placement_ == TextPlacement::Centred)
            return 0;
        const double o = gap_ + size_.across(lineAngle - rotation);
        return placement_ == TextPlacement::Above ? o : -o;
    }
    // The text's upper side of a line of that direction.
    static Vec2 upOf(double lineAngle) { return left(direction(readable(lineAngle))); }

    void arrowhead(Vec2 tip, Vec2 pointing) {
        const Vec2 u = unit(pointing), n = left(u);
        const Vec2 back = tip - u * arrow_;
        switch (s_.arrowhead) {
        case Arrowhead::ClosedFilled:
            g_.triangles.push_back(
                {tip, back - n * (arrowWidth_ / 2), back + n * (arrowWidth_ / 2)});
            // Counter-clockwise whichever way it points.
            if (cross(g_.triangles.back()[1] - tip, g_.triangles.back()[2] - tip) < 0)
                std::swap(g_.triangles.back()[1], g_.triangles.back()[2]);
            break;
        case Arrowhead::Open:
            g_.lines.push_back({tip, back + n * (arrowWidth_ / 2)});
            g_.lines.push_back({tip, back - n * (arrowWidth_ / 2)});
            break;
        case Arrowhead::Oblique: {
            const Vec2 slant = unit(u + n) * (arrow_ / 2);
            g_.lines.push_back({tip - slant, tip + slant});
            break;
        }
        case Arrowhead::Dot:
            g_.dots.push_back({tip, arrowWidth_ / 2});
            break;
        case Arrowhead::None:
            break;
        }
    }

    // An extension line from a measured point toward where it meets the dimension line.
    void extension(Vec2 from, Vec2 to) {
        const Vec2 v = to - from;
        const double l = length(v);
        if (!(l > 0))
            return;
        const Vec2 u = v * (1 / l);
        if (offset_ < l + beyond_)
            g_.extensionLines.push_back({from + u * offset_, to + u * beyond_});
    }

    // A straight dimension line from a to b (of the measured length) with arrowheads at both
    // ends, the text placed on it or beside it: linear, radial and diametric dimensions. With
    // `startArrow` false the line starts at a without an arrowhead (a radius from its centre).
    void measuredLine(Vec2 a, Vec2 b, bool startArrow) {
        // From a to b; along the rotation when they coincide.
        const double span = length(b - a);
        const Vec2 t =
            span > 0 && std::isfinite(span) ? (b - a) * (1 / span) : direction(d_.rotation);
        const double lineAngle = angleOf(t);
        const double rotation = textRotation(lineAngle);
        const double along = text_ ? size_.along(lineAngle - rotation) : 0;
        const int arrows = startArrow ? 2 : 1;
        const bool arrowsFit = span >= arrows * arrow_;
        const bool textFits =
            span >= 2 * along + arrows * (arrow_ + gap_) + (startArrow ? 0 : gap_);
        const Vec2 reading = direction(readable(lineAngle));
        const Vec2 up = left(reading); // the text's upper side
        // The parts of the line by their distance from a along t: [lo, hi] covers it all.
        double lo = 0, hi = span;
        if (!arrowsFit) {
            hi += 2 * arrow_;
            if (startArrow)
                lo -= 2 * arrow_;
        }
        if (text_) {
            Vec2 at;
            if (d_.textPosition) {
                at = *d_.textPosition;
            } else if (textFits) {
                at = a + t * (startArrow ? span / 2 : (span - arrow_) / 2);
                at = at + up * placementOffset(lineAngle, rotation);
            } else {
                // Outside, beyond the end the text reads away from (a radius: its circle).
                const bool pastB = !startArrow || dot(t, reading) >= 0;
                const Vec2 end = pastB ? b : a;
                const Vec2 out = pastB ? t : t * -1;
                at = end + out * ((arrowsFit ? 0 : 2 * arrow_) + gap_ + along) +
                     up * placementOffset(lineAngle, rotation);
            }
            text_->position = at;
            text_->rotation = rotation;
            // The line runs on under a text beside it.
            const double tp = dot(at - a, t);
            if (tp + along > hi || tp - along < lo) {
                hi = std::max(hi, tp + along);
                lo = std::min(lo, tp - along);
            }
        }
        const bool inside = arrowsFit || s_.showLineInside || !startArrow;
        if (inside)
            g_.lines.push_back({a + t * lo, a + t * hi});
        else {
            if (lo < 0)
                g_.lines.push_back({a + t * lo, a});
            if (hi > span)
                g_.lines.push_back({b, a + t * hi});
        }
        if (arrowsFit) {
            if (startArrow)
                arrowhead(a, t * -1);
            arrowhead(b, t);
        } else {
            if (startArrow)
                arrowhead(a, t);
            arrowhead(b, t * -1);
        }
    }

    void linear() {
        const Vec2 p0 = d_.points[DimPoint::FirstOrigin], p1 = d_.points[DimPoint::SecondOrigin];
        const Vec2 through = d_.points[DimPoint::LinePoint];
        Vec2 u;
        if (d_.kind == DimensionKind::Parallel)
            u = unit(p1 - p0);
        else
            u = direction(d_.rotation + (d_.kind == DimensionKind::Vertical ? 90 : 0));
        const Vec2 a = through + u * dot(p0 - through, u);
        const Vec2 b = through + u * dot(p1 - through, u);
        extension(p0, a);
        extension(p1, b);
        measuredLine(a, b, true);
    }

    void radial() {
        const Vec2 c = d_.points[DimPoint::Centre], p = d_.points[DimPoint::ChordPoint];
        const double r = length(p - c);
        const Vec2 u = unit(p - c);
        if (d_.kind == DimensionKind::Diametric)
            measuredLine(c - u * r, p, true);
        else
            measuredLine(c, p, false);
        centreMark(c, r);
    }

    void centreMark(Vec2 c, double r) {
        if (s_.centreMark == CentreMark::None || !(mark_ > 0))
            return;
        g_.lines.push_back({{c.x - mark_, c.y}, {c.x + mark_, c.y}});
        g_.lines.push_back({{c.x, c.y - mark_}, {c.x, c.y + mark_}});
        if (s_.centreMark != CentreMark::Line || !(r + mark_ > 2 * mark_))
            return;
        // Centre lines across the circle, a mark's size past it, apart from the mark.
        for (const Vec2 u : {Vec2{1, 0}, Vec2{-1, 0}, Vec2{0, 1}, Vec2{0, -1}})
            g_.lines.push_back({c + u * (2 * mark_), c + u * (r + mark_)});
    }

    void angular() {
        const auto sector = angularSector(d_);
        if (!sector) {
            text_.reset();
            return;
        }
        const Vec2 v = sector->vertex;
        const double start = sector->start, sweep = sector->sweep;
        double r = length(d_.points[DimPoint::ArcPoint] - v);
        if (!(r > 0))
            r = arrow_ * 4;
        legExtension(v, start, r);
        legExtension(v, start + sweep, r);

        const double middle = start + sweep / 2;
        const Vec2 radius = direction(middle);
        const double tangent = middle + 90;
        const double arcLength = r * radians(sweep);
        const bool arrowsFit = arcLength >= 2 * arrow_;
        double rotation = textRotation(tangent);
        if (s_.perpendicularToArc && !s_.horizontalText)
            rotation = readable(middle);
        const double along = text_ ? size_.along(tangent - rotation) : 0;
        const bool textFits = arcLength >= 2 * along + 2 * (arrow_ + gap_);
        if (text_) {
            Vec2 at;
            if (d_.textPosition) {
                at = *d_.textPosition;
            } else if (s_.perpendicularToArc || !textFits) {
                // Outside the arc, on the bisector.
                const double out = (arrowsFit ? 0 : arrow_) + gap_ + size_.along(middle - rotation);
                at = v + radius * (r + out);
            } else {
                const Vec2 up = upOf(tangent);
                double o = placementOffset(tangent, rotation);
                if (o * dot(up, radius) < 0) {
                    // Toward the vertex the arc bows into the text's side: clear its bow too.
                    const double half = along + gap_;
                    o += (o > 0 ? 1 : -1) * (r - std::sqrt(std::max(0.0, r * r - half * half)));
                }
                at = v + radius * r + up * o;
            }
            text_->position = at;
            text_->rotation = rotation;
        }
        const double spare = arrowsFit ? 0 : 2 * arrow_ / r * 180 / kPi;
        if (arrowsFit || s_.showLineInside)
            g_.arcs.push_back(
                {v, r, normalisedDegrees(start - spare), normalisedDegrees(start + sweep + spare)});
        else {
            g_.arcs.push_back({v, r, normalisedDegrees(start - spare), normalisedDegrees(start)});
            g_.arcs.push_back(
                {v, r, normalisedDegrees(start + sweep), normalisedDegrees(start + sweep + spare)});
        }
        const Vec2 first = v + direction(start) * r, last = v + direction(start + sweep) * r;
        const double toward = arrowsFit ? 1 : -1;
        arrowhead(first, direction(start - 90) * toward);
        arrowhead(last, direction(start + sweep + 90) * toward);
    }

    // The extension line along the ray at `angle` from the vertex to the arc of radius r, from
    // the end of the line along that ray nearer the arc.
    void legExtension(Vec2 v, double angle, double r) {
        const Vec2 w = direction(angle);
        const bool atVertex = d_.points[0] == d_.points[2];
        // The line along the ray: at a vertex the leg pointing that way, else the line most
        // nearly parallel to it.
        std::size_t first = 0;
        double best = -2;
        for (const std::size_t i : {std::size_t{0}, std::size_t{2}}) {
            const double along = dot(w, unit(d_.points[i + 1] - d_.points[i], {0, 0}));
            const double score = atVertex ? along : std::abs(along);
            if (score > best) {
                best = score;
                first = i;
            }
        }
        const double t0 = atVertex ? 0 : dot(d_.points[first] - v, w);
        const double t1 = dot(d_.points[first + 1] - v, w);
        const double lo = std::min(t0, t1), hi = std::max(t0, t1);
        if (r > hi && hi + offset_ < r + beyond_)
            g_.extensionLines.push_back({v + w * (hi + offset_), v + w * (r + beyond_)});
        else if (r < lo && lo - offset_ > r - beyond_)
            g_.extensionLines.push_back({v + w * (lo - offset_), v + w * (r - beyond_)});
    }

    void ordinate() {
        const Vec2 f = d_.points[DimPoint::Feature], e = d_.points[DimPoint::LeaderEnd];
        const bool x = d_.kind == DimensionKind::OrdinateX;
        // The leader runs along the other axis than the one measured.
        const double toward = x ? e.y - f.y : e.x - f.x;
        const Vec2 axis = x ? Vec2{0, toward >= 0 ? 1.0 : -1.0} : Vec2{toward >= 0 ? 1.0 : -1.0, 0};
        const double run = std::abs(toward);
        const Vec2 start = f + axis * std::min(offset_, run);
        const double side = x ? e.x - f.x : e.y - f.y;
        const double jog = arrow_;
        if (std::abs(side) > 1e-9 * std::max(1.0, run) && run - offset_ > 2 * jog) {
            // Straight out, across to the leader's end, and on to it.
            const Vec2 bend1 = e - axis * (2 * jog) - (x ? Vec2{side, 0} : Vec2{0, side});
            const Vec2 bend2 = e - axis * jog;
            g_.lines.push_back({start, bend1});
            g_.lines.push_back({bend1, bend2});
            g_.lines.push_back({bend2, e});
        } else if (run > offset_) {
            g_.lines.push_back({start, e});
        }
        if (!text_)
            return;
        const double lineAngle = angleOf(axis);
        const double rotation = textRotation(lineAngle);
        text_->rotation = rotation;
        text_->position = d_.textPosition ? *d_.textPosition
                                          : e + axis * (gap_ + size_.along(lineAngle - rotation));
    }

    void frameText() {
        const Vec2 u = direction(text_->rotation), n = left(u);
        const double w = size_.width / 2 + gap_, h = size_.height / 2 + gap_;
        const Vec2 c = text_->position;
        text_->frame = {c - u * w - n * h, c + u * w - n * h, c + u * w + n * h, c - u * w + n * h};
    }

    // Lines do not run through the text: what lies inside its frame is cut out. A line along
    // the frame, or touching a corner of it, stays whole.
    void cutByText() {
        const std::array<Vec2, 4>& box = text_->frame;
        const double eps = 1e-9 * (gap_ + size_.height + size_.width);
        const std::array<Vec2, 4> normals = normalsOf(box);
        cutLines(g_.lines, box, normals, eps);
        cutLines(g_.extensionLines, box, normals, eps);
        cutArcs(box, eps);
    }

    // The inward unit normals of a convex box's edges (inside is on the left of every edge:
    // the box runs counter-clockwise).
    static std::array<Vec2, 4> normalsOf(const std::array<Vec2, 4>& box) {
        std::array<Vec2, 4> normals;
        for (std::size_t i = 0; i < box.size(); ++i)
            normals[i] = unit(left(box[(i + 1) % box.size()] - box[i]), {0, 0});
        return normals;
    }

    // The part of a segment inside a convex box, as parameters [enter, leave] of
    // a + (b - a) t; nothing when it only runs along an edge or touches a corner.
    static std::optional<std::pair<double, double>> inside(const LineData& s,
                                                           const std::array<Vec2, 4>& box,
                                                           const std::array<Vec2, 4>& normals,
                                                           double eps) {
        double enter = 0, leave = 1;
        const Vec2 d = s.b - s.a;
        for (std::size_t i = 0; i < box.size(); ++i) {
            const Vec2 e0 = box[i];
            const Vec2 normal = normals[i];
            const double at = dot(s.a - e0, normal), rate = dot(d, normal);
            if (std::abs(rate) <= eps * 1e-3) {
                if (at <= eps)
                    return std::nullopt;
                continue;
            }
            const double t = -at / rate;
            if (rate > 0)
                enter = std::max(enter, t);
            else
                leave = std::min(leave, t);
        }
        if (!((leave - enter) * length(d) > eps))
            return std::nullopt;
        return std::pair{enter, leave};
    }

    static void cutLines(std::vector<LineData>& lines, const std::array<Vec2, 4>& box,
                         const std::array<Vec2, 4>& normals, double eps) {
        // Most texts stand beside their lines: nothing to cut.
        const auto cut = std::find_if(lines.begin(), lines.end(), [&](const LineData& s) {
            return inside(s, box, normals, eps).has_value();
        });
        if (cut == lines.end())
            return;
        std::vector<LineData> kept;
        kept.reserve(lines.size() + 1);
        kept.assign(lines.begin(), cut);
        for (auto it = cut; it != lines.end(); ++it) {
            const LineData& s = *it;
            const auto in = inside(s, box, normals, eps);
            if (!in) {
                kept.push_back(s);
                continue;
            }
            const Vec2 d = s.b - s.a;
            if (in->first > 0)
                kept.push_back({s.a, s.a + d * in->first});
            if (in->second < 1)
                kept.push_back({s.a + d * in->second, s.b});
        }
        lines = std::move(kept);
    }

    static bool insideBox(Vec2 p, const std::array<Vec2, 4>& box, double eps) {
        for (std::size_t i = 0; i < box.size(); ++i) {
            const Vec2 e0 = box[i], e1 = box[(i + 1) % box.size()];
            if (cross(unit(e1 - e0, {0, 0}), p - e0) <= eps)
                return false;
        }
        return true;
    }

    void cutArcs(const std::array<Vec2, 4>& box, double eps) {
        std::vector<ArcData> kept;
        for (const ArcData& a : g_.arcs) {
            const double sweep = sweepDegrees(a.startAngle, a.endAngle);
            // Where the circle crosses the box's edges, as distances along the arc in degrees.
            std::vector<double> cuts = {0, sweep};
            for (std::size_t i = 0; i < box.size(); ++i) {
                const Vec2 e0 = box[i], d = box[(i + 1) % box.size()] - e0;
                const Vec2 f = e0 - a.centre;
                const double qa = dot(d, d), qb = 2 * dot(f, d),
                             qc = dot(f, f) - a.radius * a.radius;
                const double disc = qb * qb - 4 * qa * qc;
                if (!(qa > 0) || disc < 0)
                    continue;
                for (const double sign : {-1.0, 1.0}) {
                    const double t = (-qb + sign * std::sqrt(disc)) / (2 * qa);
                    if (t < 0 || t > 1)
                        continue;
                    const double along =
                        normalisedDegrees(directionDegrees(a.centre, e0 + d * t) - a.startAngle);
                    if (along > 0 && along < sweep)
                        cuts.push_back(along);
                }
            }
            std::sort(cuts.begin(), cuts.end());
            std::vector<ArcData> pieces;
            bool dropped = false;
            for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
                if (!(cuts[i + 1] - cuts[i] > 1e-9))
                    continue; // (equal ends would make a whole circle)
                const double mid = a.startAngle + (cuts[i] + cuts[i + 1]) / 2;
                if (insideBox(a.centre + direction(mid) * a.radius, box, eps)) {
                    dropped = true;
                    continue;
                }
                pieces.push_back({a.centre, a.radius, normalisedDegrees(a.startAngle + cuts[i]),
                                  normalisedDegrees(a.startAngle + cuts[i + 1])});
            }
            // Only touched: the arc stays whole.
            if (dropped)
                kept.insert(kept.end(), pieces.begin(), pieces.end());
            else
                kept.push_back(a);
        }
        g_.arcs = std::move(kept);
    }

    const DimensionData& d_;
    const DimensionStyle& s_;
    double k_;
    double arrow_ = 0, arrowWidth_ = 0, gap_ = 0, offset_ = 0, beyond_ = 0, mark_ = 0;
    TextPlacement placement_ = TextPlacement::Above;
    TextSize size_;
    std::optional<DimensionText> text_;
    DimensionGeometry& g_;
};

} // namespace

DimensionData dimensionData(const DimensionRecord& r, std::string_view text) {
    DimensionData d;
    d.kind = r.kind;
    d.points = r.points;
    d.rotation = r.rotation;
    d.origin = r.origin;
    if (r.hasTextPosition)
        d.textPosition = r.textPosition;
    d.text = std::string(text);
    d.placement = r.placement;
    d.style = r.style;
    return d;
}

DimensionRecord dimensionRecord(const DimensionData& d, PooledText text) {
    DimensionRecord r;
    r.kind = d.kind;
    r.placement = d.placement;
    r.hasTextPosition = d.textPosition ? 1 : 0;
    r.style = d.style;
    r.text = text;
    r.rotation = d.rotation;
    r.origin = d.origin;
    r.textPosition = d.textPosition.value_or(Vec2{});
    r.points = d.points;
    return r;
}

int definitionPointCount(DimensionKind kind) {
    switch (kind) {
    case DimensionKind::Horizontal:
    case DimensionKind::Vertical:
    case DimensionKind::Parallel:
        return 3;
    case DimensionKind::Angular:
        return 5;
    case DimensionKind::Radial:
    case DimensionKind::Diametric:
    case DimensionKind::OrdinateX:
    case DimensionKind::OrdinateY:
        return 2;
    }
    return 0;
}

DimensionData angularAtVertex(Vec2 vertex, Vec2 a, Vec2 b, Vec2 arcPoint) {
    DimensionData d;
    d.kind = DimensionKind::Angular;
    d.points = {vertex, a, vertex, b, arcPoint};
    return d;
}

DimensionData angularBetween(const LineData& first, const LineData& second, Vec2 arcPoint) {
    DimensionData d;
    d.kind = DimensionKind::Angular;
    d.points = {first.a, first.b, second.a, second.b, arcPoint};
    return d;
}

DimensionKind ordinateKindToward(Vec2 feature, Vec2 cursor) {
    return std::abs(cursor.y - feature.y) > std::abs(cursor.x - feature.x)
               ? DimensionKind::OrdinateX
               : DimensionKind::OrdinateY;
}

double measuredValue(const DimensionData& d) {
    const auto& p = d.points;
    switch (d.kind) {
    case DimensionKind::Horizontal:
    case DimensionKind::Vertical: {
        const Vec2 u = direction(d.rotation + (d.kind == DimensionKind::Vertical ? 90 : 0));
        return std::abs(dot(p[DimPoint::SecondOrigin] - p[DimPoint::FirstOrigin], u));
    }
    case DimensionKind::Parallel:
        return length(p[DimPoint::SecondOrigin] - p[DimPoint::FirstOrigin]);
    case DimensionKind::Angular: {
        const auto sector = angularSector(d);
        return sector ? sector->sweep : 0;
    }
    case DimensionKind::Radial:
        return length(p[DimPoint::ChordPoint] - p[DimPoint::Centre]);
    case DimensionKind::Diametric:
        return 2 * length(p[DimPoint::ChordPoint] - p[DimPoint::Centre]);
    case DimensionKind::OrdinateX:
        return p[DimPoint::Feature].x - d.origin.x;
    case DimensionKind::OrdinateY:
        return p[DimPoint::Feature].y - d.origin.y;
    }
    return 0;
}

TextPlacement effectivePlacement(const DimensionData& d, const DimensionStyle& s) {
    switch (d.placement) {
    case PlacementOverride::Above:
        return TextPlacement::Above;
    case PlacementOverride::Centred:
        return TextPlacement::Centred;
    case PlacementOverride::Below:
        return TextPlacement::Below;
    case PlacementOverride::Style:
        break;
    }
    return s.placement;
}

std::string dimensionNumber(double value, int decimals, bool suppressTrailingZeros,
                            char separator) {
    if (!std::isfinite(value))
        return "?";
    decimals = std::clamp(decimals, 0, 8);
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return "?";
    std::string s(buffer, end);
    if (s.find('.') != std::string::npos && suppressTrailingZeros) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    if (s.front() == '-' && s.find_first_not_of("0.", 1) == std::string::npos)
        s.erase(0, 1); // what rounds to nothing has no sign
    if (const auto point = s.find('.'); point != std::string::npos)
        s[point] = separator;
    return s;
}

std::string dimensionValueText(const DimensionData& d, const DimensionStyle& s) {
    const bool angle = d.kind == DimensionKind::Angular;
    double value = measuredValue(d);
    if (!angle) {
        value *= s.scaleValue;
        if (s.roundOff > 0 && std::isfinite(s.roundOff))
            value = std::round(value / s.roundOff) * s.roundOff;
    }
    std::string text = numberText(value, s);
    if (angle)
        text += '\xB0'; // the degree sign in Windows-1250
    if (s.toleranceUpper != 0 || s.toleranceLower != 0) {
        text += ' ';
        if (s.toleranceUpper == s.toleranceLower)
            text += '\xB1' + numberText(std::abs(s.toleranceUpper), s); // plus-minus
        else
            text += signedText(s.toleranceUpper, '+', '-', s) + "/" +
                    signedText(s.toleranceLower, '-', '+', s);
    }
    return text;
}

std::string dimensionText(const DimensionData& d, const DimensionStyle& s) {
    if (d.text == " ")
        return {};
    std::string text = d.text.empty() || d.text == "<>" ? s.contents : d.text;
    if (text.empty())
        text = "<>";
    replaceAll(text, "<>", dimensionValueText(d, s));
    return text;
}

DimensionGeometry dimensionGeometry(const DimensionData& d, const DimensionStyle& s,
                                    const DimensionContext& context) {
    DimensionGeometry g;
    Builder(d, s, context, g).build();
    return g;
}

void dimensionGeometry(const DimensionData& d, const DimensionStyle& s,
                       const DimensionContext& context, DimensionGeometry& out) {
    Builder(d, s, context, out).build();
}

Rect dimensionBox(const DimensionData& d, const DimensionGeometry& g) {
    Rect r;
    for (int i = 0; i < definitionPointCount(d.kind); ++i)
        r.add(d.points[static_cast<std::size_t>(i)]);
    for (const auto* lines : {&g.lines, &g.extensionLines})
        for (const LineData& l : *lines) {
            r.add(l.a);
            r.add(l.b);
        }
    for (const ArcData& a : g.arcs) {
        const double sweep = sweepDegrees(a.startAngle, a.endAngle);
        r.add(a.centre + direction(a.startAngle) * a.radius);
        r.add(a.centre + direction(a.endAngle) * a.radius);
        // The quarters of the circle the arc passes.
        for (int q = 0; q < 4; ++q)
            if (within(q * 90.0, a.startAngle, sweep))
                r.add(a.centre + direction(q * 90.0) * a.radius);
    }
    for (const auto& t : g.triangles)
        for (const Vec2 p : t)
            r.add(p);
    for (const CircleData& c : g.dots) {
        r.add(c.centre.x - c.radius, c.centre.y - c.radius);
        r.add(c.centre.x + c.radius, c.centre.y + c.radius);
    }
    if (g.text)
        for (const Vec2 p : g.text->frame)
            r.add(p);
    return r;
}

std::vector<Vec2> dimensionSnapPoints(const DimensionData& d, const DimensionGeometry& g) {
    std::vector<Vec2> points;
    for (int i = 0; i < definitionPointCount(d.kind); ++i) {
        const Vec2 p = d.points[static_cast<std::size_t>(i)];
        if (std::find(points.begin(), points.end(), p) == points.end())
            points.push_back(p);
    }
    if (g.text)
        points.push_back(g.text->position);
    return points;
}

DimensionData transformed(const DimensionData& d, const Similarity& s) {
    DimensionData out = d;
    for (Vec2& p : out.points)
        p = s.apply(p);
    if (out.textPosition)
        out.textPosition = s.apply(*out.textPosition);
    // The direction measured goes where the similarity takes directions.
    const double axis = d.kind == DimensionKind::Vertical ? 90 : 0;
    out.rotation = std::fmod(s.angle(d.rotation + axis) - axis, 360.0);
    return out;
}

} // namespace cad
