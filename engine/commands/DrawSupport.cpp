#include "engine/commands/DrawSupport.h"

#include "engine/model/Outline.h"
#include "engine/model/Spline.h"
#include "engine/render/Renderer.h"
#include "engine/view/DrawingWindow.h"

#include <QPainter>

namespace cad {

void AddingSink::added(int handle) {
    if (handle >= 0)
        area_.add(drawing().entityExtents(handle));
}

void AddingSink::point(Vec2 p) {
    added(changes().addPoint({p}));
}
void AddingSink::line(Vec2 a, Vec2 b) {
    added(changes().addLine({a, b}));
}
void AddingSink::polyline(std::span<const Vec2> points, bool closed) {
    if (points.size() >= 2)
        added(changes().addPolyline(points, closed));
}
void AddingSink::bulgedPolyline(std::span<const Vec2> points, std::span<const double> bulges,
                                bool closed) {
    if (points.size() >= 2)
        added(changes().addPolyline(points, bulges, closed));
}
void AddingSink::spline(std::span<const Vec2> fitPoints, bool closed) {
    if (fitPoints.size() >= 2)
        added(changes().addSpline(fitPoints, closed));
}
void AddingSink::circle(const CircleData& c) {
    if (c.radius > 0)
        added(changes().addCircle(c));
}
void AddingSink::arc(const ArcData& a) {
    if (a.radius > 0)
        added(changes().addArc(a));
}
void AddingSink::sector(const ArcData& a) {
    if (a.radius > 0)
        added(changes().addSector(a));
}
void AddingSink::ellipse(const EllipseData& e) {
    added(changes().addEllipse(e));
}
void AddingSink::rectangle(const RectangleData& r) {
    added(changes().addRectangle(r));
}

void AddingSink::commit() {
    edit_.commit();
    if (!area_.empty())
        host_.redrawArea(area_);
    area_ = Rect{};
}

PreviewSink::PreviewSink(QPainter& painter, CommandHost& host, const Document& d)
    : p_(painter), host_(host) {
    const Drawing& dr = d.drawing();
    const auto layer = static_cast<std::size_t>(dr.current.layer);
    QColor color = layer < dr.layers.size() ? toQColor(dr.layers[layer].color) : QColor(Qt::black);
    if (color == toQColor(dr.settings.background))
        color = QColor(Qt::gray);
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing, true);
    p_.setPen(QPen(color, 0));
    p_.setBrush(Qt::NoBrush);
}

PreviewSink::PreviewSink(QPainter& painter, CommandHost& host, const Document&, const QColor& color)
    : p_(painter), host_(host) {
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing, true);
    p_.setPen(QPen(color, 0));
    p_.setBrush(Qt::NoBrush);
}

PreviewSink::~PreviewSink() {
    p_.restore();
}

void PreviewSink::path(std::span<const Vec2> points, bool closed) {
    QPolygonF polygon;
    for (const Vec2 v : points)
        polygon << host_.toPixel(v);
    if (closed)
        p_.drawPolygon(polygon);
    else
        p_.drawPolyline(polygon);
}

