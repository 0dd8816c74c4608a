// Hatching: a pattern (or a solid fill) chosen in the hatch dialog, then the boundaries: closed
// entities picked on their outline, or a point inside a closed area, whose boundary is the
// smallest closed entity around it, with the closed entities inside that as islands. Enter
// makes the hatch, one step.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/DrawDialogs.h"
#include "engine/commands/DrawSupport.h"
#include "engine/model/Measure.h"
#include "engine/model/Outline.h"
#include "engine/model/Picking.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace cad {

namespace {

constexpr int kHatchName = 19215;

// The closed outline of an entity that encloses an area, or nothing.
std::optional<std::vector<Vec2>> closedBoundary(const Drawing& d, int h, double tolerance) {
    if (!selectable(d, h))
        return std::nullopt;
    const Entity& e = d.entities[static_cast<std::size_t>(h)];
    switch (e.type) {
    case EntityType::Polyline:
        if (!e.has(EntityFlag::Closed) || e.count < 3)
            return std::nullopt;
        break;
    case EntityType::Circle:
    case EntityType::Rectangle:
        break;
    case EntityType::Ellipse:
        if (arcSweep(d.ellipses[e.first].startAngle, d.ellipses[e.first].endAngle) < 360)
            return std::nullopt;
        break;
    default:
        // Other kinds that close (a closed spline, a sector) through their outline.
        if (e.type != EntityType::Text && e.type != EntityType::Image &&
            e.type != EntityType::Hatch && e.type != EntityType::Insert)
            break;
        return std::nullopt;
    }
    // Curves are followed closely, whatever the zoom: the hatch keeps its boundary.
    const Rect box = d.entityExtents(h);
    const double fine = std::max(std::hypot(box.width(), box.height()) * 1e-4, 1e-9);
    Outline o;
    outlineOf(d, h, std::min(tolerance, fine), o);
    if (o.paths.size() != 1 || !o.paths[0].closed || o.paths[0].count < 3)
        return std::nullopt;
    const auto pts = o.pointsOf(o.paths[0]);
    std::vector<Vec2> loop(pts.begin(), pts.end());
    // Curves repeat their first point at the end; the hatch closes its loops itself.
    while (loop.size() > 3 && loop.front() == loop.back())
        loop.pop_back();
    return loop;
}

class HatchCommand final : public Command {
public:
    HatchCommand(Document& d, HatchSpec look) : Command(d), look_(std::move(look)) {}
    int name() const override { return kHatchName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kHatchPrompt);
    }
    void point(Vec2 p) override {
        const Drawing& d = document().drawing();
        const double tolerance = host_->pixelSize() / 2;
        const double reach = DrawingWindow::kPickPixels * host_->pixelSize();
        // An outline picked: that entity is a boundary.
        const int picked = nearestEntity(d, p, reach, [&](int h) {
            return closedBoundary(d, h, tolerance) ? distanceTo(d, h, p, tolerance) : reach * 2;
        });
        if (picked >= 0) {
            take(picked, tolerance);
            return;
        }
        // A point inside: the smallest closed entity around it, and the islands within.
        std::vector<std::uint32_t> around;
        d.query(Rect{p.x, p.y, p.x, p.y}, around);
        int outer = -1;
        double smallest = 0;
        for (const std::uint32_t h : around) {
            const auto loop = closedBoundary(d, static_cast<int>(h), tolerance);
            if (!loop || !pointInPolygon(*loop, p))
                continue;
            const double area = polygonArea(*loop);
            if (outer < 0 || area < smallest) {
                outer = static_cast<int>(h);
                smallest = area;
            }
        }
        if (outer < 0)
            return;
        take(outer, tolerance);
        const auto boundary = closedBoundary(d, outer, tolerance);
        std::vector<std::uint32_t> inside;
        d.query(d.entityExtents(outer), inside);
        for (const std::uint32_t h : inside) {
            if (static_cast<int>(h) == outer)
                continue;
            const auto island = closedBoundary(d, static_cast<int>(h), tolerance);
            if (island && !pointInPolygon(*island, p) &&
                std::all_of(island->begin(), island->end(),
                            [&](Vec2 q) { return pointInPolygon(*boundary, q); }))
                take(static_cast<int>(h), tolerance);
        }
    }
    bool enter() override {
        if (!loops_.empty()) {
            HatchSpec look = look_;
            std::vector<Vec2> all;
            for (const auto& loop : loops_) {
                look.loops.push_back(static_cast<std::uint32_t>(loop.size()));
                all.insert(all.end(), loop.begin(), loop.end());
            }
            AddingSink sink(*host_, document());
            sink.added(sink.changes().addHatch(all, look));
            sink.commit();
        }
        return false;
    }
    bool back() override {
        if (loops_.empty())
            return false;
        loops_.pop_back();
        taken_.pop_back();
        return true;
    }
    void backspace() override { back(); }
    void paint(QPainter& p) override {
        PreviewSink sink(p, *host_, document());
        for (const auto& loop : loops_)
            sink.polyline(loop, true);
    }

private:
    void take(int h, double tolerance) {
        if (std::find(taken_.begin(), taken_.end(), h) != taken_.end())
            return;
        if (auto loop = closedBoundary(document().drawing(), h, tolerance)) {
            loops_.push_back(std::move(*loop));
            taken_.push_back(h);
        }
    }

    HatchSpec look_;
    CommandHost* host_ = nullptr;
    std::vector<std::vector<Vec2>> loops_;
    std::vector<int> taken_;
};

} // namespace

void registerHatchCommand(Engine& e) {
    e.addCommand(CAD_CMD_DRAW_HATCH, [] {
        return startDrawCommand([](Document& d) -> std::unique_ptr<Command> {
            HatchDialog dialog(DrawingWindow::current());
            if (showModal(dialog) != QDialog::Accepted)
                return nullptr;
            HatchSpec look;
            look.pattern = dialog.pattern();
            look.solid = dialog.solid();
            look.scale = dialog.scale();
            look.angle = dialog.angle();
            return std::make_unique<HatchCommand>(d, look);
        });
    });
}

} // namespace cad
