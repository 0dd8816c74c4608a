#include "engine/render/Renderer.h"

#include "engine/model/DimensionEntity.h"
#include "engine/model/HatchPatterns.h"
#include "engine/model/Outline.h"
#include "engine/model/Spline.h"
#include "engine/model/TextMeasure.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QStringDecoder>
#include <QTransform>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <map>
#include <memory>
#include <thread>

namespace cad {

RenderView RenderView::centredOn(Vec2 centre, double unitsPerPixel, int widthPx, int heightPx) {
    RenderView v;
    v.widthPx = widthPx;
    v.heightPx = heightPx;
    const double s = 1.0 / unitsPerPixel;
    v.toDevice = {s, 0, 0, -s, widthPx / 2.0 - centre.x * s, heightPx / 2.0 + centre.y * s};
    return v;
}

RenderView RenderView::turned(Vec2 centre, double unitsPerPixel, double angleDegrees, int widthPx,
                              int heightPx) {
    RenderView v = centredOn(centre, unitsPerPixel, widthPx, heightPx);
    if (normalisedDegrees(angleDegrees) != 0)
        v.toDevice = v.toDevice.after(Affine::translation(centre.x, centre.y))
                         .after(Affine::rotation(-angleDegrees))
                         .after(Affine::translation(-centre.x, -centre.y));
    return v;
}

namespace {

QTransform toQt(const Affine& m) {
    return QTransform(m.a, m.b, m.c, m.d, m.e, m.f);
}

// The font of a text style as texts are drawn with it: laid out at a fixed size and scaled, so
// that any height draws alike. An empty family is the default font.
QFont styleFont(std::string_view family) {
    constexpr int kBase = 100;
    QFont font;
    if (!family.empty()) {
        QStringDecoder decoder("windows-1250");
        font.setFamily(
            decoder(QByteArrayView(family.data(), static_cast<qsizetype>(family.size()))));
    }
    font.setPixelSize(kBase);
    return font;
}

double capHeightOf(const QFontMetricsF& fm) {
    return fm.capHeight() > 0 ? fm.capHeight() : 70.0; // 0.7 of the size laid out
}

// What a font family's letters measure, in heights of its capitals: the advance of each
// Windows-1250 byte, and how far letters reach below and above the baseline.
struct FamilyReach {
    std::array<double, 256> advance{};
    double below = 0, above = 1;
};

FamilyReach reachOf(std::string_view family) {
    const QFont font = styleFont(family);
    const QFontMetricsF fm(font);
    const double cap = capHeightOf(fm);
    FamilyReach r;
    QStringDecoder decoder("windows-1250");
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const QString letter = decoder(QByteArrayView(&byte, 1));
        r.advance[static_cast<std::size_t>(b)] = fm.horizontalAdvance(letter) / cap;
    }
    r.below = fm.descent() / cap;
    r.above = std::max(fm.ascent() / cap, 1.0);
    return r;
}

// The measure the model asks for a text's extents: each thread keeps what it measured, per
// family (plain numbers only, so nothing of Qt outlives the application).
TextReach measureWithFont(std::string_view family, std::string_view bytes) {
    // Fonts need the application's font database; without one, the model's estimate.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return TextReach{0.6 * static_cast<double>(bytes.size()), 0, 1};
    }
    thread_local std::map<std::string, std::unique_ptr<FamilyReach>, std::less<>> known;
    thread_local std::string lastFamily;
    thread_local const FamilyReach* last = nullptr;
    if (!last || lastFamily != family) {
        auto it = known.find(family);
        if (it == known.end())
            it = known.emplace(std::string(family), std::make_unique<FamilyReach>(reachOf(family)))
                     .first;
        lastFamily = std::string(family);
        last = it->second.get();
    }
    TextReach reach{0, last->below, last->above};
    for (const char c : bytes)
        reach.width += last->advance[static_cast<unsigned char>(c)];
    return reach;
}

// Installed before any drawing is measured: the model's extents of texts are the drawn ones.
[[maybe_unused]] const bool kMeasureInstalled = (setTextMeasure(&measureWithFont), true);

constexpr int kMaxBlockDepth = 16;
constexpr double kMargin = 4; // pixels drawn beyond the device edge, for wide pens
constexpr std::size_t kMaxBatches = 64;

// How a run of entities is stroked; consecutive entities with the same stroke share one call.
struct Stroke {
    QRgb color = 0;
    double widthPx = 1;
    bool operator==(const Stroke&) const = default;
};

class Painter {
public:
    Painter(QPainter& p, const Drawing& d, const RenderView& v, const RenderOptions& o)
        : p_(p), d_(d), o_(o),
          view_(v), clip_{v.clipPx.empty()
                              ? Rect{-kMargin, -kMargin, v.widthPx + kMargin, v.heightPx + kMargin}
                              : Rect{v.clipPx.left - kMargin, v.clipPx.bottom - kMargin,
                                     v.clipPx.right + kMargin, v.clipPx.top + kMargin}} {
        batches_.reserve(kMaxBatches); // batch addresses stay put
        batches_.push_back(Batch{stroke_, {}, {}});
        current_ = &batches_.back();
    }

    ~Painter() { flush(); }

    void drawModelSpace() {
        findVisible(visible_);
        drawItems(visible_, 0, visible_.size());
    }

    // The entities in view, from the drawing's index, in drawing order.
    void findVisible(std::vector<std::uint32_t>& out) { d_.query(worldRect(view_.toDevice), out); }

