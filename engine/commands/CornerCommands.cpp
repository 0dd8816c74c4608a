// Fillet and chamfer: the radius (or the chamfer's distances, or a distance and an angle) typed
// first, then two entities picked on the sides that stay, or a corner of a polyline picked, or
// ("C") a whole polyline, every corner of it. Between a polyline's end segment and another
// entity the two become one polyline. Again and again until ended; each corner one step.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/ModifySupport.h"
#include "engine/model/EntityCurves.h"
#include "engine/model/Fillet.h"
#include "engine/model/VectorOps.h"
#include "engine/view/DrawingWindow.h"

#include <QPainter>

#include <cmath>
#include <optional>

namespace cad {

namespace {

constexpr int kFilletName = 18604, kChamferName = 18605;
constexpr int kRadius = 18631, kFirstObject = 18632, kSecondObject = 18633, kWholePolyline = 18634,
              kFirstDistance = 18635, kSecondDistance = 18636, kChamferAngle = 18637;

// What the last fillet and chamfer used, offered again by Enter.
struct CornerValues {
    double radius = 0;
    double first = 0, second = 0;
    std::optional<double> angle; // a chamfer by a distance and an angle
};
CornerValues& lastValues() {
    static CornerValues v;
    return v;
}

// The polyline (or rectangle) an entity is as a path, if it is one.
std::optional<Path> pathOfEntity(const Drawing& d, int h) {
    const auto c = curveOf(d, h);
    if (c && std::holds_alternative<Path>(*c))
        return std::get<Path>(*c);
    return std::nullopt;
}

// A line shortened keeps the direction it had (its line style runs on the same way).
LineData sameWay(const LineData& was, LineData now) {
    using namespace vectorops;
    if (dot(now.b - now.a, was.b - was.a) < 0)
        std::swap(now.a, now.b);
    return now;
}

// The entities the two picks change, and how.
struct CornerChange {
    // An entity becomes a curve (none: erased); new entities with the look of `like`.
    std::vector<std::pair<int, std::optional<Curve>>> changed;
    std::vector<Curve> added;
    int like = -1;
    // For the preview: every curve that shows after the change.
    std::vector<Curve> shown() const {
        std::vector<Curve> out = added;
        for (const auto& [h, c] : changed)
            if (c)
                out.push_back(*c);
        return out;
    }
};

class CornerCommand final : public Command {
public:
    CornerCommand(Document& d, bool chamfer) : Command(d), chamfer_(chamfer) {}
    int name() const override { return chamfer_ ? kChamferName : kFilletName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(chamfer_ ? kFirstDistance : kRadius);
    }
    bool asksValue() const override {
        return step_ == Step::Value || step_ == Step::Value2 || step_ == Step::Angle;
    }
    bool snaps() const override { return false; }
    bool number(double v) override {
        if (!asksValue())
            return false;
        if (!usableValue(v)) {
            tellRefusal(std::isfinite(v) ? Refusal::NegativeValue : Refusal::NotFinite);
            return true;
        }
        if (step_ == Step::Value) {
            value_ = v;
            if (!chamfer_) {
                lastValues().radius = v;
                toFirst();
            } else {
                step_ = Step::Value2;
                host_->prompt(kSecondDistance);
            }
        } else if (step_ == Step::Value2) {
            value2_ = v;
            angle_.reset();
            remember();
            toFirst();
        } else {
            angle_ = v;
            remember();
            toFirst();
        }
        return true;
    }
    bool enter() override {
        CornerValues& last = lastValues();
        switch (step_) {
        case Step::Value:
            if (chamfer_) {
                value_ = last.first;
                value2_ = last.second;
                angle_ = last.angle;
            } else {
                value_ = last.radius;
            }
            toFirst();
            return true;
        case Step::Value2: // the same distance on both sides
            value2_ = value_;
            angle_.reset();
            remember();
            toFirst();
            return true;
        case Step::Angle:
            return true;
        case Step::First:
        case Step::Whole:
            return false;
        case Step::Second:
            toFirst();
            return true;
        }
        return false;
    }
    bool key(int k) override {
        if (step_ == Step::First && k == Qt::Key_C) {
            step_ = Step::Whole;
            host_->prompt(kWholePolyline);
            return true;
        }
        if (step_ == Step::Value2 && k == Qt::Key_K) {
            step_ = Step::Angle;
            host_->prompt(kChamferAngle);
            return true;
        }
        return false;
    }
    bool back() override {
        switch (step_) {
        case Step::Value:
            return false;
        case Step::Value2:
        case Step::Angle:
            step_ = Step::Value;
            host_->prompt(kFirstDistance);
            return true;
        case Step::First:
            step_ = Step::Value;
            host_->prompt(chamfer_ ? kFirstDistance : kRadius);
            return true;
        case Step::Second:
        case Step::Whole:
            toFirst();
            return true;
        }
        return false;
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    void point(Vec2 p) override {
        const Drawing& d = document().drawing();
        const int h = pointedEntity(d, *host_, p, accepts);
        if (h < 0)
            return;
        if (step_ == Step::Whole) {
            apply(whole(h));
            toFirst();
            return;
        }
        if (step_ == Step::First) {
            // A corner of a polyline pointed at: that corner alone.
            if (const auto corner = atVertex(h, p)) {
                apply(*corner);
                return;
            }
            first_ = h;
            firstPick_ = p;
            step_ = Step::Second;
            host_->prompt(kSecondObject);
            return;
        }
        if (step_ == Step::Second) {
            apply(between(h, p));
            toFirst();
        }
    }
    void paint(QPainter& p) override {
        if (!cursor_)
            return;
        const Drawing& d = document().drawing();
        const int h = pointedEntity(d, *host_, *cursor_, accepts);
        if (step_ == Step::Second)
            paintPicked(p, *host_, d, first_);
        if (h < 0)
            return;
        std::optional<Outcome<CornerChange>> shown;
        if (step_ == Step::Whole)
            shown = whole(h);
        else if (step_ == Step::First)
            shown = atVertex(h, *cursor_);
        else if (step_ == Step::Second)
            shown = between(h, *cursor_);
        paintPicked(p, *host_, d, h);
        if (shown && *shown)
            paintCurves(p, *host_, document(), (*shown)->shown());
    }

private:
    enum class Step { Value, Value2, Angle, First, Second, Whole };
    static bool accepts(const Drawing& d, int h) {
        const EntityType t = d.entities[static_cast<std::size_t>(h)].type;
        return t == EntityType::Line || t == EntityType::Arc || t == EntityType::Circle ||
               t == EntityType::Polyline || t == EntityType::Rectangle;
    }
    void remember() {
        lastValues().first = value_;
        lastValues().second = value2_;
        lastValues().angle = angle_;
    }
    void toFirst() {
        step_ = Step::First;
        first_ = -1;
        host_->prompt(kFirstObject);
    }

    // The corner of a polyline at the vertex pointed at, when the pick is at one.
    std::optional<Outcome<CornerChange>> atVertex(int h, Vec2 p) const {
        const auto path = pathOfEntity(document().drawing(), h);
        if (!path)
            return std::nullopt;
        const double reach = DrawingWindow::kPickPixels * host_->pixelSize();
        for (std::size_t k = 0; k < path->v.size(); ++k) {
            const Vec2 v = path->v[k].p;
            if (std::hypot(v.x - p.x, v.y - p.y) > reach)
                continue;
            Outcome<Path> made = Refusal::NotACorner;
            if (!chamfer_)
                made = filletPathCorner(*path, k, value_);
            else if (angle_)
                made = chamferPathCornerByAngle(*path, k, value_, *angle_);
            else
                made = chamferPathCorner(*path, k, value_, value2_);
            if (!made)
                return Outcome<CornerChange>(made.refusal);
            CornerChange c;
            c.changed.push_back({h, Curve{*made}});
            return Outcome<CornerChange>(c);
        }
        return std::nullopt;
    }

    Outcome<CornerChange> whole(int h) const {
        const auto path = pathOfEntity(document().drawing(), h);
        if (!path)
            return Refusal::Unsupported;
        if (chamfer_ && angle_) // every corner has an angle of its own
            return Refusal::Unsupported;
        const auto made =
            chamfer_ ? chamferPathAll(*path, value_, value2_) : filletPathAll(*path, value_);
        if (!made)
            return made.refusal;
        if (made->changed == 0)
            return made->tooShort > 0 ? Refusal::RadiusTooLarge : Refusal::NotACorner;
        CornerChange c;
        c.changed.push_back({h, Curve{made->path}});
        return c;
    }

    Outcome<CornerChange> between(int second, Vec2 pick) const {
        const Drawing& d = document().drawing();
        const auto a = curveOf(d, first_), b = curveOf(d, second);
        if (!a || !b)
            return Refusal::Unsupported;
        CornerChange c;
        c.like = first_;
        const bool pathA = std::holds_alternative<Path>(*a);
        const bool pathB = std::holds_alternative<Path>(*b);
        if (second == first_) {
            // Two segments of one polyline.
            if (!pathA)
                return Refusal::NotACorner;
            const Path& path = std::get<Path>(*a);
            const std::size_t s1 = closestPosition(path, firstPick_).segment;
            const std::size_t s2 = closestPosition(path, pick).segment;
            Outcome<Path> made = Refusal::NotACorner;
            if (!chamfer_) {
                made = filletPathSegments(path, s1, s2, value_);
            } else {
                // A chamfer at the corner between the two (neighbours).
                const std::size_t n = path.segmentCount();
                std::optional<std::size_t> vertex;
                if ((s1 + 1) % path.v.size() == s2 && (path.closed || s2 > 0))
                    vertex = s2;
                else if ((s2 + 1) % path.v.size() == s1 && (path.closed || s1 > 0))
                    vertex = s1;
                if (!vertex || n < 2)
                    return Refusal::NotACorner;
                made = angle_ ? chamferPathCornerByAngle(path, *vertex, value_, *angle_)
                              : chamferPathCorner(path, *vertex, value_, value2_);
            }
            if (!made)
                return made.refusal;
            c.changed.push_back({first_, Curve{*made}});
            return c;
        }
        if (pathA || pathB) {
            // Joined into one polyline, which the first one becomes.
            Outcome<Path> made = Refusal::Unsupported;
            if (!chamfer_)
                made = filletJoining(*a, firstPick_, *b, pick, value_);
            else if (angle_)
                made = chamferJoiningByAngle(*a, firstPick_, *b, pick, value_, *angle_);
            else
                made = chamferJoining(*a, firstPick_, *b, pick, value_, value2_);
            if (!made)
                return made.refusal;
            c.changed.push_back({first_, Curve{*made}});
            c.changed.push_back({second, std::nullopt});
            return c;
        }
        if (!chamfer_) {
            const auto made = filletCurves(*a, firstPick_, *b, pick, value_);
            if (!made)
                return made.refusal;
            c.changed.push_back({first_, made->first});
            c.changed.push_back({second, made->second});
            if (made->arc)
                c.added.push_back(Curve{*made->arc});
            return c;
        }
        const auto* la = std::get_if<LineData>(&*a);
        const auto* lb = std::get_if<LineData>(&*b);
        if (!la || !lb)
            return Refusal::Unsupported;
        const auto made = angle_ ? chamferLinesByAngle(*la, firstPick_, *lb, pick, value_, *angle_)
                                 : chamferLines(*la, firstPick_, *lb, pick, value_, value2_);
        if (!made)
            return made.refusal;
        c.changed.push_back({first_, Curve{sameWay(*la, made->first)}});
        c.changed.push_back({second, Curve{sameWay(*lb, made->second)}});
        if (made->bevel)
            c.added.push_back(Curve{*made->bevel});
        return c;
    }

    void apply(const Outcome<CornerChange>& made) {
        if (!made) {
            tellRefusal(made.refusal);
            return;
        }
        Edit edit(document());
        ChangeSet& w = edit.changes();
        const Drawing& d = edit.drawing();
        Rect area;
        int like = made->like;
        for (const auto& [h, c] : made->changed) {
            area.add(d.entityExtents(h));
            const auto handle = static_cast<std::uint32_t>(h);
            if (!c) {
                w.erase(handle);
                continue;
            }
            // A circle filleted stays whole: unchanged.
            const int now = replaceWithCurve(w, handle, *c);
            if (h == like)
                like = now;
            area.add(d.entityExtents(now));
        }
        for (const Curve& c : made->added)
            area.add(d.entityExtents(addCurveLike(w, c, static_cast<std::uint32_t>(like))));
        edit.commit();
        host_->redrawArea(area);
    }

    bool chamfer_;
    CommandHost* host_ = nullptr;
    Step step_ = Step::Value;
    double value_ = 0, value2_ = 0;
    std::optional<double> angle_;
    int first_ = -1;
    Vec2 firstPick_;
    std::optional<Vec2> cursor_;
};

} // namespace

void registerCornerCommands(Engine& e) {
    e.addCommand(CAD_CMD_FILLET, [] {
        return startDrawCommand(
            [](Document& d) { return std::make_unique<CornerCommand>(d, false); });
    });
    e.addCommand(CAD_CMD_CHAMFER, [] {
        return startDrawCommand(
            [](Document& d) { return std::make_unique<CornerCommand>(d, true); });
    });
}

} // namespace cad
