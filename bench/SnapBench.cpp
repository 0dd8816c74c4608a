// Snapping the cursor and following it with a rubber band in a drawing of a million entities
// (polylines, lines, circles, arcs and texts over a 100 km x 60 km area), through the drawing
// window as a person uses it: the line command asks for its next point, every way of snapping
// is on.
#include "bench/BenchMain.h"
#include "engine/Engine.h"
#include "engine/snap/Snapper.h"
#include "engine/view/DrawingWindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <random>

using namespace cad;

namespace {

constexpr int kEntities = 1'000'000;
constexpr int kWidth = 1920, kHeight = 1080;

struct Scene {
    Document* document = nullptr;
    DrawingWindow* window = nullptr;
    QWidget parent;
    Rect all;
};

Scene& scene() {
    static Scene* s = [] {
        auto* s = new Scene;
        atBenchmarksEnd([s] {
            cadReset();
            delete s;
        });
        cadReset();
        cadFileNew(0, "");
        s->document = engine().active();
        s->document->load([](std::unique_ptr<Drawing>& drawing) {
            Drawing& d = *drawing;
            std::mt19937 random(7);
            std::uniform_real_distribution<double> x(0, 100000), y(0, 60000), step(-8, 8),
                angle(0, 360);
            std::vector<Vec2> v(6);
            d.entities.reserve(kEntities);
            for (int i = 0; i < kEntities; ++i) {
                const Vec2 p{x(random), y(random)};
                switch (i % 8) {
                case 0:
                case 1:
                case 4:
                case 5:
                    v[0] = p;
                    for (std::size_t k = 1; k < v.size(); ++k)
                        v[k] = {v[k - 1].x + step(random), v[k - 1].y + step(random)};
                    d.addPolyline(v.data(), v.size(), false);
                    break;
                case 2:
                case 6:
                    d.addLine({p, {p.x + step(random), p.y + step(random)}});
                    break;
                case 3:
                    d.addCircle({p, 3});
                    break;
                case 7:
                    if (i % 16 == 7)
                        d.addArc({p, 5, angle(random), angle(random)});
                    else
                        d.addText({p, 2.5, 0, 0, 0, 0, "Km " + std::to_string(i)});
                    break;
                }
            }
        });
        s->document->saved();
        s->all = s->document->drawing().extents();
        s->parent.resize(kWidth, kHeight);
        cadWndCreate(&s->parent, 13, 0, 0, kWidth, kHeight);
        s->window = DrawingWindow::current();
        for (int k = 0; k < kSnapKinds; ++k)
            engine().snaps.set(static_cast<SnapKind>(k), true);
        s->document->changeSettings([](DrawingSettings& settings) { settings.gridSnap = true; });
        // The line command, its first point picked in the middle of the drawing.
        cadExecute(CAD_CMD_DRAW_LINE);
        engine().zoomAll(*s->document);
        const QPointF middle(kWidth / 2.0, kHeight / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, middle, middle, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(s->window, &press);
        s->window->grab(); // the first picture, and the index
        return s;
    }();
    return *s;
}

// The whole drawing in view (some 55 m a pixel), or a view a kilometre across.
void setZoom(Scene& s, bool whole) {
    if (whole) {
        engine().zoomAll(*s.document);
    } else {
        s.document->view.centre = s.all.centre();
        s.document->view.unitsPerPixel = 1000.0 / kWidth;
        engine().redraw();
    }
    s.window->grab();
}

void moveTo(Scene& s, QPointF pixel) {
    QMouseEvent move(QEvent::MouseMove, pixel, pixel, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(s.window, &move);
}

// One mouse move: the window snaps the cursor (one index query, every way of snapping,
// intersections included) and passes it to the command.
void SnapOneMouseMove(benchmark::State& state) {
    Scene& s = scene();
    setZoom(s, state.range(0) != 0);
    std::mt19937 random(3);
    std::uniform_real_distribution<double> px(0, kWidth - 1), py(0, kHeight - 1);
    std::size_t entitiesLookedAt = 0, snapped = 0;
    Snapper probe;
    for (auto _ : state) {
        const QPointF at(px(random), py(random));
        moveTo(s, at);
        state.PauseTiming();
        // What the snap found there, outside the timing.
        SnapQuery q;
        q.cursor = s.window->toDrawing(at);
        q.unitsPerPixel = s.document->view.unitsPerPixel;
        q.settings = engine().snaps;
        q.base = s.window->command()->basePoint();
        const SnapResult r = probe.snap(s.document->drawing(), q);
        entitiesLookedAt += probe.lastCandidates();
        snapped += r.kind < SnapKind::Tracking || r.kind == SnapKind::Perpendicular ||
                   r.kind == SnapKind::Tangent || r.kind == SnapKind::Point;
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.counters["entities_near"] = double(entitiesLookedAt) / n;
    state.counters["on_entities"] = double(snapped) / n;
}

// One frame of the rubber band following the cursor: the move, then the window painted (the
// cached picture of the drawing, the band and the marker over it).
void RubberBandFrame(benchmark::State& state) {
    Scene& s = scene();
    setZoom(s, state.range(0) != 0);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> px(0, kWidth - 1), py(0, kHeight - 1);
    const int renders = s.window->renderCount() + s.window->partialRenderCount();
    for (auto _ : state) {
        moveTo(s, QPointF(px(random), py(random)));
        s.window->grab();
    }
    state.counters["drawing_renders"] =
        s.window->renderCount() + s.window->partialRenderCount() - renders;
}

} // namespace

BENCHMARK(SnapOneMouseMove)->Arg(1)->Arg(0)->ArgName("whole")->Unit(benchmark::kMicrosecond);
BENCHMARK(RubberBandFrame)->Arg(1)->Arg(0)->ArgName("whole")->Unit(benchmark::kMillisecond);
