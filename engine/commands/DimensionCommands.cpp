// The dimensioning commands: horizontal, vertical and parallel dimensions of two points, the angle
// between two lines or at a vertex, the radius and diameter of a circle or arc, ordinates of a
// point; and the dimension-style dialog. A point picked with a snap on an entity stays tied to
// it (the dimension follows it, see engine/edit/FollowTies.h). The dimension follows the cursor
// until its text point is picked; Esc steps back one point; each dimension is one step of the
// document's history, on the active layer, in the current dimension style.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/DrawSupport.h"
#include "engine/edit/DrawingWriter.h"
#include "engine/edit/Edit.h"
#include "engine/model/DimensionEntity.h"
#include "engine/model/EntityCurves.h"
#include "engine/model/Measure.h"
#include "engine/model/Picking.h"
#include "engine/model/PointTies.h"
#include "engine/model/PolylineArc.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/DimensionStyleDialog.h"
#include "engine/ui/Printing.h"
#include "engine/view/DrawingWindow.h"

#include <QApplication>
#include <QPainter>

#include <cmath>
#include <limits>

namespace cad {

namespace {

// Prompts.
constexpr int kFirstDimPoint = 19319, kSecondDimPoint = 19320, kTextPoint = 19321,
              kOrdinatePoint = 19322, kOrdinateXText = 19323, kOrdinateYText = 19324,
              kSelectCircle = 19333, kFirstObject = 19371, kSecondObject = 19335,
              kVertexPoint = 19370, kNoArcHere = 19372;
// Short names of the kinds.
constexpr int kHorizontalName = 19219, kVerticalName = 19220, kParallelName = 19221,
              kAngularName = 19222, kRadialName = 19223, kDiametricName = 19224,
              kOrdinateName = 19225;

// A picked point and the entity point it is tied to (none: not tied).
struct Picked {
    Vec2 p;
    PointTie tie;
};

Picked pickedOf(const SnapResult& s) {
    return {s.point, s.on.value_or(PointTie{})};
}

using Ties = std::array<PointTie, kMostDimensionPoints>;

// What the dimension commands share: the current style, the preview that follows the cursor and
// the step that adds a dimension.
class DimensionCommand : public Command {
public:
    DimensionCommand(Document& d, int name) : Command(d), name_(name) {}
    int name() const override { return name_; }
    void start(CommandHost& host) override {
        host_ = &host;
        restart();
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    void backspace() override { back(); }
    void paint(QPainter& p) override {
        if (!cursor_)
            return;
        const auto d = shaped(*cursor_);
        if (!d)
            return;
        PreviewDrawing preview(document().drawing());
        ScratchWriter(preview.drawing()).addDimension(*d);
        preview.paint(p, host_->view());
    }

protected:
    // The first prompt and no points.
    virtual void restart() = 0;
    // The dimension the points picked so far make with the cursor as its text point; nothing
    // while they make none.
    virtual std::optional<DimensionData> shaped(Vec2 cursor) const = 0;

    // A dimension of the points, in the current style, as one step.
    void add(DimensionData d, const Ties& ties) {
        d.style = currentStyle();
        Edit edit(document());
        const int h = edit.changes().addDimension(d, ties);
        const Rect area = edit.drawing().entityExtents(h);
        edit.commit();
        host_->redrawArea(area);
    }
    // The style new dimensions take.
    int currentStyle() const {
        const Drawing& dr = document().drawing();
        const int style = dr.current.dimensionStyle;
        return style >= 0 && static_cast<std::size_t>(style) < dr.dimensionStyles.size() ? style
                                                                                         : 0;
    }
    // The entity picked at p among those `takes` takes; -1 for none.
    int pickAt(Vec2 p, const std::function<bool(const Entity&)>& takes) const {
        const Drawing& dr = document().drawing();
        const double reach = DrawingWindow::kPickPixels * host_->pixelSize();
        return nearestEntity(dr, p, reach, [&](int h) {
            if (!takes(dr.entities[static_cast<std::size_t>(h)]))
                return std::numeric_limits<double>::infinity();
            return distanceToEntity(dr, h, p).value_or(std::numeric_limits<double>::infinity());
        });
    }

    CommandHost* host_ = nullptr;
    std::optional<Vec2> cursor_;

private:
    int name_;
};

// Horizontal, vertical and parallel: two points, then the point the dimension line passes
// through.
class LinearDimension final : public DimensionCommand {
public:
    LinearDimension(Document& d, DimensionKind kind)
        : DimensionCommand(d, kind == DimensionKind::Horizontal ? kHorizontalName
                              : kind == DimensionKind::Vertical ? kVerticalName
                                                                : kParallelName),
          kind_(kind) {}

