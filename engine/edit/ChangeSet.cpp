#include "engine/edit/ChangeSet.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace cad {

namespace {

bool bit(const std::vector<std::uint64_t>& bits, std::uint32_t h) {
    return h / 64 < bits.size() && (bits[h / 64] >> (h % 64)) & 1;
}

void setBit(std::vector<std::uint64_t>& bits, std::uint32_t h) {
    bits[h / 64] |= std::uint64_t(1) << (h % 64);
}

template <typename T, typename A> std::byte* bytesOf(std::vector<T, A>& v, std::uint64_t index) {
    return reinterpret_cast<std::byte*>(v.data() + index);
}

} // namespace

ChangeSet::ChangeSet(Drawing& drawing)
    : d_(drawing), modifiedBefore_(drawing.modified),
      addedFrom_(static_cast<std::uint32_t>(drawing.entities.size())) {}

std::uint32_t ChangeSet::addedTo() const {
    return closed_ ? addedTo_ : static_cast<std::uint32_t>(d_.entities.size());
}

void ChangeSet::keep(std::uint32_t h, Keep what) {
    if (closed_ || h >= addedFrom_ || h >= d_.entities.size())
        return;
    if (recorded_.empty()) {
        recorded_.assign((addedFrom_ + 63) / 64, 0);
        geometric_.assign((addedFrom_ + 63) / 64, 0);
    }
    if (!bit(recorded_, h)) {
        setBit(recorded_, h);
        handles_.push_back(h);
        records_.push_back(d_.entities[h]);
    }
    if (what == Keep::Everything && !bit(geometric_, h)) {
        setBit(geometric_, h);
        keepGeometry(h, d_.entities[h]);
    }
}

void ChangeSet::keepSlot(Table table, std::uint32_t h, std::uint64_t index, std::uint64_t count) {
    Slot s{table, h, index, count, bytes_.size()};
    std::size_t size = 0;
    const std::byte* from = live(s, size);
    if (!from)
        return;
    bytes_.insert(bytes_.end(), from, from + size);
    slots_.push_back(s);
}

void ChangeSet::keepGeometry(std::uint32_t h, const Entity& e) {
    keepSlot(Table::OwnStyle, h, h, 1);
    switch (e.type) {
    case EntityType::Point:
        keepSlot(Table::Points, h, e.first, 1);
        break;
    case EntityType::Line:
        keepSlot(Table::Lines, h, e.first, 1);
        break;
    case EntityType::Polyline:
    case EntityType::Spline:
        keepSlot(Table::Vertices, h, e.first, e.count);
        break;
    case EntityType::Circle:
        keepSlot(Table::Circles, h, e.first, 1);
        break;
    case EntityType::Arc:
        keepSlot(Table::Arcs, h, e.first, 1);
        break;
    case EntityType::Sector:
        keepSlot(Table::Sectors, h, e.first, 1);
        break;
    case EntityType::Ellipse:
        keepSlot(Table::Ellipses, h, e.first, 1);
        break;
    case EntityType::Rectangle:
        keepSlot(Table::Rectangles, h, e.first, 1);
        break;
    case EntityType::Insert:
        keepSlot(Table::Inserts, h, e.first, 1);
        break;
    case EntityType::Text:
        keepSlot(Table::Texts, h, e.first, 1);
        break;
    case EntityType::Hatch:
        keepSlot(Table::Hatches, h, e.first, 1);
        if (e.first < d_.hatches.size())
            keepSlot(Table::Vertices, h, d_.hatches[e.first].firstVertex, e.count);
        break;
    case EntityType::Image:
        keepSlot(Table::Images, h, e.first, 1);
        break;
    }
}

// The live bytes a slot keeps, or nullptr when they are out of the table's reach.
std::byte* ChangeSet::live(const Slot& s, std::size_t& size) {
    auto in = [&](auto& table) -> std::byte* {
        using T = typename std::decay_t<decltype(table)>::value_type;
        if (s.index > table.size() || s.count > table.size() - s.index)
            return nullptr;
        size = static_cast<std::size_t>(s.count) * sizeof(T);
        return size == 0 ? reinterpret_cast<std::byte*>(&size) : bytesOf(table, s.index);
    };
    switch (s.table) {
    case Table::Vertices:
        return in(d_.vertices);
    case Table::Points:
        return in(d_.points);
    case Table::Lines:
        return in(d_.lines);
    case Table::Circles:
        return in(d_.circles);
    case Table::Arcs:
        return in(d_.arcs);
    case Table::Sectors:
        return in(d_.sectors);
    case Table::Ellipses:
        return in(d_.ellipses);
    case Table::Rectangles:
        return in(d_.rectangles);
    case Table::Inserts:
        return in(d_.inserts);
    case Table::Texts:
        return in(d_.texts);
    case Table::Hatches:
        return in(d_.hatches);
    case Table::Images:
        return in(d_.images);
    case Table::OwnStyle: {
        // An entity of no own style has the plain one; the table appears when one is given.
        if (d_.ownStyles.size() <= s.entity) {
            static OwnStyle none;
            none = OwnStyle{};
            size = sizeof(OwnStyle);
            return reinterpret_cast<std::byte*>(&none);
        }
        return in(d_.ownStyles);
    }
    }
    return nullptr;
}

