// One drawing: its layers, styles, blocks and entities, and the settings stored with it.
// Everything here is plain data with the operations that keep it consistent; files, commands
// and views work on it.
#pragma once

#include "engine/model/Dimension.h"
#include "engine/model/DrawOrder.h"
#include "engine/model/Entity.h"
#include "engine/model/Geometry.h"
#include "engine/model/LargeAllocator.h"
#include "engine/model/PrintArea.h"
#include "engine/model/SpatialIndex.h"
#include "engine/model/TieIndex.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cad {

struct Layer {
    std::string name; // Windows-1250 bytes
    std::uint32_t color = 0;
    std::uint32_t fillColor = 0;
    double width = 0; // mm on paper
    bool visible = true;
    bool locked = false;
    bool printable = true;
    friend bool operator==(const Layer&, const Layer&) = default;
};

struct LineStyle {
    std::string name;
    std::string definition;      // as given, see CadApi.h
    std::vector<double> pattern; // parsed: dash > 0, gap < 0, dot 0; empty = continuous
    friend bool operator==(const LineStyle&, const LineStyle&) = default;
};
// The dash pattern of a definition; numbers that do not parse, or are not finite, are left out.
std::vector<double> parseLinePattern(std::string_view definition);

struct TextStyle {
    std::string name;
    std::string font; // family name
    double widthFactor = 1;
    double oblique = 0;
    std::int32_t precision = 5;
    bool filled = true;
    bool systemFont = true;
    friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

struct Block {
    std::string name;
    Vec2 base;
    std::vector<std::uint32_t> entities; // handles of the entities it owns, in order
};

// Settings a drawing keeps with it.
struct DrawingSettings {
    std::uint32_t background = 0xFFFFFF;
    std::int32_t units = 0; // 0 unitless, 1 inch, 2 mm, 3 cm, 4 m
    std::int32_t cursorSize = 5;
    std::uint32_t cursorColor = 0x000000;
    std::int32_t showGrips = 1;
    std::uint32_t gripColor = 0xFF0000;
    bool showLineWidths = false;
    bool showFillOutlinesOnly = false;
    // The grid of the drawing window: steps and origin in drawing units, colour 0x00BBGGRR,
    // kind 0 points, 1 crosses, 2 diagonal crosses, 3 lines, 4 dotted lines, 5 dashed lines.
    bool gridShown = false;
    bool gridSnap = false;
    double gridStepX = 10;
    double gridStepY = 10;
    double gridOriginX = 0;
    double gridOriginY = 0;
    std::uint32_t gridColor = 0xC0C0C0;
    std::int32_t gridKind = 0;
    // The print areas' frame colour, whether they are shown, and the paper, scale and overlap
    // their division and print took last.
    SheetSettings sheets{};
    // The scale 1:N the drawing is printed at: a millimetre of paper shows N millimetres of the
    // drawing. Dimensions take their sizes (millimetres on paper) through it.
    double printScale = 100;
    friend bool operator==(const DrawingSettings&, const DrawingSettings&) = default;
};

// What new entities get.
struct CurrentAttributes {
    std::int32_t layer = 0;
    std::int32_t lineStyle = 0;
    std::int32_t textStyle = 0;
    // Text parameters.
    std::int32_t textAlign = 0;
    double textRotation = 0;
    double textOblique = 0;
    double textHeight = 2.5;
    // The dimension style of new dimensions.
    std::int32_t dimensionStyle = 0;
};

// Hashes and compares text parameters by their bytes.
struct TextParamsHash {
    std::size_t operator()(const TextParams& p) const;
    bool operator()(const TextParams& a, const TextParams& b) const { return same(a, b); }
    static bool same(const TextParams& a, const TextParams& b);
};

class Drawing {
public:
    Drawing(); // layer "0", continuous line style 0, default text style 0

    // A drawing of the same content (tables, entities, settings, state) and nothing derived
    // from it, such as the index: what is written of it to a file is what would be written of
    // this one. Taken to be written elsewhere while this one goes on changing.
    std::unique_ptr<Drawing> contentCopy() const;

