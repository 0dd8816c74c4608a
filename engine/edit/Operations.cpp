#include "engine/edit/Operations.h"

namespace cad {

std::vector<std::uint32_t> selectedEntities(const Drawing& d) {
    std::vector<std::uint32_t> out;
    for (std::size_t h = 0; h < d.entities.size(); ++h)
        if ((d.entities[h].flags & (EntityFlag::Selected | EntityFlag::Deleted |
                                    EntityFlag::InBlock)) == EntityFlag::Selected)
            out.push_back(static_cast<std::uint32_t>(h));
    return out;
}

Rect extentsOf(const Drawing& d, std::span<const std::uint32_t> handles) {
    Rect r;
    for (const std::uint32_t h : handles)
        r.add(d.entityExtents(static_cast<int>(h)));
    return r;
}

Rect erase(ChangeSet& changes, std::span<const std::uint32_t> handles) {
    Drawing& d = changes.drawing();
    Rect area;
    for (const std::uint32_t h : handles) {
        if (!d.inModelSpace(static_cast<int>(h)))
            continue;
        area.add(d.entityExtents(static_cast<int>(h)));
        changes.keep(h);
        Entity& e = d.entities[h];
        e.set(EntityFlag::Deleted, true);
        e.set(EntityFlag::Selected, false);
        d.changed(h);
    }
    ++d.selectionVersion;
    return area;
}

Rect changeEntities(ChangeSet& changes, std::span<const std::uint32_t> handles,
                    const std::function<void(Drawing&, std::uint32_t)>& change) {
    Drawing& d = changes.drawing();
    Rect area;
    for (const std::uint32_t h : handles) {
        if (!d.inModelSpace(static_cast<int>(h)))
            continue;
        area.add(d.entityExtents(static_cast<int>(h)));
        changes.keep(h, Keep::Everything);
        change(d, h);
        d.changed(h);
        area.add(d.entityExtents(static_cast<int>(h)));
    }
    return area;
}

} // namespace cad
