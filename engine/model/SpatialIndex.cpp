#include "engine/model/SpatialIndex.h"

#include "engine/model/Drawing.h"

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

namespace {

// Below this many entities one list serves: looking at all of them is as quick as a grid.
constexpr std::size_t kGridFrom = 4096;

} // namespace

std::size_t SpatialIndex::bytes() const {
    return boxes_.capacity() * sizeof(FloatBox) +
           (listOf_.capacity() + next_.capacity() + prev_.capacity() + heads_.capacity() +
            dirty_.capacity()) *
               sizeof(std::uint32_t) +
           (isDirty_.capacity() + marks_.capacity()) * sizeof(std::uint64_t);
}

void SpatialIndex::changed(std::uint32_t h) {
    if (!valid_ || h >= seen_)
        return; // looked at anyway
    std::uint64_t& word = isDirty_[h / 64];
    const std::uint64_t bit = std::uint64_t(1) << (h % 64);
    if (word & bit)
        return;
    word |= bit;
    dirty_.push_back(h);
}

int SpatialIndex::column(double x) const {
    const double c = std::floor((x - left_) / cellWidth_);
    return static_cast<int>(std::clamp(c, 0.0, double(columns_ - 1)));
}

int SpatialIndex::row(double y) const {
    const double c = std::floor((y - bottom_) / cellHeight_);
    return static_cast<int>(std::clamp(c, 0.0, double(rows_ - 1)));
}

std::uint32_t SpatialIndex::listOf(const FloatBox& b) const {
    const auto largeList = static_cast<std::uint32_t>(columns_ * rows_);
    if (columns_ * rows_ == 1)
        return 0;
    if (double(b.right) - double(b.left) > 2 * cellWidth_ ||
        double(b.top) - double(b.bottom) > 2 * cellHeight_)
        return largeList;
    return static_cast<std::uint32_t>(row(b.bottom) * columns_ + column(b.left));
}

void SpatialIndex::link(std::uint32_t h, std::uint32_t list) {
    next_[h] = heads_[list];
    prev_[h] = kNone;
    if (heads_[list] != kNone)
        prev_[heads_[list]] = h;
    heads_[list] = h;
    listOf_[h] = list;
    ++indexed_;
    if (list == static_cast<std::uint32_t>(columns_ * rows_) && columns_ * rows_ > 1)
        ++large_;
}

void SpatialIndex::unlink(std::uint32_t h) {
    const std::uint32_t list = listOf_[h];
    if (list == kNone)
        return;
    if (prev_[h] != kNone)
        next_[prev_[h]] = next_[h];
    else
        heads_[list] = next_[h];
    if (next_[h] != kNone)
        prev_[next_[h]] = prev_[h];
    prev_[h] = kNone;
    listOf_[h] = kNone;
    next_[h] = kNone;
    --indexed_;
    if (list == static_cast<std::uint32_t>(columns_ * rows_) && columns_ * rows_ > 1)
        --large_;
}

void SpatialIndex::refresh(const Drawing& d, std::uint32_t h) {
    FloatBox b{1, 1, 0, 0};
    if (d.inModelSpace(static_cast<int>(h)))
        b = toFloatBox(d.entityExtents(static_cast<int>(h)));
    boxes_[h] = b;
    const std::uint32_t list = b.empty() ? kNone : listOf(b);
    if (list == listOf_[h])
        return;
    unlink(h);
    if (list != kNone)
        link(h, list);
}

void SpatialIndex::build(const Drawing& d) {
    ++builds_;
    const std::size_t n = d.entities.size();
    boxes_.assign(n, FloatBox{1, 1, 0, 0});
    listOf_.assign(n, kNone);
    next_.assign(n, kNone);
    prev_.assign(n, kNone);
    isDirty_.assign((n + 63) / 64, 0);
    dirty_.clear();
    Rect all;
    std::size_t live = 0;
    for (std::size_t h = 0; h < n; ++h) {
        if (!d.inModelSpace(static_cast<int>(h)))
            continue;
        const FloatBox b = toFloatBox(d.entityExtents(static_cast<int>(h)));
        boxes_[h] = b;
        if (b.empty())
            continue;
        ++live;
        all.add(b.left, b.bottom);
        all.add(b.right, b.top);
    }
    const int side =
        live < kGridFrom ? 1 : static_cast<int>(std::clamp(std::sqrt(live / 4.0), 1.0, 2048.0));
    columns_ = rows_ = side;
    left_ = all.empty() ? 0 : all.left;
    bottom_ = all.empty() ? 0 : all.bottom;
    cellWidth_ = std::max(all.width() / columns_, std::numeric_limits<double>::min());
    cellHeight_ = std::max(all.height() / rows_, std::numeric_limits<double>::min());
    if (!std::isfinite(cellWidth_) || !std::isfinite(cellHeight_)) {
        cellWidth_ = std::numeric_limits<double>::max() / 4;
        cellHeight_ = cellWidth_;
    }
    heads_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_) + 1, kNone);
    indexed_ = large_ = 0;
    // From the last handle to the first, so that every list runs in drawing order.
    for (std::size_t h = n; h-- > 0;)
        if (!boxes_[h].empty())
            link(static_cast<std::uint32_t>(h), listOf(boxes_[h]));
    seen_ = n;
    builtWith_ = indexed_;
    valid_ = true;
}

