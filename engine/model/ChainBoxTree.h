// Boxes of things that come one after another, as the segments of a polyline do, for finding
// those that overlap each other, those of another chain, or a place.
//
// Neighbours in a chain lie near each other, so runs of them make small boxes: the boxes are
// grouped eight by eight in their order, the groups again, up to one. Made without sorting and
// with little memory beside the boxes themselves, which is what the offset of a long polyline
// needs: it asks once which of its segments can meet and then forgets it.
#pragma once

#include "engine/model/Geometry.h"

#include <array>
#include <cstdint>
#include <vector>

namespace cad {

class ChainBoxTree {
public:
    ChainBoxTree() = default;
    // Empty boxes are never found.
    explicit ChainBoxTree(std::vector<Rect> boxes);

    std::size_t size() const { return levels_.empty() ? 0 : levels_[0].size(); }
    const Rect& box(std::size_t i) const { return levels_[0][i]; }

    // Every pair of boxes that overlap, once each, as (i, j) with i < j.
    template <typename F> void forEachPair(F&& f) const {
        anyPair([&](std::size_t i, std::size_t j) {
            f(i, j);
            return false;
        });
    }
    // Whether `f` says yes to a pair of overlapping boxes (asked of each pair once, until one).
    template <typename F> bool anyPair(F&& f) const;
    // Every pair of a box of this chain (i) and one of `other` (j) that overlap, once each.
    template <typename F> void forEachPairWith(const ChainBoxTree& other, F&& f) const;
    // Whether `f` says yes to a box that overlaps `r` (asked of each once, until one).
    template <typename F> bool anyNear(const Rect& r, F&& f) const;

private:
    static constexpr std::uint32_t kGroup = 8;
    // The members of node i of a level above the boxes: nodes of the level below.
    std::uint32_t firstChild(std::uint32_t i) const { return i * kGroup; }
    std::uint32_t endChild(std::size_t level, std::uint32_t i) const {
        const auto below = static_cast<std::uint32_t>(levels_[level - 1].size());
        return i * kGroup + kGroup < below ? i * kGroup + kGroup : below;
    }
    std::size_t top() const { return levels_.size() - 1; }
    // Rect::intersects without its tests for empty boxes: an empty box runs from +inf to -inf,
    // so it overlaps nothing anyway.
    static bool overlap(const Rect& a, const Rect& b) {
        return a.left <= b.right && b.left <= a.right && a.bottom <= b.top && b.bottom <= a.top;
    }

    // Pairs of nodes still to look into: on one level (a pair within one chain), or on a level
    // of each (two chains).
    struct Pair {
        std::uint32_t i, j;
        std::uint8_t level, otherLevel;
    };

    std::vector<std::vector<Rect>> levels_; // [0] the boxes, each next one the groups below
};

template <typename F> bool ChainBoxTree::anyPair(F&& f) const {
    if (size() < 2)
        return false;
    std::vector<Pair> stack{{0, 0, static_cast<std::uint8_t>(top()), 0}};
    while (!stack.empty()) {
        const Pair p = stack.back();
        stack.pop_back();
        const std::vector<Rect>& below = levels_[p.level - 1];
        const std::uint32_t endI = endChild(p.level, p.i), endJ = endChild(p.level, p.j);
        const auto down = static_cast<std::uint8_t>(p.level - 1);
        for (std::uint32_t a = firstChild(p.i); a < endI; ++a) {
            // Within one node: each pair of its members once, and each member with itself
            // (above the boxes, where its own members may overlap).
            const std::uint32_t fromB = p.i == p.j ? a : firstChild(p.j);
            for (std::uint32_t b = fromB; b < endJ; ++b) {
                if (a == b) {
                    if (down > 0 && !below[a].empty())
                        stack.push_back({a, a, down, 0});
                } else if (overlap(below[a], below[b])) {
                    if (down > 0)
                        stack.push_back({a, b, down, 0});
                    else if (f(std::size_t{a}, std::size_t{b}))
                        return true;
                }
            }
        }
    }
    return false;
}

template <typename F> void ChainBoxTree::forEachPairWith(const ChainBoxTree& other, F&& f) const {
    if (size() == 0 || other.size() == 0 || !overlap(levels_.back()[0], other.levels_.back()[0]))
        return;
    if (top() == 0 && other.top() == 0)
        return f(std::size_t{0}, std::size_t{0});
    std::vector<Pair> stack{
        {0, 0, static_cast<std::uint8_t>(top()), static_cast<std::uint8_t>(other.top())}};
    while (!stack.empty()) {
        const Pair p = stack.back();
        stack.pop_back();
        // The node on the higher level opened (this chain's when both are as high).
        if (p.level >= p.otherLevel) {
            const std::vector<Rect>& below = levels_[p.level - 1];
            const Rect& them = other.levels_[p.otherLevel][p.j];
            for (std::uint32_t a = firstChild(p.i); a < endChild(p.level, p.i); ++a)
                if (overlap(below[a], them)) {
                    if (p.level == 1 && p.otherLevel == 0)
                        f(std::size_t{a}, std::size_t{p.j});
                    else
                        stack.push_back(
                            {a, p.j, static_cast<std::uint8_t>(p.level - 1), p.otherLevel});
                }
        } else {
            const std::vector<Rect>& below = other.levels_[p.otherLevel - 1];
            const Rect& us = levels_[p.level][p.i];
            for (std::uint32_t b = firstChild(p.j); b < other.endChild(p.otherLevel, p.j); ++b)
                if (overlap(below[b], us)) {
                    if (p.otherLevel == 1 && p.level == 0)
                        f(std::size_t{p.i}, std::size_t{b});
                    else
                        stack.push_back(
                            {p.i, b, p.level, static_cast<std::uint8_t>(p.otherLevel - 1)});
                }
        }
    }
}

template <typename F> bool ChainBoxTree::anyNear(const Rect& r, F&& f) const {
    if (size() == 0 || !overlap(levels_.back()[0], r))
        return false;
    if (top() == 0)
        return f(std::size_t{0});
    struct Node {
        std::uint32_t i;
        std::uint8_t level;
    };
    // At most a group's members wait on each level (a chain of 2^32 boxes has 12 levels).
    std::array<Node, kGroup * 16> stack;
    std::size_t waiting = 0;
    stack[waiting++] = {0, static_cast<std::uint8_t>(top())};
    while (waiting > 0) {
        const Node n = stack[--waiting];
        const std::vector<Rect>& below = levels_[n.level - 1];
        if (n.level == 1) {
            for (std::uint32_t a = firstChild(n.i); a < endChild(n.level, n.i); ++a)
                if (overlap(below[a], r) && f(std::size_t{a}))
                    return true;
            continue;
        }
        // Pushed last first, so that the chain is looked through in its order.
        for (std::uint32_t a = endChild(n.level, n.i); a-- > firstChild(n.i);)
            if (overlap(below[a], r))
                stack[waiting++] = {a, static_cast<std::uint8_t>(n.level - 1)};
    }
    return false;
}

} // namespace cad
