#include "engine/model/Merge.h"

namespace cad {

namespace {

// Copies entities, blocks, layers and styles of one drawing into another, translating every
// index on the way. Each table entry of `from` is looked up (or added) once.
class Copier {
public:
    Copier(Drawing& into, const Drawing& from)
        : into_(into), from_(from), layers_(from.layers.size(), -1),
          lineStyles_(from.lineStyles.size(), -1), textStyles_(from.textStyles.size(), -1),
          blocks_(from.blocks.size(), -1) {}

    int layer(int i) { return mapByName(i, from_.layers, into_.layers, layers_); }
    int lineStyle(int i) { return mapByName(i, from_.lineStyles, into_.lineStyles, lineStyles_); }
    int textStyle(int i) { return mapByName(i, from_.textStyles, into_.textStyles, textStyles_); }

    // The index in `into` of block b of `from`; copies it (and what it inserts) when `into`
    // has no block of that name. `copied` counts the blocks actually copied.
    int block(int b) {
        if (b < 0 || static_cast<std::size_t>(b) >= from_.blocks.size())
            return 0;
        int& mapped = blocks_[static_cast<std::size_t>(b)];
        if (mapped >= 0)
            return mapped;
        const Block& source = from_.blocks[static_cast<std::size_t>(b)];
        const int existing = into_.findBlock(source.name);
        if (existing >= 0)
            return mapped = existing;
        into_.blocks.push_back(Block{source.name, source.base, {}});
        mapped = static_cast<int>(into_.blocks.size() - 1);
        ++copied;
        std::vector<std::uint32_t> owned;
        owned.reserve(source.entities.size());
        for (std::uint32_t h : source.entities)
            if (from_.valid(static_cast<int>(h)))
                owned.push_back(static_cast<std::uint32_t>(entity(static_cast<int>(h), mapped)));
        into_.blocks[static_cast<std::size_t>(mapped)].entities = std::move(owned);
        return mapped;
    }

    // Copies one entity of `from` into `into`, for a block or for the drawing itself; the new
    // handle.
    int entity(int handle, int owner) {
        Entity e = from_.entities[static_cast<std::size_t>(handle)];
        e.set(EntityFlag::Selected, false);
        e.layer = static_cast<std::uint16_t>(layer(e.layer));
        e.lineStyle = static_cast<std::uint16_t>(lineStyle(e.lineStyle));
        e.set(EntityFlag::InBlock, owner != kModelSpace);
        switch (e.type) {
        case EntityType::Point:
            e.first = push(into_.points, from_.points[e.first]);
            break;
        case EntityType::Line:
            e.first = push(into_.lines, from_.lines[e.first]);
            break;
        case EntityType::Circle:
            e.first = push(into_.circles, from_.circles[e.first]);
            break;
        case EntityType::Arc:
            e.first = push(into_.arcs, from_.arcs[e.first]);
            break;
        case EntityType::Sector:
            e.first = push(into_.sectors, from_.sectors[e.first]);
            break;
        case EntityType::Ellipse:
            e.first = push(into_.ellipses, from_.ellipses[e.first]);
            break;
        case EntityType::Rectangle:
            e.first = push(into_.rectangles, from_.rectangles[e.first]);
            break;
        case EntityType::Image: {
            ImageData d = from_.images[e.first];
            d.path = into_.pool(from_.pooled(d.path));
            e.first = push(into_.images, d);
            break;
        }
        case EntityType::Insert: {
            InsertData d = from_.inserts[e.first];
            d.block = block(d.block);
            e.first = push(into_.inserts, d);
            break;
        }
        case EntityType::Text: {
            TextSpec t = from_.textSpec(e);
            t.style = textStyle(t.style);
            const PooledText bytes = into_.pool(t.text);
            e.first =
                push(into_.texts, TextData{t.p, bytes.offset, into_.internParams(t.params())});
            break;
        }
        case EntityType::Polyline:
        case EntityType::Spline: {
            const Vec2* v = from_.vertexData(e);
            e.first = static_cast<std::uint32_t>(into_.vertices.size());
            into_.vertices.insert(into_.vertices.end(), v, v + e.count);
            break;
        }
        case EntityType::Hatch: {
            HatchData d = from_.hatches[e.first];
            const Vec2* v = from_.vertexData(e);
            d.firstVertex = into_.vertices.size();
            into_.vertices.insert(into_.vertices.end(), v, v + e.count);
            d.pattern = into_.pool(from_.pooled(d.pattern));
            const auto loops = from_.loopsOf(from_.hatches[e.first]);
            d.firstLoop = static_cast<std::uint32_t>(into_.hatchLoops.size());
            into_.hatchLoops.insert(into_.hatchLoops.end(), loops.begin(), loops.end());
            e.first = push(into_.hatches, d);
            break;
        }
        }
        into_.entities.push_back(e);
        const OwnStyle own = from_.ownStyle(static_cast<std::size_t>(handle));
        if (own != OwnStyle{})
            into_.setOwnStyle(into_.entities.size() - 1, own);
        into_.touch();
        return static_cast<int>(into_.entities.size() - 1);
    }

