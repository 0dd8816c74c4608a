#include "engine/model/PrintAreas.h"

#include "engine/model/Measure.h"
#include "engine/model/Spline.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace cad {

namespace {

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
Vec2 left(Vec2 u) {
    return {-u.y, u.x};
}
Vec2 unitOf(double degrees) {
    const double r = radians(degrees);
    return {std::cos(r), std::sin(r)};
}

} // namespace

// ---- areas

Vec2 toAreaFrame(const PrintArea& area, Vec2 p) {
    const Vec2 u = unitOf(area.angleDegrees), d = p - area.centre;
    return {dot(d, u), dot(d, left(u))};
}

Vec2 fromAreaFrame(const PrintArea& area, Vec2 local) {
    const Vec2 u = unitOf(area.angleDegrees);
    return area.centre + u * local.x + left(u) * local.y;
}

std::array<Vec2, 4> areaCorners(const PrintArea& area) {
    const double w = area.width / 2, h = area.height / 2;
    return {fromAreaFrame(area, {-w, -h}), fromAreaFrame(area, {w, -h}),
            fromAreaFrame(area, {w, h}), fromAreaFrame(area, {-w, h})};
}

bool areaContains(const PrintArea& area, Vec2 p, double tolerance) {
    const Vec2 q = toAreaFrame(area, p);
    return std::abs(q.x) <= area.width / 2 + tolerance &&
           std::abs(q.y) <= area.height / 2 + tolerance;
}

Rect areaBox(const PrintArea& area) {
    Rect r;
    for (const Vec2 c : areaCorners(area))
        r.add(c);
    return r;
}

std::array<Vec2, 5> areaGrips(const PrintArea& area) {
    const auto c = areaCorners(area);
    return {area.centre, c[0], c[1], c[2], c[3]};
}

PrintArea turnedAbout(const PrintArea& area, Vec2 from, Vec2 to) {
    const Vec2 a = from - area.centre, b = to - area.centre;
    if ((a.x == 0 && a.y == 0) || (b.x == 0 && b.y == 0))
        return area;
    PrintArea turned = area;
    const double by = std::atan2(a.x * b.y - a.y * b.x, dot(a, b)) * 180 / kPi;
    turned.angleDegrees = normalisedDegrees(area.angleDegrees + by);
    return turned;
}

// ---- the size of a sheet's area

SizeMm uprightPaperMm(const SheetPaper& paper) {
    switch (paper.size) {
    case PaperSize::A4:
        return {210, 297};
    case PaperSize::A3:
        return {297, 420};
    case PaperSize::A2:
        return {420, 594};
    case PaperSize::A1:
        return {594, 841};
    case PaperSize::A0:
        return {841, 1189};
    case PaperSize::Custom:
        break;
    }
    return {paper.customWidthMm, paper.customHeightMm};
}

SizeMm paperMm(const SheetPaper& paper) {
    const SizeMm upright = uprightPaperMm(paper);
    const double shortSide = std::min(upright.width, upright.height);
    const double longSide = std::max(upright.width, upright.height);
    return paper.landscape ? SizeMm{longSide, shortSide} : SizeMm{shortSide, longSide};
}

std::optional<SizeMm> printableMm(const SheetPaper& paper) {
    const SizeMm p = paperMm(paper);
    const double margins[4] = {paper.marginLeftMm, paper.marginBottomMm, paper.marginRightMm,
                               paper.marginTopMm};
    for (const double m : margins)
        if (!(m >= 0) || !std::isfinite(m))
            return std::nullopt;
    const SizeMm inside{p.width - paper.marginLeftMm - paper.marginRightMm,
                        p.height - paper.marginBottomMm - paper.marginTopMm};
    if (!(inside.width > 0) || !(inside.height > 0) || !std::isfinite(inside.width) ||
        !std::isfinite(inside.height))
        return std::nullopt;
    return inside;
}

