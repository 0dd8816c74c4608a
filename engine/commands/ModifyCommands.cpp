// Copy, move, rotate, scale and mirror the selection (picked first when there is none), and
// explode and make a block of it. The selection follows the cursor while a command waits for
// its point, however many entities there are. Each change is one step.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/DrawSupport.h"
#include "engine/edit/FollowTies.h"
#include "engine/edit/Operations.h"
#include "engine/model/Construct.h"
#include "engine/model/DimensionEntity.h"
#include "engine/model/EntityCurves.h"
#include "engine/model/Merge.h"
#include "engine/model/Outline.h"
#include "engine/model/Spline.h"
#include "engine/model/Transform.h"
#include "engine/render/Renderer.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/QtResponder.h"
#include "engine/view/DrawingWindow.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <cmath>

namespace cad {

namespace {

// The prompts of turning and scaling say that the angle and the factor can be typed.
constexpr int kPickEntities = 19301, kBasePoint = 19304, kDestination = 19307, kMoveObjects = 19325,
              kCopyObjects = 19326, kCentre = 19327, kRotateStart = 19345, kRotateObjects = 19346,
              kScaleObjects = 19347, kMirrorFirst = 19331, kMirrorSecond = 19332,
              kKeepOriginals = 19344;
constexpr int kMoveName = 19233, kCopyName = 19234, kRotateName = 19235, kScaleName = 19236,
              kMirrorName = 19237, kMakeBlockName = 19239, kExplodeName = 19240;

// A command on the selection: it asks for entities when none are selected, then for its points.
class OnSelection : public Command {
public:
    using Command::Command;
    Wants wants() const override { return handles_.empty() ? Wants::Entities : Wants::Point; }
    void start(CommandHost& host) override {
        host_ = &host;
        handles_ = selectedEntities(document().drawing());
        if (handles_.empty()) {
            host.prompt(kPickEntities);
        } else {
            split_ = false;
            begin();
        }
    }
    void entitiesPicked() override {
        handles_ = selectedEntities(document().drawing());
        if (handles_.empty()) {
            host_->finish();
        } else {
            split_ = false;
            begin();
        }
    }

    // Entities on layers hidden or locked meanwhile are let go; with none left it ends.
    bool tablesChanged() override {
        const Drawing& d = document().drawing();
        const bool held = !handles_.empty();
        std::erase_if(handles_, [&](std::uint32_t h) {
            const Entity& e = d.entities[h];
            return e.layer < d.layers.size() &&
                   (!d.layers[e.layer].visible || d.layers[e.layer].locked);
        });
        split_ = false;
        // With nothing left of what it held, the command ends; still picking, it goes on.
        return !(held && handles_.empty());
    }

protected:
    // The entities are known: the first prompt for points.
    virtual void begin() = 0;
    // Draws the selection as the similarity would place it: most kinds through the map
    // itself, texts and images (which stay readable and upright) as copies placed as the
    // command will place them.
    void paintMoved(QPainter& p, const Similarity& s) {
        const View& v = host_->view();
        const RenderView plain =
            RenderView::centredOn(v.centre, v.unitsPerPixel, v.widthPx, v.heightPx);
        RenderView view = plain;
        view.toDevice = view.toDevice.after(s.map);
        RenderOptions options;
        options.showLineWidths = false;
        options.showSelection = true;
        options.selectionColor = QColor(0, 90, 220);
        if (!split_)
            split();
        renderEntities(p, document().drawing(), view, options, mapped_);
        if (!upright_)
            return;
        Drawing placed = *upright_;
        ScratchWriter writer(placed);
        for (const std::uint32_t h : uprightHandles_)
            transformEntity(writer, static_cast<int>(h), s);
        renderEntities(p, placed, plain, options, uprightHandles_);
    }
    // Applies the similarity to the selection (to copies of it when `copy`), as one step.
    void apply(const Similarity& s, bool copy) {
        Edit edit(document());
        const Drawing& d = edit.drawing();
        // What is redrawn: where the entities were and the box of where they go (the map of
        // a box holds the map of everything in it, but for images, which stay upright, and
        // mirrored texts, which stay readable: their own boxes are added).
        Rect area = extentsOf(d, handles_);
        if (!area.empty())
            for (const Vec2 corner : {Vec2{area.left, area.bottom}, Vec2{area.right, area.bottom},
                                      Vec2{area.left, area.top}, Vec2{area.right, area.top}})
                area.add(s.apply(corner));
        std::vector<std::pair<std::uint32_t, std::uint32_t>> copies;
        for (const std::uint32_t h : handles_) {
            if (!d.inModelSpace(static_cast<int>(h)))
                continue;
            const int target =
                copy ? duplicateEntity(edit.changes(), static_cast<int>(h)) : static_cast<int>(h);
            if (copy && target >= 0)
                copies.emplace_back(h, static_cast<std::uint32_t>(target));
            transformEntity(edit.changes(), target, s);
            const EntityType type = d.entities[static_cast<std::size_t>(target)].type;
            if (type == EntityType::Image || type == EntityType::Text)
                area.add(d.entityExtents(target));
        }
        // Copied dimensions stay tied to the copies of their entities.
        retieCopies(edit.changes(), copies);
        edit.commit();
        host_->redrawArea(area);
    }