void SpatialIndex::sync(const Drawing& d) {
    if (!valid_ || d.entities.size() < seen_) {
        build(d);
        return;
    }
    for (const std::uint32_t h : dirty_) {
        isDirty_[h / 64] &= ~(std::uint64_t(1) << (h % 64));
        refresh(d, h);
    }
    dirty_.clear();
    const std::size_t n = d.entities.size();
    if (n > seen_) {
        boxes_.resize(n, FloatBox{1, 1, 0, 0});
        listOf_.resize(n, kNone);
        next_.resize(n, kNone);
        prev_.resize(n, kNone);
        isDirty_.resize((n + 63) / 64, 0);
        for (std::size_t h = seen_; h < n; ++h)
            refresh(d, static_cast<std::uint32_t>(h));
        seen_ = n;
    }
    // A grid made for far fewer entities, or one most entities have outgrown, is made anew.
    if ((indexed_ >= kGridFrom && indexed_ > 2 * builtWith_) ||
        (large_ > 64 && large_ > indexed_ / 4))
        build(d);
}

void SpatialIndex::query(const Drawing& d, const Rect& area, std::vector<std::uint32_t>& out) {
    sync(d);
    out.clear();
    if (area.empty() || indexed_ == 0)
        return;
    const auto left = static_cast<float>(std::max(area.left, -1e38));
    const auto right = static_cast<float>(std::min(area.right, 1e38));
    const auto bottom = static_cast<float>(std::max(area.bottom, -1e38));
    const auto top = static_cast<float>(std::min(area.top, 1e38));
    const DrawOrder& order = d.drawOrder();
    const bool plain = order.plain();
    auto meets = [&](const FloatBox& b) {
        return !(b.right < left || b.left > right || b.top < bottom || b.bottom > top);
    };
    // Small entities reach at most two cells beyond their lower left corner.
    const int x0 = column(area.left - 2 * cellWidth_), x1 = column(area.right);
    const int y0 = row(area.bottom - 2 * cellHeight_), y1 = row(area.top);
    const auto lists = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
    const std::size_t cellsInRange =
        static_cast<std::size_t>(x1 - x0 + 1) * static_cast<std::size_t>(y1 - y0 + 1);
    auto walk = [&](std::uint32_t list, auto&& take) {
        for (std::uint32_t h = heads_[list]; h != kNone; h = next_[h])
            if (meets(boxes_[h]))
                take(h);
    };
    if (cellsInRange * 8 < lists || indexed_ < kGridFrom) {
        // A part of the drawing: the answers, sorted.
        auto take = [&](std::uint32_t h) { out.push_back(h); };
        if (lists == 1) {
            walk(0, take);
        } else {
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x)
                    walk(static_cast<std::uint32_t>(y * columns_ + x), take);
            walk(static_cast<std::uint32_t>(lists), take);
        }
        order.sort(out);
        return;
    }
    // Much of it: marks by place in the drawing order (by handle in a drawing never
    // reordered), read in order.
    marks_.assign((seen_ + 63) / 64, 0);
    auto mark = [&](std::uint32_t h) { marks_[h / 64] |= std::uint64_t(1) << (h % 64); };
    auto markPlace = [&](std::uint32_t h) { mark(order.rank(h)); };
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            if (plain)
                walk(static_cast<std::uint32_t>(y * columns_ + x), mark);
            else
                walk(static_cast<std::uint32_t>(y * columns_ + x), markPlace);
        }
    if (plain)
        walk(static_cast<std::uint32_t>(lists), mark);
    else
        walk(static_cast<std::uint32_t>(lists), markPlace);
    for (std::size_t w = 0; w < marks_.size(); ++w)
        for (std::uint64_t bits = marks_[w]; bits; bits &= bits - 1)
            out.push_back(static_cast<std::uint32_t>(w * 64 + std::countr_zero(bits)));
    if (!plain)
        for (std::uint32_t& place : out)
            place = order.at(place);
}

} // namespace cad
