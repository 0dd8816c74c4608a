// Dimensions in a drawing of a million entities (bench/MillionDrawing.h, in metres, printed at
// 1:500) with 100 000 dimensions more: seven in ten linear (parallel, horizontal, vertical) on
// the lines, one in ten radial or diametric on the circles, one angular at a polyline's vertex
// and one ordinate of a polyline's vertex, every point tied to its entity as the dimension
// commands tie a point picked with a snap. Measured:
// - the whole view drawn (and a tenth of it), against the same drawing without the dimensions;
//   the spatial index made anew (what the first picture of an opened drawing waits for);
// - a line tied to 20 dimensions moved by clicks, until the window shows it;
// - the DXF export of the 100 000 dimensions (a drawing of them alone) with their blocks.
// KWL_BENCH_KEEP=folder keeps the DXF file and the pictures drawn there, so that a change
// meant to make them faster can be shown to change nothing of them.
#include "bench/BenchMain.h"
#include "bench/MillionDrawing.h"
#include "engine/Engine.h"
#include "engine/io/Dxf.h"
#include "engine/model/PointTies.h"
#include "engine/model/TieIndex.h"
#include "engine/render/Renderer.h"
#include "engine/view/DrawingWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace cad;

namespace {

constexpr int kDimensions = 100'000;
constexpr int kTiedToOne = 20;

// A drawing in metres, printed at 1:500: texts of dimensions 1.25 m high.
void roadSettings(Drawing& d) {
    d.settings.units = 4;
    d.settings.printScale = 500;
}

// The point of entity h that a snap of that kind finds at p, as the commands tie it.
PointTie tie(const Drawing& d, std::uint32_t h, SnapKind kind, Vec2 p) {
    const std::uint32_t candidates[] = {h};
    return tieAt(d, candidates, kind, p).value_or(PointTie{});
}

Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
Vec2 operator*(double k, Vec2 a) {
    return {k * a.x, k * a.y};
}

// The 100 000 dimensions of the million entities of `source` (filled by
// bench::fillMillionEntities), added to `target` (the same drawing, or one of dimensions alone,
// whose points are then not tied).
void addDimensions(const Drawing& source, Drawing& target) {
    const bool tied = &source == &target;
    using Ties = std::array<PointTie, kMostDimensionPoints>;
    for (int k = 0; k < kDimensions; ++k) {
        target.current.layer = k % 20;
        DimensionData data;
        Ties ties{};
        const auto vertices = [&](std::uint32_t h) {
            return source.vertexData(source.entities[h]);
        };
        switch (k % 10) {
        case 7: { // a radius or diameter of a circle
            const auto h = static_cast<std::uint32_t>(3 + 8 * (k / 10));
            const CircleData c = source.circles[source.entities[h].first];
            data.kind = k % 20 == 7 ? DimensionKind::Radial : DimensionKind::Diametric;
            data.points[DimPoint::Centre] = c.centre;
            data.points[DimPoint::ChordPoint] = c.centre + Vec2{c.radius * 0.6, c.radius * 0.8};
            if (tied) {
                ties[DimPoint::Centre] = tie(source, h, SnapKind::Centre, c.centre);
                ties[DimPoint::ChordPoint] =
                    circleTie(source, h, data.points[DimPoint::ChordPoint]).value_or(PointTie{});
            }
            break;
        }
        case 8: { // the angle at a polyline's second vertex
            const auto h = static_cast<std::uint32_t>(4 * k);
            const Vec2* v = vertices(h);
            data =
                angularAtVertex(v[1], v[0], v[2], v[1] + 0.3 * (v[0] - v[1]) + 0.3 * (v[2] - v[1]));
            if (tied) {
                ties[DimPoint::FirstLineStart] = ties[DimPoint::SecondLineStart] =
                    tie(source, h, SnapKind::End, v[1]);
                ties[DimPoint::FirstLineEnd] = tie(source, h, SnapKind::End, v[0]);
                ties[DimPoint::SecondLineEnd] = tie(source, h, SnapKind::End, v[2]);
            }
            break;
        }
        case 9: { // an ordinate of a polyline's fourth vertex
            const auto h = static_cast<std::uint32_t>(4 * k + 1);
            const Vec2 p = vertices(h)[3];
            const Vec2 leader = p + (k % 20 == 9 ? Vec2{2, 6} : Vec2{6, 2});
            data.kind = ordinateKindToward(p, leader);
            data.points[DimPoint::Feature] = p;
            data.points[DimPoint::LeaderEnd] = leader;
            if (tied)
                ties[DimPoint::Feature] = tie(source, h, SnapKind::End, p);
            break;
        }
        default: { // the length of a line, along it or along an axis
            const auto h = static_cast<std::uint32_t>(2 + 4 * k);
            const LineData l = source.lines[source.entities[h].first];
            data.kind = k % 10 < 3   ? DimensionKind::Parallel
                        : k % 10 < 5 ? DimensionKind::Horizontal
                                     : DimensionKind::Vertical;
            data.points[DimPoint::FirstOrigin] = l.a;
            data.points[DimPoint::SecondOrigin] = l.b;
            data.points[DimPoint::LinePoint] = 0.5 * (l.a + l.b) + Vec2{3, 3};
            if (tied) {
                ties[DimPoint::FirstOrigin] = tie(source, h, SnapKind::End, l.a);
                ties[DimPoint::SecondOrigin] = tie(source, h, SnapKind::End, l.b);
            }
            break;
        }
        }
        target.addDimension(data, ties);
    }
}

// The million entities, without dimensions.
const Drawing& plainDrawing() {
    static const std::unique_ptr<Drawing> d = [] {
        auto d = std::make_unique<Drawing>();
        roadSettings(*d);
        bench::fillMillionEntities(*d);
        return d;
    }();
    return *d;
}

// The 100 000 dimensions alone, untied.
const Drawing& dimensionsAlone() {
    static const std::unique_ptr<Drawing> d = [] {
        auto d = std::make_unique<Drawing>();
        roadSettings(*d);
        addDimensions(plainDrawing(), *d);
        return d;
    }();
    return *d;
}

// The document of the million entities with their dimensions, and a 200 m line in the middle
// of it that 20 dimensions are tied to, with a drawing window on the whole of it.
struct Scene {
    Document* document = nullptr;
    DrawingWindow* window = nullptr;
    QWidget parent;
    int line = -1;
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
        s->document->load([s](std::unique_ptr<Drawing>& d) {
            roadSettings(*d);
            bench::fillMillionEntities(*d);
            addDimensions(*d, *d);
            const Vec2 a{50'000, 30'000}, b{50'150, 30'130};
            const auto line = static_cast<std::uint32_t>(d->addLine({a, b}));
            s->line = static_cast<int>(line);
            for (int k = 0; k < kTiedToOne; ++k) {
                // Chained along the line from either end or from its middle, on both sides.
                DimensionData data;
                data.kind = k % 3 == 0   ? DimensionKind::Parallel
                            : k % 3 == 1 ? DimensionKind::Horizontal
                                         : DimensionKind::Vertical;
                const bool middle = k % 2 == 1;
                const Vec2 first = middle ? 0.5 * (a + b) : a;
                data.points[DimPoint::FirstOrigin] = first;
                data.points[DimPoint::SecondOrigin] = b;
                const double side = (k % 4 < 2 ? 1 : -1) * (5 + 4 * (k / 4));
                data.points[DimPoint::LinePoint] = 0.5 * (first + b) + Vec2{-side, side};
                std::array<PointTie, kMostDimensionPoints> ties{};
                ties[DimPoint::FirstOrigin] =
                    tie(*d, line, middle ? SnapKind::Middle : SnapKind::End, first);
                ties[DimPoint::SecondOrigin] = tie(*d, line, SnapKind::End, b);
                d->addDimension(data, ties);
            }
        });
        const Drawing& d = s->document->drawing();
        std::vector<std::uint32_t> tied;
        d.tiedDimensions(static_cast<std::uint32_t>(s->line), tied);
        if (tied.size() != kTiedToOne)
            std::fprintf(stderr, "the line is tied to %zu dimensions\n", tied.size());
        s->document->saved();
        s->parent.resize(1920, 1080);
        cadWndCreate(&s->parent, 13, 0, 0, 1920, 1080);
        s->window = DrawingWindow::current();
        engine().zoomAll(*s->document);
        s->window->grab(); // the first picture, and the index
        return s;
    }();
    return *s;
}

