// The commands that draw by picked points: point, line, polyline, spline, circles, arcs,
// sector, ellipse and rectangle. Each finished entity is one step of the document's history;
// new entities take the active layer, line style and text style.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/DrawSupport.h"
#include "engine/model/Construct.h"
#include "engine/model/Outline.h"
#include "engine/view/DrawingWindow.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>

namespace cad {

namespace {

// Prompts.
constexpr int kFirstPoint = 19308, kSecondPoint = 19309, kThirdPoint = 19310, kCentrePoint = 19311,
              kRadiusPoint = 19312, kStartPoint = 19313, kEndPoint = 19314, kNextPoint = 19317,
              kFirstCorner = 19302, kSecondCorner = 19303;
// Names.
constexpr int kPointName = 19206, kLineName = 19207, kCircleName = 19208, kArcName = 19209,
              kSectorName = 19210, kEllipseName = 19211, kPolylineName = 19212,
              kRectangleName = 19218, kSplineName = 19241;

double distance(Vec2 a, Vec2 b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

// A shape made of a fixed number of picked points, one step each; the entity is made when the
// last is picked and the command begins again for the next one.
class PickedShape : public Command {
public:
    // Makes the entity of the points (the last one the cursor while previewing); -1 when the
    // points make none. `preview` draws instead of adding.
    using Make = std::function<void(const std::vector<Vec2>&, ShapeSink&)>;
    PickedShape(Document& d, int name, std::vector<int> prompts, Make make)
        : Command(d), name_(name), prompts_(std::move(prompts)), make_(std::move(make)) {}

    int name() const override { return name_; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(prompts_[0]);
    }
    void point(Vec2 p) override {
        points_.push_back(p);
        if (points_.size() < prompts_.size()) {
            host_->prompt(prompts_[points_.size()]);
            return;
        }
        AddingSink sink(*host_, document());
        make_(points_, sink);
        sink.commit();
        points_.clear();
        host_->prompt(prompts_[0]);
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    bool back() override {
        if (points_.empty())
            return false;
        points_.pop_back();
        host_->prompt(prompts_[points_.size()]);
        return true;
    }
    void backspace() override { back(); }
    std::optional<Vec2> basePoint() const override {
        return points_.empty() ? std::nullopt : std::optional<Vec2>(points_.back());
    }
    void paint(QPainter& p) override {
        if (points_.empty() || !cursor_)
            return;
        std::vector<Vec2> points = points_;
        points.push_back(*cursor_);
        // Shapes of fewer points than they need show what is picked so far.
        PreviewSink sink(p, *host_, document());
        if (points.size() == prompts_.size())
            make_(points, sink);
    }

protected:
    CommandHost* host_ = nullptr;
    std::vector<Vec2> points_;
    std::optional<Vec2> cursor_;

private:
    int name_;
    std::vector<int> prompts_;
    Make make_;
};

// A point at every pick.
class PointCommand final : public Command {
public:
    using Command::Command;
    int name() const override { return kPointName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kFirstPoint);
    }
    void point(Vec2 p) override {
        AddingSink sink(*host_, document());
        sink.point(p);
        sink.commit();
    }

private:
    CommandHost* host_ = nullptr;
};

// Lines segment after segment, each from the end of the one before, until ended.
class LineCommand final : public Command {
public:
    using Command::Command;
    int name() const override { return kLineName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kFirstPoint);
    }
    void point(Vec2 p) override {
        if (last_ && !(p == *last_)) {
            AddingSink sink(*host_, document());
            sink.line(*last_, p);
            sink.commit();
        }
        last_ = p;
        host_->prompt(kNextPoint);
    }
    bool back() override { return dropPoint(last_, *host_, kFirstPoint); }
    std::optional<Vec2> basePoint() const override { return last_; }

private:
    CommandHost* host_ = nullptr;
    std::optional<Vec2> last_;
};

// A polyline, or a spline through the points, made when ended: Enter or the right button
// leave it open, "Z" (or "C") closes it, as does picking the first point again.
class PathCommand final : public Command {
public:
    PathCommand(Document& d, bool spline) : Command(d), spline_(spline) {}
    int name() const override { return spline_ ? kSplineName : kPolylineName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kFirstPoint);
    }
    void point(Vec2 p) override {
        if (!points_.empty() && p == points_.back())
            return;
        if (points_.size() >= 3 && p == points_.front()) {
            make(true);
            return;
        }
        points_.push_back(p);
        host_->prompt(kNextPointOrClose);
    }