std::optional<AreaSize> sheetAreaSize(const SheetPaper& paper, double scale,
                                      double millimetresPerUnit) {
    const auto inside = printableMm(paper);
    if (!inside || !(scale > 0) || !(millimetresPerUnit > 0) || !std::isfinite(scale) ||
        !std::isfinite(millimetresPerUnit))
        return std::nullopt;
    const double unitsPerPaperMm = scale / millimetresPerUnit;
    return AreaSize{inside->width * unitsPerPaperMm, inside->height * unitsPerPaperMm};
}

double overlapLength(const Overlap& overlap, double length) {
    if (!(length > 0) || !std::isfinite(overlap.value) || !(overlap.value > 0))
        return 0;
    const double shared = overlap.percent ? length * overlap.value / 100 : overlap.value;
    return std::min(shared, 0.9 * length);
}

double metresInUnits(double metres, double millimetresPerUnit) {
    return millimetresPerUnit > 0 ? metres * 1000 / millimetresPerUnit : metres;
}

Overlap overlapInUnits(const Overlap& given, double millimetresPerUnit) {
    Overlap inUnits = given;
    if (!given.percent)
        inUnits.value = metresInUnits(given.value, millimetresPerUnit);
    return inUnits;
}

// ---- the axis

AxisPiece linePiece(const LineData& line) {
    return {line.a, line.b, 0};
}

AxisPiece arcPiece(const ArcData& arc) {
    const double sweep = radians(sweepDegrees(arc.startAngle, arc.endAngle));
    return {arc.centre + unitOf(arc.startAngle) * arc.radius,
            arc.centre + unitOf(arc.endAngle) * arc.radius, std::tan(sweep / 4)};
}

std::vector<AxisPiece> polylinePieces(std::span<const Vec2> vertices, bool closed) {
    std::vector<AxisPiece> out;
    for (std::size_t i = 1; i < vertices.size(); ++i)
        if (!(vertices[i] == vertices[i - 1]))
            out.push_back({vertices[i - 1], vertices[i], 0});
    if (closed && vertices.size() > 2 && !(vertices.back() == vertices.front()))
        out.push_back({vertices.back(), vertices.front(), 0});
    return out;
}

std::optional<std::vector<AxisPiece>> axisPiecesOf(const Drawing& drawing, int handle,
                                                   double tolerance) {
    if (!drawing.valid(handle))
        return std::nullopt;
    const Entity& e = drawing.entities[static_cast<std::size_t>(handle)];
    switch (e.type) {
    case EntityType::Line:
        return std::vector<AxisPiece>{linePiece(drawing.lines[e.first])};
    case EntityType::Arc:
        return std::vector<AxisPiece>{arcPiece(drawing.arcs[e.first])};
    case EntityType::Polyline: {
        std::vector<AxisPiece> pieces =
            polylinePieces({drawing.vertexData(e), e.count}, e.has(EntityFlag::Closed));
        // Arc segments keep their bulges (a piece for each segment of some length).
        const BulgeView bulges = drawing.bulgesOf(e);
        if (bulges.any()) {
            const Vec2* v = drawing.vertexData(e);
            std::size_t k = 0;
            const std::uint32_t n = e.count;
            for (std::uint32_t i = 0; i < n && k < pieces.size(); ++i)
                if (pieces[k].a == v[i] && pieces[k].b == v[(i + 1) % n])
                    pieces[k++].bulge = bulges[i];
        }
        return pieces;
    }
    case EntityType::Spline: {
        std::vector<Vec2> points;
        splinePoints({drawing.vertexData(e), e.count}, e.has(EntityFlag::Closed), tolerance,
                     points);
        return polylinePieces(points);
    }
    default:
        return std::nullopt;
    }
}

AxisPiece reversed(const AxisPiece& piece) {
    return {piece.b, piece.a, -piece.bulge};
}