    CommandHost* host_ = nullptr;
    std::vector<std::uint32_t> handles_;

private:
    // The entities the preview draws through the map, and copies of the others.
    void split() {
        split_ = true;
        const Drawing& d = document().drawing();
        mapped_.clear();
        std::vector<std::uint32_t> upright;
        for (const std::uint32_t h : handles_) {
            const EntityType t = d.entities[h].type;
            (t == EntityType::Text || t == EntityType::Image ? upright : mapped_).push_back(h);
        }
        upright_.reset();
        uprightHandles_.clear();
        if (upright.empty())
            return;
        upright_ = extractEntities(d, upright);
        for (std::uint32_t h = 0; h < upright_->entities.size(); ++h)
            if (upright_->inModelSpace(static_cast<int>(h))) {
                upright_->entities[h].set(EntityFlag::Selected, true); // drawn as the others
                uprightHandles_.push_back(h);
            }
    }
    bool split_ = false;
    std::vector<std::uint32_t> mapped_;
    std::unique_ptr<Drawing> upright_;
    std::vector<std::uint32_t> uprightHandles_;
};

// Move and copy: a base point, then where it goes (copies again and again until ended).
class MoveCommand final : public OnSelection {
public:
    MoveCommand(Document& d, bool copy) : OnSelection(d), copy_(copy) {}
    int name() const override { return copy_ ? kCopyName : kMoveName; }
    void point(Vec2 p) override {
        if (!base_) {
            base_ = p;
            host_->prompt(copy_ ? kCopyObjects : kDestination);
            return;
        }
        apply(Similarity::translation({p.x - base_->x, p.y - base_->y}), copy_);
        if (!copy_)
            host_->finish();
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    bool back() override { return dropPoint(base_, *host_, kBasePoint); }
    std::optional<Vec2> basePoint() const override { return base_; }
    void paint(QPainter& p) override {
        if (base_ && cursor_)
            paintMoved(p, Similarity::translation({cursor_->x - base_->x, cursor_->y - base_->y}));
    }

private:
    void begin() override { host_->prompt(kBasePoint); }
    bool copy_;
    std::optional<Vec2> base_, cursor_;
};

// Rotate: the centre, then the direction turned from and the one turned to; a typed number is
// the angle in degrees.
class RotateCommand final : public OnSelection {
public:
    using OnSelection::OnSelection;
    int name() const override { return kRotateName; }
    void point(Vec2 p) override {
        if (!centre_) {
            centre_ = p;
            host_->prompt(kRotateStart);
        } else if (!from_) {
            if (p == *centre_)
                return;
            from_ = directionDegrees(*centre_, p);
            host_->prompt(kRotateObjects);
        } else if (!(p == *centre_)) {
            turn(directionDegrees(*centre_, p) - *from_);
        }
    }
    bool number(double degrees) override {
        if (!centre_ || !std::isfinite(degrees))
            return false;
        turn(degrees);
        return true;
    }
    bool asksValue() const override { return centre_.has_value(); }
    // Enter at the first direction: angles are then measured from the x axis.
    bool enter() override {
        if (centre_ && !from_) {
            from_ = 0;
            host_->prompt(kRotateObjects);
            return true;
        }
        return false;
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    bool back() override {
        if (from_)
            from_.reset();
        else if (centre_)
            centre_.reset();
        else
            return false;
        host_->prompt(centre_ ? kRotateStart : kCentre);
        return true;
    }
    std::optional<Vec2> basePoint() const override { return centre_; }
    // The selection turns with the cursor from the centre on: before a direction to turn from is
    // picked, by the cursor's angle from the x axis, as the angle typed or Enter then a point
    // turn it.
    void paint(QPainter& p) override {
        if (centre_ && cursor_ && !(*cursor_ == *centre_))
            paintMoved(p, Similarity::rotation(*centre_, directionDegrees(*centre_, *cursor_) -
                                                             from_.value_or(0)));
    }

private:
    void begin() override { host_->prompt(kCentre); }
    void turn(double degrees) {
        apply(Similarity::rotation(*centre_, degrees), false);
        host_->finish();
    }
    std::optional<Vec2> centre_, cursor_;
    std::optional<double> from_;
};

// Scale: the base point that stays, then the factor, typed or as the distance picked from it.
class ScaleCommand final : public OnSelection {
public:
    using OnSelection::OnSelection;
    int name() const override { return kScaleName; }
    void point(Vec2 p) override {
        if (!base_) {
            base_ = p;
            host_->prompt(kScaleObjects);
            return;
        }
        number(std::hypot(p.x - base_->x, p.y - base_->y));
    }
    bool number(double factor) override {
        if (!base_)
            return false;
        if (!(factor > 0) || !std::isfinite(factor))
            return true; // no scale of nothing
        apply(Similarity::scaling(*base_, factor), false);
        host_->finish();
        return true;
    }
    bool asksValue() const override { return base_.has_value(); }
    void cursor(Vec2 p) override { cursor_ = p; }
    bool back() override { return dropPoint(base_, *host_, kBasePoint); }
    std::optional<Vec2> basePoint() const override { return base_; }
    void paint(QPainter& p) override {
        if (!base_ || !cursor_)
            return;
        const double f = std::hypot(cursor_->x - base_->x, cursor_->y - base_->y);
        if (f > 0)
            paintMoved(p, Similarity::scaling(*base_, f));
    }

private:
    void begin() override { host_->prompt(kBasePoint); }
    std::optional<Vec2> base_, cursor_;
};

// Mirror: two points of the mirror line, then whether the originals stay.
class MirrorCommand final : public OnSelection {
public:
    using OnSelection::OnSelection;
    int name() const override { return kMirrorName; }
    void point(Vec2 p) override {
        if (!first_) {
            first_ = p;
            host_->prompt(kMirrorSecond);
            return;
        }
        // An axis shorter than a pixel has no direction anyone chose: it is asked for again.
        if (!longEnough(p))
            return;
        Engine& e = engine();
        const int answer =
            e.responder()->ask(e.text(10501), e.text(kKeepOriginals), /*withCancel=*/true);
        if (answer == CAD_ASK_CANCEL)
            return;
        apply(Similarity::mirroring(*first_, p), answer == CAD_ASK_YES);
        host_->finish();
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    bool back() override { return dropPoint(first_, *host_, kMirrorFirst); }
    std::optional<Vec2> basePoint() const override { return first_; }
    void paint(QPainter& p) override {
        if (first_ && cursor_ && longEnough(*cursor_))
            paintMoved(p, Similarity::mirroring(*first_, *cursor_));
    }

private:
    void begin() override { host_->prompt(kMirrorFirst); }
    bool longEnough(Vec2 p) const {
        return std::hypot(p.x - first_->x, p.y - first_->y) >= host_->pixelSize();
    }
    std::optional<Vec2> first_, cursor_;
};

// ---- explode ----------------------------------------------------------------------------------

// The simpler entities an entity falls into, added to the drawing; false for kinds that stay
// whole.
bool explodeInto(DrawingWriter& w, int h, std::vector<int>& made) {
    const Drawing& d = w.drawing();
    const Entity e = d.entities[static_cast<std::size_t>(h)];
    const OwnStyle own = d.ownStyle(static_cast<std::size_t>(h));
    // New entities take the exploded one's layer, line style and own colour and width.
    const CurrentAttributes saved = w.current();
    w.current().layer = e.layer;
    w.current().lineStyle = e.lineStyle;
    const auto added = [&](int n) {
        EntityChange c = w.change(static_cast<std::uint32_t>(n));
        Entity& ne = c.record();
        ne.flags = static_cast<std::uint8_t>(
            (ne.flags & ~(EntityFlag::ColorByLayer | EntityFlag::WidthByLayer)) |
            (e.flags & (EntityFlag::ColorByLayer | EntityFlag::WidthByLayer)));
        if (own != OwnStyle{})
            c.setOwnStyle(own);
        made.push_back(n);
    };
    const auto lines = [&](std::vector<Vec2> v, bool closed) {
        if (closed && v.size() > 2)
            v.push_back(v.front());
        for (std::size_t i = 1; i < v.size(); ++i)
            if (!(v[i - 1] == v[i]))
                added(w.addLine({v[i - 1], v[i]}));
    };
    bool exploded = true;
    switch (e.type) {
    case EntityType::Polyline: {
        const Vec2* v = d.vertexData(e);
        std::vector<Vec2> points(v, v + e.count);
        if (e.fit == 0 && d.bulgesOf(e).any()) { // its straight segments lines, its arcs arcs
            const Path path = polylinePath(d, e);
            for (std::size_t i = 0; i < path.segmentCount(); ++i) {
                const PathSegment s = segmentOf(path, i);
                if (s.a == s.b)
                    continue;
                added(s.isArc() ? w.addArc(arcDataOf(s)) : w.addLine(lineOf(s)));
            }
        } else if (e.fit != 0) { // a curve through its points: a polyline that follows it
            std::vector<Vec2> curve;
            splinePoints(points, e.has(EntityFlag::Closed), 1e-3 * d.entityExtents(h).width(),
                         curve);
            added(w.addPolyline(curve, false));
        } else {
            lines(points, e.has(EntityFlag::Closed));
        }
        break;
    }
    case EntityType::Spline: { // the curve as a polyline that follows it closely
        const Vec2* v = d.vertexData(e);
        const std::vector<Vec2> fit(v, v + e.count);
        const Rect box = d.entityExtents(h);
        std::vector<Vec2> curve;
        splinePoints(fit, e.has(EntityFlag::Closed),
                     1e-3 * std::max(std::hypot(box.width(), box.height()), 1e-9), curve);
        if (curve.size() >= 2)
            added(w.addPolyline(curve, false));
        break;
    }
    case EntityType::Sector: { // its arc and the two radii
        const ArcData a = d.sectors[e.first];
        added(w.addArc(a));
        const auto at = [&](double angle) {
            return Vec2{a.centre.x + a.radius * std::cos(radians(angle)),
                        a.centre.y + a.radius * std::sin(radians(angle))};
        };
        lines({at(a.endAngle), a.centre, at(a.startAngle)}, false);
        break;
    }
    case EntityType::Rectangle: {
        Outline o;
        outlineOf(d, h, 1, o);
        if (!o.paths.empty()) {
            const auto pts = o.pointsOf(o.paths[0]);
            lines({pts.begin(), pts.end()}, true);
        }
        break;
    }
    case EntityType::Hatch: {
        const Vec2* v = d.vertexData(e);
        std::uint64_t at = 0;
        const std::vector<std::uint32_t> loops(d.loopsOf(d.hatches[e.first]).begin(),
                                               d.loopsOf(d.hatches[e.first]).end());
        std::vector<Vec2> all(v, v + e.count);
        for (const std::uint32_t n : loops) {
            if (n == 0 || at + n > all.size())
                break;
            added(w.addPolyline({all.data() + at, n}, true));
            at += n;
        }
        break;
    }
    case EntityType::Dimension: {
        // What it is drawn with: lines, arcs, filled arrowheads and its text, on its layer; in
        // the style's own colours when it has them, as the dimension was drawn (arrowheads in
        // the dimension line's, a frame in the text's).
        const DimensionData data = d.dimensionOf(e);
        const DimensionStyle style = dimensionStyleOf(d, data.style);
        const DimensionGeometry g = dimensionGeometryOf(d, data);
        const std::size_t first = made.size();
        const auto colour = [&](std::size_t from, std::uint32_t c) {
            for (std::size_t i = from; style.ownColors && i < made.size(); ++i) {
                EntityChange ch = w.change(static_cast<std::uint32_t>(made[i]));
                ch.record().set(EntityFlag::ColorByLayer, false);
                ch.setOwnStyle(OwnStyle{c, 0, own.width});
            }
        };
        for (const LineData& l : g.extensionLines)
            if (!(l.a == l.b))
                added(w.addLine(l));
        colour(first, style.extensionLineColor);
        const std::size_t lined = made.size();
        for (const LineData& l : g.lines)
            if (!(l.a == l.b))
                added(w.addLine(l));
        for (const ArcData& a : g.arcs)
            added(w.addArc(a));
        const auto filled = [&](int n) {
            w.record(static_cast<std::uint32_t>(n)).flags |= EntityFlag::Filled;
            added(n);
        };
        for (const auto& t : g.triangles)
            filled(w.addPolyline(t, true));
        for (const CircleData& c : g.dots)
            filled(w.addCircle(c));
        colour(lined, style.dimensionLineColor);
        if (g.text) {
            const std::size_t texts = made.size();
            const DimensionText& t = *g.text;
            if (t.framed)
                lines({t.frame.begin(), t.frame.end()}, true);
            added(w.addText({t.position, t.height, t.rotation, 0, t.align, t.style, t.text}));
            colour(texts, style.textColor);
        }
        break;
    }
    case EntityType::Insert: {
        // One level: the block's entities where the insertion shows them, insertions in it
        // stay insertions.
        const InsertData in = d.inserts[e.first];
        if (in.block < 0 || static_cast<std::size_t>(in.block) >= d.blocks.size()) {
            exploded = false;
            break;
        }
        const std::vector<std::uint32_t> inner =
            d.blocks[static_cast<std::size_t>(in.block)].entities;
        const Vec2 base = d.blocks[static_cast<std::size_t>(in.block)].base;
        const bool uniform = std::abs(std::abs(in.scaleX) - std::abs(in.scaleY)) <=
                             1e-12 * std::max(std::abs(in.scaleX), std::abs(in.scaleY));
        for (const std::uint32_t b : inner) {
            if (!d.valid(static_cast<int>(b)))
                continue;
            const Entity& be = d.entities[b];
            // Entities of layer 0 take the insertion's layer, as they were drawn.
            const std::uint16_t layer = be.layer == 0 ? e.layer : be.layer;
            if (!uniform && be.type != EntityType::Insert) {
                // Stretched unevenly: what the outline shows, as polylines.
                Outline o;
                const Affine m = Affine::insertion(in.p, in.angle, in.scaleX, in.scaleY, base);
                outlineOf(d, static_cast<int>(b), m,
                          1e-3 * std::max(d.entityExtents(h).width(), 1e-9), o, 1);
                w.current().layer = layer;
                for (const Outline::Path& path : o.paths)
                    added(w.addPolyline(o.pointsOf(path), path.closed));
                continue;
            }
            const int copy = duplicateEntity(w, static_cast<int>(b));
            if (copy < 0)
                continue;
            EntityChange c = w.change(static_cast<std::uint32_t>(copy));
            c.record().set(EntityFlag::InBlock, false);
            c.record().layer = layer;
            // base to the origin, mirrored when the scales' signs differ, scaled, turned,
            // placed
            transformEntity(c, Similarity::translation({-base.x, -base.y}));
            if ((in.scaleX < 0) != (in.scaleY < 0))
                transformEntity(c, Similarity::mirroring({0, 0}, {1, 0}));
            if (uniform) {
                transformEntity(c, Similarity::scaling({0, 0}, std::abs(in.scaleX)));
            } else {
                // An insertion in it takes the stretch into its own scales.
                InsertData& nested = c.insert();
                nested.p = {nested.p.x * std::abs(in.scaleX), nested.p.y * std::abs(in.scaleY)};
                nested.scaleX *= std::abs(in.scaleX);
                nested.scaleY *= std::abs(in.scaleY);
            }
            if (in.scaleX < 0)
                transformEntity(c, Similarity::rotation({0, 0}, 180));
            transformEntity(c, Similarity::rotation({0, 0}, in.angle));
            transformEntity(c, Similarity::translation(in.p));
            made.push_back(copy);
        }
        break;
    }
    default:
        exploded = false;
        break;
    }
    w.current() = saved;
    return exploded;
}

bool explodeSelection(Document& doc) {
    const Drawing& d = doc.drawing();
    const std::vector<std::uint32_t> selected = selectedEntities(d);
    if (selected.empty())
        return false;
    Edit edit(doc);
    const Rect area = extentsOf(d, selected);
    std::vector<int> made;
    for (const std::uint32_t h : selected) {
        if (explodeInto(edit.changes(), static_cast<int>(h), made))
            edit.changes().erase(h);
    }
    edit.commit();
    doc.selectAll(false);
    for (const int n : made)
        doc.select(n, true);
    engine().redrawArea(doc, area);
    return !made.empty();
}

// ---- make block -------------------------------------------------------------------------------

class BlockNameDialog final : public QDialog {
public:
    explicit BlockNameDialog(QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("cadBlockNameDialog"));
        setWindowTitle(engineText(12051));
        auto* form = new QFormLayout(this);
        edit_ = new QLineEdit;
        edit_->setObjectName(QStringLiteral("cadBlockNameValue"));
        form->addRow(engineText(12052), edit_);
        auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        box->button(QDialogButtonBox::Ok)->setText(engineText(11201));
        box->button(QDialogButtonBox::Cancel)->setText(engineText(11202));
        connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
        form->addRow(box);
    }
    std::string name() const { return toEngineText(edit_->text().trimmed()); }
    QLineEdit* edit() const { return edit_; }

private:
    QLineEdit* edit_;
};

// Make block: the selection becomes a block of the name given, with the picked base point,
// and an insertion of it stands where the entities were.
class MakeBlockCommand final : public OnSelection {
public:
    MakeBlockCommand(Document& d, std::string name) : OnSelection(d), name_(std::move(name)) {}
    int name() const override { return kMakeBlockName; }
    void point(Vec2 base) override {
        const Rect area = extentsOf(document().drawing(), handles_);
        Edit edit(document());
        const int insert = blockInPlace(edit.changes(), name_, base, handles_);
        edit.commit();
        if (insert >= 0)
            document().select(insert, true);
        engine().tablesChanged();
        host_->redrawArea(area);
        host_->finish();
    }

private:
    void begin() override { host_->prompt(kBasePoint); }
    std::string name_;
};

template <typename Make> int startOnSelection(Make make) {
    return startDrawCommand(make);
}

} // namespace

void registerModifyCommands(Engine& e) {
    e.addCommand(CAD_CMD_MOVE, [] {
        return startOnSelection(
            [](Document& d) { return std::make_unique<MoveCommand>(d, false); });
    });
    e.addCommand(CAD_CMD_COPY, [] {
        return startOnSelection([](Document& d) { return std::make_unique<MoveCommand>(d, true); });
    });
    e.addCommand(CAD_CMD_ROTATE, [] {
        return startOnSelection([](Document& d) { return std::make_unique<RotateCommand>(d); });
    });
    e.addCommand(CAD_CMD_SCALE, [] {
        return startOnSelection([](Document& d) { return std::make_unique<ScaleCommand>(d); });
    });
    e.addCommand(CAD_CMD_MIRROR, [] {
        return startOnSelection([](Document& d) { return std::make_unique<MirrorCommand>(d); });
    });
    e.addCommand(CAD_CMD_EXPLODE, [] { return workOnSelection(kExplodeName, explodeSelection); });
    e.addCommand(CAD_CMD_MAKE_BLOCK, [] {
        return startOnSelection([](Document& d) -> std::unique_ptr<Command> {
            BlockNameDialog dialog(DrawingWindow::current());
            if (showModal(dialog) != QDialog::Accepted || dialog.name().empty())
                return nullptr;
            Engine& en = engine();
            if (d.drawing().findBlock(dialog.name()) >= 0) {
                en.responder()->tell(en.text(10501), formatText(en.text(12053), {dialog.name()}),
                                     true);
                return nullptr;
            }
            return std::make_unique<MakeBlockCommand>(d, dialog.name());
        });
    });
}

} // namespace cad
