#include "engine/model/Merge.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace cad {

namespace {

// Copies entities, blocks, layers and styles of one drawing into another through its writer,
// translating every index on the way. Each table entry of `from` is looked up (or added) once,
// by name through a hash of the target's names.
class Copier {
public:
    Copier(DrawingWriter& into, const Drawing& from)
        : into_(into), from_(from), layers_(from.layers.size(), -1),
          lineStyles_(from.lineStyles.size(), -1), textStyles_(from.textStyles.size(), -1),
          blocks_(from.blocks.size(), -1), dimensionStyles_(from.dimensionStyles.size(), -1) {}

    int layer(int i) {
        return mapByName(i, from_.layers, into_.drawing().layers, layers_, layerNames_,
                         [&](const Layer& l) { return into_.addLayer(l); });
    }
    int lineStyle(int i) {
        return mapByName(i, from_.lineStyles, into_.drawing().lineStyles, lineStyles_,
                         lineStyleNames_,
                         [&](const LineStyle& s) { return into_.addLineStyle(s); });
    }
    int textStyle(int i) {
        return mapByName(i, from_.textStyles, into_.drawing().textStyles, textStyles_,
                         textStyleNames_,
                         [&](const TextStyle& s) { return into_.addTextStyle(s); });
    }

    // A dimension style, with the text style it names mapped too.
    int dimensionStyle(int i) {
        return mapByName(i, from_.dimensionStyles, into_.drawing().dimensionStyles,
                         dimensionStyles_, dimensionStyleNames_, [&](DimensionStyle s) {
                             s.textStyle = textStyle(s.textStyle);
                             return into_.addDimensionStyle(std::move(s));
                         });
    }

    // The ties of the dimensions copied so far lead to the copies of their entities; a point
    // tied to an entity that was not copied is tied no longer.
    void tieCopies() {
        for (const auto& [from, to] : copiedDimensions_) {
            const DimensionRecord& source =
                from_.dimensions[from_.entities[static_cast<std::size_t>(from)].first];
            std::array<PointTie, kMostDimensionPoints> ties = source.ties;
            for (PointTie& t : ties) {
                if (!t.tied())
                    continue;
                const auto entity = copies_.find(t.entity);
                const auto other = t.other == kNoEntity ? copies_.end() : copies_.find(t.other);
                if (entity == copies_.end() || (t.other != kNoEntity && other == copies_.end())) {
                    t = PointTie{};
                    continue;
                }
                t.entity = entity->second;
                if (t.other != kNoEntity)
                    t.other = other->second;
            }
            into_.change(static_cast<std::uint32_t>(to)).dimension().ties = ties;
        }
        copiedDimensions_.clear();
    }

    // The index in `into` of block b of `from`; copies it (and what it inserts) when `into`
    // has no block of that name. `copied` counts the blocks actually copied.
    int block(int b) {
        if (b < 0 || static_cast<std::size_t>(b) >= from_.blocks.size())
            return 0;
        int& mapped = blocks_[static_cast<std::size_t>(b)];
        if (mapped >= 0)
            return mapped;
        const Block& source = from_.blocks[static_cast<std::size_t>(b)];
        const int existing = into_.drawing().findBlock(source.name);
        if (existing >= 0)
            return mapped = existing;
        mapped = into_.addBlock(Block{source.name, source.base, {}});
        const int index = mapped;
        ++copied;
        std::vector<std::uint32_t> owned;
        owned.reserve(source.entities.size());
        for (std::uint32_t h : source.entities)
            if (from_.valid(static_cast<int>(h)))
                owned.push_back(static_cast<std::uint32_t>(entity(static_cast<int>(h), index)));
        into_.block(static_cast<std::size_t>(index)).entities = std::move(owned);
        return index;
    }

