#include "engine/edit/FollowTies.h"

#include "engine/model/PointTies.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace cad {

namespace {

bool samePoint(Vec2 a, Vec2 b) {
    return std::abs(a.x - b.x) <= 1e-9 * (1 + std::abs(a.x)) &&
           std::abs(a.y - b.y) <= 1e-9 * (1 + std::abs(a.y));
}

} // namespace

Rect followTies(ChangeSet& c) {
    const Drawing& d = c.drawing();
    Rect area;
    if (d.dimensions.empty())
        return area;
    // What the change touched: the entities it kept, and those it added.
    const std::vector<std::uint32_t> kept = c.kept();
    const std::uint32_t addedFrom = c.addedFrom(), addedTo = c.addedTo();
    std::unordered_set<std::uint32_t> touched(kept.begin(), kept.end());
    const auto inChange = [&](std::uint32_t h) {
        return (h >= addedFrom && h < addedTo) || touched.count(h) != 0;
    };
    std::vector<std::uint32_t> dimensions;
    const auto consider = [&](std::uint32_t h) {
        if (h >= d.entities.size())
            return;
        if (d.entities[h].type == EntityType::Dimension)
            dimensions.push_back(h);
        d.tiedDimensions(h, dimensions);
    };
    for (const std::uint32_t h : kept)
        consider(h);
    for (std::uint32_t h = addedFrom; h < addedTo; ++h)
        consider(h);
    std::sort(dimensions.begin(), dimensions.end());
    dimensions.erase(std::unique(dimensions.begin(), dimensions.end()), dimensions.end());

    for (const std::uint32_t h : dimensions) {
        if (!d.valid(static_cast<int>(h)))
            continue;
        const Entity& e = d.entities[h];
        const DimensionRecord& before = d.dimensions[e.first];
        DimensionRecord after = before;
        const bool moved = inChange(h);
        std::array<bool, kMostDimensionPoints> followed{};
        // Ends, middles, centres and meetings first: a perpendicular runs from one of them.
        for (const bool perpendicular : {false, true})
            for (std::size_t i = 0; i < after.ties.size(); ++i) {
                PointTie& tie = after.ties[i];
                if (!tie.tied() || (tie.kind == TieKind::Perpendicular) != perpendicular)
                    continue;
                const std::size_t from = std::min<std::size_t>(tie.from, after.points.size() - 1);
                const bool entityChanged = inChange(tie.entity) ||
                                           (tie.other != kNoEntity && inChange(tie.other)) ||
                                           (perpendicular && followed[from]);
                if (!entityChanged && !moved)
                    continue;
                const auto now = tiedPoint(d, tie, after.points[i], after.points[from]);
                if (!now) {
                    tie = PointTie{}; // its entity is gone: the point stays where it was
                } else if (entityChanged) {
                    followed[i] = !(*now == after.points[i]);
                    after.points[i] = *now;
                } else if (!samePoint(*now, after.points[i])) {
                    tie = PointTie{}; // the dimension was moved away from it
                }
            }
        if (std::memcmp(&after, &before, sizeof after) == 0)
            continue;
        area.add(d.entityExtents(static_cast<int>(h)));
        c.change(h).dimension() = after;
        area.add(d.entityExtents(static_cast<int>(h)));
    }
    return area;
}

void retieCopies(DrawingWriter& w,
                 const std::vector<std::pair<std::uint32_t, std::uint32_t>>& copies) {
    std::unordered_map<std::uint32_t, std::uint32_t> copyOf;
    for (const auto& [original, copy] : copies)
        copyOf.emplace(original, copy);
    const auto mapped = [&](std::uint32_t h) {
        const auto it = copyOf.find(h);
        return it == copyOf.end() ? kNoEntity : it->second;
    };
    for (const auto& [original, copy] : copies) {
        const Drawing& d = w.drawing();
        if (copy >= d.entities.size() || d.entities[copy].type != EntityType::Dimension)
            continue;
        DimensionRecord r = d.dimensions[d.entities[copy].first];
        bool changed = false;
        for (PointTie& t : r.ties) {
            if (!t.tied())
                continue;
            const std::uint32_t entity = mapped(t.entity);
            const std::uint32_t other = t.other == kNoEntity ? kNoEntity : mapped(t.other);
            if (entity == kNoEntity || (t.other != kNoEntity && other == kNoEntity))
                continue; // tied to an entity not copied: the copy leaves it at commit
            t.entity = entity;
            t.other = other;
            changed = true;
        }
        if (changed)
            w.change(copy).dimension() = r;
    }
}

} // namespace cad