// Where what was made is kept (KWL_BENCH_KEEP), or nothing.
std::string kept(const std::string& name) {
    const char* folder = std::getenv("KWL_BENCH_KEEP");
    return folder && *folder ? std::string(folder) + "/" + name : std::string();
}

// ---- the whole view drawn

double seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// Draws the drawing into a full-HD image, the view of the plain drawing's extents (or the
// middle `fraction` of it) for both drawings alike.
void render(benchmark::State& state, const Drawing& d, double fraction, const char* name) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    const Rect all = plainDrawing().extents();
    const double perPixel = std::max(all.width() / 1920, all.height() / 1080) * fraction;
    const RenderView view = RenderView::centredOn(all.centre(), perPixel, 1920, 1080);
    std::vector<std::uint32_t> shown;
    d.query(Rect{all.centre().x - 960 * perPixel, all.centre().y - 540 * perPixel,
                 all.centre().x + 960 * perPixel, all.centre().y + 540 * perPixel},
            shown); // the index, made once
    {
        QPainter p(&image); // the fonts loaded once
        renderDrawing(p, d, view, RenderOptions{});
    }
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter p(&image);
        renderDrawing(p, d, view, RenderOptions{});
    }
    state.counters["entities_in_view"] = double(shown.size());
    if (const std::string path = kept(std::string(name) + ".png"); !path.empty())
        image.save(QString::fromStdString(path));
}