void ChangeSet::keepLayers() {
    if (!closed_ && !layers_)
        layers_ = d_.layers;
}
void ChangeSet::keepLineStyles() {
    if (!closed_ && !lineStyles_)
        lineStyles_ = d_.lineStyles;
}
void ChangeSet::keepTextStyles() {
    if (!closed_ && !textStyles_)
        textStyles_ = d_.textStyles;
}
void ChangeSet::keepBlocks() {
    if (!closed_ && !blocks_)
        blocks_ = d_.blocks;
}
void ChangeSet::keepSettings() {
    if (!closed_ && !settings_)
        settings_ = std::pair{d_.settings, d_.current};
}

void ChangeSet::close() {
    if (closed_)
        return;
    closed_ = true;
    addedTo_ = static_cast<std::uint32_t>(d_.entities.size());
    for (std::uint32_t h = addedFrom_; h < addedTo_; ++h)
        if (d_.entities[h].has(EntityFlag::Deleted))
            deadAtClose_.push_back(h);
    // The journal holds this change now: it no longer marks the drawing as changed outside it.
    d_.modified = modifiedBefore_;
    recorded_.clear();
    recorded_.shrink_to_fit();
    geometric_.clear();
    geometric_.shrink_to_fit();
    handles_.shrink_to_fit();
    records_.shrink_to_fit();
    slots_.shrink_to_fit();
    bytes_.shrink_to_fit();
}

bool ChangeSet::empty() const {
    return handles_.empty() && addedTo() == addedFrom_ && !layers_ && !lineStyles_ &&
           !textStyles_ && !blocks_ && !settings_;
}

std::size_t ChangeSet::bytes() const {
    std::size_t n = sizeof(*this) + handles_.capacity() * sizeof(std::uint32_t) +
                    records_.capacity() * sizeof(Entity) + slots_.capacity() * sizeof(Slot) +
                    bytes_.capacity() + deadAtClose_.capacity() * sizeof(std::uint32_t) +
                    (recorded_.capacity() + geometric_.capacity()) * sizeof(std::uint64_t);
    if (layers_)
        n += layers_->size() * (sizeof(Layer) + 16);
    if (lineStyles_)
        n += lineStyles_->size() * (sizeof(LineStyle) + 32);
    if (textStyles_)
        n += textStyles_->size() * (sizeof(TextStyle) + 32);
    if (blocks_)
        for (const Block& b : *blocks_)
            n += sizeof(Block) + b.name.size() + b.entities.size() * sizeof(std::uint32_t);
    return n;
}

void ChangeSet::exchange(std::vector<std::uint32_t>* touched) {
    close();
    const bool modified = d_.modified;
    // Geometry and own styles, byte for byte, where they were kept.
    for (const Slot& s : slots_) {
        std::size_t size = 0;
        std::byte* at = live(s, size);
        if (s.table == Table::OwnStyle && d_.ownStyles.size() <= s.entity) {
            OwnStyle kept;
            std::memcpy(&kept, bytes_.data() + s.at, sizeof kept);
            if (kept == OwnStyle{})
                continue; // plain either way
            d_.setOwnStyle(s.entity, kept);
            std::memset(bytes_.data() + s.at, 0, sizeof kept);
            continue;
        }
        if (at && size > 0)
            std::swap_ranges(at, at + size, bytes_.data() + s.at);
    }
    // Records; the selection stays the live one's.
    for (std::size_t i = 0; i < handles_.size(); ++i) {
        Entity& e = d_.entities[handles_[i]];
        const bool selected = e.has(EntityFlag::Selected);
        std::swap(e, records_[i]);
        e.set(EntityFlag::Selected, selected);
        d_.changed(handles_[i]);
        if (touched)
            touched->push_back(handles_[i]);
    }
    // Entities added: gone while the change is taken back.
    for (std::uint32_t h = addedFrom_; h < addedTo_ && h < d_.entities.size(); ++h) {
        Entity& e = d_.entities[h];
        const bool dead =
            applied_ || std::binary_search(deadAtClose_.begin(), deadAtClose_.end(), h);
        e.set(EntityFlag::Deleted, dead);
        if (dead)
            e.set(EntityFlag::Selected, false);
        d_.changed(h);
        if (touched)
            touched->push_back(h);
    }
    if (layers_)
        std::swap(*layers_, d_.layers);
    if (lineStyles_)
        std::swap(*lineStyles_, d_.lineStyles);
    if (textStyles_)
        std::swap(*textStyles_, d_.textStyles);
    if (settings_) {
        std::swap(settings_->first, d_.settings);
        std::swap(settings_->second, d_.current);
    }
    if (blocks_) {
        std::swap(*blocks_, d_.blocks);
        d_.blocksChanged();
    }
    d_.touch();
    ++d_.selectionVersion;
    d_.modified = modified;
    applied_ = !applied_;
}

} // namespace cad
