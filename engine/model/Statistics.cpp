#include "engine/model/Statistics.h"

#include "engine/model/DimensionEntity.h"

namespace cad {

DrawingStatistics computeStatistics(const Drawing& d) {
    DrawingStatistics s;
    s.byLayer.assign(d.layers.size(), 0);
    s.byBlock.assign(d.blocks.size(), 0);
    for (std::size_t h = 0; h < d.entities.size(); ++h) {
        const Entity& e = d.entities[h];
        if (e.has(EntityFlag::Deleted))
            continue;
        if (e.has(EntityFlag::InBlock))
            continue;
        ++s.entities;
        ++s.byType[static_cast<std::size_t>(static_cast<int>(e.type) - kFirstEntityType)];
        if (e.layer < s.byLayer.size())
            ++s.byLayer[static_cast<std::size_t>(e.layer)];
        if (e.type == EntityType::Polyline || e.type == EntityType::Spline ||
            e.type == EntityType::Hatch)
            s.vertices += e.count;
        else if (e.type == EntityType::Text)
            s.textChars += e.count;
        else if (e.type == EntityType::Dimension && e.first < d.dimensions.size())
            ++s.dimensionsByGroup[static_cast<std::size_t>(
                dimensionGroup(d.dimensions[e.first].kind))];
        s.extents.add(d.entityExtents(static_cast<int>(h)));
    }
    for (std::size_t b = 0; b < d.blocks.size(); ++b)
        for (std::uint32_t h : d.blocks[b].entities)
            s.byBlock[b] += d.valid(static_cast<int>(h));
    return s;
}

} // namespace cad
