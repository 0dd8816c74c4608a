#include "engine/model/Statistics.h"

namespace cad {

DrawingStatistics computeStatistics(const Drawing& d) {
    DrawingStatistics s;
    s.byLayer.assign(d.layers.size(), 0);
    s.byBlock.assign(d.blocks.size(), 0);
    for (std::size_t h = 0; h < d.entities.size(); ++h) {
        const Entity& e = d.entities[h];
        if (e.has(EntityFlag::Deleted))
            continue;
        if (e.owner != kModelSpace) {
            if (e.owner >= 0 && static_cast<std::size_t>(e.owner) < s.byBlock.size())
                ++s.byBlock[static_cast<std::size_t>(e.owner)];
            continue;
        }
        ++s.entities;
        ++s.byType[static_cast<std::size_t>(static_cast<int>(e.type) - kFirstEntityType)];
        if (e.layer >= 0 && static_cast<std::size_t>(e.layer) < s.byLayer.size())
            ++s.byLayer[static_cast<std::size_t>(e.layer)];
        if (e.type == EntityType::Polyline || e.type == EntityType::Hatch)
            s.vertices += e.count;
        else if (e.type == EntityType::Text)
            s.textChars += static_cast<std::int64_t>(d.texts[e.first].text.size());
        s.extents.add(d.entityExtents(static_cast<int>(h)));
    }
    return s;
}

} // namespace cad