    // Copies one entity of `from` into `into`, for a block or for the drawing itself; the new
    // handle.
    int entity(int handle, int owner) {
        const Entity& source = from_.entities[static_cast<std::size_t>(handle)];
        const std::uint32_t i = source.first;
        int h = -1;
        switch (source.type) {
        case EntityType::Point:
            h = into_.addPoint(from_.points[i]);
            break;
        case EntityType::Line:
            h = into_.addLine(from_.lines[i]);
            break;
        case EntityType::Circle:
            h = into_.addCircle(from_.circles[i]);
            break;
        case EntityType::Arc:
            h = into_.addArc(from_.arcs[i]);
            break;
        case EntityType::Sector:
            h = into_.addSector(from_.sectors[i]);
            break;
        case EntityType::Ellipse:
            h = into_.addEllipse(from_.ellipses[i]);
            break;
        case EntityType::Rectangle:
            h = into_.addRectangle(from_.rectangles[i]);
            break;
        case EntityType::Image: {
            const ImageData& d = from_.images[i];
            h = into_.addImage(
                ImageSpec{std::string(from_.pooled(d.path)), d.p, d.width, d.height});
            break;
        }
        case EntityType::Insert: {
            InsertData d = from_.inserts[i];
            d.block = block(d.block);
            h = into_.addInsert(d);
            break;
        }
        case EntityType::Text: {
            TextSpec t = from_.textSpec(source);
            t.style = textStyle(t.style);
            h = into_.addText(t);
            break;
        }
        case EntityType::Polyline:
            if (source.has(EntityFlag::Bulges)) { // its bulges too: they follow the vertices
                const BulgeView b = from_.bulgesOf(source);
                std::vector<double> bulges(source.count);
                for (std::uint32_t k = 0; k < source.count; ++k)
                    bulges[k] = b[k];
                h = into_.addPolyline({from_.vertexData(source), source.count}, bulges, false);
            } else {
                h = into_.addPolyline({from_.vertexData(source), source.count}, false, source.fit);
            }
            break;
        case EntityType::Spline:
            h = into_.addSpline({from_.vertexData(source), source.count}, false);
            break;
        case EntityType::Hatch: {
            const HatchData& d = from_.hatches[i];
            HatchSpec spec;
            spec.pattern = std::string(from_.pooled(d.pattern));
            spec.solid = d.solid != 0;
            spec.scale = d.scale;
            spec.angle = d.angle;
            const auto loops = from_.loopsOf(d);
            spec.loops.assign(loops.begin(), loops.end());
            spec.origin = d.origin;
            spec.mirrored = d.mirrored != 0;
            h = into_.addHatch({from_.vertexData(source), source.count}, spec);
            break;
        }
        case EntityType::Dimension: {
            DimensionData d = from_.dimensionOf(source);
            d.style = dimensionStyle(d.style);
            h = into_.addDimension(d);
            copiedDimensions_.emplace_back(handle, h);
            break;
        }
        }
        copies_[static_cast<std::uint32_t>(handle)] = static_cast<std::uint32_t>(h);
        // The record as it was, with the indexes of the target.
        Entity& e = into_.record(static_cast<std::uint32_t>(h));
        const std::uint32_t first = e.first, count = e.count;
        const bool bulges = e.has(EntityFlag::Bulges); // where the copy keeps them
        e = source;
        e.first = first;
        e.count = count;
        e.set(EntityFlag::Bulges, bulges);
        e.set(EntityFlag::Selected, false);
        e.layer = static_cast<std::uint16_t>(layer(source.layer));
        e.lineStyle = static_cast<std::uint16_t>(lineStyle(source.lineStyle));
        e.set(EntityFlag::InBlock, owner != kModelSpace);
        const OwnStyle own = from_.ownStyle(static_cast<std::size_t>(handle));
        if (own != OwnStyle{})
            into_.change(static_cast<std::uint32_t>(h)).setOwnStyle(own);
        return h;
    }

    int copied = 0;

private:
    template <typename T, typename Add>
    static int mapByName(int i, const std::vector<T>& source, const std::vector<T>& target,
                         std::vector<int>& map, std::unordered_map<std::string, int>& names,
                         Add add) {
        if (i < 0 || static_cast<std::size_t>(i) >= source.size())
            return 0;
        int& mapped = map[static_cast<std::size_t>(i)];
        if (mapped >= 0)
            return mapped;
        if (names.empty())
            for (std::size_t k = target.size(); k-- > 0;)
                names[target[k].name] = static_cast<int>(k); // the first of a name wins
        const auto& item = source[static_cast<std::size_t>(i)];
        if (const auto it = names.find(item.name); it != names.end())
            return mapped = it->second;
        mapped = add(item);
        names.emplace(item.name, mapped);
        return mapped;
    }

    DrawingWriter& into_;
    const Drawing& from_;
    std::vector<int> layers_, lineStyles_, textStyles_, blocks_, dimensionStyles_;
    std::unordered_map<std::string, int> layerNames_, lineStyleNames_, textStyleNames_,
        dimensionStyleNames_;
    // Handles of `from` and of their copies.
    std::unordered_map<std::uint32_t, std::uint32_t> copies_;
    std::vector<std::pair<int, int>> copiedDimensions_;
};

// How many names of `from` a table of `into` lacks.
template <typename T>
std::size_t missingNames(const std::vector<T>& into, const std::vector<T>& from) {
    std::unordered_set<std::string_view> have;
    have.reserve(into.size());
    for (const T& item : into)
        have.insert(item.name);
    std::size_t missing = 0;
    for (const T& item : from)
        missing += have.insert(item.name).second ? 1 : 0;
    return missing;
}

} // namespace

