// Break, join, stretch, lengthen and reverse.
//   Break: an entity, then one point (Enter splits it there) or two (the part between goes).
//   Join: the lines, arcs and open polylines picked (or selected), then the tolerance their
//     ends may miss each other by: each run of pieces meeting end to end becomes one polyline
//     with the first piece's look; larger gaps are told, never bridged.
//   Stretch: a crossing window, a base point and where it goes: what lies inside moves, the
//     vertices and ends inside move, what crosses the window stretches.
//   Lengthen: by a length typed, per cent ("P"), to a total ("C") or dynamically ("D"), at the
//     end picked, again and again.
//   Reverse: the selection's lines, polylines, splines and arcs run the other way.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/ModifySupport.h"
#include "engine/edit/Operations.h"
#include "engine/model/Break.h"
#include "engine/model/EntityCurves.h"
#include "engine/model/Join.h"
#include "engine/model/Lengthen.h"
#include "engine/model/Outline.h"
#include "engine/model/Picking.h"
#include "engine/model/Stretch.h"
#include "engine/model/Transform.h"
#include "engine/view/DrawingWindow.h"

#include <QPainter>

#include <cmath>
#include <optional>

namespace cad {

namespace {

constexpr int kBreakName = 18606, kJoinName = 18607, kStretchName = 18608, kLengthenName = 18610,
              kReverseName = 18611;
constexpr int kBreakPick = 18638, kBreakFirst = 18639, kBreakSecond = 18640, kJoinPick = 18641,
              kJoinTolerance = 18642, kWindowFirst = 18643, kWindowSecond = 18644,
              kLengthenValue = 18658, kPercent = 18659, kTotal = 18660, kEndPick = 18680,
              kNewEnd = 18681, kReversePick = 18682, kJoinGaps = 18683, kJoined = 18684;
constexpr int kBasePoint = 19304, kDestination = 19307;

// An entity made of pieces: the first in its place, the others new with its look; none: gone.
Rect replaceWithPieces(DrawingWriter& w, std::uint32_t h, const std::vector<Curve>& pieces) {
    const Drawing& d = w.drawing();
    Rect area = d.entityExtents(static_cast<int>(h));
    if (pieces.empty()) {
        w.erase(h);
        return area;
    }
    const int kept = replaceWithCurve(w, h, pieces.front());
    area.add(d.entityExtents(kept));
    for (std::size_t i = 1; i < pieces.size(); ++i)
        area.add(d.entityExtents(addCurveLike(w, pieces[i], static_cast<std::uint32_t>(kept))));
    return area;
}

// ---- break ------------------------------------------------------------------------------------

class BreakCommand final : public Command {
public:
    using Command::Command;
    int name() const override { return kBreakName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kBreakPick);
    }
    bool snaps() const override { return step_ != Step::Pick; }
    void cursor(Vec2 p) override { cursor_ = p; }
    void point(Vec2 p) override {
        switch (step_) {
        case Step::Pick: {
            const int h = pointedEntity(document().drawing(), *host_, p, isCurveEntity);
            if (h < 0)
                return;
            target_ = h;
            step_ = Step::First;
            host_->prompt(kBreakFirst);
            return;
        }
        case Step::First:
            first_ = p;
            step_ = Step::Second;
            host_->prompt(kBreakSecond);
            return;
        case Step::Second:
            apply(pieces(p));
            return;
        }
    }
    // Enter after the first point: split there.
    bool enter() override {
        if (step_ != Step::Second)
            return false;
        apply(pieces(std::nullopt));
        return true;
    }
    bool back() override {
        if (step_ == Step::Pick)
            return false;
        step_ = step_ == Step::Second ? Step::First : Step::Pick;
        host_->prompt(step_ == Step::First ? kBreakFirst : kBreakPick);
        return true;
    }
    void paint(QPainter& p) override {
        const Drawing& d = document().drawing();
        if (step_ == Step::Pick) {
            if (cursor_)
                paintPicked(p, *host_, d, pointedEntity(d, *host_, *cursor_, isCurveEntity));
            return;
        }
        paintPicked(p, *host_, d, target_);
        if (step_ == Step::Second && cursor_)
            if (const auto made = pieces(*cursor_))
                paintCurves(p, *host_, document(), *made);
    }

private:
    enum class Step { Pick, First, Second };
    Outcome<std::vector<Curve>> pieces(std::optional<Vec2> second) const {
        const auto c = curveOf(document().drawing(), target_);
        if (!c)
            return Refusal::Unsupported;
        return second ? breakBetween(*c, first_, *second) : breakAt(*c, first_);
    }
    void apply(const Outcome<std::vector<Curve>>& made) {
        if (!made) {
            tellRefusal(made.refusal);
            return;
        }
        Edit edit(document());
        const Rect area =
            replaceWithPieces(edit.changes(), static_cast<std::uint32_t>(target_), *made);
        edit.commit();
        host_->redrawArea(area);
        step_ = Step::Pick;
        target_ = -1;
        host_->prompt(kBreakPick);
    }

