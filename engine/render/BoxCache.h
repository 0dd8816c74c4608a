// The bounds of the drawing's entities, kept between frames with a grid over them, so that a
// view of a part of a large drawing looks only at the entities near it.
#pragma once

#include "engine/model/Drawing.h"

#include <cstdint>
#include <vector>

namespace cad {

struct FloatBox {
    float left, bottom, right, top; // rounded outwards; left > right when empty
    bool empty() const { return left > right; }
};

// A live entity of the drawing itself with its bounds.
struct CullItem {
    FloatBox box;
    std::uint32_t handle;
};

class BoxCache {
public:
    // The drawing's own live entities (not those of blocks) whose boxes meet `area`, in
    // drawing order. The cache follows the drawing: new entities are added, an edit of
    // existing ones rebuilds it.
    void query(const Drawing& d, const Rect& area, std::vector<const CullItem*>& out);
    // Every live entity of the drawing itself, in drawing order.
    const std::vector<CullItem>& items(const Drawing& d);

private:
    void update(const Drawing& d);
    void buildGrid();

    std::uint64_t serial_ = 0;
    std::uint64_t edits_ = 0;
    std::size_t seen_ = 0; // entity records looked at so far
    std::vector<CullItem> items_;

    // The grid: items whose lower-left corner lies in a cell, by cell (counting-sort order,
    // so each cell's list is in drawing order). Items larger than two cells, and items added
    // after the grid was made, are looked at one by one.
    std::size_t gridded_ = 0; // items_[0, gridded_) are in the grid or in large_
    int columns_ = 0, rows_ = 0;
    double left_ = 0, bottom_ = 0, cellWidth_ = 1, cellHeight_ = 1;
    std::vector<std::uint32_t> cellStart_;
    std::vector<std::uint32_t> cellItems_;
    std::vector<std::uint32_t> large_;
    std::vector<std::uint64_t> marks_;
};

FloatBox toFloatBox(const Rect& r);

} // namespace cad
