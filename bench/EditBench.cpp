// Selecting, erasing, moving and undoing in a drawing of a million entities (polylines, lines,
// circles and texts over a 100 km x 60 km area), through the engine and its drawing window
// as the person uses them.
#include "bench/BenchMain.h"
#include "bench/MillionDrawing.h"
#include "engine/Engine.h"
#include "engine/edit/Operations.h"
#include "engine/model/Picking.h"
#include "engine/render/Renderer.h"
#include "engine/view/DrawingWindow.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>

using namespace cad;

namespace {

constexpr int kEntities = bench::kMillion;

// The document of the million entities, made once, with a drawing window on the whole of it.
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
        cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 0);
        cadFileNew(0, "");
        s->document = engine().active();
        s->document->load([](std::unique_ptr<Drawing>& d) { bench::fillMillionEntities(*d); });
        const Drawing& d = s->document->drawing();
        s->document->saved();
        s->all = d.extents();
        s->parent.resize(1920, 1080);
        cadWndCreate(&s->parent, 13, 0, 0, 1920, 1080);
        s->window = DrawingWindow::current();
        engine().zoomAll(*s->document);
        s->window->grab(); // the first picture, and the index
        return s;
    }();
    return *s;
}

// A square of the drawing holding about a tenth of it.
Rect tenth(const Scene& s) {
    const double side = std::sqrt(0.1);
    const Vec2 c = s.all.centre();
    return Rect{c.x - s.all.width() * side / 2, c.y - s.all.height() * side / 2,
                c.x + s.all.width() * side / 2, c.y + s.all.height() * side / 2};
}

void EntityUnderTheCursor(benchmark::State& state) {
    Scene& s = scene();
    const Drawing& d = s.document->drawing();
    std::mt19937 random(3);
    std::uniform_int_distribution<int> pick(0, kEntities - 1);
    // Five pixels of reach at a view of the whole drawing: some 300 m.
    const double reach = DrawingWindow::kPickPixels * s.document->view.unitsPerPixel;
    for (auto _ : state) {
        const int h = pick(random);
        const Rect box = d.entityExtents(h);
        benchmark::DoNotOptimize(entityAt(d, box.centre(), reach));
    }
}

void WindowSelectionOfATenth(benchmark::State& state) {
    Scene& s = scene();
    const Drawing& d = s.document->drawing();
    std::size_t found = 0;
    for (auto _ : state)
        found = entitiesInRect(d, tenth(s), AreaRule::Inside, 1).size();
    state.counters["selected"] = double(found);
}

void CrossingSelectionOfATenth(benchmark::State& state) {
    Scene& s = scene();
    const Drawing& d = s.document->drawing();
    std::size_t found = 0;
    for (auto _ : state)
        found = entitiesInRect(d, tenth(s), AreaRule::Touching, 1).size();
    state.counters["selected"] = double(found);
}

// Selecting everything and drawing it highlighted over the drawing, as the window paints it.
void SelectAllWithHighlight(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        cadSelect(1, -1);
        s.window->grab();
        state.PauseTiming();
        cadSelect(0, -1);
        s.window->grab();
        state.ResumeTiming();
    }
}

// Erasing 100 000 selected entities, and taking the erase back: the journal and the index,
// the drawing aside.
void EraseAndUndoAHundredThousand(benchmark::State& state) {
    Scene& s = scene();
    const Drawing& d = s.document->drawing();
    std::vector<std::uint32_t> chosen;
    for (std::uint32_t h = 0; h < kEntities; h += 10)
        chosen.push_back(h);
    std::vector<std::uint32_t> probe;
    double eraseSeconds = 0, undoSeconds = 0;
    std::size_t journalBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (const std::uint32_t h : chosen)
            s.document->select(static_cast<int>(h), true);
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        {
            Edit edit(*s.document);
            erase(edit.changes(), selectedEntities(d));
            edit.commit();
            d.query(Rect{0, 0, 1, 1}, probe); // the index brought up to date
        }
        auto t1 = std::chrono::steady_clock::now();
        journalBytes = s.document->journal.nextUndo()->bytes();
        s.document->journal.undo();
        d.query(Rect{0, 0, 1, 1}, probe);
        auto t2 = std::chrono::steady_clock::now();
        eraseSeconds += std::chrono::duration<double>(t1 - t0).count();
        undoSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.PauseTiming();
        s.document->selectAll(false);
        s.document->journal.clear();
        state.ResumeTiming();
    }
    state.counters["erase_ms"] = 1000 * eraseSeconds / double(state.iterations());
    state.counters["undo_ms"] = 1000 * undoSeconds / double(state.iterations());
    state.counters["journal_bytes_per_entity"] = double(journalBytes) / double(chosen.size());
}