double pieceLength(const AxisPiece& piece) {
    const double chord = distance(piece.a, piece.b);
    if (piece.bulge == 0 || !std::isfinite(piece.bulge) || !(chord > 0))
        return chord;
    const double sweep = std::abs(4 * std::atan(piece.bulge));
    return chord / (2 * std::sin(sweep / 2)) * sweep;
}

std::optional<std::vector<AxisPiece>> joinAxis(std::span<const std::vector<AxisPiece>> curves,
                                               double tolerance) {
    std::vector<const std::vector<AxisPiece>*> rest;
    for (const auto& c : curves)
        if (!c.empty())
            rest.push_back(&c);
    if (rest.empty())
        return std::nullopt;
    std::deque<AxisPiece> chain(rest.front()->begin(), rest.front()->end());
    rest.erase(rest.begin());
    // The curve whose end lies nearest to `at`, within the tolerance: its place in `rest`, and
    // whether it is its start that meets it.
    const auto nearest = [&](Vec2 at) -> std::optional<std::pair<std::size_t, bool>> {
        std::optional<std::pair<std::size_t, bool>> best;
        double bestDistance = tolerance;
        for (std::size_t i = 0; i < rest.size(); ++i)
            for (const bool atStart : {true, false}) {
                const Vec2 end = atStart ? rest[i]->front().a : rest[i]->back().b;
                const double d = distance(end, at);
                if (d <= bestDistance) {
                    bestDistance = d;
                    best = std::pair{i, atStart};
                }
            }
        return best;
    };
    while (!rest.empty()) {
        if (const auto tail = nearest(chain.back().b)) {
            const auto& c = *rest[tail->first];
            if (tail->second)
                chain.insert(chain.end(), c.begin(), c.end());
            else
                for (auto it = c.rbegin(); it != c.rend(); ++it)
                    chain.push_back(reversed(*it));
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(tail->first));
        } else if (const auto head = nearest(chain.front().a)) {
            const auto& c = *rest[head->first];
            if (head->second) // its start meets the chain's start: it runs the other way
                for (const AxisPiece& p : c)
                    chain.push_front(reversed(p));
            else
                chain.insert(chain.begin(), c.begin(), c.end());
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(head->first));
        } else {
            return std::nullopt;
        }
    }
    return std::vector<AxisPiece>(chain.begin(), chain.end());
}

AxisPath::AxisPath(std::vector<AxisPiece> pieces) {
    pieces_.reserve(pieces.size());
    for (const AxisPiece& in : pieces) {
        Piece p;
        p.a = in.a;
        p.b = in.b;
        p.from = total_;
        const double chord = distance(in.a, in.b);
        if (!(chord > 0) || !std::isfinite(chord))
            continue;
        p.length = chord;
        if (in.bulge != 0 && std::isfinite(in.bulge)) {
            const double sweep = 4 * std::atan(in.bulge);
            const Vec2 u = (in.b - in.a) * (1 / chord);
            p.straight = false;
            p.arc.centre = (in.a + in.b) * 0.5 + left(u) * (chord / 2 / std::tan(sweep / 2));
            p.arc.radius = chord / (2 * std::abs(std::sin(sweep / 2)));
            p.arc.start = std::atan2(in.a.y - p.arc.centre.y, in.a.x - p.arc.centre.x);
            p.arc.sweep = sweep;
            p.length = p.arc.radius * std::abs(sweep);
        }
        total_ += p.length;
        pieces_.push_back(p);
    }
}

std::size_t AxisPath::pieceAt(double chainage) const {
    const auto it = std::upper_bound(pieces_.begin(), pieces_.end(), chainage,
                                     [](double s, const Piece& p) { return s < p.from; });
    return it == pieces_.begin() ? 0 : static_cast<std::size_t>(it - pieces_.begin()) - 1;
}

