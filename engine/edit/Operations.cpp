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

Rect erase(DrawingWriter& changes, std::span<const std::uint32_t> handles) {
    const Drawing& d = changes.drawing();
    Rect area;
    for (const std::uint32_t h : handles) {
        if (!d.inModelSpace(static_cast<int>(h)))
            continue;
        area.add(d.entityExtents(static_cast<int>(h)));
        changes.erase(h);
    }
    return area;
}

Rect changeEntities(DrawingWriter& changes, std::span<const std::uint32_t> handles,
                    const std::function<void(EntityChange&)>& change) {
    const Drawing& d = changes.drawing();
    Rect area;
    for (const std::uint32_t h : handles) {
        if (!d.inModelSpace(static_cast<int>(h)))
            continue;
        area.add(d.entityExtents(static_cast<int>(h)));
        EntityChange c = changes.change(h);
        change(c);
        area.add(d.entityExtents(static_cast<int>(h)));
    }
    return area;
}

int blockInPlace(DrawingWriter& changes, std::string_view name, Vec2 base,
                 std::span<const std::uint32_t> handles) {
    const int block =
        changes.makeBlock(name, base, std::vector<std::uint32_t>(handles.begin(), handles.end()));
    return block < 0 ? -1 : changes.addInsert({block, base, 1, 1, 0});
}

} // namespace cad