    void pointFound(const SnapResult& found) override {
        Picked picked = pickedOf(found);
        // A perpendicular runs from the point picked before it (the first from the second).
        if (picked.tie.kind == TieKind::Perpendicular)
            picked.tie.from = points_.empty() ? 1 : 0;
        if (points_.size() < 2) {
            points_.push_back(picked);
            host_->prompt(points_.size() == 1 ? kSecondDimPoint : kTextPoint);
            return;
        }
        if (const auto d = shaped(picked.p)) {
            Ties ties;
            ties[0] = points_[0].tie;
            ties[1] = points_[1].tie;
            add(*d, ties);
        }
        restart();
    }
    bool back() override {
        if (points_.empty())
            return false;
        points_.pop_back();
        host_->prompt(points_.empty() ? kFirstDimPoint : kSecondDimPoint);
        return true;
    }
    std::optional<Vec2> basePoint() const override {
        return points_.size() == 1 ? std::optional<Vec2>(points_[0].p) : std::nullopt;
    }

private:
    void restart() override {
        points_.clear();
        host_->prompt(kFirstDimPoint);
    }
    std::optional<DimensionData> shaped(Vec2 cursor) const override {
        if (points_.size() < 2)
            return std::nullopt;
        DimensionData d;
        d.kind = kind_;
        d.style = currentStyle();
        d.points[DimPoint::FirstOrigin] = points_[0].p;
        d.points[DimPoint::SecondOrigin] = points_[1].p;
        d.points[DimPoint::LinePoint] = cursor;
        return d;
    }

    DimensionKind kind_;
    std::vector<Picked> points_;
};

// The radius or diameter of a circle or arc picked, then the text point: the dimension points
// toward it.
class CircleDimension final : public DimensionCommand {
public:
    CircleDimension(Document& d, bool diameter)
        : DimensionCommand(d, diameter ? kDiametricName : kRadialName), diameter_(diameter) {}

    void point(Vec2 p) override {
        const Drawing& dr = document().drawing();
        if (circle_ < 0) {
            // A circle, an arc, or a polyline where it follows an arc (an arc segment, or a
            // plotter's run of short segments).
            circle_ = pickAt(p, [&](const Entity& e) {
                return e.type == EntityType::Circle || e.type == EntityType::Arc ||
                       e.type == EntityType::Polyline;
            });
            if (circle_ >= 0 &&
                dr.entities[static_cast<std::size_t>(circle_)].type == EntityType::Polyline) {
                const Path path = polylinePath(dr, dr.entities[static_cast<std::size_t>(circle_)]);
                segment_ = static_cast<std::uint32_t>(closestPosition(path, p).segment);
                arc_ = followedArcAt(path, segment_);
                if (!arc_) {
                    circle_ = -1;
                    engine().notice(engine().text(kNoArcHere));
                    return;
                }
            }
            if (circle_ >= 0)
                host_->prompt(kTextPoint);
            return; // missed: the person tries again
        }
        if (const auto d = shaped(p)) {
            Ties ties;
            const auto h = static_cast<std::uint32_t>(circle_);
            if (arc_) {
                if (const auto t =
                        polylineArcTies(dr, h, segment_, d->points[DimPoint::ChordPoint]))
                    std::tie(ties[DimPoint::Centre], ties[DimPoint::ChordPoint]) = *t;
            } else {
                ties[DimPoint::Centre] = {h, kNoEntity, 0, TieKind::Centre};
                ties[DimPoint::ChordPoint] = circleTie(dr, h, p).value_or(PointTie{});
            }
            add(*d, ties);
        }
        restart();
    }
    bool back() override {
        if (circle_ < 0)
            return false;
        restart();
        return true;
    }
    bool tablesChanged() override {
        if (circle_ >= 0 && !document().drawing().valid(circle_))
            restart();
        return true;
    }

private:
    void restart() override {
        circle_ = -1;
        arc_.reset();
        host_->prompt(kSelectCircle);
    }
    std::optional<DimensionData> shaped(Vec2 cursor) const override {
        const Drawing& dr = document().drawing();
        if (circle_ < 0 || !dr.valid(circle_))
            return std::nullopt;
        const Entity& e = dr.entities[static_cast<std::size_t>(circle_)];
        const Vec2 c = arc_                           ? arc_->centre
                       : e.type == EntityType::Circle ? dr.circles[e.first].centre
                                                      : dr.arcs[e.first].centre;
        const double r = arc_ ? arc_->radius
                              : std::abs(e.type == EntityType::Circle ? dr.circles[e.first].radius
                                                                      : dr.arcs[e.first].radius);
        const double away = std::hypot(cursor.x - c.x, cursor.y - c.y);
        const Vec2 u =
            away > 0 ? Vec2{(cursor.x - c.x) / away, (cursor.y - c.y) / away} : Vec2{1, 0};
        DimensionData d;
        d.kind = diameter_ ? DimensionKind::Diametric : DimensionKind::Radial;
        d.style = currentStyle();
        d.points[DimPoint::Centre] = c;
        d.points[DimPoint::ChordPoint] = {c.x + u.x * r, c.y + u.y * r};
        return d;
    }

