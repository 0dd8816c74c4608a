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

// Where an entity's vertices lie in the drawing's store.
std::uint64_t firstVertex(const Drawing& d, const Entity& e) {
    return e.type == EntityType::Hatch ? d.hatches[e.first].firstVertex : e.first;
}

} // namespace

ChangeSet::ChangeSet(Drawing& drawing)
    : DrawingWriter(drawing), modifiedBefore_(drawing.modified),
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

void ChangeSet::keepSlot(Table table, std::uint32_t h, std::uint64_t index) {
    Slot s{table, h, index, bytes_.size()};
    std::size_t size = 0;
    const std::byte* from = live(s, size);
    if (!from)
        return;
    bytes_.insert(bytes_.end(), from, from + size);
    slots_.push_back(s);
}

void ChangeSet::keepGeometry(std::uint32_t h, const Entity& e) {
    keepSlot(Table::OwnStyle, h, h);
    std::uint64_t hatchAt = 0;
    switch (e.type) {
    case EntityType::Point:
        keepSlot(Table::Points, h, e.first);
        return;
    case EntityType::Line:
        keepSlot(Table::Lines, h, e.first);
        return;
    case EntityType::Circle:
        keepSlot(Table::Circles, h, e.first);
        return;
    case EntityType::Arc:
        keepSlot(Table::Arcs, h, e.first);
        return;
    case EntityType::Sector:
        keepSlot(Table::Sectors, h, e.first);
        return;
    case EntityType::Ellipse:
        keepSlot(Table::Ellipses, h, e.first);
        return;
    case EntityType::Rectangle:
        keepSlot(Table::Rectangles, h, e.first);
        return;
    case EntityType::Insert:
        keepSlot(Table::Inserts, h, e.first);
        return;
    case EntityType::Text:
        keepSlot(Table::Texts, h, e.first);
        return;
    case EntityType::Image:
        keepSlot(Table::Images, h, e.first);
        return;
    case EntityType::Dimension:
        keepSlot(Table::Dimensions, h, e.first);
        return;
    case EntityType::Hatch:
        if (e.first >= d_.hatches.size())
            return;
        hatchAt = bytes_.size();
        keepSlot(Table::Hatches, h, e.first);
        break;
    case EntityType::Polyline:
    case EntityType::Spline:
        break;
    }
    const std::uint64_t first = firstVertex(d_, e);
    const std::uint64_t stored = storedVertices(e); // with a polyline's bulges
    if (first > d_.vertices.size() || stored > d_.vertices.size() - first)
        return;
    // The record was kept just now or earlier in this set: the last one kept is looked for
    // first.
    std::uint32_t record = 0;
    for (std::size_t i = handles_.size(); i-- > 0;)
        if (handles_[i] == h) {
            record = static_cast<std::uint32_t>(i);
            break;
        }
    const auto begin = d_.vertices.begin() + static_cast<std::ptrdiff_t>(first);
    vertexSlots_.push_back(VertexSlot{
        h, record, hatchAt, std::vector<Vec2>(begin, begin + static_cast<std::ptrdiff_t>(stored))});
}

// The live bytes a slot keeps, or nullptr when they are out of the table's reach.
std::byte* ChangeSet::live(const Slot& s, std::size_t& size) {
    auto in = [&](auto& table) -> std::byte* {
        using T = typename std::decay_t<decltype(table)>::value_type;
        if (s.index >= table.size())
            return nullptr;
        size = sizeof(T);
        return bytesOf(table, s.index);
    };
    switch (s.table) {
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
    case Table::Dimensions:
        return in(d_.dimensions);
    case Table::OwnStyle: {
        // An entity of no own style has the plain one; the table appears when one is given.
        if (d_.ownStyles.size() <= s.entity) {
            static thread_local OwnStyle none;
            none = OwnStyle{};
            size = sizeof(OwnStyle);
            return reinterpret_cast<std::byte*>(&none);
        }
        return in(d_.ownStyles);
    }
    }
    return nullptr;
}

void ChangeSet::keepEntry(TableId table, std::size_t index) {
    if (closed_)
        return;
    switch (table) {
    case TableId::Layers:
        layers_.keep(d_.layers, index);
        break;
    case TableId::LineStyles:
        lineStyles_.keep(d_.lineStyles, index);
        break;
    case TableId::TextStyles:
        textStyles_.keep(d_.textStyles, index);
        break;
    case TableId::Blocks:
        blocks_.keep(d_.blocks, index);
        break;
    case TableId::PrintAreas:
        printAreas_.keep(d_.printAreas, index);
        break;
    case TableId::DrawOrder:
        order_.keep(d_.orderKeys, index);
        break;
    case TableId::DimensionStyles:
        dimensionStyles_.keep(d_.dimensionStyles, index);
        break;
    }
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
    vertexSlots_.shrink_to_fit();
}

