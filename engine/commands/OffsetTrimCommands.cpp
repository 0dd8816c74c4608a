// Offset, trim and extend. Offset asks for a distance (or a point to go through), then for the
// entity and the side, again and again until ended. Trim and extend ask for their edges (Enter:
// every entity is one), then for the parts to cut away or the ends to lengthen: a click each,
// or a fence or window of two points for many at once; Shift while clicking does the other of
// the two. What a click would do is shown under the cursor, made by the same call.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/ModifySupport.h"
#include "engine/edit/Operations.h"
#include "engine/model/EntityCurves.h"
#include "engine/model/Offset.h"
#include "engine/model/Picking.h"
#include "engine/model/TrimExtend.h"
#include "engine/view/DrawingWindow.h"

#include <QPainter>

#include <cmath>
#include <optional>

namespace cad {

namespace {

constexpr int kOffsetName = 18601, kTrimName = 18602, kExtendName = 18603;
constexpr int kOffsetDistance = 18621, kOffsetPick = 18622, kOffsetSide = 18623,
              kOffsetThrough = 18624, kCuttingEdges = 18625, kBoundaryEdges = 18626,
              kTrimTargets = 18627, kExtendTargets = 18628, kFenceEnd = 18629, kWindowEnd = 18630;

// ---- offset -----------------------------------------------------------------------------------

// The distance the last offset used, offered again by Enter.
double& lastOffsetDistance() {
    static double distance = 0;
    return distance;
}

class OffsetCommand final : public Command {
public:
    using Command::Command;
    int name() const override { return kOffsetName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kOffsetDistance);
    }
    bool asksValue() const override { return step_ == Step::Distance; }
    bool snaps() const override { return step_ != Step::Pick; }
    bool number(double v) override {
        if (step_ != Step::Distance)
            return false;
        if (!std::isfinite(v) || v == 0) {
            tellRefusal(std::isfinite(v) ? Refusal::ZeroDistance : Refusal::NotFinite);
            return true;
        }
        distance_ = std::abs(v);
        lastOffsetDistance() = *distance_;
        toPick();
        return true;
    }
    bool key(int k) override {
        if (step_ == Step::Distance && k == Qt::Key_P) {
            distance_.reset(); // through a point
            toPick();
            return true;
        }
        if (step_ != Step::Distance && k == Qt::Key_R) {
            corners_ = corners_ == CornerJoin::Extend ? CornerJoin::Round : CornerJoin::Extend;
            host_->update();
            return true;
        }
        return false;
    }
    bool enter() override {
        if (step_ == Step::Distance && lastOffsetDistance() > 0) {
            distance_ = lastOffsetDistance();
            toPick();
            return true;
        }
        return false;
    }
    bool back() override {
        if (step_ == Step::Side) {
            toPick();
            return true;
        }
        if (step_ == Step::Pick) {
            step_ = Step::Distance;
            host_->prompt(kOffsetDistance);
            return true;
        }
        return false;
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    void point(Vec2 p) override {
        if (step_ == Step::Pick) {
            const int h = pointedEntity(document().drawing(), *host_, p, isCurveEntity);
            if (h < 0)
                return;
            picked_ = h;
            step_ = Step::Side;
            host_->prompt(distance_ ? kOffsetSide : kOffsetThrough);
            return;
        }
        if (step_ != Step::Side)
            return;
        const auto made = offsetAt(p);
        if (!made) {
            tellRefusal(made.refusal);
            return;
        }
        Edit edit(document());
        Rect area;
        for (const Curve& c : *made) {
            const int h = addCurveLike(edit.changes(), c, static_cast<std::uint32_t>(picked_));
            area.add(edit.drawing().entityExtents(h));
        }
        edit.commit();
        host_->redrawArea(area);
        toPick();
    }
    void paint(QPainter& p) override {
        if (!cursor_)
            return;
        const Drawing& d = document().drawing();
        if (step_ == Step::Pick) {
            paintPicked(p, *host_, d, pointedEntity(d, *host_, *cursor_, isCurveEntity));
            return;
        }
        if (step_ != Step::Side)
            return;
        paintPicked(p, *host_, d, picked_);
        if (const auto made = offsetAt(*cursor_))
            paintCurves(p, *host_, document(), *made);
    }

private:
    enum class Step { Distance, Pick, Side };
    void toPick() {
        step_ = Step::Pick;
        picked_ = -1;
        host_->prompt(kOffsetPick);
    }
    Outcome<std::vector<Curve>> offsetAt(Vec2 p) const {
        const auto curve = curveOf(document().drawing(), picked_);
        if (!curve)
            return Refusal::Unsupported;
        return distance_ ? offsetCurveToward(*curve, *distance_, p, corners_)
                         : offsetCurveThrough(*curve, p, corners_);
    }

    CommandHost* host_ = nullptr;
    Step step_ = Step::Distance;
    std::optional<double> distance_;
    CornerJoin corners_ = CornerJoin::Extend;
    int picked_ = -1;
    std::optional<Vec2> cursor_;
};

// ---- trim and extend --------------------------------------------------------------------------

// Trimming and extending: each the other while Shift is held.
class TrimCommand final : public Command {
public:
    TrimCommand(Document& d, bool extend) : Command(d), extend_(extend) {}
    int name() const override { return extend_ ? kExtendName : kTrimName; }
    Wants wants() const override { return step_ == Step::Edges ? Wants::Entities : Wants::Point; }
    bool snaps() const override { return false; }
    void start(CommandHost& host) override {
        host_ = &host;
        const std::vector<std::uint32_t> selected = selectedEntities(document().drawing());
        if (selected.empty()) {
            host.prompt(extend_ ? kBoundaryEdges : kCuttingEdges);
            return;
        }
        // What is selected is the edges.
        edges_ = selected;
        fromSelection_ = true;
        toTargets();
    }
    void entitiesPicked() override {
        edges_ = selectedEntities(document().drawing());
        toTargets();
    }
    bool key(int k) override {
        if (step_ != Step::Targets)
            return false;
        if (k == Qt::Key_K) {
            extendEdges_ = !extendEdges_;
            cache_.reset();
            host_->update();
            return true;
        }
        if (k == Qt::Key_O) {
            window_ = !window_;
            if (fenceStart_)
                host_->prompt(window_ ? kWindowEnd : kFenceEnd);
            host_->update();
            return true;
        }
        return false;
    }
    bool back() override {
        if (fenceStart_) {
            fenceStart_.reset();
            host_->prompt(targetsPrompt());
            return true;
        }
        if (step_ == Step::Targets && !fromSelection_) {
            step_ = Step::Edges;
            edges_.clear();
            cache_.reset();
            host_->prompt(extend_ ? kBoundaryEdges : kCuttingEdges);
            return true;
        }
        return false;
    }
    bool tablesChanged() override {
        cache_.reset();
        return true;
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    void point(Vec2 p) override {
        if (step_ != Step::Targets)
            return;
        const bool other = (host_->modifiers() & Qt::ShiftModifier) != 0;
        if (fenceStart_) {
            const Vec2 a = *fenceStart_;
            fenceStart_.reset();
            host_->prompt(targetsPrompt());
            changeMany(a, p, other);
            return;
        }
        const int h = pointedEntity(document().drawing(), *host_, p, isCurveEntity);
        if (h < 0) {
            fenceStart_ = p;
            host_->prompt(window_ ? kWindowEnd : kFenceEnd);
            return;
        }
        Edit edit(document());
        Rect area;
        const Refusal r = change(edit.changes(), h, p, other, area);
        edit.commit();
        if (r != Refusal::None)
            tellRefusal(r);
        host_->redrawArea(area);
    }
    void paint(QPainter& p) override {
        if (step_ != Step::Targets || !cursor_)
            return;
        const Drawing& d = document().drawing();
        if (fenceStart_) {
            p.save();
            p.setPen(QPen(kResultColor, 0, Qt::DashLine));
            const QPointF a = host_->toPixel(*fenceStart_), b = host_->toPixel(*cursor_);
            if (window_)
                p.drawRect(QRectF(a, b).normalized());
            else
                p.drawLine(a, b);
            p.restore();
            return;
        }
        const int h = pointedEntity(d, *host_, *cursor_, isCurveEntity);
        if (h < 0)
            return;
        const bool other = (host_->modifiers() & Qt::ShiftModifier) != 0;
        const auto made = result(h, *cursor_, extend_ != other);
        if (!made)
            return;
        paintPicked(p, *host_, d, h);
        paintCurves(p, *host_, document(), *made);
    }

private:
    enum class Step { Edges, Targets };
    void toTargets() {
        step_ = Step::Targets;
        // The edges show as themselves; the selection is let go.
        document().selectAll(false);
        cache_.reset();
        host_->prompt(targetsPrompt());
    }
    int targetsPrompt() const { return extend_ ? kExtendTargets : kTrimTargets; }

    // The edges for a target: those picked, or every entity near enough to matter. Kept while
    // the cursor stays on the same target and the drawing does not change.
    const std::vector<Curve>& edgesFor(int target, const Curve& curve, double reach) const {
        const Drawing& d = document().drawing();
        if (cache_ && cache_->target == target && cache_->version == d.version &&
            cache_->reach == reach)
            return cache_->edges;
        cache_.emplace(Cache{target, d.version, reach, {}});
        if (edges_.empty())
            edgesNear(d, curve, target, reach, cache_->edges);
        else
            edgesOf(d, edges_, target, cache_->edges);
        return cache_->edges;
    }

    // What the target becomes: the curves that stay (trimmed) or the curve lengthened.
    Outcome<std::vector<Curve>> result(int target, Vec2 pick, bool extend) const {
        const Drawing& d = document().drawing();
        const auto curve = curveOf(d, target);
        if (!curve)
            return Refusal::Unsupported;
        if (!extend) {
            // The cuts that count lie on the target: the edges that meet its pieces.
            return trimCurve(*curve, pick, edgesFor(target, *curve, host_->pixelSize()),
                             extendEdges_);
        }
        if (!edges_.empty()) {
            const auto longer =
                extendCurve(*curve, pick, edgesFor(target, *curve, 0), extendEdges_);
            if (!longer)
                return longer.refusal;
            return std::vector<Curve>{*longer};
        }
        // Every entity: looked for farther and farther from the target until one is met (the
        // nearest on the way lies within the first reach that holds a meeting).
        const Rect all = d.extents();
        const Rect own = curveBox(*curve);
        const double most = std::hypot(all.width(), all.height()) + 1;
        Outcome<Curve> longer = Refusal::NoIntersection;
        for (double reach = std::max(
                 {std::hypot(own.width(), own.height()) / 4, 64 * host_->pixelSize(), most * 1e-6});
             ; reach *= 4) {
            longer = extendCurve(*curve, pick, edgesFor(target, *curve, reach), extendEdges_);
            if (longer || longer.refusal != Refusal::NoIntersection || reach >= most)
                break;
        }
        if (!longer)
            return longer.refusal;
        return std::vector<Curve>{*longer};
    }

    // Makes the change at one target; its refusal, if any.
    Refusal change(ChangeSet& c, int target, Vec2 pick, bool other, Rect& area) {
        const auto made = result(target, pick, extend_ != other);
        if (!made)
            return made.refusal;
        const Drawing& d = c.drawing();
        area.add(d.entityExtents(target));
        const auto h = static_cast<std::uint32_t>(target);
        if (made->empty()) {
            c.erase(h);
            return Refusal::None;
        }
        const int kept = replaceWithCurve(c, h, made->front());
        area.add(d.entityExtents(kept));
        for (std::size_t i = 1; i < made->size(); ++i)
            area.add(
                d.entityExtents(addCurveLike(c, (*made)[i], static_cast<std::uint32_t>(kept))));
        cache_.reset();
        return Refusal::None;
    }

    // A fence (or window) of two points: every entity it crosses, at the crossing (or at its
    // point nearest the window's middle), as one step.
    void changeMany(Vec2 a, Vec2 b, bool other) {
        const Drawing& d = document().drawing();
        const double tolerance = host_->pixelSize() / 2;
        std::vector<std::uint32_t> crossed;
        if (window_) {
            Rect r;
            r.add(a);
            r.add(b);
            crossed = entitiesInRect(d, r, AreaRule::Touching, tolerance);
        } else {
            const Vec2 fence[] = {a, b};
            crossed = entitiesCrossed(d, fence, tolerance);
        }
        Edit edit(document());
        Rect area;
        Refusal last = Refusal::None;
        bool any = false;
        for (const std::uint32_t h : crossed) {
            if (!isCurveEntity(d, static_cast<int>(h)))
                continue;
            const auto curve = curveOf(d, static_cast<int>(h));
            Vec2 pick{(a.x + b.x) / 2, (a.y + b.y) / 2};
            if (!window_) {
                const auto hits = intersections(*curve, Curve{LineData{a, b}});
                if (!hits.empty())
                    pick = hits.front().p;
            }
            pick = pointAt(*curve, closestParameter(*curve, pick));
            const Refusal r = change(edit.changes(), static_cast<int>(h), pick, other, area);
            if (r == Refusal::None)
                any = true;
            else
                last = r;
        }
        edit.commit();
        if (!any && last != Refusal::None)
            tellRefusal(last);
        host_->redrawArea(area);
    }

    bool extend_;
    CommandHost* host_ = nullptr;
    Step step_ = Step::Edges;
    std::vector<std::uint32_t> edges_; // empty: every entity
    bool fromSelection_ = false;
    bool extendEdges_ = false;
    bool window_ = false;
    std::optional<Vec2> fenceStart_, cursor_;
    struct Cache {
        int target;
        std::uint64_t version;
        double reach;
        std::vector<Curve> edges;
    };
    mutable std::optional<Cache> cache_;
};

} // namespace

void registerOffsetTrimCommands(Engine& e) {
    e.addCommand(CAD_CMD_OFFSET, [] {
        return startDrawCommand([](Document& d) { return std::make_unique<OffsetCommand>(d); });
    });
    e.addCommand(CAD_CMD_TRIM, [] {
        return startDrawCommand(
            [](Document& d) { return std::make_unique<TrimCommand>(d, false); });
    });
    e.addCommand(CAD_CMD_EXTEND, [] {
        return startDrawCommand([](Document& d) { return std::make_unique<TrimCommand>(d, true); });
    });
}

} // namespace cad