    bool diameter_;
    std::uint32_t segment_ = 0;      // of a polyline picked
    std::optional<FollowedArc> arc_; // the arc that polyline follows there
    int circle_ = -1;
};

// The angle between two lines (or segments of polylines) picked, or, after Enter, at a vertex
// between two points; then the point the arc passes through.
class AngularDimension final : public DimensionCommand {
public:
    explicit AngularDimension(Document& d) : DimensionCommand(d, kAngularName) {}

    void pointFound(const SnapResult& found) override {
        if (vertexMode_) {
            Picked picked = pickedOf(found);
            if (picked.tie.kind == TieKind::Perpendicular)
                picked.tie.from = 0;
            if (points_.size() < 3) {
                points_.push_back(picked);
                host_->prompt(points_.size() == 1   ? kFirstDimPoint
                              : points_.size() == 2 ? kSecondDimPoint
                                                    : kTextPoint);
                return;
            }
            if (const auto d = shaped(found.point)) {
                Ties ties;
                ties[DimPoint::FirstLineStart] = ties[DimPoint::SecondLineStart] = points_[0].tie;
                ties[DimPoint::FirstLineEnd] = points_[1].tie;
                ties[DimPoint::SecondLineEnd] = points_[2].tie;
                for (PointTie& t : ties)
                    if (t.kind == TieKind::Perpendicular)
                        t = PointTie{}; // a foot from the vertex is the vertex itself
                add(*d, ties);
            }
            restart();
            return;
        }
        if (lines_.size() < 2) {
            if (const auto l = lineAt(found.point)) {
                lines_.push_back(*l);
                host_->prompt(lines_.size() == 1 ? kSecondObject : kTextPoint);
            }
            return; // missed: the person tries again
        }
        if (const auto d = shaped(found.point)) {
            Ties ties;
            for (std::size_t i = 0; i < 2; ++i)
                for (std::uint32_t end = 0; end < 2; ++end)
                    ties[2 * i + end] = {lines_[i].entity, kNoEntity, lines_[i].index + end,
                                         TieKind::End};
            add(*d, ties);
        }
        restart();
    }
    // Enter before a line is picked: the angle at a vertex.
    bool enter() override {
        if (vertexMode_ || !lines_.empty())
            return false;
        vertexMode_ = true;
        host_->prompt(kVertexPoint);
        return true;
    }
    bool back() override {
        if (vertexMode_) {
            if (points_.empty()) {
                restart();
                return true;
            }
            points_.pop_back();
            host_->prompt(points_.empty()       ? kVertexPoint
                          : points_.size() == 1 ? kFirstDimPoint
                                                : kSecondDimPoint);
            return true;
        }
        if (lines_.empty())
            return false;
        lines_.pop_back();
        host_->prompt(lines_.empty() ? kFirstObject : kSecondObject);
        return true;
    }
    bool tablesChanged() override {
        const Drawing& dr = document().drawing();
        for (const PickedLine& l : lines_)
            if (!dr.valid(static_cast<int>(l.entity))) {
                restart();
                break;
            }
        return true;
    }
    std::optional<Vec2> basePoint() const override {
        return vertexMode_ && !points_.empty() && points_.size() < 3
                   ? std::optional<Vec2>(points_[0].p)
                   : std::nullopt;
    }

private:
    // A straight piece of an entity: a line, or segment `index` of a polyline.
    struct PickedLine {
        std::uint32_t entity = kNoEntity;
        std::uint32_t index = 0;
        LineData line;
    };