    // Draws items [from, to) of a visible list, with their records and vertices fetched from
    // memory a few entities ahead.
    void drawItems(const std::vector<std::uint32_t>& items, std::size_t from, std::size_t to) {
        // An entity smaller than a pixel is a dot.
        const double pixel = 1.0 / view_.toDevice.scale();
        const SpatialIndex& index = d_.index();
        for (std::size_t k = from; k < to; ++k) {
            if (k + 24 < to)
                __builtin_prefetch(&d_.entities[items[k + 24]]);
            if (k + 12 < to) {
                const Entity& ahead = d_.entities[items[k + 12]];
                if (ahead.type == EntityType::Polyline && ahead.first < d_.vertices.size()) {
                    const Vec2* v = &d_.vertices[ahead.first];
                    for (std::uint32_t i = 0; i < ahead.count && i < 16; i += 4)
                        __builtin_prefetch(v + i);
                }
            }
            const std::uint32_t handle = items[k];
            const FloatBox& b = index.box(handle);
            const Entity& e = d_.entities[handle];
            if (e.has(EntityFlag::Deleted) || e.has(EntityFlag::InBlock))
                continue;
            if (o_.onlySelected && !e.has(EntityFlag::Selected))
                continue;
            if (b.right - b.left < pixel && b.top - b.bottom < pixel && !isText(e)) {
                if (!visibleLayer(e))
                    continue;
                setStroke(strokeOf(e, nullptr));
                const Vec2 q = view_.toDevice.apply({b.left, b.bottom});
                addPoint(q.x, q.y);
                continue;
            }
            drawEntity(e, view_.toDevice, nullptr, 0);
        }
    }

private:
    static bool isText(const Entity& e) { return e.type == EntityType::Text; }

    // The part of the drawing a device map shows (for culling).
    Rect worldRect(const Affine& m) const {
        // Invert the map at the four device corners.
        const double det = m.a * m.d - m.b * m.c;
        Rect r;
        if (det == 0 || !std::isfinite(det))
            return r;
        for (const auto& [x, y] : {std::pair{clip_.left, clip_.bottom},
                                   {clip_.right, clip_.bottom},
                                   {clip_.left, clip_.top},
                                   {clip_.right, clip_.top}}) {
            const double u = x - m.e, v = y - m.f;
            r.add((m.d * u - m.c * v) / det, (-m.b * u + m.a * v) / det);
        }
        return r;
    }

    const Layer* layerOf(const Entity& e) const {
        return e.layer < d_.layers.size() ? &d_.layers[static_cast<std::size_t>(e.layer)] : nullptr;
    }

    // An entity's own colour and width; every entity drawn is a record of the drawing.
    OwnStyle ownOf(const Entity& e) const {
        return d_.ownStyle(static_cast<std::size_t>(&e - d_.entities.data()));
    }

    bool visibleLayer(const Entity& e) const {
        const Layer* l = layerOf(e);
        return !l || (l->visible && (!o_.printing || l->printable));
    }