void WholeViewWithoutDimensions(benchmark::State& state) {
    render(state, plainDrawing(), 1.0, "WholeViewWithoutDimensions");
}
void WholeViewWithDimensions(benchmark::State& state) {
    render(state, scene().document->drawing(), 1.0, "WholeViewWithDimensions");
}
void TenthOfViewWithoutDimensions(benchmark::State& state) {
    render(state, plainDrawing(), std::sqrt(0.1), "TenthOfViewWithoutDimensions");
}
void TenthOfViewWithDimensions(benchmark::State& state) {
    render(state, scene().document->drawing(), std::sqrt(0.1), "TenthOfViewWithDimensions");
}
// A view 5 km wide (2.6 m a pixel): dimensions of lines some 10 m long are drawn whole, their
// texts as strokes.
void DistrictViewWithoutDimensions(benchmark::State& state) {
    render(state, plainDrawing(), 5'000.0 / 100'000, "DistrictViewWithoutDimensions");
}
void DistrictViewWithDimensions(benchmark::State& state) {
    render(state, scene().document->drawing(), 5'000.0 / 100'000, "DistrictViewWithDimensions");
}
// A view 400 m wide, where every dimension in it is drawn whole with a readable text.
void StreetViewWithoutDimensions(benchmark::State& state) {
    render(state, plainDrawing(), 400.0 / 100'000, "StreetViewWithoutDimensions");
}
void StreetViewWithDimensions(benchmark::State& state) {
    render(state, scene().document->drawing(), 400.0 / 100'000, "StreetViewWithDimensions");
}

// The spatial index made anew, as an opened drawing makes it for its first picture.
void index(benchmark::State& state, const Drawing& d) {
    std::vector<std::uint32_t> found;
    for (auto _ : state) {
        d.index().invalidate();
        d.query(Rect{0, 0, 1, 1}, found);
    }
}
// The first picture of the whole view: the index made anew, then the drawing drawn.
void firstPicture(benchmark::State& state, const Drawing& d) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    const Rect all = plainDrawing().extents();
    const double perPixel = std::max(all.width() / 1920, all.height() / 1080);
    const RenderView view = RenderView::centredOn(all.centre(), perPixel, 1920, 1080);
    for (auto _ : state) {
        d.index().invalidate();
        image.fill(Qt::white);
        QPainter p(&image);
        renderDrawing(p, d, view, RenderOptions{});
    }
}
void FirstPictureWithoutDimensions(benchmark::State& state) {
    firstPicture(state, plainDrawing());
}
void FirstPictureWithDimensions(benchmark::State& state) {
    firstPicture(state, scene().document->drawing());
}
void IndexWithoutDimensions(benchmark::State& state) {
    index(state, plainDrawing());
}
void IndexWithDimensions(benchmark::State& state) {
    index(state, scene().document->drawing());
}

// ---- a line tied to 20 dimensions moved

void mouse(Scene& s, QEvent::Type type, QPointF pixel) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent e(type, pixel, pixel, button, held, Qt::NoModifier);
    QApplication::sendEvent(s.window, &e);
}