    int copied = 0;

private:
    template <typename T>
    static int mapByName(int i, const std::vector<T>& source, std::vector<T>& target,
                         std::vector<int>& map) {
        if (i < 0 || static_cast<std::size_t>(i) >= source.size())
            return 0;
        int& mapped = map[static_cast<std::size_t>(i)];
        if (mapped < 0) {
            const auto& item = source[static_cast<std::size_t>(i)];
            for (std::size_t k = 0; k < target.size() && mapped < 0; ++k)
                if (target[k].name == item.name)
                    mapped = static_cast<int>(k);
            if (mapped < 0) {
                target.push_back(item);
                mapped = static_cast<int>(target.size() - 1);
            }
        }
        return mapped;
    }

    template <typename T, typename A> static std::uint32_t push(std::vector<T, A>& table, T value) {
        table.push_back(std::move(value));
        return static_cast<std::uint32_t>(table.size() - 1);
    }

    Drawing& into_;
    const Drawing& from_;
    std::vector<int> layers_, lineStyles_, textStyles_, blocks_;
};

} // namespace

bool isPristine(const Drawing& d) {
    const Drawing fresh;
    return d.entities.empty() && d.blocks.empty() && d.layers == fresh.layers &&
           d.lineStyles == fresh.lineStyles && d.textStyles == fresh.textStyles;
}

void mergeDrawing(std::unique_ptr<Drawing>& into, std::unique_ptr<Drawing> from) {
    if (isPristine(*into)) {
        const bool wasModified = into->modified;
        into = std::move(from);
        into->modified = wasModified;
        return;
    }
    Copier copier(*into, *from);
    // Tables first, so that every layer and style of the file arrives, used or not.
    for (std::size_t i = 0; i < from->layers.size(); ++i)
        copier.layer(static_cast<int>(i));
    for (std::size_t i = 0; i < from->lineStyles.size(); ++i)
        copier.lineStyle(static_cast<int>(i));
    for (std::size_t i = 0; i < from->textStyles.size(); ++i)
        copier.textStyle(static_cast<int>(i));
    for (std::size_t b = 0; b < from->blocks.size(); ++b)
        copier.block(static_cast<int>(b));
    for (std::size_t h = 0; h < from->entities.size(); ++h)
        if (from->inModelSpace(static_cast<int>(h)))
            copier.entity(static_cast<int>(h), kModelSpace);
    into->touch();
}

std::unique_ptr<Drawing> extractEntities(const Drawing& from,
                                         std::span<const std::uint32_t> handles) {
    auto part = std::make_unique<Drawing>();
    part->settings = from.settings;
    Copier copier(*part, from);
    for (const std::uint32_t h : handles)
        if (from.inModelSpace(static_cast<int>(h)))
            copier.entity(static_cast<int>(h), kModelSpace);
    return part;
}

std::vector<std::uint32_t> pasteEntities(Drawing& into, const Drawing& from) {
    Copier copier(into, from);
    std::vector<std::uint32_t> made;
    for (std::size_t h = 0; h < from.entities.size(); ++h)
        if (from.inModelSpace(static_cast<int>(h)))
            made.push_back(
                static_cast<std::uint32_t>(copier.entity(static_cast<int>(h), kModelSpace)));
    into.touch();
    return made;
}

int copyBlocks(Drawing& into, const Drawing& from, std::string_view name) {
    Copier copier(into, from);
    for (std::size_t b = 0; b < from.blocks.size(); ++b)
        if (name.empty() || from.blocks[b].name == name)
            copier.block(static_cast<int>(b));
    return copier.copied;
}

} // namespace cad