    // Entities inside a block insertion that are "by layer" take the insertion's layer when
    // they lie on layer "0", as drawings usually expect.
    Stroke strokeOf(const Entity& e, const Entity* insertion) const {
        const Entity& byLayer = insertion && e.layer == 0 ? *insertion : e;
        const Layer* l = layerOf(byLayer);
        Stroke s;
        const bool selected =
            o_.showSelection &&
            (e.has(EntityFlag::Selected) || (insertion && insertion->has(EntityFlag::Selected)));
        if (selected) {
            s.color = o_.selectionColor.rgb();
        } else {
            const std::uint32_t c =
                e.has(EntityFlag::ColorByLayer) ? (l ? l->color : 0) : ownOf(e).color;
            s.color = qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                           static_cast<int>((c >> 16) & 0xFF));
        }
        const double mm = e.has(EntityFlag::WidthByLayer) ? (l ? l->width : 0) : ownOf(e).width;
        s.widthPx = 1;
        if (o_.showLineWidths && std::isfinite(mm) && mm > 0)
            s.widthPx = std::clamp(mm * o_.pixelsPerMm, 1.0, 2000.0);
        return s;
    }

    QColor fillOf(const Entity& e, const Entity* insertion) const {
        if (o_.showSelection && e.has(EntityFlag::Selected))
            return o_.selectionColor;
        if (!e.has(EntityFlag::ColorByLayer))
            return toQColor(ownOf(e).color);
        const Layer* l = layerOf(insertion && e.layer == 0 ? *insertion : e);
        return toQColor(l ? l->fillColor : 0);
    }

    // ---- batching of plain lines and dots
    //
    // Plain one-stroke lines and dots collect in one batch per stroke and are drawn together;
    // anything drawn otherwise (fills, dashes, texts, images) first draws every batch, so that
    // it keeps its place above what came before it.

    struct Batch {
        Stroke stroke;
        std::vector<QLineF> lines;
        std::vector<QPointF> points;
    };

    void setStroke(const Stroke& s) {
        if (current_ && current_->stroke == s)
            return;
        stroke_ = s;
        for (auto& b : batches_)
            if (b.stroke == s) {
                current_ = &b;
                return;
            }
        if (batches_.size() >= kMaxBatches)
            flush(); // leaves one batch, of the new stroke
        else
            batches_.push_back(Batch{s, {}, {}});
        current_ = &batches_.back();
    }

    QPen pen(const Stroke& s) const {
        QPen pen(QColor::fromRgb(s.color), s.widthPx);
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        return pen;
    }
    QPen pen() const { return pen(stroke_); }

    void flush() {
        for (auto& b : batches_) {
            if (b.lines.empty() && b.points.empty())
                continue;
            p_.setPen(pen(b.stroke));
            if (!b.lines.empty())
                p_.drawLines(b.lines.data(), static_cast<int>(b.lines.size()));
            if (!b.points.empty())
                p_.drawPoints(b.points.data(), static_cast<int>(b.points.size()));
        }
        batches_.clear();
        batches_.push_back(Batch{stroke_, {}, {}});
        current_ = &batches_.back();
    }

    void addLine(double x1, double y1, double x2, double y2) {
        current_->lines.emplace_back(x1, y1, x2, y2);
        if (current_->lines.size() >= 16384)
            flush();
    }
    void addPoint(double x, double y) {
        current_->points.emplace_back(x, y);
        if (current_->points.size() >= 16384)
            flush();
    }

    // Clips a device segment to the drawn area (Liang-Barsky) and batches what remains.
    void segment(Vec2 a, Vec2 b) {
        // Most segments lie wholly in the drawn area.
        if (a.x >= clip_.left && a.x <= clip_.right && a.y >= clip_.bottom && a.y <= clip_.top &&
            b.x >= clip_.left && b.x <= clip_.right && b.y >= clip_.bottom && b.y <= clip_.top) {
            addLine(a.x, a.y, b.x, b.y);
            return;
        }
        double t0 = 0, t1 = 1;
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double pTerms[4] = {-dx, dx, -dy, dy};
        const double qTerms[4] = {a.x - clip_.left, clip_.right - a.x, a.y - clip_.bottom,
                                  clip_.top - a.y};
        for (int i = 0; i < 4; ++i) {
            if (pTerms[i] == 0) {
                if (qTerms[i] < 0)
                    return;
                continue;
            }
            const double t = qTerms[i] / pTerms[i];
            if (pTerms[i] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
            if (t0 > t1)
                return;
        }
        if (!(t0 <= t1)) // NaN
            return;
        addLine(a.x + t0 * dx, a.y + t0 * dy, a.x + t1 * dx, a.y + t1 * dy);
    }

    // Device points of a path, with vertices that fall on the pixel of the previous one left
    // out.
    void polyline(const std::vector<Vec2>& pts, bool closed) {
        if (pts.empty())
            return;
        Vec2 last = pts[0];
        bool drew = false;
        for (std::size_t i = 1; i < pts.size(); ++i) {
            const Vec2 q = pts[i];
            if (std::abs(q.x - last.x) < 0.75 && std::abs(q.y - last.y) < 0.75)
                continue;
            segment(last, q);
            last = q;
            drew = true;
        }
        if (closed && pts.size() > 2)
            segment(last, pts[0]), drew = true;
        if (!drew && clip_.contains(pointRect(pts[0])))
            addPoint(pts[0].x, pts[0].y);
    }

    // The common case on one pass: a continuous, unfilled polyline, transformed and thinned
    // to the device's pixels as it is read.
    void plainPolyline(const Vec2* v, std::uint32_t n, const Affine& m, bool closed) {
        if (n == 0)
            return;
        const Vec2 first = m.apply(v[0]);
        Vec2 last = first;
        bool drew = false;
        for (std::uint32_t i = 1; i < n; ++i) {
            const Vec2 q = m.apply(v[i]);
            if (std::abs(q.x - last.x) < 0.75 && std::abs(q.y - last.y) < 0.75)
                continue;
            segment(last, q);
            last = q;
            drew = true;
        }
        if (closed && n > 2) {
            segment(last, first);
            drew = true;
        }
        if (!drew && clip_.contains(pointRect(first)))
            addPoint(first.x, first.y);
    }

    static Rect pointRect(Vec2 p) {
        Rect r;
        r.add(p);
        return r;
    }

    // A dashed path: drawn with the pattern scaled to the device.
    void dashed(const std::vector<Vec2>& pts, bool closed, const LineStyle& style,
                const Affine& m) {
        const double scale = m.scale();
        double period = 0;
        QList<qreal> pattern;
        for (double v : style.pattern) {
            const double px = std::abs(v) * scale / stroke_.widthPx;
            period += std::abs(v) * scale;
            pattern << std::max(px, v == 0 ? 0.01 : 0.5);
        }
        if (pattern.size() % 2)
            pattern << pattern.back();
        // Too fine to see, or absurd: a continuous line.
        if (period < 3 || !std::isfinite(period) || period > 1e7) {
            polyline(pts, closed);
            return;
        }
        flush();
        QPen pen = this->pen();
        pen.setDashPattern(pattern);
        pen.setCapStyle(Qt::FlatCap);
        p_.setPen(pen);
        QPolygonF poly;
        for (const Vec2& q : clipPolygonToArea(pts, closed))
            poly << QPointF(q.x, q.y);
        if (closed)
            p_.drawPolygon(poly);
        else
            p_.drawPolyline(poly);
        p_.setBrush(Qt::NoBrush);
    }

    // A dashed path far beyond the device is not clipped segment by segment (that would break
    // its dash phase), only pulled into a sane range.
    std::vector<Vec2> clipPolygonToArea(const std::vector<Vec2>& pts, bool) const {
        std::vector<Vec2> out;
        out.reserve(pts.size());
        const double limit = 1e6;
        for (const Vec2& q : pts)
            out.push_back({std::clamp(q.x, -limit, limit), std::clamp(q.y, -limit, limit)});
        return out;
    }

    // Fills a device polygon, clipped to the drawn area (Sutherland-Hodgman).
    void fill(const std::vector<Vec2>& pts, const QColor& color) {
        std::vector<Vec2> poly = pts;
        auto clipEdge = [&](auto inside, auto cross) {
            std::vector<Vec2> out;
            for (std::size_t i = 0; i < poly.size(); ++i) {
                const Vec2 a = poly[i], b = poly[(i + 1) % poly.size()];
                const bool ia = inside(a), ib = inside(b);
                if (ia)
                    out.push_back(a);
                if (ia != ib)
                    out.push_back(cross(a, b));
            }
            poly.swap(out);
        };
        auto along = [](Vec2 a, Vec2 b, double t) {
            return Vec2{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
        };
        const Rect c = clip_;
        clipEdge([&](Vec2 q) { return q.x >= c.left; },
                 [&](Vec2 a, Vec2 b) { return along(a, b, (c.left - a.x) / (b.x - a.x)); });
        clipEdge([&](Vec2 q) { return q.x <= c.right; },
                 [&](Vec2 a, Vec2 b) { return along(a, b, (c.right - a.x) / (b.x - a.x)); });
        clipEdge([&](Vec2 q) { return q.y >= c.bottom; },
                 [&](Vec2 a, Vec2 b) { return along(a, b, (c.bottom - a.y) / (b.y - a.y)); });
        clipEdge([&](Vec2 q) { return q.y <= c.top; },
                 [&](Vec2 a, Vec2 b) { return along(a, b, (c.top - a.y) / (b.y - a.y)); });
        if (poly.size() < 3)
            return;
        flush();
        QPolygonF q;
        for (const Vec2& v : poly)
            q << QPointF(v.x, v.y);
        p_.setPen(Qt::NoPen);
        p_.setBrush(color);
        p_.drawPolygon(q, Qt::OddEvenFill);
        p_.setBrush(Qt::NoBrush);
    }

    // Points of an elliptic arc in device space: enough segments to look round.
    void ellipsePoints(const Affine& m, Vec2 c, double rx, double ry, double rotation,
                       double startDeg, double sweepDeg, std::vector<Vec2>& out) {
        out.clear();
        const double radiusPx = std::max(std::abs(rx), std::abs(ry)) * m.scale();
        if (!std::isfinite(radiusPx) || !std::isfinite(sweepDeg))
            return;
        const int n = static_cast<int>(std::clamp(
            std::sqrt(std::max(radiusPx, 0.0)) * 4 * std::abs(sweepDeg) / 360.0, 4.0, 720.0));
        const double rot = radians(std::fmod(rotation, 360.0));
        const double cr = std::cos(rot), sr = std::sin(rot);
        const double start = radians(std::fmod(startDeg, 360.0)), sweep = radians(sweepDeg);
        for (int i = 0; i <= n; ++i) {
            const double t = start + sweep * i / n;
            const double x = rx * std::cos(t), y = ry * std::sin(t);
            out.push_back(m.apply({c.x + x * cr - y * sr, c.y + x * sr + y * cr}));
        }
    }

    // The dashed style of an entity, or nullptr for a continuous line.
    const LineStyle* dashStyle(const Entity& e) const {
        if (e.lineStyle <= 0 || static_cast<std::size_t>(e.lineStyle) >= d_.lineStyles.size())
            return nullptr;
        const LineStyle& style = d_.lineStyles[static_cast<std::size_t>(e.lineStyle)];
        return style.pattern.empty() ? nullptr : &style;
    }

    void outline(const Entity& e, const Affine& m, const std::vector<Vec2>& device, bool closed) {
        if (const LineStyle* style = dashStyle(e))
            dashed(device, closed, *style, m);
        else
            polyline(device, closed);
    }

    void fillOrOutline(const Entity& e, const Entity* insertion, const Affine& m,
                       const std::vector<Vec2>& device, bool closed) {
        if (e.has(EntityFlag::Filled) && !o_.fillOutlinesOnly) {
            fill(device, fillOf(e, insertion));
            setStroke(strokeOf(e, insertion));
        }
        outline(e, m, device, closed);
    }

    void drawEntity(const Entity& e, const Affine& m, const Entity* insertion, int depth) {
        if (!visibleLayer(insertion && e.layer == 0 ? *insertion : e))
            return;
        setStroke(strokeOf(e, insertion));
        std::vector<Vec2>& pts = scratch_;
        pts.clear();
        switch (e.type) {
        case EntityType::Polyline: {
            const Vec2* v = d_.vertexData(e);
            if (d_.bulgesOf(e).any()) {
                // Arcs followed to a quarter of a pixel where they can be seen.
                const Rect seen = worldRect(m);
                curve_.clear();
                polylinePoints(d_, e, 0.25 / std::max(m.scale(), 1e-300), curve_, &seen);
                const bool closed = e.has(EntityFlag::Closed);
                if (!e.has(EntityFlag::Filled) && !dashStyle(e)) {
                    plainPolyline(curve_.data(), static_cast<std::uint32_t>(curve_.size()), m,
                                  closed);
                    break;
                }
                pts.reserve(curve_.size());
                for (const Vec2 q : curve_)
                    pts.push_back(m.apply(q));
                fillOrOutline(e, insertion, m, pts, closed);
                break;
            }
            if (!e.has(EntityFlag::Filled) && !dashStyle(e)) {
                plainPolyline(v, e.count, m, e.has(EntityFlag::Closed));
                break;
            }
            pts.reserve(e.count);
            for (std::uint32_t i = 0; i < e.count; ++i)
                pts.push_back(m.apply(v[i]));
            fillOrOutline(e, insertion, m, pts, e.has(EntityFlag::Closed));
            break;
        }
        case EntityType::Line: {
            const auto& l = d_.lines[e.first];
            pts = {m.apply(l.a), m.apply(l.b)};
            outline(e, m, pts, false);
            break;
        }
        case EntityType::Point: {
            const Vec2 q = m.apply(d_.points[e.first].p);
            if (clip_.contains(pointRect(q)))
                addPoint(q.x, q.y);
            break;
        }
        case EntityType::Circle: {
            const auto& c = d_.circles[e.first];
            ellipsePoints(m, c.centre, c.radius, c.radius, 0, 0, 360, pts);
            fillOrOutline(e, insertion, m, pts, true);
            break;
        }
        case EntityType::Arc: {
            const auto& a = d_.arcs[e.first];
            double sweep = std::fmod(a.endAngle - a.startAngle, 360.0);
            if (sweep <= 0)
                sweep += 360;
            ellipsePoints(m, a.centre, a.radius, a.radius, 0, a.startAngle, sweep, pts);
            outline(e, m, pts, false);
            break;
        }
        case EntityType::Sector: {
            const auto& a = d_.sectors[e.first];
            double sweep = std::fmod(a.endAngle - a.startAngle, 360.0);
            if (sweep <= 0)
                sweep += 360;
            ellipsePoints(m, a.centre, a.radius, a.radius, 0, a.startAngle, sweep, pts);
            pts.insert(pts.begin(), m.apply(a.centre));
            fillOrOutline(e, insertion, m, pts, true);
            break;
        }
        case EntityType::Spline: {
            // Followed to half a pixel.
            const bool closed = e.has(EntityFlag::Closed);
            curve_.clear();
            splinePoints({d_.vertexData(e), e.count}, closed, 0.5 / std::max(m.scale(), 1e-300),
                         curve_);
            pts.reserve(curve_.size());
            for (const Vec2 q : curve_)
                pts.push_back(m.apply(q));
            outline(e, m, pts, closed);
            break;
        }
        case EntityType::Ellipse: {
            const auto& el = d_.ellipses[e.first];
            double sweep = std::fmod(el.endAngle - el.startAngle, 360.0);
            if (sweep <= 0)
                sweep += 360;
            ellipsePoints(m, el.centre, el.radiusX, el.radiusY, el.rotation, el.startAngle, sweep,
                          pts);
            fillOrOutline(e, insertion, m, pts, sweep >= 360);
            break;
        }
        case EntityType::Rectangle: {
            const auto& r = d_.rectangles[e.first];
            const Affine local =
                Affine::translation(r.centre.x, r.centre.y).after(Affine::rotation(r.rotation));
            const Affine full = m.after(local);
            const double w = r.width / 2, h = r.height / 2;
            pts = {full.apply({-w, -h}), full.apply({w, -h}), full.apply({w, h}),
                   full.apply({-w, h})};
            fillOrOutline(e, insertion, m, pts, true);
            break;
        }
        case EntityType::Hatch:
            drawHatch(e, insertion, m);
            break;
        case EntityType::Text:
            drawText(e, m);
            break;
        case EntityType::Insert:
            drawInsert(e, m, depth);
            break;
        case EntityType::Image:
            drawImage(d_.images[e.first], m);
            break;
        case EntityType::Dimension:
            drawDimension(e, m, insertion);
            break;
        }
    }

    // A dimension: its lines and arcs, filled arrowheads and its text, in the entity's colour
    // or the style's own colours for its dimension lines, extension lines and text.
    void drawDimension(const Entity& e, const Affine& m, const Entity* insertion) {
        const DimensionData data = d_.dimensionOf(e);
        const DimensionStyle& style = dimensionStyleOf(d_, data.style);
        const DimensionGeometry g = dimensionGeometry(
            data, style, dimensionContext(d_, style, o_.dimensionUnitsPerPaperMm));
        const Stroke base = strokeOf(e, insertion);
        const bool selected =
            o_.showSelection &&
            (e.has(EntityFlag::Selected) || (insertion && insertion->has(EntityFlag::Selected)));
        const auto coloured = [&](std::uint32_t c) {
            Stroke s = base;
            if (style.ownColors && !selected)
                s.color = qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                               static_cast<int>((c >> 16) & 0xFF));
            return s;
        };
        const Stroke line = coloured(style.dimensionLineColor);
        const Stroke extension = coloured(style.extensionLineColor);
        const Stroke text = coloured(style.textColor);
        std::vector<Vec2>& pts = scratch_;
        setStroke(extension);
        for (const LineData& l : g.extensionLines)
            segment(m.apply(l.a), m.apply(l.b));
        setStroke(line);
        for (const LineData& l : g.lines)
            segment(m.apply(l.a), m.apply(l.b));
        for (const ArcData& a : g.arcs) {
            ellipsePoints(m, a.centre, a.radius, a.radius, 0, a.startAngle,
                          sweepDegrees(a.startAngle, a.endAngle), pts);
            polyline(pts, false);
        }
        // Arrowheads smaller than a pixel or two are dots of the line's colour.
        const QColor fillColour = QColor::fromRgb(line.color);
        const auto filled = [&](const std::vector<Vec2>& device) {
            Rect box;
            for (const Vec2 q : device)
                box.add(q);
            if (box.width() < 1.5 && box.height() < 1.5) {
                if (clip_.contains(box))
                    addPoint(box.left, box.bottom);
                return;
            }
            fill(device, fillColour);
            setStroke(line);
        };
        for (const auto& t : g.triangles) {
            pts = {m.apply(t[0]), m.apply(t[1]), m.apply(t[2])};
            filled(pts);
        }
        for (const CircleData& c : g.dots) {
            ellipsePoints(m, c.centre, c.radius, c.radius, 0, 0, 360, pts);
            filled(pts);
        }
        if (!g.text)
            return;
        setStroke(text);
        const DimensionText& t = *g.text;
        if (t.framed) {
            pts.clear();
            for (const Vec2 q : t.frame)
                pts.push_back(m.apply(q));
            polyline(pts, true);
        }
        drawTextAt(t.position, TextParams{t.height, t.rotation, 0, t.align, t.style}, t.text, m);
    }

    void drawHatch(const Entity& e, const Entity* insertion, const Affine& m) {
        const HatchData& h = d_.hatches[e.first];
        const Vec2* v = d_.vertexData(e);
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        std::uint32_t at = 0;
        for (std::uint32_t n : d_.loopsOf(h)) {
            if (n == 0 || at + n > e.count)
                break;
            QPolygonF loop;
            for (std::uint32_t i = 0; i < n; ++i) {
                const Vec2 q = m.apply(v[at + i]);
                loop << QPointF(std::clamp(q.x, -1e6, 1e6), std::clamp(q.y, -1e6, 1e6));
            }
            path.addPolygon(loop);
            path.closeSubpath();
            at += n;
        }
        flush();
        const QColor color = fillOf(e, insertion);
        p_.setPen(Qt::NoPen);
        if (o_.fillOutlinesOnly) {
            p_.setPen(pen());
            p_.setBrush(Qt::NoBrush);
            p_.drawPath(path);
            return;
        }
        const HatchPattern& pattern = patternNamed(d_.pooled(h.pattern));
        if (h.solid || pattern.lines.empty()) {
            p_.setBrush(QBrush(color));
            p_.drawPath(path);
            p_.setBrush(Qt::NoBrush);
            return;
        }
        patternLines(path, pattern, h, m, color);
    }

    // The lines of a pattern inside a hatch's boundary, at the hatch's scale and angle.
    void patternLines(const QPainterPath& path, const HatchPattern& pattern, const HatchData& h,
                      const Affine& m, const QColor& color) {
        const QRectF box = path.boundingRect().intersected(
            QRectF(QPointF(clip_.left, clip_.bottom), QPointF(clip_.right, clip_.top)));
        if (box.isEmpty())
            return;
        const double scale = std::isfinite(h.scale) && h.scale != 0 ? std::abs(h.scale) : 1;
        const double unitsToPixels = m.scale();
        p_.save();
        p_.setClipPath(path, Qt::IntersectClip);
        p_.setBrush(Qt::NoBrush);
        for (const PatternLine& family : pattern.lines) {
            const double spacing = family.spacing * scale * unitsToPixels;
            // Lines closer than two pixels would only grey the area: it is filled lightly.
            if (!(spacing >= 2) || !std::isfinite(spacing)) {
                QColor light = color;
                light.setAlpha(96);
                p_.fillPath(path, light);
                continue;
            }
            QPen pen(color, 0);
            if (family.dash > 0 && family.gap > 0) {
                const double dash = std::max(family.dash * scale * unitsToPixels, 1.0);
                const double gap = std::max(family.gap * scale * unitsToPixels, 1.0);
                pen.setDashPattern({dash, gap});
            }
            p_.setPen(pen);
            // The direction of the lines in the drawing, as the map shows it on the device
            // (where y grows downwards, and which a view may turn). A mirrored pattern runs
            // each family the other way about its own x axis.
            const double own = h.mirrored ? -family.angle : family.angle;
            const double a = radians(own + (std::isfinite(h.angle) ? h.angle : 0));
            const double ux = m.a * std::cos(a) + m.c * std::sin(a);
            const double uy = m.b * std::cos(a) + m.d * std::sin(a);
            const double along = std::hypot(ux, uy);
            if (!(along > 0))
                continue;
            const double dx = ux / along, dy = uy / along; // along the lines
            const double nx = -dy, ny = dx;                // across them
            const QPointF c = box.center();
            const double reach = std::hypot(box.width(), box.height()) / 2 + spacing;
            // Lines through the hatch's pattern origin, which moves with it.
            const Vec2 origin =
                m.apply(std::isfinite(h.origin.x) && std::isfinite(h.origin.y) ? h.origin : Vec2{});
            const double offset =
                std::fmod((c.x() - origin.x) * nx + (c.y() - origin.y) * ny, spacing);
            const int count = static_cast<int>(std::ceil(reach / spacing));
            if (count > 4000)
                continue;
            for (int k = -count; k <= count; ++k) {
                const double t = k * spacing - offset;
                const QPointF base(c.x() + nx * t, c.y() + ny * t);
                p_.drawLine(QPointF(base.x() - dx * reach, base.y() - dy * reach),
                            QPointF(base.x() + dx * reach, base.y() + dy * reach));
            }
        }
        p_.restore();
    }

    void drawText(const Entity& e, const Affine& m) {
        const TextData& td = d_.texts[e.first];
        drawTextAt(td.p, d_.paramsOf(td), d_.textOf(e), m);
    }

    // A text at p, in the colour of the stroke: the drawing's texts and those of dimensions.
    void drawTextAt(Vec2 at, const TextParams& t, std::string_view bytes, const Affine& m) {
        const double heightPx = std::abs(t.height) * m.scale();
        if (!(heightPx >= 0.5) || bytes.empty() || !std::isfinite(heightPx))
            return;
        const TextStyle* style =
            t.style >= 0 && static_cast<std::size_t>(t.style) < d_.textStyles.size()
                ? &d_.textStyles[static_cast<std::size_t>(t.style)]
                : nullptr;
        const double widthFactor = style && style->widthFactor > 0 ? style->widthFactor : 1.0;
        const StyleFont& sf = fontOf(t.style);
        const QFont& font = sf.font;
        const QFontMetricsF& fm = sf.metrics;
        const double cap = sf.cap;
        const QString text =
            decoder_(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        const double k = t.height / cap;
        const double oblique = std::tan(radians(std::clamp(t.oblique, -80.0, 80.0)));
        const Affine local = Affine::translation(at.x, at.y)
                                 .after(Affine::rotation(t.rotation))
                                 .after(Affine{1, 0, oblique, 1, 0, 0})
                                 .after(Affine::scaling(k * widthFactor, -k));
        const Affine full = m.after(local);
        const double width = fm.horizontalAdvance(text);
        const int horizontal = t.align % 3, vertical = t.align / 3;
        const double x = horizontal == 1 ? -width / 2 : horizontal == 2 ? -width : 0;
        const double y = vertical == 1 ? cap / 2 : vertical == 2 ? cap : 0;
        // Too small to read: a line where the text stands.
        if (heightPx < 3) {
            std::vector<Vec2> base = {full.apply({x, y - cap / 2}),
                                      full.apply({x + width, y - cap / 2})};
            polyline(base, false);
            return;
        }
        // Cull by the text's box on the device.
        Rect box;
        const double below = y + fm.descent(), above = y - std::max(fm.ascent(), cap);
        for (const auto& [u, v] :
             {std::pair{x, below}, {x + width, below}, {x, above}, {x + width, above}})
            box.add(full.apply({u, v}));
        if (!box.intersects(clip_))
            return;
        flush();
        p_.save();
        p_.setTransform(toQt(full));
        if (searchable_ && !alongThePage(full)) {
            // A viewer would find this text only in pieces: its letters are drawn as shapes,
            // and the text itself, invisible, lies over them along the page.
            QPainterPath outline;
            outline.addText(QPointF(x, y), font, text);
            p_.setPen(Qt::NoPen);
            p_.setBrush(QColor::fromRgb(stroke_.color));
            p_.drawPath(outline);
            p_.restore();
            invisibleCopy(full, x, y, width, cap, font, text);
            return;
        }
        p_.setFont(font);
        p_.setPen(QColor::fromRgb(stroke_.color));
        p_.drawText(QPointF(x, y), text);
        p_.restore();
    }

    // The nearest quarter turn to the direction of a text's baseline on the device (radians).
    static double nearestQuarter(const Affine& full) {
        return std::round(std::atan2(full.b, full.a) / (kPi / 2)) * (kPi / 2);
    }
    // A PDF viewer puts the letters of a text together by their baselines, so it finds a text
    // that runs along or across the page, but not one at another angle.
    static bool alongThePage(const Affine& full) {
        return std::abs(std::atan2(full.b, full.a) - nearestQuarter(full)) < radians(0.1);
    }

    // An invisible copy of a text, as long and as high, turned by the nearest quarter turn about
    // its centre, that a search in a PDF viewer finds and a copy takes.
    void invisibleCopy(const Affine& full, double x, double y, double width, double cap,
                       const QFont& font, const QString& text) {
        const double along = std::hypot(full.a, full.b);
        if (!(along > 0))
            return;
        const double across = (full.a * full.d - full.b * full.c) / along; // < 0 mirrored
        const Vec2 centre = full.apply({x + width / 2, y - cap / 2});
        const Affine copy = Affine::translation(centre.x, centre.y)
                                .after(Affine::rotation(nearestQuarter(full) * 180 / kPi))
                                .after(Affine::scaling(along, across))
                                .after(Affine::translation(-(x + width / 2), -(y - cap / 2)));
        p_.save();
        p_.setTransform(toQt(copy));
        p_.setFont(font);
        p_.setPen(QColor(0, 0, 0, 0));
        p_.drawText(QPointF(x, y), text);
        p_.restore();
    }

    void drawInsert(const Entity& e, const Affine& m, int depth) {
        const InsertData& in = d_.inserts[e.first];
        if (depth >= kMaxBlockDepth || in.block < 0 ||
            static_cast<std::size_t>(in.block) >= d_.blocks.size())
            return;
        const Block& b = d_.blocks[static_cast<std::size_t>(in.block)];
        const Affine local = Affine::translation(in.p.x, in.p.y)
                                 .after(Affine::rotation(in.angle))
                                 .after(Affine::scaling(in.scaleX, in.scaleY))
                                 .after(Affine::translation(-b.base.x, -b.base.y));
        const Affine full = m.after(local);
        const Rect extents = blockExtents(in.block);
        if (extents.empty())
            return;
        Rect device;
        for (const auto& [u, v] : {std::pair{extents.left, extents.bottom},
                                   {extents.right, extents.bottom},
                                   {extents.left, extents.top},
                                   {extents.right, extents.top}})
            device.add(full.apply({u, v}));
        if (!device.intersects(clip_))
            return;
        if (device.width() < 1 && device.height() < 1) {
            setStroke(strokeOf(e, nullptr));
            addPoint(device.left, device.bottom);
            return;
        }
        for (std::uint32_t h : b.entities) {
            const Entity& inner = d_.entities[h];
            if (!inner.has(EntityFlag::Deleted))
                drawEntity(inner, full, &e, depth + 1);
        }
    }

    void drawImage(const ImageData& im, const Affine& m) {
        if (m.b != 0 || m.c != 0) {
            drawTurnedImage(im, m);
            return;
        }
        const Vec2 a = m.apply(im.p), b = m.apply({im.p.x + im.width, im.p.y + im.height});
        Rect r;
        r.add(a);
        r.add(b);
        if (!r.intersects(clip_))
            return;
        flush();
        const QRectF target(QPointF(std::max(r.left, clip_.left), std::max(r.bottom, clip_.bottom)),
                            QPointF(std::min(r.right, clip_.right), std::min(r.top, clip_.top)));
        const std::string path(d_.pooled(im.path));
        const QImage image(QFile::decodeName(QByteArray::fromStdString(path)));
        if (image.isNull()) {
            // A missing picture shows where it would stand.
            std::vector<Vec2> frame = {
                {r.left, r.bottom}, {r.right, r.bottom}, {r.right, r.top}, {r.left, r.top}};
            polyline(frame, true);
            segment({r.left, r.bottom}, {r.right, r.top});
            segment({r.left, r.top}, {r.right, r.bottom});
            return;
        }
        const double sx = image.width() / r.width(), sy = image.height() / r.height();
        const QRectF source((target.left() - r.left) * sx, (target.top() - r.bottom) * sy,
                            target.width() * sx, target.height() * sy);
        p_.drawImage(target, image, source);
    }

    // A picture in a turned view: its pixels placed through the map.
    void drawTurnedImage(const ImageData& im, const Affine& m) {
        const std::array<Vec2, 4> corners = {m.apply(im.p), m.apply({im.p.x + im.width, im.p.y}),
                                             m.apply({im.p.x + im.width, im.p.y + im.height}),
                                             m.apply({im.p.x, im.p.y + im.height})};
        Rect r;
        for (const Vec2 c : corners)
            r.add(c);
        if (!r.intersects(clip_))
            return;
        flush();
        const std::string path(d_.pooled(im.path));
        const QImage image(QFile::decodeName(QByteArray::fromStdString(path)));
        if (image.isNull() || !(im.width != 0) || !(im.height != 0)) {
            std::vector<Vec2> frame(corners.begin(), corners.end());
            polyline(frame, true);
            segment(corners[0], corners[2]);
            segment(corners[1], corners[3]);
            return;
        }
        // Pixel (u, v), rows downwards, stands at (x + u w / columns, y + h - v h / rows).
        const Affine pixels =
            m.after(Affine::translation(im.p.x, im.p.y + im.height))
                .after(Affine::scaling(im.width / image.width(), -im.height / image.height()));
        p_.save();
        p_.setTransform(toQt(pixels), true);
        p_.drawImage(QPointF(0, 0), image);
        p_.restore();
    }

    // Glyphs are laid out at a fixed size and scaled, so that any height draws alike.
    struct StyleFont {
        QFont font;
        QFontMetricsF metrics;
        double cap;
    };
    const StyleFont& fontOf(int style) {
        const std::size_t key = style >= 0 && static_cast<std::size_t>(style) < d_.textStyles.size()
                                    ? static_cast<std::size_t>(style) + 1
                                    : 0;
        if (fonts_.size() <= key)
            fonts_.resize(d_.textStyles.size() + 1);
        if (!fonts_[key]) {
            const QFont font = styleFont(key > 0 ? std::string_view(d_.textStyles[key - 1].font)
                                                 : std::string_view());
            QFontMetricsF fm(font);
            fonts_[key] = std::make_unique<StyleFont>(StyleFont{font, fm, capHeightOf(fm)});
        }
        return *fonts_[key];
    }

    const Rect& blockExtents(int block) {
        if (blockExtents_.empty())
            blockExtents_.resize(d_.blocks.size());
        auto& slot = blockExtents_[static_cast<std::size_t>(block)];
        if (!slot.second) {
            slot = {d_.blockExtents(block), true};
        }
        return slot.first;
    }

    QPainter& p_;
    const Drawing& d_;
    const RenderOptions& o_;
    RenderView view_;
    Rect clip_;
    Stroke stroke_;
    std::vector<Batch> batches_;
    Batch* current_ = nullptr;
    std::vector<Vec2> scratch_;
    std::vector<Vec2> curve_; // a spline's points in drawing units
    std::vector<std::uint32_t> visible_;
    std::vector<std::pair<Rect, bool>> blockExtents_;
    QStringDecoder decoder_{"windows-1250"};
    std::vector<std::unique_ptr<StyleFont>> fonts_;
    // Texts at an angle are drawn so that a PDF viewer can find them (see drawText).
    bool searchable_ = p_.paintEngine() != nullptr && p_.paintEngine()->type() == QPaintEngine::Pdf;
};

} // namespace