    void restart() override {
        lines_.clear();
        points_.clear();
        vertexMode_ = false;
        host_->prompt(kFirstObject);
    }

    std::optional<PickedLine> lineAt(Vec2 p) const {
        const Drawing& dr = document().drawing();
        const int h = pickAt(p, [](const Entity& e) {
            return e.type == EntityType::Line || (e.type == EntityType::Polyline && e.count >= 2);
        });
        if (h < 0)
            return std::nullopt;
        const Entity& e = dr.entities[static_cast<std::size_t>(h)];
        PickedLine out;
        out.entity = static_cast<std::uint32_t>(h);
        if (e.type == EntityType::Line) {
            out.line = dr.lines[e.first];
            return out;
        }
        // The segment of the polyline nearest to p (its straight chord).
        const Vec2* v = dr.vertexData(e);
        double best = std::numeric_limits<double>::infinity();
        for (std::uint32_t i = 0; i + 1 < e.count; ++i) {
            const double away = distanceToSegment(p, v[i], v[i + 1]);
            if (away < best) {
                best = away;
                out.index = i;
                out.line = {v[i], v[i + 1]};
            }
        }
        return out;
    }

    std::optional<DimensionData> shaped(Vec2 cursor) const override {
        std::optional<DimensionData> d;
        if (vertexMode_ && points_.size() == 3)
            d = angularAtVertex(points_[0].p, points_[1].p, points_[2].p, cursor);
        else if (!vertexMode_ && lines_.size() == 2)
            d = angularBetween(lines_[0].line, lines_[1].line, cursor);
        if (d) {
            d->style = currentStyle();
            if (!(measuredValue(*d) > 0))
                return std::nullopt; // parallel lines make no angle
        }
        return d;
    }

    bool vertexMode_ = false;
    std::vector<PickedLine> lines_;
    std::vector<Picked> points_;
};

// The x or y of a point: the side the cursor is on chooses which.
class OrdinateDimension final : public DimensionCommand {
public:
    explicit OrdinateDimension(Document& d) : DimensionCommand(d, kOrdinateName) {}

    void pointFound(const SnapResult& found) override {
        if (!feature_) {
            feature_ = pickedOf(found);
            if (feature_->tie.kind == TieKind::Perpendicular)
                feature_->tie = PointTie{};
            host_->prompt(kOrdinateYText);
            return;
        }
        if (const auto d = shaped(found.point)) {
            Ties ties;
            ties[DimPoint::Feature] = feature_->tie;
            add(*d, ties);
        }
        restart();
    }
    void cursor(Vec2 p) override {
        DimensionCommand::cursor(p);
        if (feature_)
            host_->prompt(ordinateKindToward(feature_->p, p) == DimensionKind::OrdinateX
                              ? kOrdinateXText
                              : kOrdinateYText);
    }
    bool back() override {
        if (!feature_)
            return false;
        restart();
        return true;
    }
    std::optional<Vec2> basePoint() const override {
        return feature_ ? std::optional<Vec2>(feature_->p) : std::nullopt;
    }

private:
    void restart() override {
        feature_.reset();
        host_->prompt(kOrdinatePoint);
    }
    std::optional<DimensionData> shaped(Vec2 cursor) const override {
        if (!feature_)
            return std::nullopt;
        DimensionData d;
        d.kind = ordinateKindToward(feature_->p, cursor);
        d.style = currentStyle();
        d.points[DimPoint::Feature] = feature_->p;
        d.points[DimPoint::LeaderEnd] = cursor;
        return d;
    }

