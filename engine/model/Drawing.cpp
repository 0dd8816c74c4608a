#include "engine/model/Drawing.h"

#include "engine/model/DimensionEntity.h"
#include "engine/model/Path.h"
#include "engine/model/Spline.h"
#include "engine/model/TextMeasure.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace cad {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a == b;
}

template <typename T> int findByName(const std::vector<T>& items, std::string_view name, int from) {
    for (std::size_t i = static_cast<std::size_t>(std::max(from, 0)); i < items.size(); ++i)
        if (sameName(items[i].name, name))
            return static_cast<int>(i);
    return -1;
}

template <typename T> std::uint64_t append(std::vector<T>& table, const T& value) {
    table.push_back(value);
    return table.size() - 1;
}

// Adds the corners of a w x h box whose reference corner is at `origin`, offset by (dx, dy)
// in the box's own axes, rotated by `degrees` about origin.
void addRotatedBox(Rect& r, Vec2 origin, double dx, double dy, double w, double h, double degrees) {
    const double c = std::cos(radians(normalisedDegrees(degrees)));
    const double s = std::sin(radians(normalisedDegrees(degrees)));
    for (const auto& [u, v] : {std::pair{dx, dy}, {dx + w, dy}, {dx, dy + h}, {dx + w, dy + h}})
        r.add(origin.x + u * c - v * s, origin.y + u * s + v * c);
}

// Adds the points of an arc that reach farthest: its ends and the quadrant points on it.
void addArcExtents(Rect& r, const ArcData& a) {
    const double rad = std::abs(a.radius);
    const double s = normalisedDegrees(a.startAngle);
    double sweep = normalisedDegrees(a.endAngle) - s;
    if (sweep <= 0)
        sweep += 360;
    auto at = [&](double deg) {
        r.add(a.centre.x + rad * std::cos(radians(deg)), a.centre.y + rad * std::sin(radians(deg)));
    };
    at(s);
    at(s + sweep);
    for (int q = 0; q < 8; ++q) {
        const double quadrant = 90.0 * q;
        if (quadrant > s && quadrant < s + sweep)
            at(quadrant);
    }
}

} // namespace

std::vector<double> parseLinePattern(std::string_view definition) {
    std::vector<double> pattern;
    std::size_t i = 0;
    while (i < definition.size()) {
        while (i < definition.size() &&
               (definition[i] == ',' || definition[i] == ' ' || definition[i] == '\t'))
            ++i;
        std::size_t j = i;
        while (j < definition.size() && definition[j] != ',' && definition[j] != ' ' &&
               definition[j] != '\t')
            ++j;
        if (j > i) {
            double v = 0;
            const char* b = definition.data() + i;
            const char* e = definition.data() + j;
            if (*b == '+')
                ++b;
            const auto [end, ec] = std::from_chars(b, e, v);
            if (ec == std::errc() && end == e && std::isfinite(v))
                pattern.push_back(v);
        }
        i = j;
    }
    // A pattern with no length at all draws like a continuous line.
    bool anyLength = false;
    for (double v : pattern)
        anyLength = anyLength || v != 0;
    if (!anyLength)
        pattern.clear();
    return pattern;
}

Drawing::Drawing() {
    layers.push_back(Layer{"0", 0x000000, 0x000000, 0.0, true, false, true});
    lineStyles.push_back(LineStyle{"Continuous", "", {}});
    textStyles.push_back(TextStyle{"Standard", "DejaVu Sans", 1.0, 0.0, 5, true, true});
    dimensionStyles.push_back(DimensionStyle{});
}

