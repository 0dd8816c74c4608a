// The order in which a drawing's entities are drawn, one over the other: on screen, in print and
// export, in picking (of entities at the same distance the one drawn later is picked) and in the
// files written. Handles never change; a drawing that was never reordered draws in handle
// order, and a reordered one keeps an order key for each handle (Drawing::orderKeys): entities
// are drawn by ascending key, handles past the end of the keys after all the others in handle
// order (entities added later come on top). Every part of the engine that needs the order asks
// the drawing's DrawOrder, which sorts the keys once after they change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace cad {

class Drawing;

class DrawOrder {
public:
    // Entities are drawn in handle order.
    bool plain() const { return order_.empty(); }
    // The place of an entity in the order (0: drawn first, under everything else).
    std::uint32_t rank(std::uint32_t handle) const {
        return handle < rank_.size() ? rank_[handle] : handle;
    }
    // The entity at a place of the order.
    std::uint32_t at(std::uint32_t place) const {
        return place < order_.size() ? order_[place] : place;
    }
    // How many handles the keys order; every one from there on keeps its own place.
    std::size_t ordered() const { return order_.size(); }
    // The largest key the drawing gives (-1 when it gives none).
    std::int64_t largestKey() const { return largest_; }
    // The smallest key the drawing gives (0 when it gives none).
    std::int64_t smallestKey() const { return smallest_; }
    // Puts handles into drawing order.
    void sort(std::vector<std::uint32_t>& handles) const;

    // Made anew from a drawing's keys.
    void build(std::span<const std::int64_t> keys);

private:
    std::vector<std::uint32_t> order_; // handles by place; empty in handle order
    std::vector<std::uint32_t> rank_;  // places by handle; empty in handle order
    std::int64_t largest_ = -1;        // the largest key given
    std::int64_t smallest_ = 0;        // the smallest key given
};

// ---- what the order commands change: pure functions that say which keys to give

// The key an entity is drawn by, whether the drawing gives it one or not.
std::int64_t orderKeyOf(const Drawing& d, std::uint32_t handle);

using OrderKeys = std::vector<std::pair<std::uint32_t, std::int64_t>>; // handle, new key

// The entities drawn over everything else (or under it), keeping their order among
// themselves. Handles that are not live entities of the drawing itself are left out.
OrderKeys keysToTop(const Drawing& d, std::span<const std::uint32_t> handles);
OrderKeys keysToBottom(const Drawing& d, std::span<const std::uint32_t> handles);
// Two entities exchange their places; nothing when either is not a live entity of the drawing
// itself or they are the same.
OrderKeys keysSwapped(const Drawing& d, std::uint32_t a, std::uint32_t b);
// Hatches and filled shapes among the handles (all of the drawing's own when `handles` is
// empty), in drawing order.
std::vector<std::uint32_t> hatchesAndFills(const Drawing& d,
                                           std::span<const std::uint32_t> handles);

// The places of entities [0, n) of a drawing as a file keeps them: n is the smallest count
// after which every entity keeps its own place (0 for a drawing in handle order), and the
// places of the first n are a permutation of 0 .. n-1.
std::vector<std::uint32_t> storedPlaces(const Drawing& d);
// True when the places read from a file are such a permutation.
bool validPlaces(std::span<const std::int64_t> places);

} // namespace cad
