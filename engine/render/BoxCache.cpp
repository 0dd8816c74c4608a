#include "engine/render/BoxCache.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace cad {

FloatBox toFloatBox(const Rect& r) {
    if (r.empty())
        return {1, 1, 0, 0};
    constexpr float inf = std::numeric_limits<float>::infinity();
    static constexpr double big = std::numeric_limits<float>::max();
    auto down = [](double v) {
        return std::nextafter(static_cast<float>(std::clamp(v, -big, big)), -inf);
    };
    auto up = [](double v) {
        return std::nextafter(static_cast<float>(std::clamp(v, -big, big)), inf);
    };
    return {down(r.left), down(r.bottom), up(r.right), up(r.top)};
}

void BoxCache::update(const Drawing& d) {
    if (serial_ != d.serial || edits_ != d.edits || seen_ > d.entities.size()) {
        items_.clear();
        seen_ = 0;
        gridded_ = 0;
        serial_ = d.serial;
        edits_ = d.edits;
    }
    for (; seen_ < d.entities.size(); ++seen_) {
        if (!d.inModelSpace(static_cast<int>(seen_)))
            continue;
        const FloatBox b = toFloatBox(d.entityExtents(static_cast<int>(seen_)));
        if (!b.empty())
            items_.push_back({b, static_cast<std::uint32_t>(seen_)});
    }
    // A grid pays off for large drawings; remake it when a quarter of the items came since.
    if (items_.size() >= 4096 && items_.size() - gridded_ > items_.size() / 4)
        buildGrid();
}

const std::vector<CullItem>& BoxCache::items(const Drawing& d) {
    update(d);
    return items_;
}

void BoxCache::buildGrid() {
    Rect all;
    for (const CullItem& it : items_) {
        all.add(it.box.left, it.box.bottom);
        all.add(it.box.right, it.box.top);
    }
    gridded_ = items_.size();
    const int side = static_cast<int>(std::clamp(std::sqrt(items_.size() / 4.0), 1.0, 2048.0));
    columns_ = rows_ = side;
    left_ = all.left;
    bottom_ = all.bottom;
    cellWidth_ = std::max(all.width() / columns_, std::numeric_limits<double>::min());
    cellHeight_ = std::max(all.height() / rows_, std::numeric_limits<double>::min());
    if (!std::isfinite(cellWidth_) || !std::isfinite(cellHeight_)) {
        cellWidth_ = std::numeric_limits<double>::max() / 4;
        cellHeight_ = cellWidth_;
    }

    const std::size_t cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
    std::vector<std::uint32_t> cellOf(items_.size(), std::numeric_limits<std::uint32_t>::max());
    cellStart_.assign(cells + 1, 0);
    large_.clear();
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const FloatBox& b = items_[i].box;
        if ((b.right - b.left) > 2 * cellWidth_ || (b.top - b.bottom) > 2 * cellHeight_) {
            large_.push_back(static_cast<std::uint32_t>(i));
            continue;
        }
        const auto cx =
            std::clamp(static_cast<long>((b.left - left_) / cellWidth_), 0L, long(columns_ - 1));
        const auto cy =
            std::clamp(static_cast<long>((b.bottom - bottom_) / cellHeight_), 0L, long(rows_ - 1));
        cellOf[i] = static_cast<std::uint32_t>(cy * columns_ + cx);
        ++cellStart_[cellOf[i] + 1];
    }
    for (std::size_t c = 0; c < cells; ++c)
        cellStart_[c + 1] += cellStart_[c];
    cellItems_.assign(cellStart_[cells], 0);
    std::vector<std::uint32_t> fill(cellStart_.begin(), cellStart_.end() - 1);
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (cellOf[i] != std::numeric_limits<std::uint32_t>::max())
            cellItems_[fill[cellOf[i]]++] = static_cast<std::uint32_t>(i);
}

void BoxCache::query(const Drawing& d, const Rect& area, std::vector<const CullItem*>& out) {
    update(d);
    out.clear();
    if (area.empty())
        return;
    const auto left = static_cast<float>(std::max(area.left, -1e38));
    const auto right = static_cast<float>(std::min(area.right, 1e38));
    const auto bottom = static_cast<float>(std::max(area.bottom, -1e38));
    const auto top = static_cast<float>(std::min(area.top, 1e38));
    auto meets = [&](const FloatBox& b) {
        return !(b.right < left || b.left > right || b.top < bottom || b.bottom > top);
    };
    if (gridded_ == 0) {
        for (const CullItem& it : items_)
            if (meets(it.box))
                out.push_back(&it);
        return;
    }
    // Mark the candidates, then walk the marks in order, so that what is drawn keeps the
    // drawing's order.
    marks_.assign((items_.size() + 63) / 64, 0);
    auto mark = [&](std::uint32_t i) { marks_[i / 64] |= std::uint64_t(1) << (i % 64); };
    for (std::uint32_t i : large_)
        mark(i);
    for (std::size_t i = gridded_; i < items_.size(); ++i)
        mark(static_cast<std::uint32_t>(i));
    // Small items reach at most two cells beyond their lower-left corner.
    auto cell = [](double v, double origin, double size, int count) {
        const double c = std::floor((v - origin) / size);
        return static_cast<int>(std::clamp(c, 0.0, double(count - 1)));
    };
    const int x0 = cell(area.left - 2 * cellWidth_, left_, cellWidth_, columns_);
    const int x1 = cell(area.right, left_, cellWidth_, columns_);
    const int y0 = cell(area.bottom - 2 * cellHeight_, bottom_, cellHeight_, rows_);
    const int y1 = cell(area.top, bottom_, cellHeight_, rows_);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const std::size_t c = static_cast<std::size_t>(y) * columns_ + x;
            for (std::uint32_t k = cellStart_[c]; k < cellStart_[c + 1]; ++k)
                mark(cellItems_[k]);
        }
    for (std::size_t w = 0; w < marks_.size(); ++w)
        for (std::uint64_t bits = marks_[w]; bits; bits &= bits - 1) {
            const std::size_t i = w * 64 + static_cast<std::size_t>(std::countr_zero(bits));
            if (meets(items_[i].box))
                out.push_back(&items_[i]);
        }
}

} // namespace cad