std::unique_ptr<Drawing> Drawing::contentCopy() const {
    auto c = std::make_unique<Drawing>();
    c->layers = layers;
    c->lineStyles = lineStyles;
    c->textStyles = textStyles;
    c->blocks = blocks;
    c->printAreas = printAreas;
    c->dimensionStyles = dimensionStyles;
    c->settings = settings;
    c->current = current;
    c->entities = entities;
    c->vertices = vertices;
    c->points = points;
    c->lines = lines;
    c->circles = circles;
    c->arcs = arcs;
    c->sectors = sectors;
    c->ellipses = ellipses;
    c->rectangles = rectangles;
    c->inserts = inserts;
    c->texts = texts;
    c->hatches = hatches;
    c->images = images;
    c->dimensions = dimensions;
    c->chars = chars;
    c->textParams = textParams;
    c->hatchLoops = hatchLoops;
    c->ownStyles = ownStyles;
    c->orderKeys = orderKeys;
    c->deadVertices = deadVertices;
    c->modified = modified;
    c->version = version;
    c->edits = edits;
    return c;
}

void Drawing::reclaimVertices() {
    // A quarter of the store and a megabyte at least: rebuilding costs a pass over it.
    if (deadVertices < (std::uint64_t(1) << 16) || deadVertices * 4 < vertices.size())
        return;
    std::vector<Vec2, LargeAllocator<Vec2>> kept;
    kept.reserve(static_cast<std::size_t>(vertices.size() -
                                          std::min<std::uint64_t>(deadVertices, vertices.size())));
    auto move = [&](std::uint64_t first, std::uint64_t count) -> std::uint64_t {
        const std::uint64_t at = kept.size();
        if (first <= vertices.size() && count <= vertices.size() - first)
            kept.insert(kept.end(), vertices.begin() + static_cast<std::ptrdiff_t>(first),
                        vertices.begin() + static_cast<std::ptrdiff_t>(first + count));
        return at;
    };
    // Every entity keeps its vertices, deleted ones too: a change taken back brings them back.
    for (Entity& e : entities) {
        if (e.type == EntityType::Polyline || e.type == EntityType::Spline)
            e.first = static_cast<std::uint32_t>(move(e.first, storedVertices(e)));
        else if (e.type == EntityType::Hatch && e.first < hatches.size())
            hatches[e.first].firstVertex = move(hatches[e.first].firstVertex, e.count);
    }
    vertices = std::move(kept);
    deadVertices = 0;
}

int Drawing::findLayer(std::string_view name, int from) const {
    return findByName(layers, name, from);
}
int Drawing::findLineStyle(std::string_view name, int from) const {
    return findByName(lineStyles, name, from);
}
int Drawing::findTextStyle(std::string_view name, int from) const {
    return findByName(textStyles, name, from);
}
int Drawing::findBlock(std::string_view name) const {
    return findByName(blocks, name, 0);
}

int Drawing::addRecord(EntityType type, std::uint64_t first, std::uint32_t count) {
    Entity e;
    e.type = type;
    e.layer = static_cast<std::uint16_t>(current.layer);
    e.lineStyle = static_cast<std::uint16_t>(current.lineStyle);
    e.first = static_cast<std::uint32_t>(first);
    e.count = count;
    entities.push_back(e);
    touch();
    return static_cast<int>(entities.size() - 1);
}

int Drawing::addPolyline(const Vec2* first, std::size_t count, bool closed, std::uint8_t fit) {
    const std::uint64_t start = vertices.size();
    vertices.insert(vertices.end(), first, first + count);
    return addPolylineAt(start, closed, fit);
}

