// Every change of a drawing's content goes through a writer. A document hands its drawing out
// only for reading; it is written through the change set of an Edit (engine/edit/Edit.h), which
// keeps whatever it hands out for changing before it hands it out, so that no change can miss
// its place in the undo journal. A drawing that no document holds (a file being read, a preview,
// the clipboard's drawing) is written through a ScratchWriter, which keeps nothing.
#pragma once

#include "engine/model/Drawing.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace cad {

// What is kept of an entity before it changes: its record alone (layer, line style, flags,
// deletion), or with its geometry and own style as well.
enum class Keep { Record, Everything };

// The tables whose entries a writer hands out one by one.
enum class TableId : std::uint8_t {
    Layers,
    LineStyles,
    TextStyles,
    Blocks,
    PrintAreas,
    DrawOrder,
    DimensionStyles
};

// One entity open for change: everything of it was kept before this was handed out.
class EntityChange {
public:
    std::uint32_t handle() const { return h_; }
    const Drawing& drawing() const { return d_; }
    const Entity& entity() const { return d_.entities[h_]; }
    EntityType type() const { return entity().type; }
    Entity& record() { return d_.entities[h_]; }

    // The geometry record of its kind (the accessor of another kind is a fault of the caller).
    PointData& point();
    LineData& line();
    CircleData& circle();
    ArcData& arc(); // arcs and sectors
    EllipseData& ellipse();
    RectangleData& rectangle();
    InsertData& insert();
    TextData& text();
    HatchData& hatch();
    ImageData& image();
    DimensionRecord& dimension();
    // The same by the record's type.
    template <typename Data> Data& geometry();

    // The vertices of a polyline or hatch boundary, the fit points of a spline.
    std::span<Vec2> vertices();
    // Gives a polyline or spline (or a hatch, keeping its loops) these vertices. A different
    // number of them takes a new place in the vertex store; the old one is left for the store
    // to reclaim. A polyline given as many as it has keeps its bulges; given another number,
    // it becomes one of straight segments.
    void setVertices(std::span<const Vec2> vertices);
    // The bulges of a polyline's segments, to change in place (none for one without arcs).
    BulgeRef bulges();
    // Gives a polyline these vertices and the bulges of their segments (one for each vertex;
    // empty: all straight): one without arcs keeps no bulges.
    void setPolyline(std::span<const Vec2> vertices, std::span<const double> bulges);
    // A text's string and look.
    void setText(std::string_view bytes);
    void setTextParams(const TextParams& params);
    // A dimension's own text (empty: the measured value).
    void setDimensionText(std::string_view bytes);
    // Bytes for the entity's pooled strings (a hatch's pattern name, an image's path).
    PooledText pool(std::string_view bytes) { return d_.pool(bytes); }
    void setOwnStyle(const OwnStyle& style) { d_.setOwnStyle(h_, style); }

private:
    friend class DrawingWriter;
    EntityChange(Drawing& d, std::uint32_t h) : d_(d), h_(h) {}
    Drawing& d_;
    std::uint32_t h_;
};

template <> inline PointData& EntityChange::geometry<PointData>() {
    return point();
}
template <> inline LineData& EntityChange::geometry<LineData>() {
    return line();
}
template <> inline CircleData& EntityChange::geometry<CircleData>() {
    return circle();
}
template <> inline ArcData& EntityChange::geometry<ArcData>() {
    return arc();
}
template <> inline EllipseData& EntityChange::geometry<EllipseData>() {
    return ellipse();
}
template <> inline RectangleData& EntityChange::geometry<RectangleData>() {
    return rectangle();
}
template <> inline InsertData& EntityChange::geometry<InsertData>() {
    return insert();
}
template <> inline TextData& EntityChange::geometry<TextData>() {
    return text();
}
template <> inline HatchData& EntityChange::geometry<HatchData>() {
    return hatch();
}
template <> inline ImageData& EntityChange::geometry<ImageData>() {
    return image();
}
template <> inline DimensionRecord& EntityChange::geometry<DimensionRecord>() {
    return dimension();
}

class DrawingWriter {
public:
    DrawingWriter(const DrawingWriter&) = delete;
    DrawingWriter& operator=(const DrawingWriter&) = delete;
    virtual ~DrawingWriter() = default;

    const Drawing& drawing() const { return d_; }

    // ---- entities that exist: what is handed out was kept first
    // The record of an entity (layer, line style, flags).
    Entity& record(std::uint32_t handle);
    // Everything of an entity.
    EntityChange change(std::uint32_t handle);
    // Erases an entity (it keeps its handle and can come back with the change taken back).
    void erase(std::uint32_t handle);
    // A whole block-to-be: the entities from `firstHandle` on that are the drawing's own become
    // the block `name` (one of that name is replaced); see Drawing::makeBlock.
    int makeBlock(std::string_view name, Vec2 base, std::size_t firstHandle);
    // The same for the given entities: the one routine that makes blocks of entities.
    int makeBlock(std::string_view name, Vec2 base, std::vector<std::uint32_t> handles);