    // ---- tables; indexes are handles.
    std::vector<Layer> layers;
    std::vector<LineStyle> lineStyles;
    std::vector<TextStyle> textStyles;
    std::vector<Block> blocks;
    // The print areas (engine/model/PrintArea.h), in the order they are printed and numbered:
    // not entities, drawn over the drawing by the window only.
    std::vector<PrintArea> printAreas;
    std::vector<DimensionStyle> dimensionStyles; // one at least
    DrawingSettings settings;
    CurrentAttributes current;

    int findLayer(std::string_view name, int from = 0) const;
    int findLineStyle(std::string_view name, int from = 0) const;
    int findTextStyle(std::string_view name, int from = 0) const;
    int findBlock(std::string_view name) const;

    // ---- entities. Handles index `entities` and stay valid: a deleted entity keeps its slot.
    std::vector<Entity, LargeAllocator<Entity>> entities;
    std::vector<Vec2, LargeAllocator<Vec2>> vertices; // of polylines, splines and hatches
    std::vector<PointData> points;
    std::vector<LineData> lines;
    std::vector<CircleData> circles;
    std::vector<ArcData> arcs;
    std::vector<ArcData> sectors;
    std::vector<EllipseData> ellipses;
    std::vector<RectangleData> rectangles;
    std::vector<InsertData> inserts;
    std::vector<TextData, LargeAllocator<TextData>> texts;
    std::vector<HatchData> hatches;
    std::vector<ImageData> images;
    std::vector<DimensionRecord, LargeAllocator<DimensionRecord>> dimensions;
    // The bytes of texts, hatch pattern names and image paths, one after the other.
    std::vector<char, LargeAllocator<char>> chars;
    // The different looks of texts, each once.
    std::vector<TextParams> textParams;
    // Vertex counts of hatch boundary loops.
    std::vector<std::uint32_t> hatchLoops;
    // Own colours and widths by handle; empty until some entity has its own, then as long as
    // `entities`.
    std::vector<OwnStyle, LargeAllocator<OwnStyle>> ownStyles;

    bool valid(int handle) const {
        return handle >= 0 && static_cast<std::size_t>(handle) < entities.size() &&
               !entities[static_cast<std::size_t>(handle)].has(EntityFlag::Deleted);
    }
    // A live entity of the drawing itself (not of a block).
    bool inModelSpace(int handle) const {
        return valid(handle) &&
               !entities[static_cast<std::size_t>(handle)].has(EntityFlag::InBlock);
    }
    // The block an entity belongs to, or kModelSpace.
    int ownerOf(int handle) const;

    // New entities with the current attributes. Each returns the new handle.
    int addPolyline(const Vec2* first, std::size_t count, bool closed, std::uint8_t fit = 0);
    // A polyline of straight and arc segments: `bulges` holds one for each vertex (the segment
    // that leaves it); without any arc it is a plain polyline. Bulges that are not finite are
    // straight segments.
    int addPolyline(const Vec2* first, std::size_t count, const double* bulges, bool closed);
    int addPoint(const PointData& d);
    int addLine(const LineData& d);
    int addCircle(const CircleData& d);
    int addArc(const ArcData& d);
    int addEllipse(const EllipseData& d);
    int addRectangle(const RectangleData& d);
    int addInsert(const InsertData& d);
    int addText(const TextSpec& t);
    int addHatch(const Vec2* first, std::size_t count, const HatchSpec& h);
    // The same over vertices already at the end of `vertices`, from firstVertex on.
    int addPolylineAt(std::uint64_t firstVertex, bool closed, std::uint8_t fit = 0);
    int addHatchAt(std::uint64_t firstVertex, const HatchSpec& h);
    int addSplineAt(std::uint64_t firstVertex, bool closed);
    int addImage(const ImageSpec& d);
    // A smooth curve through fit points, and an arc closed through its centre.
    int addSpline(const Vec2* fitPoints, std::size_t count, bool closed);
    int addSector(const ArcData& d);
    // A dimension (its own text pooled); the points given ties as listed (none when empty).
    int addDimension(const DimensionData& d, std::span<const PointTie> ties = {});
    // A copy of a live entity (of the drawing itself or of a block) as a new entity of the
    // drawing itself with the same record and own style; its handle.
    int duplicate(int handle);