    void cursor(Vec2 p) override { cursor_ = p; }
    // Ends the path picked so far (the next one may follow); with none, ends the command.
    bool enter() override {
        if (points_.size() < 2)
            return false;
        make(false);
        return true;
    }
    bool key(int k) override {
        if ((k == Qt::Key_Z || k == Qt::Key_C) && points_.size() >= 3) {
            make(true);
            return true;
        }
        return false;
    }
    void backspace() override { back(); }
    // One step back, as in the other commands: the last point picked goes.
    bool back() override {
        if (points_.empty())
            return false;
        points_.pop_back();
        host_->prompt(points_.empty() ? kFirstPoint : kNextPointOrClose);
        return true;
    }
    std::optional<Vec2> basePoint() const override {
        return points_.empty() ? std::nullopt : std::optional<Vec2>(points_.back());
    }
    void paint(QPainter& p) override {
        if (points_.empty())
            return;
        std::vector<Vec2> points = points_;
        if (cursor_)
            points.push_back(*cursor_);
        PreviewSink sink(p, *host_, document());
        if (spline_ && points.size() >= 3)
            sink.spline(points, false);
        else
            sink.polyline(points, false);
    }

private:
    void make(bool closed) {
        AddingSink sink(*host_, document());
        if (spline_)
            sink.spline(points_, closed);
        else
            sink.polyline(points_, closed);
        sink.commit();
        points_.clear();
        host_->prompt(kFirstPoint);
    }

    bool spline_;
    CommandHost* host_ = nullptr;
    std::vector<Vec2> points_;
    std::optional<Vec2> cursor_;
};

std::unique_ptr<Command> circle(Document& d, int form) {
    using P = std::vector<Vec2>;
    switch (form) {
    case 0: // centre and radius
        return std::make_unique<PickedShape>(d, kCircleName,
                                             std::vector<int>{kCentrePoint, kRadiusPoint},
                                             [](const P& p, ShapeSink& s) {
                                                 s.circle({p[0], distance(p[0], p[1])});
                                             });
    case 1: // centre and diameter
        return std::make_unique<PickedShape>(d, kCircleName,
                                             std::vector<int>{kCentrePoint, kSecondPoint},
                                             [](const P& p, ShapeSink& s) {
                                                 s.circle({p[0], distance(p[0], p[1]) / 2});
                                             });
    case 2: // two points across
        return std::make_unique<PickedShape>(
            d, kCircleName, std::vector<int>{kFirstPoint, kSecondPoint},
            [](const P& p, ShapeSink& s) {
                s.circle(
                    {{(p[0].x + p[1].x) / 2, (p[0].y + p[1].y) / 2}, distance(p[0], p[1]) / 2});
            });
    default: // three points on it
        return std::make_unique<PickedShape>(
            d, kCircleName, std::vector<int>{kFirstPoint, kSecondPoint, kThirdPoint},
            [](const P& p, ShapeSink& s) {
                if (const auto c = circleThrough(p[0], p[1], p[2]))
                    s.circle(*c);
            });
    }
}

enum class ArcForm { CentreStartEnd, StartEndMiddle, StartMiddleEnd };

std::unique_ptr<Command> arc(Document& d, ArcForm form, bool sector) {
    using P = std::vector<Vec2>;
    const int name = sector ? kSectorName : kArcName;
    auto add = [sector](ShapeSink& s, const ArcData& a) {
        if (sector)
            s.sector(a);
        else
            s.arc(a);
    };
    switch (form) {
    case ArcForm::CentreStartEnd:
        return std::make_unique<PickedShape>(d, name,
                                             std::vector<int>{kCentrePoint, kStartPoint, kEndPoint},
                                             [add](const P& p, ShapeSink& s) {
                                                 if (!(p[1] == p[0]))
                                                     add(s, arcAbout(p[0], p[1], p[2]));
                                             });
    case ArcForm::StartEndMiddle:
        return std::make_unique<PickedShape>(d, name,
                                             std::vector<int>{kStartPoint, kEndPoint, kSecondPoint},
                                             [add](const P& p, ShapeSink& s) {
                                                 if (const auto a = arcThrough(p[0], p[2], p[1]))
                                                     add(s, *a);
                                             });
    default:
        return std::make_unique<PickedShape>(d, name,
                                             std::vector<int>{kStartPoint, kSecondPoint, kEndPoint},
                                             [add](const P& p, ShapeSink& s) {
                                                 if (const auto a = arcThrough(p[0], p[1], p[2]))
                                                     add(s, *a);
                                             });
    }
}

// Centre, the end of one axis, then how far the other reaches.
std::unique_ptr<Command> ellipse(Document& d) {
    return std::make_unique<PickedShape>(
        d, kEllipseName, std::vector<int>{kCentrePoint, kSecondPoint, kThirdPoint},
        [](const std::vector<Vec2>& p, ShapeSink& s) {
            const double rx = distance(p[0], p[1]);
            if (!(rx > 0))
                return;
            const double angle = directionDegrees(p[0], p[1]);
            // The other radius: the distance of the third point from the first axis.
            const double ux = (p[1].x - p[0].x) / rx, uy = (p[1].y - p[0].y) / rx;
            const double ry = std::abs((p[2].x - p[0].x) * -uy + (p[2].y - p[0].y) * ux);
            if (ry > 0)
                s.ellipse({p[0], rx, ry, angle, 0, 360});
        });
}

std::unique_ptr<Command> rectangle(Document& d) {
    return std::make_unique<PickedShape>(
        d, kRectangleName, std::vector<int>{kFirstCorner, kSecondCorner},
        [](const std::vector<Vec2>& p, ShapeSink& s) {
            const double w = std::abs(p[1].x - p[0].x), h = std::abs(p[1].y - p[0].y);
            if (w > 0 && h > 0)
                s.rectangle({{(p[0].x + p[1].x) / 2, (p[0].y + p[1].y) / 2}, w, h, 0});
        });
}

template <typename Make> void addDrawCommand(Engine& e, int code, Make make) {
    e.addCommand(code, [make] { return startDrawCommand(make); });
}

} // namespace