    // ---- new entities, with the drawing's current attributes; each returns its handle
    int addPoint(const PointData& d) { return d_.addPoint(d); }
    int addLine(const LineData& d) { return d_.addLine(d); }
    int addCircle(const CircleData& d) { return d_.addCircle(d); }
    int addArc(const ArcData& d) { return d_.addArc(d); }
    int addSector(const ArcData& d) { return d_.addSector(d); }
    int addEllipse(const EllipseData& d) { return d_.addEllipse(d); }
    int addRectangle(const RectangleData& d) { return d_.addRectangle(d); }
    int addInsert(const InsertData& d) { return d_.addInsert(d); }
    int addText(const TextSpec& t) { return d_.addText(t); }
    int addImage(const ImageSpec& i) { return d_.addImage(i); }
    int addPolyline(std::span<const Vec2> v, bool closed, std::uint8_t fit = 0) {
        return d_.addPolyline(v.data(), v.size(), closed, fit);
    }
    // With the bulge of each vertex's segment (as many as vertices).
    int addPolyline(std::span<const Vec2> v, std::span<const double> bulges, bool closed) {
        return d_.addPolyline(v.data(), v.size(),
                              bulges.size() >= v.size() ? bulges.data() : nullptr, closed);
    }
    int addSpline(std::span<const Vec2> fitPoints, bool closed) {
        return d_.addSpline(fitPoints.data(), fitPoints.size(), closed);
    }
    int addHatch(std::span<const Vec2> v, const HatchSpec& h) {
        return d_.addHatch(v.data(), v.size(), h);
    }
    int addDimension(const DimensionData& d, std::span<const PointTie> ties = {}) {
        return d_.addDimension(d, ties);
    }
    int duplicate(int handle) { return d_.duplicate(handle); }
    PooledText pool(std::string_view bytes) { return d_.pool(bytes); }
    std::uint32_t internParams(const TextParams& p) { return d_.internParams(p); }

    // ---- tables, entry by entry
    Layer& layer(std::size_t index);
    int addLayer(Layer layer);
    // Makes the table these entries (for the dialogs that edit it whole); entries that stay as
    // they were are not kept.
    void setLayers(std::vector<Layer> layers);
    LineStyle& lineStyle(std::size_t index);
    int addLineStyle(LineStyle style);
    TextStyle& textStyle(std::size_t index);
    int addTextStyle(TextStyle style);
    Block& block(std::size_t index);
    int addBlock(Block block);
    // The print areas: not entities, and drawn over the drawing only, so a change of them
    // leaves the drawing's picture as it is.
    PrintArea& printArea(std::size_t index);
    int addPrintArea(const PrintArea& area);
    void setPrintAreas(std::vector<PrintArea> areas);

    // ---- draw order (see DrawOrder.h)
    // Gives an entity the order key `key`. The keys are made as long as the entities first,
    // each entity keeping its place; the entity's record is kept too, so that taking the
    // change back shows it again where it was.
    void setOrderKey(std::uint32_t handle, std::int64_t key);
    void setOrderKeys(const OrderKeys& keys) {
        for (const auto& [h, key] : keys)
            setOrderKey(h, key);
    }

    // Dimension styles: a change of one resizes every dimension drawn in it.
    DimensionStyle& dimensionStyle(std::size_t index);
    int addDimensionStyle(DimensionStyle style);
    void setDimensionStyles(std::vector<DimensionStyle> styles);

    // The attributes new entities take; not part of what the journal keeps.
    CurrentAttributes& current() { return d_.current; }

protected:
    explicit DrawingWriter(Drawing& d) : d_(d) {}
    // Called before an entity or a table entry changes (index == kTableSize: before the table
    // grows or shrinks).
    virtual void keepEntity(std::uint32_t handle, Keep what) = 0;
    static constexpr std::size_t kTableSize = static_cast<std::size_t>(-1);
    virtual void keepEntry(TableId table, std::size_t index) = 0;

    Drawing& d_;
};

// Writes into a drawing that no document holds: nothing is kept.
class ScratchWriter final : public DrawingWriter {
public:
    explicit ScratchWriter(Drawing& d) : DrawingWriter(d) {}
    Drawing& drawing() { return d_; }

private:
    void keepEntity(std::uint32_t, Keep) override {}
    void keepEntry(TableId, std::size_t) override {}
};

} // namespace cad
