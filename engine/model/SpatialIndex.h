// Where the entities of a drawing lie: a grid over their boxes, so that drawing, picking,
// selecting and snapping look only at the entities near the place they are about. The drawing
// owns it and tells it of every entity that changed; the index looks at those again before its
// next answer and moves them in place, so one edit never costs a rebuild of the whole index.
#pragma once

#include "engine/model/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cad {

class Drawing;

struct FloatBox {
    float left, bottom, right, top; // rounded outwards; left > right when empty
    bool empty() const { return left > right; }
};
FloatBox toFloatBox(const Rect& r);

class SpatialIndex {
public:
    // The drawing's own live entities (not those of blocks) whose boxes meet `area`, in
    // drawing order (see DrawOrder.h; ascending handles in a drawing never reordered).
    void query(const Drawing& d, const Rect& area, std::vector<std::uint32_t>& out);
    // The box of an entity as the last query saw it (empty for entities not in the index).
    const FloatBox& box(std::uint32_t handle) const { return boxes_[handle]; }

    // An entity was changed, deleted or revived: the next query looks at it again.
    void changed(std::uint32_t handle);
    // Everything is looked at again (block definitions changed, the drawing was replaced).
    void invalidate() { valid_ = false; }

    // Memory the index holds, in bytes.
    std::size_t bytes() const;
    // How many times it was built from scratch.
    std::uint64_t builds() const { return builds_; }

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    std::uint64_t builds_ = 0;

    void sync(const Drawing& d);
    void build(const Drawing& d);
    void refresh(const Drawing& d, std::uint32_t handle);
    std::uint32_t listOf(const FloatBox& b) const;
    void link(std::uint32_t handle, std::uint32_t list);
    void unlink(std::uint32_t handle);
    int column(double x) const;
    int row(double y) const;

    bool valid_ = false;
    std::size_t seen_ = 0;      // entity records the index has looked at
    std::size_t indexed_ = 0;   // entities in its lists
    std::size_t builtWith_ = 0; // entities in the lists when the grid was made
    std::size_t large_ = 0;     // entities in the list of large ones

    std::vector<FloatBox> boxes_;        // by handle
    std::vector<std::uint32_t> listOf_;  // by handle: the list it is in, or kNone
    std::vector<std::uint32_t> next_;    // by handle: the next entity of its list
    std::vector<std::uint32_t> prev_;    // by handle: the one before it
    std::vector<std::uint32_t> heads_;   // by list: cells row by row, then the large ones
    std::vector<std::uint32_t> dirty_;   // changed since the last query
    std::vector<std::uint64_t> isDirty_; // a bit by handle

    // The grid: an entity whose box is at most two cells wide and high is listed in the cell of
    // its lower left corner; larger ones in the last list. Corners outside the grid count in
    // its border cells.
    int columns_ = 1, rows_ = 1;
    double left_ = 0, bottom_ = 0, cellWidth_ = 1, cellHeight_ = 1;

    std::vector<std::uint64_t> marks_; // for answers that cover much of the drawing
};

} // namespace cad