void click(Scene& s, QPointF pixel) {
    mouse(s, QEvent::MouseMove, pixel);
    mouse(s, QEvent::MouseButtonPress, pixel);
    mouse(s, QEvent::MouseButtonRelease, pixel);
}

// The line selected, the move started and its base point picked at the line's start; the
// destination clicked 40 pixels away, until the window shows the line and its dimensions
// there; then taken back.
void moveTiedLine(benchmark::State& state, const Rect& shown) {
    Scene& s = scene();
    Document& doc = *s.document;
    const Drawing& d = doc.drawing();
    engine().zoomTo(doc, shown);
    s.window->grab();
    const Vec2 start = d.lines[d.entities[static_cast<std::size_t>(s.line)].first].a;
    const std::uint32_t dimension = d.dimensions.size() > 0 ? d.entities.size() - 1 : 0;
    const Vec2 before = d.dimensions[d.entities[dimension].first].points[DimPoint::SecondOrigin];
    double clickSeconds = 0;
    bool followed = true;
    for (auto _ : state) {
        state.PauseTiming();
        doc.selectAll(false);
        doc.select(s.line, true);
        s.window->grab();
        cadExecute(CAD_CMD_MOVE);
        const QPointF base = s.window->toPixel(start);
        click(s, base);
        s.window->grab();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        click(s, base + QPointF(40, 0));
        clickSeconds += seconds(t0);
        s.window->grab();
        state.PauseTiming();
        followed =
            followed &&
            d.dimensions[d.entities[dimension].first].points[DimPoint::SecondOrigin].x > before.x;
        doc.journal.undo();
        doc.selectAll(false);
        doc.journal.clear();
        engine().redraw();
        s.window->grab();
        state.ResumeTiming();
    }
    state.counters["without_drawing_ms"] = 1000 * clickSeconds / double(state.iterations());
    state.counters["followed"] = followed;
}

void MoveLineTiedTo20WholeView(benchmark::State& state) {
    moveTiedLine(state, scene().document->drawing().extents());
}
// A view 600 m wide round the line.
void MoveLineTiedTo20NearView(benchmark::State& state) {
    moveTiedLine(state, Rect{49'775, 29'900, 50'375, 30'240});
}

// The first move after the drawing was opened also makes the index from entities to the
// dimensions tied to them: made anew here, once for each answer.
void TieIndexMadeAnew(benchmark::State& state) {
    Scene& s = scene();
    const Drawing& d = s.document->drawing();
    std::vector<std::uint32_t> tied;
    for (auto _ : state) {
        TieIndex index;
        tied.clear();
        index.tiedTo(d, static_cast<std::uint32_t>(s.line), tied);
    }
    state.counters["tied"] = double(tied.size());
}

// ---- DXF

void DxfOfTheDimensions(benchmark::State& state) {
    const Drawing& d = dimensionsAlone();
    const std::string keep = kept("dimensions.dxf");
    const std::string path = keep.empty() ? "/tmp/kwl_bench_dimensions.dxf" : keep;
    for (auto _ : state)
        saveDxf(d, path);
    state.SetItemsProcessed(state.iterations() * kDimensions);
    state.counters["MB"] = double(QFileInfo(QString::fromStdString(path)).size()) / 1e6;
    if (keep.empty())
        std::remove(path.c_str());
}

// Laying out every dimension for its box, as the spatial index does for each.
void LayoutOfTheDimensions(benchmark::State& state) {
    const Drawing& d = dimensionsAlone();
    double sum = 0;
    for (auto _ : state)
        for (std::size_t h = 0; h < d.entities.size(); ++h)
            sum += d.entityExtents(static_cast<int>(h)).width();
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kDimensions);
}

} // namespace

// Drawing runs on two threads: the process's processor time is given, and the time waited.
BENCHMARK(WholeViewWithoutDimensions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(WholeViewWithDimensions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(TenthOfViewWithoutDimensions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(TenthOfViewWithDimensions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(DistrictViewWithoutDimensions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(DistrictViewWithDimensions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(StreetViewWithoutDimensions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(StreetViewWithDimensions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(FirstPictureWithoutDimensions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(FirstPictureWithDimensions)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(IndexWithoutDimensions)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(IndexWithDimensions)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(MoveLineTiedTo20WholeView)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(MoveLineTiedTo20NearView)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(TieIndexMadeAnew)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(LayoutOfTheDimensions)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(DxfOfTheDimensions)->Unit(benchmark::kMillisecond)->Iterations(3);