bool ChangeSet::empty() const {
    return handles_.empty() && addedTo() == addedFrom_ && !changesTables() && order_.empty();
}

std::size_t ChangeSet::bytes() const {
    std::size_t n = sizeof(*this) + handles_.capacity() * sizeof(std::uint32_t) +
                    records_.capacity() * sizeof(Entity) + slots_.capacity() * sizeof(Slot) +
                    bytes_.capacity() + deadAtClose_.capacity() * sizeof(std::uint32_t) +
                    (recorded_.capacity() + geometric_.capacity()) * sizeof(std::uint64_t) +
                    vertexSlots_.capacity() * sizeof(VertexSlot);
    for (const VertexSlot& v : vertexSlots_)
        n += v.vertices.capacity() * sizeof(Vec2);
    n += layers_.bytes(16) + lineStyles_.bytes(32) + textStyles_.bytes(32) + printAreas_.bytes(0) +
         order_.bytes(0) + dimensionStyles_.bytes(64);
    for (const auto& [i, b] : blocks_.entries())
        n += sizeof(Block) + b.name.size() + b.entities.size() * sizeof(std::uint32_t);
    return n;
}

// Gives an entity the kept vertices and keeps its live ones. Where the kept ones go into the
// store is chosen now: in the live ones' place when they fit, else at its end; what is left
// of the live ones' place is dead, for the store to reclaim.
void ChangeSet::exchangeVertices(VertexSlot& slot) {
    const Entity& live = d_.entities[slot.entity];
    Entity& kept = records_[slot.record];
    const std::uint64_t liveFirst = firstVertex(d_, live);
    const std::uint64_t liveCount = storedVertices(live);
    if (liveFirst > d_.vertices.size() || liveCount > d_.vertices.size() - liveFirst)
        return;
    std::vector<Vec2>& held = slot.vertices;
    std::uint64_t place = liveFirst;
    if (held.size() == liveCount) {
        std::swap_ranges(held.begin(), held.end(),
                         d_.vertices.begin() + static_cast<std::ptrdiff_t>(liveFirst));
    } else {
        const auto begin = d_.vertices.begin() + static_cast<std::ptrdiff_t>(liveFirst);
        std::vector<Vec2> out(begin, begin + static_cast<std::ptrdiff_t>(liveCount));
        if (held.size() < liveCount) {
            std::copy(held.begin(), held.end(), begin);
            d_.deadVertices += liveCount - held.size();
        } else {
            place = d_.vertices.size();
            d_.vertices.insert(d_.vertices.end(), held.begin(), held.end());
            d_.deadVertices += liveCount;
        }
        held = std::move(out);
    }
    if (kept.type == EntityType::Hatch) {
        HatchData h;
        std::memcpy(&h, bytes_.data() + slot.hatchAt, sizeof h);
        h.firstVertex = place;
        std::memcpy(bytes_.data() + slot.hatchAt, &h, sizeof h);
    } else {
        kept.first = static_cast<std::uint32_t>(place);
    }
}

void ChangeSet::exchange(std::vector<std::uint32_t>* touched) {
    close();
    const bool modified = d_.modified;
    // Vertices first, while the live records still tell where the live ones are.
    for (VertexSlot& v : vertexSlots_)
        exchangeVertices(v);
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
        e.set(EntityFlag::Selected, selected && !e.has(EntityFlag::Deleted));
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
    layers_.exchange(d_.layers);
    lineStyles_.exchange(d_.lineStyles);
    textStyles_.exchange(d_.textStyles);
    printAreas_.exchange(d_.printAreas);
    if (!blocks_.empty()) {
        blocks_.exchange(d_.blocks);
        d_.blocksChanged();
    }
    if (!order_.empty()) {
        order_.exchange(d_.orderKeys);
        d_.orderChanged();
    }
    if (!dimensionStyles_.empty()) {
        dimensionStyles_.exchange(d_.dimensionStyles);
        d_.dimensionsRestyled();
    }
    // What new entities take stays as chosen, as far as the tables still hold it.
    CurrentAttributes& c = d_.current;
    if (c.layer < 0 || static_cast<std::size_t>(c.layer) >= d_.layers.size())
        c.layer = 0;
    if (c.lineStyle < 0 || static_cast<std::size_t>(c.lineStyle) >= d_.lineStyles.size())
        c.lineStyle = 0;
    if (c.textStyle < 0 || static_cast<std::size_t>(c.textStyle) >= d_.textStyles.size())
        c.textStyle = 0;
    if (c.dimensionStyle < 0 ||
        static_cast<std::size_t>(c.dimensionStyle) >= d_.dimensionStyles.size())
        c.dimensionStyle = 0;
    d_.touch();
    ++d_.selectionVersion;
    d_.modified = modified;
    applied_ = !applied_;
}

} // namespace cad
