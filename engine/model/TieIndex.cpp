#include "engine/model/TieIndex.h"

#include "engine/model/Drawing.h"

#include <algorithm>

namespace cad {

void TieIndex::changed(std::uint32_t h) {
    if (!valid_ || h >= seen_)
        return; // looked at anyway
    if (isDirty_.size() <= h)
        isDirty_.resize(seen_, 0);
    if (isDirty_[h])
        return;
    isDirty_[h] = 1;
    dirty_.push_back(h);
}

void TieIndex::forget(std::uint32_t dimension) {
    const auto it = listedUnder_.find(dimension);
    if (it == listedUnder_.end())
        return;
    for (const std::uint32_t e : it->second) {
        const auto list = byEntity_.find(e);
        if (list == byEntity_.end())
            continue;
        std::erase(list->second, dimension);
        if (list->second.empty())
            byEntity_.erase(list);
    }
    listedUnder_.erase(it);
}

void TieIndex::learn(const Drawing& d, std::uint32_t h) {
    if (h >= d.entities.size())
        return;
    const Entity& e = d.entities[h];
    if (e.type != EntityType::Dimension || e.has(EntityFlag::Deleted) ||
        e.first >= d.dimensions.size())
        return;
    std::vector<std::uint32_t> under;
    for (const PointTie& t : d.dimensions[e.first].ties) {
        if (!t.tied())
            continue;
        for (const std::uint32_t target : {t.entity, t.other})
            if (target != kNoEntity && target != h &&
                std::find(under.begin(), under.end(), target) == under.end())
                under.push_back(target);
    }
    if (under.empty())
        return;
    for (const std::uint32_t target : under)
        byEntity_[target].push_back(h);
    listedUnder_[h] = std::move(under);
}

void TieIndex::sync(const Drawing& d) {
    if (!valid_ || d.entities.size() < seen_) {
        byEntity_.clear();
        listedUnder_.clear();
        // Room for every dimension tied to two entities, made once.
        byEntity_.reserve(2 * d.dimensions.size());
        listedUnder_.reserve(d.dimensions.size());
        dirty_.clear();
        isDirty_.assign(d.entities.size(), 0);
        for (std::size_t h = 0; h < d.entities.size(); ++h)
            if (d.entities[h].type == EntityType::Dimension)
                learn(d, static_cast<std::uint32_t>(h));
        seen_ = d.entities.size();
        valid_ = true;
        return;
    }
    for (const std::uint32_t h : dirty_) {
        isDirty_[h] = 0;
        forget(h);
        learn(d, h);
    }
    dirty_.clear();
    for (std::size_t h = seen_; h < d.entities.size(); ++h)
        if (d.entities[h].type == EntityType::Dimension)
            learn(d, static_cast<std::uint32_t>(h));
    seen_ = d.entities.size();
}

void TieIndex::tiedTo(const Drawing& d, std::uint32_t entity, std::vector<std::uint32_t>& out) {
    sync(d);
    const auto it = byEntity_.find(entity);
    if (it != byEntity_.end())
        out.insert(out.end(), it->second.begin(), it->second.end());
}

} // namespace cad
