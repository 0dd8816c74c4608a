#include "engine/edit/DrawingWriter.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace cad {

namespace {

bool hasVertices(EntityType t) {
    return t == EntityType::Polyline || t == EntityType::Spline || t == EntityType::Hatch;
}

} // namespace

// ---- one entity

PointData& EntityChange::point() {
    assert(type() == EntityType::Point);
    return d_.points[entity().first];
}
LineData& EntityChange::line() {
    assert(type() == EntityType::Line);
    return d_.lines[entity().first];
}
CircleData& EntityChange::circle() {
    assert(type() == EntityType::Circle);
    return d_.circles[entity().first];
}
ArcData& EntityChange::arc() {
    assert(type() == EntityType::Arc || type() == EntityType::Sector);
    return type() == EntityType::Sector ? d_.sectors[entity().first] : d_.arcs[entity().first];
}
EllipseData& EntityChange::ellipse() {
    assert(type() == EntityType::Ellipse);
    return d_.ellipses[entity().first];
}
RectangleData& EntityChange::rectangle() {
    assert(type() == EntityType::Rectangle);
    return d_.rectangles[entity().first];
}
InsertData& EntityChange::insert() {
    assert(type() == EntityType::Insert);
    return d_.inserts[entity().first];
}
TextData& EntityChange::text() {
    assert(type() == EntityType::Text);
    return d_.texts[entity().first];
}
HatchData& EntityChange::hatch() {
    assert(type() == EntityType::Hatch);
    return d_.hatches[entity().first];
}
ImageData& EntityChange::image() {
    assert(type() == EntityType::Image);
    return d_.images[entity().first];
}

DimensionRecord& EntityChange::dimension() {
    assert(type() == EntityType::Dimension);
    return d_.dimensions[entity().first];
}

std::span<Vec2> EntityChange::vertices() {
    const Entity& e = entity();
    if (!hasVertices(e.type))
        return {};
    const std::uint64_t first =
        e.type == EntityType::Hatch ? d_.hatches[e.first].firstVertex : e.first;
    return {d_.vertices.data() + first, e.count};
}