Vec2 AxisPath::pointOn(const Piece& p, double along) {
    if (p.straight)
        return p.a + (p.b - p.a) * (along / p.length);
    const double t = p.arc.start + std::copysign(along / p.arc.radius, p.arc.sweep);
    return p.arc.centre + Vec2{std::cos(t), std::sin(t)} * p.arc.radius;
}

Vec2 AxisPath::pointAt(double chainage) const {
    if (pieces_.empty())
        return {};
    const Piece& p = pieces_[pieceAt(chainage)];
    return pointOn(p, std::clamp(chainage - p.from, 0.0, p.length));
}

Vec2 AxisPath::directionAt(double chainage) const {
    if (pieces_.empty())
        return {1, 0};
    const Piece& p = pieces_[pieceAt(chainage)];
    if (p.straight)
        return (p.b - p.a) * (1 / p.length);
    const double along = std::clamp(chainage - p.from, 0.0, p.length);
    const double t = p.arc.start + std::copysign(along / p.arc.radius, p.arc.sweep);
    const Vec2 radial{std::cos(t), std::sin(t)};
    return p.arc.sweep > 0 ? left(radial) : left(radial) * -1;
}

void AxisPath::reachOn(const Piece& p, double from, double to, Vec2 u, double& low, double& high) {
    for (const double along : {from, to}) {
        const double v = dot(pointOn(p, along), u);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    if (p.straight)
        return;
    // The arc reaches farthest where its radius points along u, least where against it.
    const double s = std::copysign(1.0, p.arc.sweep);
    const double t0 = p.arc.start + s * from / p.arc.radius;
    const double t1 = p.arc.start + s * to / p.arc.radius;
    const double lo = std::min(t0, t1), hi = std::max(t0, t1);
    const double towards = std::atan2(u.y, u.x);
    const auto within = [&](double angle) {
        const double k = std::ceil((lo - angle) / (2 * kPi));
        return angle + k * 2 * kPi <= hi;
    };
    const double c = dot(p.arc.centre, u);
    if (within(towards))
        high = std::max(high, c + p.arc.radius);
    if (within(towards + kPi))
        low = std::min(low, c - p.arc.radius);
}

std::pair<double, double> AxisPath::reach(double from, double to, Vec2 u) const {
    double low = std::numeric_limits<double>::infinity(), high = -low;
    if (pieces_.empty() || !(from <= to))
        return {low, high};
    for (std::size_t i = pieceAt(from); i < pieces_.size() && pieces_[i].from <= to; ++i) {
        const Piece& p = pieces_[i];
        const double a = std::clamp(from - p.from, 0.0, p.length);
        const double b = std::clamp(to - p.from, 0.0, p.length);
        reachOn(p, a, b, u, low, high);
    }
    return {low, high};
}

// ---- division

namespace {

// The direction of the chord from one chainage to another (the axis's own where they meet).
Vec2 chordDirection(const AxisPath& path, double from, double to) {
    const Vec2 d = path.pointAt(to) - path.pointAt(from);
    const double length = std::hypot(d.x, d.y);
    if (length > 1e-12 * (1 + std::abs(path.length())))
        return d * (1 / length);
    return path.directionAt(from);
}

// Whether the axis from `from` to `to` fits into an area of the size turned along its chord.
bool fits(const AxisPath& path, double from, double to, AreaSize size) {
    const Vec2 u = chordDirection(path, from, to);
    const auto along = path.reach(from, to, u);
    const auto across = path.reach(from, to, left(u));
    constexpr double kSlack = 1 + 1e-9;
    return along.second - along.first <= size.width * kSlack &&
           across.second - across.first <= size.height * kSlack;
}

// The farthest chainage up to `end` to which the axis from `from` stays in one area: followed
// in small steps to where it first leaves, then to the last digits between the two.
double farthestExit(const AxisPath& path, double from, double end, AreaSize size) {
    if (fits(path, from, end, size))
        return end;
    const double step = std::min(size.width, size.height) / 32;
    double lo = from, hi = end;
    while (lo + step < end) {
        if (!fits(path, from, lo + step, size)) {
            hi = lo + step;
            break;
        }
        lo += step;
    }
    for (int i = 0; i < 200 && hi - lo > 1e-12 * std::max(1.0, std::abs(hi)); ++i) {
        const double mid = lo / 2 + hi / 2;
        (fits(path, from, mid, size) ? lo : hi) = mid;
    }
    return lo;
}

// The area that shows the axis from entry to exit along its chord, the entry at its left edge,
// the axis centred across it.
PrintArea placed(const AxisPath& path, double entry, double exit, AreaSize size) {
    const Vec2 u = chordDirection(path, entry, exit), n = left(u);
    const auto along = path.reach(entry, exit, u);
    const auto across = path.reach(entry, exit, n);
    PrintArea area;
    area.width = size.width;
    area.height = size.height;
    area.angleDegrees = normalisedDegrees(std::atan2(u.y, u.x) * 180 / kPi);
    area.centre = u * (along.first + size.width / 2) + n * ((across.first + across.second) / 2);
    return area;
}

} // namespace

std::vector<AxisSheet> divideAlongAxis(std::span<const AxisPiece> axis, AreaSize size,
                                       const Overlap& overlap, double start, double end) {
    std::vector<AxisSheet> out;
    const AxisPath path(std::vector<AxisPiece>(axis.begin(), axis.end()));
    const double total = path.length();
    if (!(size.width > 0) || !(size.height > 0) || !std::isfinite(size.width) ||
        !std::isfinite(size.height) || !(total > 0) || !std::isfinite(total))
        return out;
    const double first = std::clamp(std::isfinite(start) ? start : 0.0, 0.0, total);
    const double last = std::clamp(std::isnan(end) ? total : end, first, total);
    const double shared = overlapLength(overlap, size.width);
    constexpr std::size_t kMostSheets = 100000;
    double entry = first;
    while (out.size() < kMostSheets) {
        const double exit = farthestExit(path, entry, last, size);
        out.push_back({placed(path, entry, exit, size), entry, exit});
        if (exit >= last)
            break;
        // A sheet that holds less of the axis than the overlap (a sharp bend) still moves on.
        entry = std::max(exit - shared, entry + (exit - entry) / 2);
    }
    return out;
}

std::vector<PrintArea> areasOf(std::span<const AxisSheet> sheets) {
    std::vector<PrintArea> out;
    out.reserve(sheets.size());
    for (const AxisSheet& s : sheets)
        out.push_back(s.area);
    return out;
}

std::vector<PrintArea> divideGrid(const Rect& region, AreaSize size, const Overlap& overlap) {
    std::vector<PrintArea> out;
    if (region.empty() || !(size.width > 0) || !(size.height > 0) || !std::isfinite(size.width) ||
        !std::isfinite(size.height))
        return out;
    const double sharedX = overlapLength(overlap, size.width);
    const double sharedY = overlapLength(overlap, size.height);
    // Sheets along a length: the first covers its own length, each further one that less the
    // overlap.
    const auto count = [](double length, double sheet, double shared) {
        const double n = std::ceil((length - shared) / (sheet - shared) - 1e-9);
        return static_cast<int>(std::clamp(n, 1.0, 1000.0));
    };
    const int columns = count(region.width(), size.width, sharedX);
    const int rows = count(region.height(), size.height, sharedY);
    const double stepX = size.width - sharedX, stepY = size.height - sharedY;
    const Vec2 c = region.centre();
    const double left = c.x - (columns * stepX + sharedX) / 2;
    const double top = c.y + (rows * stepY + sharedY) / 2;
    out.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    for (int r = 0; r < rows; ++r)
        for (int k = 0; k < columns; ++k)
            out.push_back({{left + k * stepX + size.width / 2, top - r * stepY - size.height / 2},
                           size.width,
                           size.height,
                           0});
    return out;
}

} // namespace cad
