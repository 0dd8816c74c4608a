// Drawing a large drawing into a full-HD image: the whole of it, and a tenth of it.
#include "engine/edit/DrawingWriter.h"
#include "engine/model/Drawing.h"
#include "engine/render/Renderer.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>

using namespace cad;

namespace {

// 1 million polylines of 10 vertices in 20 layers over a 100 km x 60 km area (metres): short
// runs of a few tens of metres, as road drawings have them.
const Drawing& bigDrawing() {
    static const Drawing d = [] {
        Drawing d;
        for (int l = 1; l < 20; ++l)
            d.layers.push_back(Layer{std::to_string(30 + l), std::uint32_t(l * 0x0A0B0C), 0, 0.25,
                                     true, false, true});
        std::mt19937 random(7);
        std::uniform_real_distribution<double> x(0, 100000), y(0, 60000), step(-8, 8);
        std::vector<Vec2> v(10);
        d.vertices.reserve(10'000'000);
        d.entities.reserve(1'000'000);
        for (int p = 0; p < 1'000'000; ++p) {
            d.current.layer = p % 20;
            v[0] = {x(random), y(random)};
            for (int i = 1; i < 10; ++i)
                v[i] = {v[i - 1].x + step(random), v[i - 1].y + step(random)};
            d.addPolyline(v.data(), v.size(), false);
        }
        return d;
    }();
    return d;
}

// The same drawing reordered: a tenth of its entities brought to the top, or every one in a
// random place (the worst case: neighbours in the order lie anywhere in memory).
const Drawing& reorderedDrawing(bool shuffled) {
    static const auto make = [](bool all) {
        auto d = std::make_unique<Drawing>(bigDrawing());
        std::mt19937 random(11);
        const auto n = static_cast<std::uint32_t>(d->entities.size());
        if (all) {
            d->orderKeys.resize(n);
            for (std::uint32_t h = 0; h < n; ++h)
                d->orderKeys[h] = h;
            std::shuffle(d->orderKeys.begin(), d->orderKeys.end(), random);
            d->orderChanged();
        } else {
            std::vector<std::uint32_t> tenth;
            std::uniform_int_distribution<std::uint32_t> pick(0, n - 1);
            for (std::uint32_t i = 0; i < n / 10; ++i)
                tenth.push_back(pick(random));
            ScratchWriter(*d).setOrderKeys(keysToTop(*d, tenth));
        }
        return d;
    };
    static const std::unique_ptr<Drawing> tenthOnTop = make(false), everyOne = make(true);
    return shuffled ? *everyOne : *tenthOnTop;
}

void render(benchmark::State& state, double fraction, const Drawing& d) {
    std::vector<std::uint32_t> all0;
    d.query(d.extents(), all0); // the index, made once
    QImage image(1920, 1080, QImage::Format_RGB32);
    const Rect all = d.extents();
    const double perPixel = std::max(all.width() / 1920, all.height() / 1080) * fraction;
    const RenderView view = RenderView::centredOn(all.centre(), perPixel, 1920, 1080);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter p(&image);
        renderDrawing(p, d, view, RenderOptions{});
    }
}

void RenderWholeDrawing(benchmark::State& state) {
    render(state, 1.0, bigDrawing());
}
void RenderTenthOfDrawing(benchmark::State& state) {
    render(state, std::sqrt(0.1), bigDrawing());
}
BENCHMARK(RenderWholeDrawing)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderTenthOfDrawing)->Unit(benchmark::kMillisecond);

// With a draw order set.
void RenderWholeDrawingTenthOnTop(benchmark::State& state) {
    render(state, 1.0, reorderedDrawing(false));
}
void RenderWholeDrawingShuffled(benchmark::State& state) {
    render(state, 1.0, reorderedDrawing(true));
}
void RenderTenthOfDrawingShuffled(benchmark::State& state) {
    render(state, std::sqrt(0.1), reorderedDrawing(true));
}
BENCHMARK(RenderWholeDrawingTenthOnTop)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderWholeDrawingShuffled)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderTenthOfDrawingShuffled)->Unit(benchmark::kMillisecond);

} // namespace