void EntityChange::setVertices(std::span<const Vec2> v) {
    Entity& e = record();
    if (!hasVertices(e.type))
        return;
    if (v.size() == e.count) {
        std::copy(v.begin(), v.end(), vertices().begin());
        return;
    }
    // Loops of a hatch count its vertices: a hatch keeps its number of them.
    if (e.type == EntityType::Hatch)
        return;
    if (d_.vertices.size() > std::numeric_limits<std::uint32_t>::max() ||
        v.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("the drawing holds too many vertices");
    // The data may lie in the store itself: taken before the store grows.
    const std::vector<Vec2> copy(v.begin(), v.end());
    d_.deadVertices += storedVertices(e);
    e.first = static_cast<std::uint32_t>(d_.vertices.size());
    e.count = static_cast<std::uint32_t>(copy.size());
    e.set(EntityFlag::Bulges, false);
    d_.vertices.insert(d_.vertices.end(), copy.begin(), copy.end());
}

BulgeRef EntityChange::bulges() {
    const Entity& e = entity();
    if (e.type != EntityType::Polyline || !e.has(EntityFlag::Bulges))
        return {};
    return {d_.vertices.data() + e.first + e.count, e.count};
}

void EntityChange::setPolyline(std::span<const Vec2> v, std::span<const double> bulges) {
    Entity& e = record();
    if (e.type != EntityType::Polyline)
        return;
    const auto bulge = [&](std::size_t i) {
        return i < bulges.size() && std::isfinite(bulges[i]) && isArcBulge(bulges[i]) ? bulges[i]
                                                                                      : 0.0;
    };
    bool arcs = false;
    for (std::size_t i = 0; i < v.size() && !arcs; ++i)
        arcs = bulge(i) != 0;
    if (!arcs) {
        if (e.has(EntityFlag::Bulges) && v.size() == e.count) {
            // The same place, its bulges no longer counted.
            d_.deadVertices += bulgePlaces(e.count);
            e.set(EntityFlag::Bulges, false);
        }
        setVertices(v);
        return;
    }
    if (d_.vertices.size() > std::numeric_limits<std::uint32_t>::max() ||
        v.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("the drawing holds too many vertices");
    // Vertices, then two bulges to a place; the data may lie in the store itself.
    std::vector<Vec2> stored(v.begin(), v.end());
    for (std::size_t i = 0; i < v.size(); i += 2)
        stored.push_back({bulge(i), i + 1 < v.size() ? bulge(i + 1) : 0.0});
    if (e.has(EntityFlag::Bulges) && v.size() == e.count) {
        std::copy(stored.begin(), stored.end(), d_.vertices.begin() + e.first);
        return;
    }
    d_.deadVertices += storedVertices(e);
    e.first = static_cast<std::uint32_t>(d_.vertices.size());
    e.count = static_cast<std::uint32_t>(v.size());
    e.set(EntityFlag::Bulges, true);
    d_.vertices.insert(d_.vertices.end(), stored.begin(), stored.end());
}

void EntityChange::setText(std::string_view bytes) {
    Entity& e = record();
    if (e.type != EntityType::Text)
        return;
    // New bytes always: the old ones are what a kept change gives back.
    const PooledText p = d_.pool(bytes);
    d_.texts[e.first].chars = p.offset;
    e.count = p.size;
}

void EntityChange::setTextParams(const TextParams& params) {
    if (type() == EntityType::Text)
        d_.texts[entity().first].params = d_.internParams(params);
}

void EntityChange::setDimensionText(std::string_view bytes) {
    if (type() == EntityType::Dimension)
        dimension().text = d_.pool(bytes); // new bytes: the old ones are the kept change's
}

// ---- the writer

Entity& DrawingWriter::record(std::uint32_t h) {
    keepEntity(h, Keep::Record);
    d_.changed(h);
    return d_.entities[h];
}

EntityChange DrawingWriter::change(std::uint32_t h) {
    keepEntity(h, Keep::Everything);
    d_.changed(h);
    return EntityChange(d_, h);
}

void DrawingWriter::erase(std::uint32_t h) {
    Entity& e = record(h);
    e.set(EntityFlag::Deleted, true);
    e.set(EntityFlag::Selected, false);
    ++d_.selectionVersion;
}

int DrawingWriter::makeBlock(std::string_view name, Vec2 base, std::size_t firstHandle) {
    std::vector<std::uint32_t> handles;
    for (std::size_t h = firstHandle; h < d_.entities.size(); ++h)
        handles.push_back(static_cast<std::uint32_t>(h));
    return makeBlock(name, base, std::move(handles));
}

int DrawingWriter::makeBlock(std::string_view name, Vec2 base, std::vector<std::uint32_t> handles) {
    // The entities that go into the block, and those of a block it replaces, change.
    for (const std::uint32_t h : handles)
        keepEntity(h, Keep::Record);
    const int old = d_.findBlock(name);
    if (old >= 0) {
        for (const std::uint32_t h : d_.blocks[static_cast<std::size_t>(old)].entities)
            keepEntity(h, Keep::Record);
        keepEntry(TableId::Blocks, static_cast<std::size_t>(old));
    } else {
        keepEntry(TableId::Blocks, kTableSize);
    }
    return d_.makeBlock(name, base, std::move(handles));
}

namespace {

template <typename T> std::size_t appended(std::vector<T>& table, T entry, std::size_t most) {
    if (table.size() >= most)
        throw std::length_error("the drawing's table is full");
    table.push_back(std::move(entry));
    return table.size() - 1;
}

} // namespace

Layer& DrawingWriter::layer(std::size_t i) {
    keepEntry(TableId::Layers, i);
    d_.touch();
    return d_.layers[i];
}

int DrawingWriter::addLayer(Layer l) {
    keepEntry(TableId::Layers, kTableSize);
    d_.touch();
    return static_cast<int>(
        appended(d_.layers, std::move(l), static_cast<std::size_t>(kMostLayers) + 1));
}

void DrawingWriter::setLayers(std::vector<Layer> layers) {
    if (layers.size() > static_cast<std::size_t>(kMostLayers) + 1)
        throw std::length_error("the drawing's table is full");
    if (layers.size() != d_.layers.size())
        keepEntry(TableId::Layers, kTableSize);
    // Entries that go away or change are kept.
    for (std::size_t i = 0; i < d_.layers.size(); ++i)
        if (i >= layers.size() || !(layers[i] == d_.layers[i]))
            keepEntry(TableId::Layers, i);
    d_.layers = std::move(layers);
    d_.touch();
}

LineStyle& DrawingWriter::lineStyle(std::size_t i) {
    keepEntry(TableId::LineStyles, i);
    d_.touch();
    return d_.lineStyles[i];
}

int DrawingWriter::addLineStyle(LineStyle s) {
    keepEntry(TableId::LineStyles, kTableSize);
    d_.touch();
    return static_cast<int>(
        appended(d_.lineStyles, std::move(s), static_cast<std::size_t>(kMostLineStyles) + 1));
}

TextStyle& DrawingWriter::textStyle(std::size_t i) {
    keepEntry(TableId::TextStyles, i);
    d_.touch();
    return d_.textStyles[i];
}

int DrawingWriter::addTextStyle(TextStyle s) {
    keepEntry(TableId::TextStyles, kTableSize);
    d_.touch();
    return static_cast<int>(appended(d_.textStyles, std::move(s),
                                     static_cast<std::size_t>(std::numeric_limits<int>::max())));
}

void DrawingWriter::setOrderKey(std::uint32_t h, std::int64_t key) {
    if (h >= d_.entities.size())
        return;
    std::vector<std::int64_t>& keys = d_.orderKeys;
    if (keys.size() < d_.entities.size()) {
        keepEntry(TableId::DrawOrder, kTableSize);
        std::int64_t next = d_.drawOrder().largestKey() + 1;
        const std::size_t from = keys.size();
        keys.resize(d_.entities.size());
        for (std::size_t i = from; i < keys.size(); ++i)
            keys[i] = next++;
    }
    keepEntry(TableId::DrawOrder, h);
    keepEntity(h, Keep::Record);
    keys[h] = key;
    d_.orderChanged();
    d_.changed(h);
}

Block& DrawingWriter::block(std::size_t i) {
    keepEntry(TableId::Blocks, i);
    d_.blocksChanged();
    return d_.blocks[i];
}

int DrawingWriter::addBlock(Block b) {
    keepEntry(TableId::Blocks, kTableSize);
    d_.blocksChanged();
    return static_cast<int>(appended(d_.blocks, std::move(b),
                                     static_cast<std::size_t>(std::numeric_limits<int>::max())));
}

// ---- print areas: kept entry by entry as layers are; nothing of the drawing's picture changes
// with them, so nothing is touched.

PrintArea& DrawingWriter::printArea(std::size_t i) {
    keepEntry(TableId::PrintAreas, i);
    return d_.printAreas[i];
}

int DrawingWriter::addPrintArea(const PrintArea& area) {
    keepEntry(TableId::PrintAreas, kTableSize);
    return static_cast<int>(appended(d_.printAreas, area, kMostPrintAreas));
}

void DrawingWriter::setPrintAreas(std::vector<PrintArea> areas) {
    if (areas.size() > kMostPrintAreas)
        throw std::length_error("the drawing's table is full");
    if (areas.size() != d_.printAreas.size())
        keepEntry(TableId::PrintAreas, kTableSize);
    for (std::size_t i = 0; i < d_.printAreas.size(); ++i)
        if (i >= areas.size() || !(areas[i] == d_.printAreas[i]))
            keepEntry(TableId::PrintAreas, i);
    d_.printAreas = std::move(areas);
}

DimensionStyle& DrawingWriter::dimensionStyle(std::size_t i) {
    keepEntry(TableId::DimensionStyles, i);
    d_.dimensionsRestyled();
    return d_.dimensionStyles[i];
}

int DrawingWriter::addDimensionStyle(DimensionStyle s) {
    keepEntry(TableId::DimensionStyles, kTableSize);
    d_.touch();
    return static_cast<int>(appended(d_.dimensionStyles, std::move(s),
                                     static_cast<std::size_t>(std::numeric_limits<int>::max())));
}

void DrawingWriter::setDimensionStyles(std::vector<DimensionStyle> styles) {
    if (styles.size() != d_.dimensionStyles.size())
        keepEntry(TableId::DimensionStyles, kTableSize);
    for (std::size_t i = 0; i < d_.dimensionStyles.size(); ++i)
        if (i >= styles.size() || !(styles[i] == d_.dimensionStyles[i]))
            keepEntry(TableId::DimensionStyles, i);
    d_.dimensionStyles = std::move(styles);
    d_.dimensionsRestyled();
}

} // namespace cad