    // Vertices of the store that no entity uses any longer (replaced by a longer or shorter
    // list); the store is rebuilt without them once they are a large enough share of it.
    std::uint64_t deadVertices = 0;
    void reclaimVertices();

    // Vertices of a polyline or hatch, fit points of a spline.
    const Vec2* vertexData(const Entity& e) const {
        return vertices.data() +
               (e.type == EntityType::Hatch ? hatches[e.first].firstVertex : e.first);
    }
    // The bulges of a polyline's segments (0 for each of one without arcs).
    BulgeView bulgesOf(const Entity& e) const {
        if (e.type != EntityType::Polyline || !e.has(EntityFlag::Bulges))
            return {};
        return {vertices.data() + e.first + e.count, e.count};
    }

    // ---- the pooled parts of texts, hatches and images
    PooledText pool(std::string_view bytes);
    std::string_view pooled(PooledText t) const {
        return t.size == 0 ? std::string_view() : std::string_view(chars.data() + t.offset, t.size);
    }
    // The string of a text entity.
    std::string_view textOf(const Entity& e) const {
        return pooled({texts[e.first].chars, e.count});
    }
    const TextParams& paramsOf(const TextData& t) const { return textParams[t.params]; }
    // The index of a set of text parameters, added when new.
    std::uint32_t internParams(const TextParams& p);
    std::span<const std::uint32_t> loopsOf(const HatchData& h) const {
        return {hatchLoops.data() + h.firstLoop, h.loopCount};
    }
    // A text's parameters, for code that builds or changes one.
    TextSpec textSpec(const Entity& e) const;
    // A dimension's data, with its own text.
    DimensionData dimensionOf(const Entity& e) const {
        const DimensionRecord& r = dimensions[e.first];
        return dimensionData(r, pooled(r.text));
    }

    // ---- own colour and width
    OwnStyle ownStyle(std::size_t handle) const {
        return handle < ownStyles.size() ? ownStyles[handle] : OwnStyle{};
    }
    void setOwnStyle(std::size_t handle, const OwnStyle& s);
    std::uint32_t colorOf(std::size_t handle, const Entity& e) const;
    double widthOf(std::size_t handle, const Entity& e) const;

    // The entities created from `firstHandle` on, in model space, become the block `name`
    // with that base point (a block of that name is replaced). Its index, or -1 when there
    // were none or when they insert the block they would replace.
    int makeBlock(std::string_view name, Vec2 base, std::size_t firstHandle);
    // The same for the given entities (those of the drawing itself among them).
    int makeBlock(std::string_view name, Vec2 base, std::vector<std::uint32_t> handles);
    // True when inserting block `inner` into block `outer` (or into the drawing for
    // kModelSpace) would make a block contain itself.
    bool wouldRecurse(int outer, int inner) const;
    // True when some block contains itself, directly or through others.
    bool hasRecursiveBlock() const;

    // ---- geometry
    Rect entityExtents(int handle) const { return entityExtents(handle, 0); } // empty if invalid
    Rect extents() const;               // of model space; empty when there is nothing
    Rect blockExtents(int block) const; // in block coordinates

    // ---- where entities lie
    // The index, brought up to date by its queries.
    SpatialIndex& index() const { return index_; }
    // The drawing's own live entities whose boxes meet `area`, in drawing order.
    void query(const Rect& area, std::vector<std::uint32_t>& out) const {
        index_.query(*this, area, out);
    }
    // The live dimensions tied to an entity, added to `out`.
    void tiedDimensions(std::uint32_t handle, std::vector<std::uint32_t>& out) const {
        ties_.tiedTo(*this, handle, out);
    }