    std::optional<Picked> feature_;
};

// The dimension styles of the active drawing as a dialog; what it gives back is one step: the
// styles, and every dimension's style renumbered (a dimension of a style deleted cannot be: the
// dialog refuses to delete a style in use).
int runDimensionStyles() {
    Document* doc = engine().active();
    if (!doc)
        return 0;
    const Drawing& dr = doc->drawing();
    std::vector<std::string> textStyles;
    for (const TextStyle& t : dr.textStyles)
        textStyles.push_back(t.name);
    std::vector<int> uses(dr.dimensionStyles.size(), 0);
    for (std::size_t h = 0; h < dr.entities.size(); ++h) {
        const Entity& e = dr.entities[h];
        if (e.type == EntityType::Dimension && dr.valid(static_cast<int>(h)) &&
            e.first < dr.dimensions.size()) {
            const auto s = static_cast<std::size_t>(dr.dimensions[e.first].style);
            if (s < uses.size())
                ++uses[s];
        }
    }
    DimensionStyleDialog dialog(
        dr.dimensionStyles, textStyles,
        [&uses](int i) {
            return i >= 0 && static_cast<std::size_t>(i) < uses.size() && uses[i] > 0;
        },
        QApplication::activeWindow());
    dialog.setPrintScale(dr.settings.printScale);
    if (showModal(dialog) != QDialog::Accepted)
        return 0;
    if (engine().active() != doc) // the dialog ran an event loop
        return 0;
    const std::vector<int> renumbered = dialog.oldToNew();
    const int done = changeActive(0, [&](ChangeSet& c) {
        c.setDimensionStyles(dialog.styles());
        const Drawing& now = c.drawing();
        for (std::size_t h = 0; h < now.entities.size(); ++h) {
            const Entity& e = now.entities[h];
            if (e.type != EntityType::Dimension || e.first >= now.dimensions.size())
                continue;
            const auto old = static_cast<std::size_t>(now.dimensions[e.first].style);
            const int to = old < renumbered.size() && renumbered[old] >= 0 ? renumbered[old] : 0;
            if (to != now.dimensions[e.first].style)
                c.change(static_cast<std::uint32_t>(h)).dimension().style = to;
        }
        CurrentAttributes& current = c.current();
        const auto was = static_cast<std::size_t>(current.dimensionStyle);
        current.dimensionStyle =
            was < renumbered.size() && renumbered[was] >= 0 ? renumbered[was] : 0;
        return 1;
    });
    // The print scale is the drawing's setting, not a step.
    setPrintScale(*doc, dialog.printScale());
    engine().redraw();
    return done;
}

template <typename Make> void addDimensionCommand(Engine& e, int code, Make make) {
    e.addCommand(code, [make] { return startDrawCommand(make); });
}

} // namespace

void registerDimensionCommands(Engine& e) {
    addDimensionCommand(e, CAD_CMD_DIM_HORIZONTAL, [](Document& d) {
        return std::make_unique<LinearDimension>(d, DimensionKind::Horizontal);
    });
    addDimensionCommand(e, CAD_CMD_DIM_VERTICAL, [](Document& d) {
        return std::make_unique<LinearDimension>(d, DimensionKind::Vertical);
    });
    addDimensionCommand(e, CAD_CMD_DIM_PARALLEL, [](Document& d) {
        return std::make_unique<LinearDimension>(d, DimensionKind::Parallel);
    });
    addDimensionCommand(e, CAD_CMD_DIM_ANGULAR,
                        [](Document& d) { return std::make_unique<AngularDimension>(d); });
    addDimensionCommand(e, CAD_CMD_DIM_RADIAL,
                        [](Document& d) { return std::make_unique<CircleDimension>(d, false); });
    addDimensionCommand(e, CAD_CMD_DIM_DIAMETRIC,
                        [](Document& d) { return std::make_unique<CircleDimension>(d, true); });
    addDimensionCommand(e, CAD_CMD_DIM_ORDINATE,
                        [](Document& d) { return std::make_unique<OrdinateDimension>(d); });
    e.addCommand(CAD_CMD_DIM_STYLES, [] { return runDimensionStyles(); });
}

} // namespace cad
