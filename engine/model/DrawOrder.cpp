#include "engine/model/DrawOrder.h"

#include "engine/model/Drawing.h"

#include <algorithm>
#include <numeric>

namespace cad {

void DrawOrder::build(std::span<const std::int64_t> keys) {
    order_.clear();
    rank_.clear();
    largest_ = keys.empty() ? -1 : *std::max_element(keys.begin(), keys.end());
    smallest_ = keys.empty() ? 0 : *std::min_element(keys.begin(), keys.end());
    if (keys.empty())
        return;
    order_.resize(keys.size());
    std::iota(order_.begin(), order_.end(), std::uint32_t(0));
    // Keys in handle order, as a drawing that was never reordered has them: nothing to sort.
    bool sorted = true;
    for (std::size_t h = 1; h < keys.size() && sorted; ++h)
        sorted = keys[h - 1] < keys[h];
    if (sorted) {
        order_.clear();
        return;
    }
    std::stable_sort(order_.begin(), order_.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    rank_.resize(keys.size());
    for (std::size_t place = 0; place < order_.size(); ++place)
        rank_[order_[place]] = static_cast<std::uint32_t>(place);
}

void DrawOrder::sort(std::vector<std::uint32_t>& handles) const {
    if (plain()) {
        std::sort(handles.begin(), handles.end());
        return;
    }
    for (std::uint32_t& h : handles)
        h = rank(h);
    std::sort(handles.begin(), handles.end());
    for (std::uint32_t& place : handles)
        place = at(place);
}

std::int64_t orderKeyOf(const Drawing& d, std::uint32_t handle) {
    const auto& keys = d.orderKeys;
    if (handle < keys.size())
        return keys[handle];
    return d.drawOrder().largestKey() + 1 + static_cast<std::int64_t>(handle - keys.size());
}

namespace {

// The live entities of the drawing itself among the handles, each once, in drawing order.
std::vector<std::uint32_t> ownInOrder(const Drawing& d, std::span<const std::uint32_t> handles) {
    std::vector<std::uint32_t> out;
    for (const std::uint32_t h : handles)
        if (d.inModelSpace(static_cast<int>(h)))
            out.push_back(h);
    d.drawOrder().sort(out);
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

} // namespace

OrderKeys keysToTop(const Drawing& d, std::span<const std::uint32_t> handles) {
    const std::vector<std::uint32_t> moved = ownInOrder(d, handles);
    OrderKeys out;
    if (moved.empty())
        return out;
    // Above the key of the last handle, or the largest key when every handle has one.
    const auto n = static_cast<std::uint32_t>(d.entities.size());
    std::int64_t next = std::max(d.drawOrder().largestKey(), n > 0 ? orderKeyOf(d, n - 1) : -1) + 1;
    for (const std::uint32_t h : moved)
        out.emplace_back(h, next++);
    return out;
}

OrderKeys keysToBottom(const Drawing& d, std::span<const std::uint32_t> handles) {
    const std::vector<std::uint32_t> moved = ownInOrder(d, handles);
    OrderKeys out;
    if (moved.empty())
        return out;
    // Keys past the end of the list are larger than every key in it.
    const std::int64_t lowest = d.orderKeys.empty() ? 0 : d.drawOrder().smallestKey();
    std::int64_t next = lowest - static_cast<std::int64_t>(moved.size());
    for (const std::uint32_t h : moved)
        out.emplace_back(h, next++);
    return out;
}

OrderKeys keysSwapped(const Drawing& d, std::uint32_t a, std::uint32_t b) {
    if (a == b || !d.inModelSpace(static_cast<int>(a)) || !d.inModelSpace(static_cast<int>(b)))
        return {};
    return {{a, orderKeyOf(d, b)}, {b, orderKeyOf(d, a)}};
}

std::vector<std::uint32_t> hatchesAndFills(const Drawing& d,
                                           std::span<const std::uint32_t> handles) {
    std::vector<std::uint32_t> all;
    if (handles.empty()) {
        for (std::size_t h = 0; h < d.entities.size(); ++h)
            all.push_back(static_cast<std::uint32_t>(h));
        handles = all;
    }
    std::vector<std::uint32_t> out;
    for (const std::uint32_t h : handles) {
        if (!d.inModelSpace(static_cast<int>(h)))
            continue;
        const Entity& e = d.entities[h];
        if (e.type == EntityType::Hatch || (canBeFilled(e.type) && e.has(EntityFlag::Filled)))
            out.push_back(h);
    }
    d.drawOrder().sort(out);
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::vector<std::uint32_t> storedPlaces(const Drawing& d) {
    const DrawOrder& order = d.drawOrder();
    std::size_t n = std::min(order.ordered(), d.entities.size());
    while (n > 0 && order.rank(static_cast<std::uint32_t>(n - 1)) == n - 1)
        --n;
    std::vector<std::uint32_t> places(n);
    for (std::size_t h = 0; h < n; ++h)
        places[h] = order.rank(static_cast<std::uint32_t>(h));
    return places;
}

bool validPlaces(std::span<const std::int64_t> places) {
    std::vector<char> seen(places.size(), 0);
    for (const std::int64_t p : places) {
        if (p < 0 || static_cast<std::uint64_t>(p) >= places.size() ||
            seen[static_cast<std::size_t>(p)])
            return false;
        seen[static_cast<std::size_t>(p)] = 1;
    }
    return true;
}

} // namespace cad