    CommandHost* host_ = nullptr;
    Step step_ = Step::Pick;
    int target_ = -1;
    Vec2 first_;
    std::optional<Vec2> cursor_;
};

// ---- commands on picked entities --------------------------------------------------------------

// Asks for entities when none are selected; then `begin`.
class OnPicked : public Command {
public:
    OnPicked(Document& d, int pickPrompt) : Command(d), pickPrompt_(pickPrompt) {}
    Wants wants() const override { return picking_ ? Wants::Entities : Wants::Point; }
    void start(CommandHost& host) override {
        host_ = &host;
        handles_ = selectedEntities(document().drawing());
        if (handles_.empty()) {
            host.prompt(pickPrompt_);
            return;
        }
        picking_ = false;
        begin();
    }
    void entitiesPicked() override {
        handles_ = selectedEntities(document().drawing());
        if (handles_.empty()) {
            host_->finish();
            return;
        }
        picking_ = false;
        begin();
    }

protected:
    virtual void begin() = 0;
    CommandHost* host_ = nullptr;
    std::vector<std::uint32_t> handles_;

private:
    int pickPrompt_;
    bool picking_ = true;
};

// ---- join -------------------------------------------------------------------------------------

class JoinCommand final : public OnPicked {
public:
    explicit JoinCommand(Document& d) : OnPicked(d, kJoinPick) {}
    int name() const override { return kJoinName; }
    bool asksValue() const override { return wants() == Wants::Point; }
    bool number(double v) override {
        if (!usableValue(v)) {
            tellRefusal(std::isfinite(v) ? Refusal::NegativeValue : Refusal::NotFinite);
            return true;
        }
        join(v);
        return true;
    }
    bool enter() override {
        join(kDefaultTolerance);
        return true;
    }

private:
    static constexpr double kDefaultTolerance = 0.001;
    void begin() override { host_->prompt(kJoinTolerance); }
    void join(double tolerance) {
        const Drawing& d = document().drawing();
        std::vector<Curve> pieces;
        std::vector<std::uint32_t> from;
        for (const std::uint32_t h : handles_) {
            const EntityType t = d.entities[h].type;
            const auto c = curveOf(d, static_cast<int>(h));
            if (!c ||
                (t != EntityType::Line && t != EntityType::Arc && t != EntityType::Polyline) ||
                isClosed(*c))
                continue;
            pieces.push_back(*c);
            from.push_back(h);
        }
        const auto joined = joinCurves(pieces, tolerance);
        if (!joined) {
            tellRefusal(joined.refusal);
            host_->finish();
            return;
        }
        Edit edit(document());
        ChangeSet& w = edit.changes();
        Rect area;
        int made = 0;
        for (std::size_t r = 0; r < joined->paths.size(); ++r) {
            const std::vector<std::size_t>& members = joined->members[r];
            if (members.size() < 2)
                continue; // a piece that met none stays as it is
            const std::uint32_t first = from[members.front()];
            for (const std::size_t m : members)
                area.add(d.entityExtents(static_cast<int>(from[m])));
            // The first piece becomes the polyline; the others go.
            replaceWithCurve(w, first, Curve{joined->paths[r]});
            for (std::size_t i = 1; i < members.size(); ++i)
                w.erase(from[members[i]]);
            ++made;
        }
        edit.commit();
        document().selectAll(false);
        host_->redrawArea(area);
        Engine& e = engine();
        if (!joined->gaps.empty()) {
            double largest = 0;
            for (const JoinGap& g : joined->gaps)
                largest = std::max(largest, g.distance);
            e.notice(formatText(e.text(kJoinGaps),
                                {static_cast<int>(joined->gaps.size()), formatNumber(largest, 3)}));
        } else {
            e.notice(formatText(e.text(kJoined), {made}));
        }
        host_->finish();
    }
};

// ---- reverse ----------------------------------------------------------------------------------

class ReverseCommand final : public OnPicked {
public:
    explicit ReverseCommand(Document& d) : OnPicked(d, kReversePick) {}
    int name() const override { return kReverseName; }

private:
    void begin() override {
        Edit edit(document());
        ChangeSet& w = edit.changes();
        const Drawing& d = edit.drawing();
        Rect area;
        for (const std::uint32_t h : handles_) {
            const EntityType t = d.entities[h].type;
            const auto c = curveOf(d, static_cast<int>(h));
            if (!c)
                continue;
            std::optional<Curve> reversed;
            if (t == EntityType::Line || t == EntityType::Polyline || t == EntityType::Spline)
                reversed = reversedCurve(*c);
            else if (t == EntityType::Arc && !isClosed(*c))
                // An arc runs counter-clockwise by its definition: run the other way it is a
                // polyline of one arc segment.
                reversed = Curve{reversedCurve(Curve{pathApproximation(*c, 0)})};
            if (!reversed)
                continue;
            area.add(d.entityExtents(static_cast<int>(h)));
            area.add(d.entityExtents(replaceWithCurve(w, h, *reversed)));
        }
        edit.commit();
        host_->redrawArea(area);
        host_->finish();
    }
};

// ---- stretch ----------------------------------------------------------------------------------

class StretchCommand final : public Command {
public:
    using Command::Command;
    int name() const override { return kStretchName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kWindowFirst);
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    std::optional<Vec2> basePoint() const override {
        return step_ == Step::Second ? first_ : step_ == Step::Destination ? base_ : std::nullopt;
    }
    void point(Vec2 p) override {
        switch (step_) {
        case Step::First:
            first_ = p;
            step_ = Step::Second;
            host_->prompt(kWindowSecond);
            return;
        case Step::Second: {
            window_ = Rect{};
            window_.add(*first_);
            window_.add(p);
            const Drawing& d = document().drawing();
            handles_ = entitiesInRect(d, window_, AreaRule::Touching, host_->pixelSize() / 2);
            if (handles_.empty())
                return;
            step_ = Step::Base;
            host_->prompt(kBasePoint);
            return;
        }
        case Step::Base:
            base_ = p;
            step_ = Step::Destination;
            host_->prompt(kDestination);
            return;
        case Step::Destination:
            apply({p.x - base_->x, p.y - base_->y});
            host_->finish();
            return;
        }
    }
    bool back() override {
        switch (step_) {
        case Step::First:
            return false;
        case Step::Second:
            first_.reset();
            step_ = Step::First;
            host_->prompt(kWindowFirst);
            return true;
        case Step::Base:
            step_ = Step::Second;
            host_->prompt(kWindowSecond);
            return true;
        case Step::Destination:
            base_.reset();
            step_ = Step::Base;
            host_->prompt(kBasePoint);
            return true;
        }
        return false;
    }
    void paint(QPainter& p) override {
        if (step_ == Step::Second && first_ && cursor_) {
            p.save();
            p.setPen(QPen(kResultColor, 0, Qt::DashLine));
            p.drawRect(QRectF(host_->toPixel(*first_), host_->toPixel(*cursor_)).normalized());
            p.restore();
            return;
        }
        if (step_ == Step::First)
            return;
        const Drawing& d = document().drawing();
        for (const std::uint32_t h : handles_)
            paintPicked(p, *host_, d, static_cast<int>(h));
        if (step_ != Step::Destination || !cursor_)
            return;
        const Vec2 by{cursor_->x - base_->x, cursor_->y - base_->y};
        std::vector<Curve> shown;
        for (const std::uint32_t h : handles_) {
            const auto c = curveOf(d, static_cast<int>(h));
            if (c) {
                if (const auto s = stretchCurve(*c, window_, by))
                    shown.push_back(*s);
            } else if (insideRect(d, static_cast<int>(h), window_)) {
                // Whole: its outline moved.
                Outline o;
                outlineOf(d, static_cast<int>(h), host_->pixelSize() / 4, o);
                for (const Outline::Path& path : o.paths) {
                    std::vector<Vec2> moved;
                    for (const Vec2 v : o.pointsOf(path))
                        moved.push_back({v.x + by.x, v.y + by.y});
                    shown.push_back(Curve{pathOf(moved, path.closed)});
                }
            }
        }
        paintCurves(p, *host_, document(), shown);
    }

private:
    enum class Step { First, Second, Base, Destination };
    void apply(Vec2 by) {
        Edit edit(document());
        ChangeSet& w = edit.changes();
        const Drawing& d = edit.drawing();
        Rect area;
        Refusal refused = Refusal::None;
        for (const std::uint32_t h : handles_) {
            if (!d.inModelSpace(static_cast<int>(h)))
                continue;
            area.add(d.entityExtents(static_cast<int>(h)));
            if (const auto c = curveOf(d, static_cast<int>(h))) {
                const auto s = stretchCurve(*c, window_, by);
                if (!s) {
                    refused = s.refusal;
                    continue;
                }
                area.add(d.entityExtents(replaceWithCurve(w, h, *s)));
            } else if (insideRect(d, static_cast<int>(h), window_)) {
                transformEntity(w, static_cast<int>(h), Similarity::translation(by));
                area.add(d.entityExtents(static_cast<int>(h)));
            }
        }
        edit.commit();
        host_->redrawArea(area);
        if (refused != Refusal::None)
            tellRefusal(refused);
    }