void registerDrawCommands(Engine& e) {
    addDrawCommand(e, CAD_CMD_DRAW_POINT,
                   [](Document& d) { return std::make_unique<PointCommand>(d); });
    addDrawCommand(e, CAD_CMD_DRAW_LINE,
                   [](Document& d) { return std::make_unique<LineCommand>(d); });
    addDrawCommand(e, CAD_CMD_DRAW_POLYLINE,
                   [](Document& d) { return std::make_unique<PathCommand>(d, false); });
    addDrawCommand(e, CAD_CMD_DRAW_SPLINE,
                   [](Document& d) { return std::make_unique<PathCommand>(d, true); });
    addDrawCommand(e, CAD_CMD_DRAW_CIRCLE, [](Document& d) { return circle(d, 0); });
    addDrawCommand(e, CAD_CMD_DRAW_CIRCLE_DIAMETER, [](Document& d) { return circle(d, 1); });
    addDrawCommand(e, CAD_CMD_DRAW_CIRCLE_2P, [](Document& d) { return circle(d, 2); });
    addDrawCommand(e, CAD_CMD_DRAW_CIRCLE_3P, [](Document& d) { return circle(d, 3); });
    addDrawCommand(e, CAD_CMD_DRAW_ARC,
                   [](Document& d) { return arc(d, ArcForm::CentreStartEnd, false); });
    addDrawCommand(e, CAD_CMD_DRAW_ARC_SEM,
                   [](Document& d) { return arc(d, ArcForm::StartEndMiddle, false); });
    addDrawCommand(e, CAD_CMD_DRAW_ARC_SME,
                   [](Document& d) { return arc(d, ArcForm::StartMiddleEnd, false); });
    addDrawCommand(e, CAD_CMD_DRAW_SECTOR,
                   [](Document& d) { return arc(d, ArcForm::CentreStartEnd, true); });
    addDrawCommand(e, CAD_CMD_DRAW_ELLIPSE, ellipse);
    addDrawCommand(e, CAD_CMD_DRAW_RECTANGLE, rectangle);
}

} // namespace cad
