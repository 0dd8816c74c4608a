// A grid over a fixed set of boxes, for finding the boxes that overlap each other or a place
// without testing every pair: the geometry of many segments (offsets of long polylines, their
// loops) asks it which segments can meet.
//
// Its cells are about as large as the boxes, however far apart the boxes lie (a ring of small
// segments a hundred kilometres across): only the cells that boxes cover are kept, as runs of
// one array sorted by cell, so that the work runs through memory in order.
#pragma once

#include "engine/model/Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace cad {

class BoxGrid {
public:
    BoxGrid() = default;
    // Empty boxes are never found. A grid only for pairs needs no table for finding cells.
    explicit BoxGrid(std::vector<Rect> boxes, bool forPlaces = true);

    // Every pair of boxes that overlap, once each, as (i, j) with i < j.
    template <typename F> void forEachPair(F&& f) const;
    // Every box that overlaps `r`, once each.
    template <typename F> void forEachNear(const Rect& r, F&& f) const {
        anyNear(r, [&](std::size_t i) {
            f(i);
            return false;
        });
    }
    // Whether `f` says yes to a box that overlaps `r` (asked of each once, until one); not for
    // a grid made only for pairs.
    template <typename F> bool anyNear(const Rect& r, F&& f) const;

    std::size_t size() const { return boxes_.size(); }
    const Rect& box(std::size_t i) const { return boxes_[i]; }

private:
    // Cell numbers of far places kept to what 64 bits hold.
    static std::int64_t cellNumber(double v) {
        return static_cast<std::int64_t>(std::clamp(std::floor(v), -4e18, 4e18));
    }
    std::int64_t column(double x) const { return cellNumber((x - origin_.x) / cellSize_); }
    std::int64_t row(double y) const { return cellNumber((y - origin_.y) / cellSize_); }
    std::uint64_t key(std::int64_t c, std::int64_t r) const {
        return static_cast<std::uint64_t>(r) * columns_ + static_cast<std::uint64_t>(c);
    }
    // Whether the overlap of two boxes starts (its lower left corner) in cell (c, r).
    bool overlapStartsIn(const Rect& a, const Rect& b, std::int64_t c, std::int64_t r) const {
        return column(std::max(a.left, b.left)) == c && row(std::max(a.bottom, b.bottom)) == r;
    }

    static constexpr std::uint32_t kNoCell = UINT32_MAX;
    // The number of the cell with that key among those that hold boxes, found in a hash table.
    std::uint32_t cellOf(std::uint64_t k) const {
        const auto mask = table_.size() - 1;
        for (std::size_t s = hash(k);; s = (s + 1) & mask) {
            const std::uint32_t at = table_[s];
            if (at == kNoCell || cellKeys_[at] == k)
                return at;
        }
    }
    // The high bits of the key times the golden ratio: neighbouring cells far apart.
    std::size_t hash(std::uint64_t k) const {
        return static_cast<std::size_t>((k * 0x9E3779B97F4A7C15ull) >> hashShift_);
    }

    std::vector<Rect> boxes_;
    Vec2 origin_;
    double cellSize_ = 1;
    std::uint64_t columns_ = 1, rows_ = 1;
    std::vector<std::uint64_t> cellKeys_;  // the cells that hold boxes, in order
    std::vector<std::uint32_t> cellStart_; // each one's first member, and one past the last
    std::vector<std::uint32_t> table_;     // cell numbers by the hash of their key
    int hashShift_ = 60;
    std::vector<std::uint32_t> members_; // box numbers, cell by cell, in order within a cell
    std::vector<std::uint32_t> large_;   // boxes over too many cells, tested against all
    std::vector<std::uint8_t> isLarge_;
};

template <typename F> void BoxGrid::forEachPair(F&& f) const {
    // Within each cell every pair once; a pair counts in the cell where their overlap starts.
    for (std::size_t k = 0; k < cellKeys_.size(); ++k) {
        const auto c = static_cast<std::int64_t>(cellKeys_[k] % columns_);
        const auto r = static_cast<std::int64_t>(cellKeys_[k] / columns_);
        const std::uint32_t first = cellStart_[k], last = cellStart_[k + 1];
        for (std::uint32_t p = first; p < last; ++p) {
            const Rect& a = boxes_[members_[p]];
            for (std::uint32_t q = p + 1; q < last; ++q) {
                const Rect& b = boxes_[members_[q]];
                if (a.intersects(b) && overlapStartsIn(a, b, c, r))
                    f(std::size_t{members_[p]}, std::size_t{members_[q]});
            }
        }
    }
    for (const std::uint32_t i : large_)
        for (std::uint32_t j = 0; j < boxes_.size(); ++j)
            if (j != i && (!isLarge_[j] || j > i) && boxes_[i].intersects(boxes_[j]))
                f(std::size_t{std::min(i, j)}, std::size_t{std::max(i, j)});
}

template <typename F> bool BoxGrid::anyNear(const Rect& r, F&& f) const {
    if (r.empty())
        return false;
    for (const std::uint32_t i : large_)
        if (boxes_[i].intersects(r) && f(std::size_t{i}))
            return true;
    if (cellKeys_.empty())
        return false;
    // Only the cells within the grid's extent can hold boxes.
    const std::int64_t c0 = std::max<std::int64_t>(column(r.left), 0);
    const std::int64_t c1 = std::min<std::int64_t>(column(r.right), columns_ - 1);
    const std::int64_t r0 = std::max<std::int64_t>(row(r.bottom), 0);
    const std::int64_t r1 = std::min<std::int64_t>(row(r.top), rows_ - 1);
    if (c0 > c1 || r0 > r1)
        return false;
    if ((static_cast<double>(c1) - c0 + 1) * (static_cast<double>(r1) - r0 + 1) >
        static_cast<double>(cellKeys_.size())) {
        // A place larger than the grid is worth: every box tried.
        for (std::uint32_t i = 0; i < boxes_.size(); ++i)
            if (!isLarge_[i] && boxes_[i].intersects(r) && f(std::size_t{i}))
                return true;
        return false;
    }
    for (std::int64_t y = r0; y <= r1; ++y)
        for (std::int64_t x = c0; x <= c1; ++x) {
            const std::uint32_t at = cellOf(key(x, y));
            if (at == kNoCell)
                continue;
            for (std::uint32_t p = cellStart_[at]; p < cellStart_[at + 1]; ++p) {
                const Rect& b = boxes_[members_[p]];
                if (b.intersects(r) && overlapStartsIn(b, r, x, y) && f(std::size_t{members_[p]}))
                    return true;
            }
        }
    return false;
}

} // namespace cad