    CommandHost* host_ = nullptr;
    Step step_ = Step::First;
    std::optional<Vec2> first_, base_, cursor_;
    Rect window_;
    std::vector<std::uint32_t> handles_;
};

// ---- lengthen ---------------------------------------------------------------------------------

class LengthenCommand final : public Command {
public:
    using Command::Command;
    int name() const override { return kLengthenName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kLengthenValue);
    }
    bool asksValue() const override { return step_ == Step::Value; }
    bool snaps() const override { return step_ == Step::NewEnd; }
    bool number(double v) override {
        if (step_ != Step::Value)
            return false;
        if (!std::isfinite(v)) {
            tellRefusal(Refusal::NotFinite);
            return true;
        }
        value_ = v;
        step_ = Step::Pick;
        host_->prompt(kEndPick);
        return true;
    }
    bool key(int k) override {
        if (step_ != Step::Value)
            return false;
        if (k == Qt::Key_P || k == Qt::Key_C) {
            by_ = k == Qt::Key_P ? LengthenBy::Percent : LengthenBy::Total;
            host_->prompt(k == Qt::Key_P ? kPercent : kTotal);
            return true;
        }
        if (k == Qt::Key_D) {
            dynamic_ = true;
            by_ = LengthenBy::Delta;
            step_ = Step::Pick;
            host_->prompt(kEndPick);
            return true;
        }
        return false;
    }
    bool enter() override { return step_ == Step::NewEnd ? back() : false; }
    bool back() override {
        switch (step_) {
        case Step::Value:
            return false;
        case Step::Pick:
            step_ = Step::Value;
            dynamic_ = false;
            by_ = LengthenBy::Delta;
            host_->prompt(kLengthenValue);
            return true;
        case Step::NewEnd:
            step_ = Step::Pick;
            host_->prompt(kEndPick);
            return true;
        }
        return false;
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    void point(Vec2 p) override {
        const Drawing& d = document().drawing();
        if (step_ == Step::Pick) {
            const int h = pointedEntity(d, *host_, p, isCurveEntity);
            if (h < 0)
                return;
            if (dynamic_) {
                target_ = h;
                pick_ = p;
                step_ = Step::NewEnd;
                host_->prompt(kNewEnd);
                return;
            }
            apply(h, lengthened(h, p, value_));
            return;
        }
        if (step_ == Step::NewEnd) {
            apply(target_, dynamicResult(p));
            step_ = Step::Pick;
            host_->prompt(kEndPick);
        }
    }
    void paint(QPainter& p) override {
        if (!cursor_)
            return;
        const Drawing& d = document().drawing();
        if (step_ == Step::Pick) {
            const int h = pointedEntity(d, *host_, *cursor_, isCurveEntity);
            paintPicked(p, *host_, d, h);
            if (h >= 0 && !dynamic_)
                if (const auto made = lengthened(h, *cursor_, value_))
                    paintCurves(p, *host_, document(), {*made});
            return;
        }
        if (step_ == Step::NewEnd) {
            paintPicked(p, *host_, d, target_);
            if (const auto made = dynamicResult(*cursor_))
                paintCurves(p, *host_, document(), {*made});
        }
    }

private:
    enum class Step { Value, Pick, NewEnd };
    Outcome<Curve> lengthened(int h, Vec2 pick, double value) const {
        const auto c = curveOf(document().drawing(), h);
        if (!c)
            return Refusal::Unsupported;
        return lengthenCurve(*c, pick, by_, value);
    }
    // The end picked follows the point: lengthened or shortened by how far the point lies past
    // it along the curve's direction there.
    Outcome<Curve> dynamicResult(Vec2 p) const {
        const auto c = curveOf(document().drawing(), target_);
        if (!c)
            return Refusal::Unsupported;
        const double length = curveLength(*c);
        const bool atEnd = lengthTo(*c, closestParameter(*c, pick_)) >= length / 2;
        const double u = atEnd ? parameterEnd(*c) : parameterStart(*c);
        const Vec2 end = pointAt(*c, u);
        Vec2 out = tangentAt(*c, u);
        if (!atEnd)
            out = {-out.x, -out.y};
        const double delta = (p.x - end.x) * out.x + (p.y - end.y) * out.y;
        return lengthenCurve(*c, pick_, LengthenBy::Delta, delta);
    }
    void apply(int h, const Outcome<Curve>& made) {
        if (!made) {
            tellRefusal(made.refusal);
            return;
        }
        Edit edit(document());
        const Rect area = replaceWithPieces(edit.changes(), static_cast<std::uint32_t>(h), {*made});
        edit.commit();
        host_->redrawArea(area);
    }

    CommandHost* host_ = nullptr;
    Step step_ = Step::Value;
    LengthenBy by_ = LengthenBy::Delta;
    bool dynamic_ = false;
    double value_ = 0;
    int target_ = -1;
    Vec2 pick_;
    std::optional<Vec2> cursor_;
};

} // namespace

void registerPieceCommands(Engine& e) {
    e.addCommand(CAD_CMD_BREAK, [] {
        return startDrawCommand([](Document& d) { return std::make_unique<BreakCommand>(d); });
    });
    e.addCommand(CAD_CMD_JOIN, [] {
        return startDrawCommand([](Document& d) { return std::make_unique<JoinCommand>(d); });
    });
    e.addCommand(CAD_CMD_STRETCH, [] {
        return startDrawCommand([](Document& d) { return std::make_unique<StretchCommand>(d); });
    });
    e.addCommand(CAD_CMD_LENGTHEN, [] {
        return startDrawCommand([](Document& d) { return std::make_unique<LengthenCommand>(d); });
    });
    e.addCommand(CAD_CMD_REVERSE, [] {
        return startDrawCommand([](Document& d) { return std::make_unique<ReverseCommand>(d); });
    });
}

} // namespace cad