bool tablesWouldOverflow(const Drawing& into, const Drawing& from) {
    const auto most = [](int n) { return static_cast<std::size_t>(n) + 1; };
    return into.layers.size() + missingNames(into.layers, from.layers) > most(kMostLayers) ||
           into.lineStyles.size() + missingNames(into.lineStyles, from.lineStyles) >
               most(kMostLineStyles);
}

bool isPristine(const Drawing& d) {
    const Drawing fresh;
    return d.entities.empty() && d.blocks.empty() && d.printAreas.empty() &&
           d.layers == fresh.layers && d.lineStyles == fresh.lineStyles &&
           d.textStyles == fresh.textStyles && d.dimensionStyles == fresh.dimensionStyles;
}

void mergeDrawing(std::unique_ptr<Drawing>& into, std::unique_ptr<Drawing> from) {
    if (isPristine(*into)) {
        const bool wasModified = into->modified;
        into = std::move(from);
        into->modified = wasModified;
        return;
    }
    ScratchWriter writer(*into);
    Copier copier(writer, *from);
    // Tables first, so that every layer and style of the file arrives, used or not.
    for (std::size_t i = 0; i < from->layers.size(); ++i)
        copier.layer(static_cast<int>(i));
    for (std::size_t i = 0; i < from->lineStyles.size(); ++i)
        copier.lineStyle(static_cast<int>(i));
    for (std::size_t i = 0; i < from->textStyles.size(); ++i)
        copier.textStyle(static_cast<int>(i));
    for (std::size_t i = 0; i < from->dimensionStyles.size(); ++i)
        copier.dimensionStyle(static_cast<int>(i));
    for (std::size_t b = 0; b < from->blocks.size(); ++b)
        copier.block(static_cast<int>(b));
    // In the order they are drawn in: the copies keep it.
    const DrawOrder& order = from->drawOrder();
    for (std::size_t place = 0; place < from->entities.size(); ++place)
        if (const std::uint32_t h = order.at(static_cast<std::uint32_t>(place));
            from->inModelSpace(static_cast<int>(h)))
            copier.entity(static_cast<int>(h), kModelSpace);
    // The file's print areas follow the drawing's own; one the drawing has already is not
    // added again.
    for (const PrintArea& a : from->printAreas)
        if (into->printAreas.size() < kMostPrintAreas &&
            std::find(into->printAreas.begin(), into->printAreas.end(), a) ==
                into->printAreas.end())
            writer.addPrintArea(a);
    copier.tieCopies();
    into->touch();
}

std::unique_ptr<Drawing> extractEntities(const Drawing& from,
                                         std::span<const std::uint32_t> handles) {
    auto part = std::make_unique<Drawing>();
    part->settings = from.settings;
    ScratchWriter writer(*part);
    Copier copier(writer, from);
    // In the order they are drawn in: the copies keep it.
    std::vector<std::uint32_t> ordered(handles.begin(), handles.end());
    if (!from.drawOrder().plain())
        from.drawOrder().sort(ordered);
    for (const std::uint32_t h : ordered)
        if (from.inModelSpace(static_cast<int>(h)))
            copier.entity(static_cast<int>(h), kModelSpace);
    copier.tieCopies();
    return part;
}

std::vector<std::uint32_t> pasteEntities(DrawingWriter& into, const Drawing& from) {
    Copier copier(into, from);
    std::vector<std::uint32_t> made;
    const DrawOrder& order = from.drawOrder();
    for (std::size_t place = 0; place < from.entities.size(); ++place)
        if (const std::uint32_t h = order.at(static_cast<std::uint32_t>(place));
            from.inModelSpace(static_cast<int>(h)))
            made.push_back(
                static_cast<std::uint32_t>(copier.entity(static_cast<int>(h), kModelSpace)));
    copier.tieCopies();
    return made;
}

int copyBlocks(DrawingWriter& into, const Drawing& from, std::string_view name) {
    Copier copier(into, from);
    for (std::size_t b = 0; b < from.blocks.size(); ++b)
        if (name.empty() || from.blocks[b].name == name)
            copier.block(static_cast<int>(b));
    copier.tieCopies();
    return copier.copied;
}

} // namespace cad
