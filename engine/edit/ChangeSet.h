// One change of a drawing as the undo journal keeps it: what every entity it touched looked
// like before (its record, and where asked its geometry and own style), the entities it added,
// and the tables it changed. Exchanging the kept state with the live one takes the change back;
// exchanging again makes it anew, so undo and redo are one routine. Handles never change.
#pragma once

#include "engine/model/Drawing.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace cad {

// What a change set keeps of an entity before a change: its record alone (layer, line style,
// flags, deletion), or with its geometry and own style as well.
enum class Keep { Record, Everything };

class ChangeSet {
public:
    // Begins recording changes of the drawing; entities added from now on belong to the set.
    explicit ChangeSet(Drawing& drawing);
    ChangeSet(const ChangeSet&) = delete;
    ChangeSet& operator=(const ChangeSet&) = delete;

    Drawing& drawing() const { return d_; }

    // To be called before an entity changes. Once per entity per set; entities the set added
    // need nothing.
    void keep(std::uint32_t handle, Keep what = Keep::Record);
    // To be called before a table changes.
    void keepLayers();
    void keepLineStyles();
    void keepTextStyles();
    void keepBlocks();
    void keepSettings(); // the drawing's settings and current attributes

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
    // Whether it changes a table (layers, styles, blocks, settings).
    bool changesTables() const {
        return layers_ || lineStyles_ || textStyles_ || blocks_ || settings_;
    }

    // Exchanges the kept state with the live one: takes the change back when it is in the
    // drawing, makes it anew when it was taken back. The handles of the entities whose state
    // changed are added to `touched`. The drawing's untracked-changes mark stays as it was.
    void exchange(std::vector<std::uint32_t>* touched = nullptr);
    // True while the change is in the drawing.
    bool applied() const { return applied_; }

private:
    // A piece of a table kept byte for byte.
    enum class Table : std::uint8_t {
        Vertices,
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
        OwnStyle,
    };
    struct Slot {
        Table table;
        std::uint32_t entity; // handle (own styles)
        std::uint64_t index;  // first element
        std::uint64_t count;  // elements
        std::uint64_t at;     // offset in bytes_
    };
    void keepSlot(Table table, std::uint32_t handle, std::uint64_t index, std::uint64_t count);
    void keepGeometry(std::uint32_t handle, const Entity& e);
    std::byte* live(const Slot& s, std::size_t& size);

    Drawing& d_;
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

    std::optional<std::vector<Layer>> layers_;
    std::optional<std::vector<LineStyle>> lineStyles_;
    std::optional<std::vector<TextStyle>> textStyles_;
    std::optional<std::vector<Block>> blocks_;
    std::optional<std::pair<DrawingSettings, CurrentAttributes>> settings_;
};

} // namespace cad