int Drawing::addPolyline(const Vec2* first, std::size_t count, const double* bulges, bool closed) {
    const auto bulge = [&](std::size_t i) {
        return bulges && std::isfinite(bulges[i]) && isArcBulge(bulges[i]) ? bulges[i] : 0.0;
    };
    bool arcs = false;
    for (std::size_t i = 0; i < count && !arcs; ++i)
        arcs = bulge(i) != 0;
    if (!arcs)
        return addPolyline(first, count, closed);
    if (count > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("the drawing holds too many vertices");
    const std::uint64_t start = vertices.size();
    if (start > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("the drawing holds too many vertices");
    vertices.insert(vertices.end(), first, first + count);
    for (std::size_t i = 0; i < count; i += 2)
        vertices.push_back({bulge(i), i + 1 < count ? bulge(i + 1) : 0.0});
    const int h = addRecord(EntityType::Polyline, start, static_cast<std::uint32_t>(count));
    entities.back().set(EntityFlag::Closed, closed);
    entities.back().set(EntityFlag::Bulges, true);
    return h;
}

int Drawing::addPolylineAt(std::uint64_t firstVertex, bool closed, std::uint8_t fit) {
    if (firstVertex > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("the drawing holds too many vertices");
    const int h = addRecord(EntityType::Polyline, firstVertex,
                            static_cast<std::uint32_t>(vertices.size() - firstVertex));
    entities.back().set(EntityFlag::Closed, closed);
    entities.back().fit = fit;
    return h;
}

int Drawing::addPoint(const PointData& d) {
    return addRecord(EntityType::Point, append(points, d));
}
int Drawing::addLine(const LineData& d) {
    return addRecord(EntityType::Line, append(lines, d));
}
int Drawing::addCircle(const CircleData& d) {
    return addRecord(EntityType::Circle, append(circles, d));
}
int Drawing::addArc(const ArcData& d) {
    return addRecord(EntityType::Arc, append(arcs, d));
}
int Drawing::addEllipse(const EllipseData& d) {
    return addRecord(EntityType::Ellipse, append(ellipses, d));
}
int Drawing::addRectangle(const RectangleData& d) {
    return addRecord(EntityType::Rectangle, append(rectangles, d));
}
int Drawing::addInsert(const InsertData& d) {
    return addRecord(EntityType::Insert, append(inserts, d));
}
int Drawing::addText(const TextSpec& t) {
    const PooledText bytes = pool(t.text);
    texts.push_back(TextData{t.p, bytes.offset, internParams(t.params())});
    return addRecord(EntityType::Text, texts.size() - 1, bytes.size);
}
int Drawing::addHatch(const Vec2* first, std::size_t count, const HatchSpec& h) {
    const std::uint64_t start = vertices.size();
    vertices.insert(vertices.end(), first, first + count);
    return addHatchAt(start, h);
}

int Drawing::addHatchAt(std::uint64_t firstVertex, const HatchSpec& h) {
    HatchData d;
    d.firstVertex = firstVertex;
    d.pattern = pool(h.pattern);
    d.firstLoop = static_cast<std::uint32_t>(hatchLoops.size());
    d.loopCount = static_cast<std::uint32_t>(h.loops.size());
    hatchLoops.insert(hatchLoops.end(), h.loops.begin(), h.loops.end());
    d.solid = h.solid ? 1 : 0;
    d.scale = h.scale;
    d.angle = h.angle;
    d.origin = h.origin;
    d.mirrored = h.mirrored ? 1 : 0;
    hatches.push_back(d);
    return addRecord(EntityType::Hatch, hatches.size() - 1,
                     static_cast<std::uint32_t>(vertices.size() - firstVertex));
}
int Drawing::addImage(const ImageSpec& d) {
    return addRecord(EntityType::Image,
                     append(images, ImageData{pool(d.path), d.p, d.width, d.height}));
}

int Drawing::addSpline(const Vec2* fitPoints, std::size_t count, bool closed) {
    const std::uint64_t start = vertices.size();
    vertices.insert(vertices.end(), fitPoints, fitPoints + count);
    return addSplineAt(start, closed);
}

int Drawing::addSplineAt(std::uint64_t firstVertex, bool closed) {
    if (firstVertex > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("the drawing holds too many vertices");
    const int h = addRecord(EntityType::Spline, firstVertex,
                            static_cast<std::uint32_t>(vertices.size() - firstVertex));
    entities.back().set(EntityFlag::Closed, closed);
    return h;
}

int Drawing::addSector(const ArcData& d) {
    return addRecord(EntityType::Sector, append(sectors, d));
}

int Drawing::addDimension(const DimensionData& d, std::span<const PointTie> ties) {
    DimensionRecord r = dimensionRecord(d, pool(d.text));
    for (std::size_t i = 0; i < ties.size() && i < r.ties.size(); ++i)
        r.ties[i] = ties[i];
    dimensions.push_back(r);
    return addRecord(EntityType::Dimension, dimensions.size() - 1);
}

int Drawing::duplicate(int handle) {
    if (!valid(handle))
        return -1;
    Entity e = entities[static_cast<std::size_t>(handle)];
    e.set(EntityFlag::Selected, false);
    e.set(EntityFlag::InBlock, false);
    const auto last = [](const auto& table) {
        return static_cast<std::uint32_t>(table.size() - 1);
    };
    switch (e.type) {
    case EntityType::Point:
        points.push_back(points[e.first]);
        e.first = last(points);
        break;
    case EntityType::Line:
        lines.push_back(lines[e.first]);
        e.first = last(lines);
        break;
    case EntityType::Polyline:
    case EntityType::Spline: {
        const std::size_t from = e.first;
        e.first = static_cast<std::uint32_t>(vertices.size());
        // A polyline's bulges follow its vertices.
        const std::uint64_t stored = storedVertices(e);
        for (std::uint64_t i = 0; i < stored; ++i)
            vertices.push_back(vertices[from + i]);
        break;
    }
    case EntityType::Circle:
        circles.push_back(circles[e.first]);
        e.first = last(circles);
        break;
    case EntityType::Arc:
        arcs.push_back(arcs[e.first]);
        e.first = last(arcs);
        break;
    case EntityType::Sector:
        sectors.push_back(sectors[e.first]);
        e.first = last(sectors);
        break;
    case EntityType::Ellipse:
        ellipses.push_back(ellipses[e.first]);
        e.first = last(ellipses);
        break;
    case EntityType::Rectangle:
        rectangles.push_back(rectangles[e.first]);
        e.first = last(rectangles);
        break;
    case EntityType::Insert:
        inserts.push_back(inserts[e.first]);
        e.first = last(inserts);
        break;
    case EntityType::Text:
        // Strings never change where they lie in the pool: the copy may share them.
        texts.push_back(texts[e.first]);
        e.first = last(texts);
        break;
    case EntityType::Hatch: {
        HatchData h = hatches[e.first];
        const std::uint64_t from = h.firstVertex;
        h.firstVertex = vertices.size();
        for (std::uint32_t i = 0; i < e.count; ++i)
            vertices.push_back(vertices[from + i]);
        const std::uint32_t firstLoop = h.firstLoop;
        h.firstLoop = static_cast<std::uint32_t>(hatchLoops.size());
        for (std::uint32_t i = 0; i < h.loopCount; ++i)
            hatchLoops.push_back(hatchLoops[firstLoop + i]);
        hatches.push_back(h);
        e.first = last(hatches);
        break;
    }
    case EntityType::Image:
        images.push_back(images[e.first]);
        e.first = last(images);
        break;
    case EntityType::Dimension:
        // Its text may share the bytes, as a text's does; its ties go where the caller says.
        dimensions.push_back(dimensions[e.first]);
        e.first = last(dimensions);
        break;
    }
    const OwnStyle own = ownStyle(static_cast<std::size_t>(handle));
    entities.push_back(e);
    const auto copy = entities.size() - 1;
    if (own != OwnStyle{})
        setOwnStyle(copy, own);
    touch();
    return static_cast<int>(copy);
}

PooledText Drawing::pool(std::string_view bytes) {
    if (bytes.empty())
        return {};
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max() - chars.size())
        throw std::length_error("the drawing holds too many characters");
    const PooledText t{static_cast<std::uint32_t>(chars.size()),
                       static_cast<std::uint32_t>(bytes.size())};
    chars.insert(chars.end(), bytes.begin(), bytes.end());
    return t;
}

std::size_t TextParamsHash::operator()(const TextParams& p) const {
    // The bytes of the parameters, so that every different set (a not-a-number height too)
    // is told apart.
    static_assert(sizeof(TextParams) == 32, "no padding between the fields");
    std::uint64_t words[4];
    std::memcpy(words, &p, sizeof words);
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (std::uint64_t w : words)
        h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
    return static_cast<std::size_t>(h ^ (h >> 31));
}

bool TextParamsHash::same(const TextParams& a, const TextParams& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::uint32_t Drawing::internParams(const TextParams& p) {
    // Texts come in runs of one look: the last answer is asked for again most of the time.
    if (lastParams_ < textParams.size() && TextParamsHash::same(textParams[lastParams_], p))
        return lastParams_;
    // The table may have been filled or cut back by others (a file being read): the index
    // catches up with it. Equal sets listed twice keep the first index.
    if (paramsIndexed_ > textParams.size()) {
        paramsIndex_.clear();
        paramsIndexed_ = 0;
    }
    for (; paramsIndexed_ < textParams.size(); ++paramsIndexed_)
        paramsIndex_.emplace(textParams[paramsIndexed_],
                             static_cast<std::uint32_t>(paramsIndexed_));
    const auto [it, added] = paramsIndex_.emplace(p, static_cast<std::uint32_t>(textParams.size()));
    if (added) {
        textParams.push_back(p);
        ++paramsIndexed_;
    }
    lastParams_ = it->second;
    return it->second;
}

TextSpec Drawing::textSpec(const Entity& e) const {
    const TextData& t = texts[e.first];
    const TextParams& p = paramsOf(t);
    return TextSpec{t.p, p.height, p.rotation, p.oblique, p.align, p.style, std::string(textOf(e))};
}

void Drawing::setOwnStyle(std::size_t handle, const OwnStyle& s) {
    if (handle >= entities.size())
        return;
    if (ownStyles.size() < entities.size()) {
        if (s == OwnStyle{} && handle >= ownStyles.size())
            return;
        ownStyles.resize(entities.size());
    }
    ownStyles[handle] = s;
}

std::uint32_t Drawing::colorOf(std::size_t handle, const Entity& e) const {
    if (!e.has(EntityFlag::ColorByLayer))
        return ownStyle(handle).color;
    return e.layer < layers.size() ? layers[e.layer].color : 0;
}

double Drawing::widthOf(std::size_t handle, const Entity& e) const {
    if (!e.has(EntityFlag::WidthByLayer))
        return ownStyle(handle).width;
    return e.layer < layers.size() ? layers[e.layer].width : 0;
}

int Drawing::ownerOf(int handle) const {
    if (!valid(handle) || !entities[static_cast<std::size_t>(handle)].has(EntityFlag::InBlock))
        return kModelSpace;
    for (std::size_t b = 0; b < blocks.size(); ++b)
        for (std::uint32_t h : blocks[b].entities)
            if (h == static_cast<std::uint32_t>(handle))
                return static_cast<int>(b);
    return kModelSpace;
}

int Drawing::makeBlock(std::string_view name, Vec2 base, std::size_t firstHandle) {
    std::vector<std::uint32_t> owned;
    for (std::size_t h = firstHandle; h < entities.size(); ++h)
        owned.push_back(static_cast<std::uint32_t>(h));
    return makeBlock(name, base, std::move(owned));
}

int Drawing::makeBlock(std::string_view name, Vec2 base, std::vector<std::uint32_t> handles) {
    std::vector<std::uint32_t> owned;
    for (const std::uint32_t h : handles)
        if (h < entities.size() && !entities[h].has(EntityFlag::Deleted) &&
            !entities[h].has(EntityFlag::InBlock))
            owned.push_back(h);
    if (owned.empty())
        return -1;
    int index = findBlock(name);
    if (index >= 0)
        for (std::uint32_t h : owned)
            if (entities[h].type == EntityType::Insert &&
                wouldRecurse(index, inserts[entities[h].first].block))
                return -1;
    if (index < 0) {
        blocks.push_back(Block{std::string(name), base, {}});
        index = static_cast<int>(blocks.size() - 1);
    } else {
        for (std::uint32_t h : blocks[static_cast<std::size_t>(index)].entities)
            entities[h].set(EntityFlag::Deleted, true);
        blocks[static_cast<std::size_t>(index)].base = base;
    }
    for (std::uint32_t h : owned) {
        entities[h].set(EntityFlag::InBlock, true);
        entities[h].set(EntityFlag::Selected, false);
        index_.changed(h);
    }
    blocks[static_cast<std::size_t>(index)].entities = std::move(owned);
    ++selectionVersion;
    blocksChanged();
    return index;
}

bool Drawing::wouldRecurse(int outer, int inner) const {
    if (outer == kModelSpace)
        return false;
    // Does `inner` reach `outer` through its insertions?
    std::vector<char> seen(blocks.size(), 0);
    std::vector<int> stack{inner};
    while (!stack.empty()) {
        const int b = stack.back();
        stack.pop_back();
        if (b == outer)
            return true;
        if (b < 0 || static_cast<std::size_t>(b) >= blocks.size() ||
            seen[static_cast<std::size_t>(b)])
            continue;
        seen[static_cast<std::size_t>(b)] = 1;
        for (std::uint32_t h : blocks[static_cast<std::size_t>(b)].entities) {
            const Entity& e = entities[h];
            if (e.type == EntityType::Insert && !e.has(EntityFlag::Deleted))
                stack.push_back(inserts[e.first].block);
        }
    }
    return false;
}

bool Drawing::hasRecursiveBlock() const {
    // Depth-first over the blocks: meeting a block that is still open on the path is a cycle.
    enum : char { Unseen, Open, Done };
    std::vector<char> state(blocks.size(), Unseen);
    std::vector<std::pair<std::size_t, std::size_t>> path; // block, next of its entities
    for (std::size_t root = 0; root < blocks.size(); ++root) {
        if (state[root] != Unseen)
            continue;
        state[root] = Open;
        path.push_back({root, 0});
        while (!path.empty()) {
            auto& [b, next] = path.back();
            if (next == blocks[b].entities.size()) {
                state[b] = Done;
                path.pop_back();
                continue;
            }
            const Entity& e = entities[blocks[b].entities[next++]];
            if (e.type != EntityType::Insert || e.has(EntityFlag::Deleted))
                continue;
            const int inner = inserts[e.first].block;
            if (inner < 0 || static_cast<std::size_t>(inner) >= blocks.size())
                continue;
            const auto i = static_cast<std::size_t>(inner);
            if (state[i] == Open)
                return true;
            if (state[i] == Unseen) {
                state[i] = Open;
                path.push_back({i, 0});
            }
        }
    }
    return false;
}

Rect Drawing::entityExtents(int handle, int depth) const {
    Rect r;
    if (!valid(handle))
        return r;
    const Entity& e = entities[static_cast<std::size_t>(handle)];
    switch (e.type) {
    case EntityType::Point:
        r.add(points[e.first].p);
        break;
    case EntityType::Line:
        r.add(lines[e.first].a);
        r.add(lines[e.first].b);
        break;
    case EntityType::Polyline:
    case EntityType::Hatch: {
        const Vec2* v = vertexData(e);
        for (std::uint32_t i = 0; i < e.count; ++i)
            r.add(v[i]);
        // Arc segments reach past their ends.
        const BulgeView bulges = bulgesOf(e);
        if (bulges.any()) {
            const std::uint32_t segments = e.has(EntityFlag::Closed) ? e.count : e.count - 1;
            for (std::uint32_t i = 0; i < segments && e.count > 1; ++i)
                if (isArcBulge(bulges[i]))
                    r.add(box(PathSegment{v[i], v[(i + 1) % e.count], bulges[i]}));
        }
        break;
    }
    case EntityType::Circle: {
        const auto& c = circles[e.first];
        const double rad = std::abs(c.radius);
        r.add(c.centre.x - rad, c.centre.y - rad);
        r.add(c.centre.x + rad, c.centre.y + rad);
        break;
    }
    case EntityType::Arc:
        addArcExtents(r, arcs[e.first]);
        break;
    case EntityType::Sector:
        addArcExtents(r, sectors[e.first]);
        r.add(sectors[e.first].centre);
        break;
    case EntityType::Spline:
        r.add(splineExtents({vertexData(e), e.count}, e.has(EntityFlag::Closed)));
        break;
    case EntityType::Ellipse: {
        const auto& el = ellipses[e.first];
        const double c = std::cos(radians(normalisedDegrees(el.rotation)));
        const double s = std::sin(radians(normalisedDegrees(el.rotation)));
        const double hx = std::hypot(el.radiusX * c, el.radiusY * s);
        const double hy = std::hypot(el.radiusX * s, el.radiusY * c);
        r.add(el.centre.x - hx, el.centre.y - hy);
        r.add(el.centre.x + hx, el.centre.y + hy);
        break;
    }
    case EntityType::Rectangle: {
        const auto& rc = rectangles[e.first];
        addRotatedBox(r, rc.centre, -rc.width / 2, -rc.height / 2, rc.width, rc.height,
                      rc.rotation);
        break;
    }
    case EntityType::Insert: {
        const auto& in = inserts[e.first];
        r.add(in.p);
        // Nesting deeper than any real drawing has counts by the insertion point alone.
        if (in.block < 0 || static_cast<std::size_t>(in.block) >= blocks.size() || depth > 16)
            break;
        const Rect b = blockExtents(in.block, depth + 1);
        if (b.empty())
            break;
        const Vec2 base = blocks[static_cast<std::size_t>(in.block)].base;
        addRotatedBox(r, in.p, (b.left - base.x) * in.scaleX, (b.bottom - base.y) * in.scaleY,
                      b.width() * in.scaleX, b.height() * in.scaleY, in.angle);
        break;
    }
    case EntityType::Text: {
        const auto& t = texts[e.first];
        const TextParams& p = paramsOf(t);
        // As the text is drawn: its font's letters, widened by the style, slanted.
        const TextStyle* style =
            p.style >= 0 && static_cast<std::size_t>(p.style) < textStyles.size()
                ? &textStyles[static_cast<std::size_t>(p.style)]
                : nullptr;
        const double factor = style && style->widthFactor > 0 ? style->widthFactor : 1.0;
        const TextReach reach =
            measureText(style ? std::string_view(style->font) : std::string_view(), textOf(e));
        const double h = std::abs(p.height);
        const double w = reach.width * h * factor;
        const int horizontal = p.align % 3, vertical = p.align / 3;
        const double dx = horizontal == 1 ? -w / 2 : horizontal == 2 ? -w : 0;
        const double dy = vertical == 1 ? -h / 2 : vertical == 2 ? -h : 0;
        const double low = dy - reach.below * h, high = dy + reach.above * h;
        const double slant = std::tan(radians(std::clamp(p.oblique, -80.0, 80.0)));
        // Letters may reach a little beyond their advance.
        const double pad = 0.1 * h;
        const double left = dx - pad + std::min(slant * low, slant * high);
        const double right = dx + w + pad + std::max(slant * low, slant * high);
        addRotatedBox(r, t.p, left, low, right - left, high - low, p.rotation);
        break;
    }
    case EntityType::Image: {
        const auto& im = images[e.first];
        r.add(im.p);
        r.add(im.p.x + im.width, im.p.y + im.height);
        break;
    }
    case EntityType::Dimension: {
        const DimensionData data = dimensionOf(e);
        // Laid out again into the same lists: the index asks for every dimension's box.
        thread_local DimensionGeometry laidOut;
        dimensionGeometryOf(*this, data, laidOut);
        r.add(dimensionBox(data, laidOut));
        break;
    }
    }
    return r;
}

Rect Drawing::blockExtents(int block) const {
    return blockExtents(block, 0);
}

Rect Drawing::blockExtents(int block, int depth) const {
    if (block < 0 || static_cast<std::size_t>(block) >= blocks.size())
        return Rect{};
    if (blockExtentsEdits_ != edits || blockExtentsKnown_.size() != blocks.size()) {
        blockExtents_.assign(blocks.size(), Rect{});
        blockExtentsKnown_.assign(blocks.size(), 0);
        blockExtentsEdits_ = edits;
    }
    const auto b = static_cast<std::size_t>(block);
    if (blockExtentsKnown_[b])
        return blockExtents_[b];
    Rect r;
    for (std::uint32_t h : blocks[b].entities)
        r.add(entityExtents(static_cast<int>(h), depth));
    blockExtents_[b] = r;
    blockExtentsKnown_[b] = 1;
    return r;
}

Rect Drawing::extents() const {
    Rect r;
    for (std::size_t h = 0; h < entities.size(); ++h)
        if (!entities[h].has(EntityFlag::InBlock) && !entities[h].has(EntityFlag::Deleted))
            r.add(entityExtents(static_cast<int>(h)));
    return r;
}

int Drawing::selectAll(bool select) {
    ++selectionVersion;
    // What lies on hidden or locked layers is never selected.
    std::vector<char> closed(layers.size(), 0);
    for (std::size_t l = 0; l < layers.size(); ++l)
        closed[l] = !layers[l].visible || layers[l].locked;
    int n = 0;
    for (auto& e : entities)
        if (!e.has(EntityFlag::InBlock) && !e.has(EntityFlag::Deleted)) {
            const bool on = select && !(e.layer < closed.size() && closed[e.layer]);
            e.set(EntityFlag::Selected, on);
            n += on;
        }
    return n;
}

bool Drawing::select(int handle, bool on) {
    if (!inModelSpace(handle))
        return false;
    Entity& e = entities[static_cast<std::size_t>(handle)];
    if (on && e.layer < layers.size() && (!layers[e.layer].visible || layers[e.layer].locked))
        return false;
    if (e.has(EntityFlag::Selected) != on) {
        e.set(EntityFlag::Selected, on);
        ++selectionVersion;
    }
    return true;
}

int Drawing::selectedCount() const {
    int n = 0;
    for (const auto& e : entities)
        n += !e.has(EntityFlag::InBlock) && !e.has(EntityFlag::Deleted) &&
             e.has(EntityFlag::Selected);
    return n;
}

Rect Drawing::selectionExtents() const {
    Rect r;
    for (std::size_t h = 0; h < entities.size(); ++h)
        if (!entities[h].has(EntityFlag::InBlock) && !entities[h].has(EntityFlag::Deleted) &&
            entities[h].has(EntityFlag::Selected))
            r.add(entityExtents(static_cast<int>(h)));
    return r;
}

int EntityWalk::first(const Drawing& d) {
    position_ = -1;
    return next(d);
}

int EntityWalk::next(const Drawing& d) {
    const auto n = static_cast<std::int64_t>(d.entities.size());
    for (std::int64_t h = position_ + 1; h < n; ++h)
        if (d.inModelSpace(static_cast<int>(h))) {
            position_ = h;
            return static_cast<int>(h);
        }
    position_ = n;
    return -1;
}

} // namespace cad