namespace {

// Below this many entities in view one thread draws them all.
constexpr std::size_t kParallelFrom = 20000;

// A raster image the painter draws on, when it may take a second thread's help.
QImage* rasterTarget(QPainter& painter) {
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto* image = static_cast<QImage*>(device);
    const auto f = image->format();
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
                   f == QImage::Format_ARGB32_Premultiplied
               ? image
               : nullptr;
}

} // namespace

void renderDrawing(QPainter& painter, const Drawing& drawing, const RenderView& view,
                   const RenderOptions& options) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QImage* target = std::thread::hardware_concurrency() > 1 ? rasterTarget(painter) : nullptr;
    std::vector<std::uint32_t> visible;
    if (target) {
        Painter(painter, drawing, view, options).findVisible(visible);
        if (visible.size() < kParallelFrom)
            target = nullptr;
    }
    if (!target) {
        Painter p(painter, drawing, view, options);
        p.drawModelSpace();
        painter.restore();
        return;
    }
    // Two halves of the drawing order at once: the second half on a transparent layer of its
    // own, laid over the first when both are done, so that what comes later still covers what
    // came before. The drawing is only read; its memo of block extents is filled first.
    for (int b = 0; b < static_cast<int>(drawing.blocks.size()); ++b)
        drawing.blockExtents(b);
    const std::size_t half = visible.size() / 2;
    QImage overlay(target->size(), QImage::Format_ARGB32_Premultiplied);
    overlay.setDevicePixelRatio(target->devicePixelRatio());
    std::thread helper([&] {
        overlay.fill(Qt::transparent);
        QPainter op(&overlay);
        op.setTransform(painter.transform());
        op.setRenderHint(QPainter::Antialiasing, false);
        Painter p(op, drawing, view, options);
        p.drawItems(visible, half, visible.size());
    });
    {
        Painter p(painter, drawing, view, options);
        p.drawItems(visible, 0, half);
    }
    helper.join();
    painter.resetTransform();
    painter.drawImage(QPointF(0, 0), overlay);
    painter.restore();
}

void renderEntities(QPainter& painter, const Drawing& drawing, const RenderView& view,
                    const RenderOptions& options, const std::vector<std::uint32_t>& handles) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // The boxes of the entities as the index has them now.
    std::vector<std::uint32_t> none;
    drawing.query(Rect{}, none);
    {
        Painter p(painter, drawing, view, options);
        p.drawItems(handles, 0, handles.size());
    }
    painter.restore();
}

} // namespace cad
