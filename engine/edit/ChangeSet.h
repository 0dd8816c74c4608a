// One change of a drawing as the undo journal keeps it: what every entity it touched looked
// like before (its record, and where asked its geometry and own style), the entities it added,
// and the table entries it changed. It is the writer of the change: whatever it hands out for
// changing it has kept first. Exchanging the kept state with the live one takes the change back;
// exchanging again makes it anew, so undo and redo are one routine. Handles never change.
#pragma once

#include "engine/edit/DrawingWriter.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace cad {

// The entries of one table a change set keeps: the table's size before the change, and the
// entries it changed or took away, each as it was.
template <typename T> class TableLog {
public:
    bool empty() const { return !size_; }
    // Before entry i changes (i == npos: before the table grows or shrinks).
    void keep(const std::vector<T>& live, std::size_t i) {
        if (!size_)
            size_ = live.size();
        if (i >= *size_ || i >= live.size())
            return;
        if (seen_.size() <= i)
            seen_.resize(std::max(i + 1, seen_.size() * 2), 0);
        if (seen_[i])
            return;
        seen_[i] = 1;
        entries_.emplace_back(i, live[i]);
    }
    // Exchanges the kept entries with the live ones.
    void exchange(std::vector<T>& live) {
        if (!size_)
            return;
        std::vector<std::pair<std::size_t, T>> out;
        for (auto& [i, value] : entries_)
            if (i < live.size())
                out.emplace_back(i, std::move(live[i]));
        for (std::size_t i = *size_; i < live.size(); ++i)
            out.emplace_back(i, std::move(live[i]));
        const std::size_t liveSize = live.size();
        live.resize(*size_);
        for (auto& [i, value] : entries_)
            live[i] = std::move(value);
        entries_ = std::move(out);
        size_ = liveSize;
        seen_.clear();
        seen_.shrink_to_fit();
    }
    std::size_t bytes(std::size_t perEntry) const {
        return entries_.size() * (sizeof(std::pair<std::size_t, T>) + perEntry) + seen_.size();
    }
    const std::vector<std::pair<std::size_t, T>>& entries() const { return entries_; }

private:
    std::optional<std::size_t> size_;
    std::vector<std::pair<std::size_t, T>> entries_;
    std::vector<char> seen_; // entries kept, by index, while recording
};

class ChangeSet final : public DrawingWriter {
public:
    // Begins recording changes of the drawing; entities added from now on belong to the set.
    explicit ChangeSet(Drawing& drawing);

    // Keeps an entity as it is now, for a change to come. Once per entity per set; entities
    // the set added need nothing. (The writer's accessors do this themselves.)
    void keep(std::uint32_t handle, Keep what = Keep::Record);

    // Ends recording: the entities added so far are the set's.
    void close();
    bool closed() const { return closed_; }
    // Nothing kept and nothing added.
    bool empty() const;
    // Memory the set holds, in bytes.
    std::size_t bytes() const;
    // The entities the set added (after close; so far, before).
    std::uint32_t addedFrom() const { return addedFrom_; }
    std::uint32_t addedTo() const;
    // The entities whose records the set keeps.
    const std::vector<std::uint32_t>& kept() const { return handles_; }
    // Whether it changes a table (layers, styles, blocks, print areas).
    bool changesTables() const { return changesDrawnTables() || changesPrintAreas(); }
    // Whether it changes a table the drawing's picture shows (all but the print areas).
    bool changesDrawnTables() const {
        return !layers_.empty() || !lineStyles_.empty() || !textStyles_.empty() ||
               !blocks_.empty() || !dimensionStyles_.empty();
    }
    bool changesPrintAreas() const { return !printAreas_.empty(); }
    bool changesBlocks() const { return !blocks_.empty(); }
    // Whether it changes the order entities are drawn in.
    bool changesOrder() const { return !order_.empty(); }

    // Exchanges the kept state with the live one: takes the change back when it is in the
    // drawing, makes it anew when it was taken back. The handles of the entities whose state
    // changed are added to `touched`. The drawing's untracked-changes mark stays as it was.
    void exchange(std::vector<std::uint32_t>* touched = nullptr);
    // True while the change is in the drawing.
    bool applied() const { return applied_; }

private:
    void keepEntity(std::uint32_t handle, Keep what) override { keep(handle, what); }
    void keepEntry(TableId table, std::size_t index) override;

    // A piece of a geometry table kept byte for byte.
    enum class Table : std::uint8_t {
        Points,
        Lines,
        Circles,
        Arcs,
        Sectors,
        Ellipses,
        Rectangles,
        Inserts,
        Texts,
        Hatches,
        Images,
        Dimensions,
        OwnStyle,
    };
    struct Slot {
        Table table;
        std::uint32_t entity; // handle
        std::uint64_t index;  // element of the table
        std::uint64_t at;     // offset in bytes_
    };
    // The vertices of an entity, kept by value: where they lie in the drawing's store is
    // decided when they are given back.
    struct VertexSlot {
        std::uint32_t entity;
        std::uint32_t record;  // position of the entity's kept record in records_
        std::uint64_t hatchAt; // a hatch's kept HatchData in bytes_ (else unused)
        std::vector<Vec2> vertices;
    };
    void keepSlot(Table table, std::uint32_t handle, std::uint64_t index);
    void keepGeometry(std::uint32_t handle, const Entity& e);
    std::byte* live(const Slot& s, std::size_t& size);
    void exchangeVertices(VertexSlot& slot);

    bool closed_ = false;
    bool applied_ = true;
    bool modifiedBefore_;
    std::uint32_t addedFrom_;
    std::uint32_t addedTo_ = 0;
    std::vector<std::uint32_t> deadAtClose_; // added entities already deleted when closed

    std::vector<std::uint32_t> handles_;   // kept entities
    std::vector<Entity> records_;          // their records, by position in handles_
    std::vector<std::uint64_t> recorded_;  // a bit by handle: record kept
    std::vector<std::uint64_t> geometric_; // a bit by handle: geometry kept
    std::vector<Slot> slots_;
    std::vector<std::byte> bytes_;
    std::vector<VertexSlot> vertexSlots_;

    TableLog<Layer> layers_;
    TableLog<LineStyle> lineStyles_;
    TableLog<TextStyle> textStyles_;
    TableLog<Block> blocks_;
    TableLog<PrintArea> printAreas_;
    TableLog<std::int64_t> order_; // the drawing's order keys
    TableLog<DimensionStyle> dimensionStyles_;
};

} // namespace cad