void PreviewSink::point(Vec2 p) {
    const QPointF at = host_.toPixel(p);
    p_.drawLine(at - QPointF(3, 0), at + QPointF(3, 0));
    p_.drawLine(at - QPointF(0, 3), at + QPointF(0, 3));
}
void PreviewSink::line(Vec2 a, Vec2 b) {
    p_.drawLine(host_.toPixel(a), host_.toPixel(b));
}
void PreviewSink::polyline(std::span<const Vec2> points, bool closed) {
    path(points, closed);
}
void PreviewSink::bulgedPolyline(std::span<const Vec2> points, std::span<const double> bulges,
                                 bool closed) {
    std::vector<Vec2> curve;
    polylinePoints(points, BulgeView(bulges.data(), std::min(bulges.size(), points.size())), closed,
                   tolerance(), curve);
    path(curve, closed);
}
// Curves of a preview follow the curve to a tenth of a pixel: smooth however large they are.
double PreviewSink::tolerance() const {
    return host_.pixelSize() / 10;
}
void PreviewSink::spline(std::span<const Vec2> fitPoints, bool closed) {
    std::vector<Vec2> curve;
    splinePoints(fitPoints, closed, tolerance(), curve);
    path(curve, false);
}
void PreviewSink::circle(const CircleData& c) {
    // A circle of a sensible size on the screen is the painter's own.
    const double radiusPx = std::abs(c.radius) / host_.pixelSize();
    if (radiusPx < 1e5) {
        p_.drawEllipse(host_.toPixel(c.centre), radiusPx, radiusPx);
        return;
    }
    std::vector<Vec2> points;
    arcPoints(c.centre, c.radius, 0, 360, tolerance(), points);
    path(points, true);
}
void PreviewSink::arc(const ArcData& a) {
    std::vector<Vec2> points;
    double sweep = std::fmod(a.endAngle - a.startAngle + 720.0, 360.0);
    if (sweep == 0)
        sweep = 360;
    arcPoints(a.centre, a.radius, a.startAngle, sweep, tolerance(), points);
    path(points, false);
}
void PreviewSink::sector(const ArcData& a) {
    std::vector<Vec2> points{a.centre};
    double sweep = std::fmod(a.endAngle - a.startAngle + 720.0, 360.0);
    if (sweep == 0)
        sweep = 360;
    arcPoints(a.centre, a.radius, a.startAngle, sweep, tolerance(), points);
    path(points, true);
}
void PreviewSink::ellipse(const EllipseData& e) {
    std::vector<Vec2> points;
    ellipsePoints(e, 0, 360, tolerance(), points);
    path(points, true);
}
void PreviewSink::rectangle(const RectangleData& r) {
    const Affine m =
        Affine::translation(r.centre.x, r.centre.y).after(Affine::rotation(r.rotation));
    const double w = r.width / 2, h = r.height / 2;
    const Vec2 corners[] = {m.apply({-w, -h}), m.apply({w, -h}), m.apply({w, h}), m.apply({-w, h})};
    path(corners, true);
}

PreviewDrawing::PreviewDrawing(const Drawing& source) {
    drawing_.layers = source.layers;
    drawing_.lineStyles = source.lineStyles;
    drawing_.textStyles = source.textStyles;
    drawing_.dimensionStyles = source.dimensionStyles;
    drawing_.settings = source.settings;
    drawing_.current = source.current;
}

void PreviewDrawing::paint(QPainter& painter, const View& view) {
    std::vector<std::uint32_t> all;
    for (std::size_t h = 0; h < drawing_.entities.size(); ++h)
        if (drawing_.inModelSpace(static_cast<int>(h)))
            all.push_back(static_cast<std::uint32_t>(h));
    RenderOptions options;
    options.showLineWidths = false;
    renderEntities(
        painter, drawing_,
        RenderView::centredOn(view.centre, view.unitsPerPixel, view.widthPx, view.heightPx),
        options, all);
}

namespace {

// With nothing selected: the person picks the entities, then the work is done on them.
class PickThenWork final : public Command {
public:
    PickThenWork(Document& d, int name, bool (*work)(Document&))
        : Command(d), name_(name), work_(work) {}
    Wants wants() const override { return Wants::Entities; }
    int name() const override { return name_; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(19301);
    }
    void entitiesPicked() override {
        work_(document());
        host_->finish();
    }

private:
    int name_;
    bool (*work_)(Document&);
    CommandHost* host_ = nullptr;
};

} // namespace

int workOnSelection(int name, bool (*work)(Document&)) {
    Document* d = engine().active();
    if (!d)
        return 0;
    DrawingWindow* w = DrawingWindow::current();
    if (w)
        w->cancel();
    if (d->drawing().selectedCount() > 0 || !w)
        return work(*d) ? 1 : 0;
    w->startCommand(std::make_unique<PickThenWork>(*d, name, work));
    return 1;
}

int startDrawCommand(const std::function<std::unique_ptr<Command>(Document&)>& make) {
    Document* d = engine().active();
    DrawingWindow* w = DrawingWindow::current();
    if (!d || !w)
        return 0;
    std::unique_ptr<Command> command = make(*d);
    if (!command)
        return 0;
    w->startCommand(std::move(command));
    return 1;
}

} // namespace cad