    // ---- draw order (see DrawOrder.h)
    // Order keys by handle: empty while entities are drawn in handle order. Changed through a
    // writer (DrawingWriter::setOrderKey), which tells the drawing; whoever fills them
    // otherwise (a file being read) calls orderChanged().
    std::vector<std::int64_t> orderKeys;
    // The order the keys give, sorted anew after they changed.
    const DrawOrder& drawOrder() const {
        if (orderBuilt_ != orderVersion_ || orderSize_ != orderKeys.size()) {
            order_.build(orderKeys);
            orderBuilt_ = orderVersion_;
            orderSize_ = orderKeys.size();
        }
        return order_;
    }
    void orderChanged() {
        ++orderVersion_;
        touch();
    }

    // ---- selection
    int selectAll(bool select);
    int selectedCount() const;
    Rect selectionExtents() const;
    // Selects or deselects one entity of the drawing itself; false when there is no such one.
    bool select(int handle, bool on);
    // Counts changes of the selection, for views that draw it.
    std::uint64_t selectionVersion = 0;

    // ---- state of the document
    std::uint64_t serial = nextSerial(); // tells drawings apart for caches
    // Changed since the last save by something the document's undo journal does not hold.
    bool modified = false;
    // Counts changes of anything drawn, for views that keep derived pictures.
    std::uint64_t version = 0;
    // Counts changes of block definitions, which move every insertion of them.
    std::uint64_t edits = 0;
    // Something drawn changed: a table entry (layer, style), a setting.
    void touch() {
        modified = true;
        ++version;
    }
    // An entity's record, geometry or own style changed, or it was deleted or revived.
    void changed(std::uint32_t handle) {
        modified = true;
        ++version;
        if (handle < entities.size() && entities[handle].type == EntityType::Dimension)
            ties_.changed(handle);
        if (handle < entities.size() && entities[handle].has(EntityFlag::InBlock)) {
            blocksChanged();
            return;
        }
        index_.changed(handle);
    }
    // Block definitions changed.
    void blocksChanged() {
        modified = true;
        ++version;
        ++edits;
        index_.invalidate();
    }
    // Dimension styles or the print scale changed: every dimension's size may have.
    void dimensionsRestyled() {
        touch();
        index_.invalidate();
    }

private:
    // Drawings are also made on other threads (copies written in the background).
    static std::uint64_t nextSerial() {
        static std::atomic<std::uint64_t> counter{0};
        return ++counter;
    }
    int addRecord(EntityType type, std::uint64_t first, std::uint32_t count = 0);
    Rect entityExtents(int handle, int depth) const;
    Rect blockExtents(int block, int depth) const;
    // Extents of each block, worked out once until the next edit: nested insertions would
    // otherwise cost the product of their counts.
    mutable std::vector<Rect> blockExtents_;
    mutable std::vector<char> blockExtentsKnown_;
    mutable std::uint64_t blockExtentsEdits_ = ~std::uint64_t(0);
    mutable SpatialIndex index_;
    // The draw order as last sorted, and for which keys.
    mutable DrawOrder order_;
    std::uint64_t orderVersion_ = 0;
    mutable std::uint64_t orderBuilt_ = ~std::uint64_t(0);
    mutable std::size_t orderSize_ = 0;
    mutable TieIndex ties_;
    // Where each set of text parameters is, made again when it no longer fits the table.
    std::unordered_map<TextParams, std::uint32_t, TextParamsHash, TextParamsHash> paramsIndex_;
    std::size_t paramsIndexed_ = 0; // entries of textParams the index has seen
    std::uint32_t lastParams_ = 0;  // the set looked for last
};

inline BulgeView bulgesOf(const Drawing& d, const Entity& e) {
    return d.bulgesOf(e);
}

// Walks the drawing's model-space entities (requests first / next); -1 at the end.
class EntityWalk {
public:
    int first(const Drawing& d);
    int next(const Drawing& d);

private:
    std::int64_t position_ = -1;
};

} // namespace cad