// Erasing one entity with the Delete key until the window shows the drawing without it.
void EraseOneUntilShown(benchmark::State& state) {
    Scene& s = scene();
    const Drawing& d = s.document->drawing();
    std::uint32_t next = 5;
    for (auto _ : state) {
        state.PauseTiming();
        while (!d.inModelSpace(static_cast<int>(next)))
            next += 7;
        s.document->select(static_cast<int>(next), true);
        s.window->grab();
        state.ResumeTiming();
        cadExecute(CAD_CMD_ERASE);
        s.window->grab();
    }
    state.counters["partial_renders"] = s.window->partialRenderCount();
}

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

// Every tenth entity selected, the move command started and its base point picked, the whole
// drawing in view.
void startMovingATenth(Scene& s) {
    s.document->selectAll(false);
    for (std::uint32_t h = 0; h < kEntities; h += 10)
        s.document->select(static_cast<int>(h), true);
    engine().zoomAll(*s.document);
    s.window->grab();
    cadExecute(CAD_CMD_MOVE);
    click(s, {960, 540});
}

// One frame of the 100 000 selected entities following the cursor: the move, the window
// painted (the cached picture of the drawing with the selection drawn over it where it would go).
void MoveFollowingTheCursor(benchmark::State& state) {
    Scene& s = scene();
    startMovingATenth(s);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> px(0, 1919), py(0, 1079);
    const int renders = s.window->renderCount() + s.window->partialRenderCount();
    for (auto _ : state) {
        mouse(s, QEvent::MouseMove, {px(random), py(random)});
        s.window->grab();
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["drawing_renders"] =
        s.window->renderCount() + s.window->partialRenderCount() - renders;
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(s.window, &escape);
    s.document->selectAll(false);
}

// The move of 100 000 entities as the person gives it (the destination clicked) until the
// window shows the result, then its undo until the drawing is as before, index included, the
// drawing of the window aside.
void MoveAHundredThousandAndUndo(benchmark::State& state) {
    Scene& s = scene();
    const Drawing& d = s.document->drawing();
    std::vector<std::uint32_t> probe;
    double moveSeconds = 0, undoSeconds = 0, clickSeconds = 0, journalSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        startMovingATenth(s);
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        click(s, {1000, 560});
        const auto tc = std::chrono::steady_clock::now();
        s.window->grab();
        const auto t1 = std::chrono::steady_clock::now();
        clickSeconds += std::chrono::duration<double>(tc - t0).count();
        s.document->journal.undo();
        const auto tu = std::chrono::steady_clock::now();
        d.query(Rect{0, 0, 1, 1}, probe);
        const auto t2 = std::chrono::steady_clock::now();
        journalSeconds += std::chrono::duration<double>(tu - t1).count();
        moveSeconds += std::chrono::duration<double>(t1 - t0).count();
        undoSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.PauseTiming();
        s.document->selectAll(false);
        s.document->journal.clear();
        engine().redraw();
        s.window->grab();
        state.ResumeTiming();
    }
    state.counters["move_ms"] = 1000 * moveSeconds / double(state.iterations());
    state.counters["move_without_drawing_ms"] = 1000 * clickSeconds / double(state.iterations());
    state.counters["undo_ms"] = 1000 * undoSeconds / double(state.iterations());
    state.counters["undo_journal_ms"] = 1000 * journalSeconds / double(state.iterations());
}

} // namespace

BENCHMARK(EntityUnderTheCursor)->Unit(benchmark::kMicrosecond);
BENCHMARK(WindowSelectionOfATenth)->Unit(benchmark::kMillisecond);
BENCHMARK(CrossingSelectionOfATenth)->Unit(benchmark::kMillisecond);
BENCHMARK(SelectAllWithHighlight)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(EraseAndUndoAHundredThousand)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(EraseOneUntilShown)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(MoveFollowingTheCursor)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(MoveAHundredThousandAndUndo)->Unit(benchmark::kMillisecond)->Iterations(5);
