// What the renderer puts on a device: pixels where the entities are, in their colours.
#include "engine/render/Renderer.h"
#include "engine/model/Drawing.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace cad;

namespace {

constexpr std::uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

// A 200 x 100 image showing the drawing area (0,0)-(200,100), one unit a pixel.
QImage render(const Drawing& d, RenderOptions o = {},
              QImage::Format format = QImage::Format_RGB32) {
    QImage image(200, 100, format);
    image.fill(Qt::white);
    QPainter p(&image);
    renderDrawing(p, d, RenderView::centredOn({100, 50}, 1.0, 200, 100), o);
    p.end();
    return image.convertToFormat(QImage::Format_RGB32);
}

// The same drawing with an index made afresh.
QImage renderAfresh(const Drawing& d) {
    Drawing copy = d;
    copy.index().invalidate();
    return render(copy);
}

// The colour at drawing point (x, y).
QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, 100 - y);
}

int countColor(const QImage& image, const QColor& c) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == c;
    return n;
}

int polyline(Drawing& d, std::initializer_list<Vec2> points, bool closed = false) {
    const std::vector<Vec2> v(points);
    return d.addPolyline(v.data(), v.size(), closed);
}

TEST(Renderer, LinesAppearWhereTheyAreInTheirLayersColour) {
    Drawing d;
    d.layers.push_back(Layer{"road", kRed, kRed, 0, true, false, true});
    d.current.layer = 1;
    polyline(d, {{10, 20}, {190, 20}});
    const QImage image = render(d);
    EXPECT_EQ(at(image, 100, 20), QColor(Qt::red));
    EXPECT_EQ(at(image, 100, 60), QColor(Qt::white));
    EXPECT_EQ(at(image, 5, 20), QColor(Qt::white));
}

TEST(Renderer, OwnColoursHiddenLayersAndPrinting) {
    Drawing d;
    d.layers.push_back(Layer{"hidden", kRed, kRed, 0, false, false, true});
    d.layers.push_back(Layer{"screen only", kRed, kRed, 0, true, false, false});
    const int own = polyline(d, {{10, 10}, {190, 10}});
    d.entities[static_cast<std::size_t>(own)].set(EntityFlag::ColorByLayer, false);
    d.setOwnStyle(static_cast<std::size_t>(own), {kBlue, 0, 0});
    d.current.layer = 1;
    polyline(d, {{10, 50}, {190, 50}});
    d.current.layer = 2;
    polyline(d, {{10, 80}, {190, 80}});

    QImage image = render(d);
    EXPECT_EQ(at(image, 100, 10), QColor(Qt::blue));
    EXPECT_EQ(at(image, 100, 50), QColor(Qt::white));
    EXPECT_EQ(at(image, 100, 80), QColor(Qt::red));
    RenderOptions print;
    print.printing = true;
    image = render(d, print);
    EXPECT_EQ(at(image, 100, 80), QColor(Qt::white));
}

TEST(Renderer, WidthsInMillimetresAtLeastOnePixel) {
    Drawing d;
    d.layers[0].width = 2.0; // 2 mm at 4 pixels a millimetre: 8 pixels
    d.layers[0].color = kGreen;
    polyline(d, {{10, 50}, {190, 50}});
    RenderOptions o;
    o.pixelsPerMm = 4;
    QImage image = render(d, o);
    EXPECT_EQ(at(image, 100, 53), QColor(Qt::green));
    EXPECT_EQ(at(image, 100, 58), QColor(Qt::white));
    o.showLineWidths = false;
    image = render(d, o);
    EXPECT_EQ(at(image, 100, 53), QColor(Qt::white));
    EXPECT_EQ(at(image, 100, 50), QColor(Qt::green));
}

TEST(Renderer, FilledShapesFillUnlessOutlinesOnly) {
    Drawing d;
    d.layers[0].color = kBlue;
    d.layers[0].fillColor = kRed;
    const int p = polyline(d, {{20, 20}, {80, 20}, {80, 80}, {20, 80}}, true);
    d.entities[static_cast<std::size_t>(p)].set(EntityFlag::Filled, true);
    const int c = d.addCircle({{150, 50}, 20});
    d.entities[static_cast<std::size_t>(c)].set(EntityFlag::Filled, true);
    QImage image = render(d);
    EXPECT_EQ(at(image, 50, 50), QColor(Qt::red));
    EXPECT_EQ(at(image, 150, 50), QColor(Qt::red));
    EXPECT_EQ(at(image, 20, 50), QColor(Qt::blue)); // the outline on top
    RenderOptions o;
    o.fillOutlinesOnly = true;
    image = render(d, o);
    EXPECT_EQ(at(image, 50, 50), QColor(Qt::white));
}

TEST(Renderer, SplinesFollowTheirCurveAndSectorsFillToTheCentre) {
    Drawing d;
    d.layers[0].color = kBlue;
    d.layers[0].fillColor = kRed;
    // Symmetric about x = 50: the curve is highest between its middle points.
    const std::vector<Vec2> fit = {{10, 20}, {40, 60}, {60, 60}, {90, 20}};
    d.addSpline(fit.data(), fit.size(), false);
    const int sector = d.addSector({{150, 50}, 40, 0, 90});
    d.entities[static_cast<std::size_t>(sector)].set(EntityFlag::Filled, true);
    const QImage image = render(d);
    const auto inked = [&](int x, int yFrom, int yTo) {
        for (int y = yFrom; y <= yTo; ++y)
            if (at(image, x, y) == QColor(Qt::blue))
                return y;
        return -1;
    };
    EXPECT_EQ(at(image, 10, 20), QColor(Qt::blue));
    EXPECT_EQ(at(image, 90, 20), QColor(Qt::blue));
    const int top = inked(50, 55, 75);
    EXPECT_GT(top, 60) << "above the straight line between the middle points";
    EXPECT_EQ(at(image, 50, 58), QColor(Qt::white)) << "no chord drawn";
    // The quarter fills from the centre out; the other quarters of its circle stay empty.
    EXPECT_EQ(at(image, 165, 65), QColor(Qt::red));
    EXPECT_EQ(at(image, 135, 65), QColor(Qt::white));
    EXPECT_EQ(at(image, 165, 35), QColor(Qt::white));
    EXPECT_EQ(at(image, 150, 70), QColor(Qt::blue)) << "its radius along y";
}

TEST(Renderer, DashedStylesLeaveGaps) {
    Drawing d;
    d.lineStyles.push_back(LineStyle{"dashed", "10,-10", parseLinePattern("10,-10")});
    d.current.lineStyle = 1;
    polyline(d, {{0, 50}, {200, 50}});
    const QImage image = render(d);
    int ink = 0;
    for (int x = 0; x < 200; ++x)
        ink += at(image, x, 50) != QColor(Qt::white);
    EXPECT_GT(ink, 70);
    EXPECT_LT(ink, 130);
}

TEST(Renderer, BlockInsertionsDrawTheirBlockWhereInserted) {
    Drawing d;
    d.layers.push_back(Layer{"signs", kRed, kRed, 0, true, false, true});
    const std::size_t start = d.entities.size();
    polyline(d, {{0, 0}, {10, 0}}); // on layer "0": takes the insertion's layer
    d.makeBlock("tick", {0, 0}, start);
    d.current.layer = 1;
    d.addInsert({0, {100, 30}, 3, 1, 90}); // rotated: a vertical tick 30 long
    const QImage image = render(d);
    EXPECT_EQ(at(image, 100, 45), QColor(Qt::red));
    EXPECT_EQ(at(image, 110, 30), QColor(Qt::white));
}

TEST(Renderer, TextsDrawInsideTheirBox) {
    Drawing d;
    d.layers[0].color = kBlue;
    d.addText({{20, 40}, 20, 0, 0, 0, 0, "KM 0+100"});
    const QImage image = render(d);
    int inBox = 0, outside = 0;
    for (int y = 1; y <= 100; ++y)
        for (int x = 0; x < 200; ++x) {
            if (at(image, x, y) == QColor(Qt::white))
                continue;
            (x >= 18 && y >= 35 && y <= 63 ? inBox : outside)++;
        }
    EXPECT_GT(inBox, 100);
    EXPECT_EQ(outside, 0);
}

// The pixels a drawing puts on a white 200 x 100 image at one unit a pixel, as a box.
QRect inkOf(const QImage& image) {
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(Qt::white))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

TEST(Renderer, ATextsExtentsHoldEveryLetterAsDrawn) {
    // Capitals with accents above them, letters reaching below the line, a style that widens
    // its letters, a slant, other alignments, a turn: what is redrawn after a change of a
    // text, and what the clipboard's picture shows, is its extents.
    struct Case {
        const char* bytes;
        double height, rotation, oblique;
        int align;
        bool wide;
    };
    const Case cases[] = {
        {"\xA5\xCA\xA3\x8C\x8F \xC6\xD3\xAF", 12, 0, 0, 0, false}, // "ĄĘŁŚŹ ĆÓŻ"
        {"jgpqy \xB9\xEA", 14, 0, 0, 0, false},                    // "jgpqy ąę"
        {"WWMMWW", 10, 0, 0, 0, true},
        {"Pochylony", 12, 0, 25, 4, false},
        {"KM 1+200", 10, 30, 0, 2, false},
        {"Wyr\xF3wnany", 11, 0, -15, 8, true},
    };
    for (const Case& c : cases) {
        Drawing d;
        d.layers[0].color = kBlue;
        d.textStyles[0].widthFactor = c.wide ? 1.6 : 1.0;
        const int h = d.addText({{100, 50}, c.height, c.rotation, c.oblique, c.align, 0, c.bytes});
        const QRect ink = inkOf(render(d));
        ASSERT_FALSE(ink.isEmpty()) << c.bytes;
        const Rect box = d.entityExtents(h);
        // In the image's pixels: y grows downwards.
        const QRectF extents(QPointF(box.left, 100 - box.top),
                             QPointF(box.right, 100 - box.bottom));
        EXPECT_TRUE(extents.adjusted(-1, -1, 1, 1).contains(QRectF(ink))) << c.bytes;
        // And not much more than the letters.
        EXPECT_LT(extents.width() * extents.height(), 2.5 * ink.width() * ink.height()) << c.bytes;
    }
}

// The drawing area (0,0)-(200,100) turned by `degrees`: that direction of the drawing runs to
// the right in a 100 x 100 image about the point (100, 50), one unit a pixel.
QImage renderTurned(const Drawing& d, double degrees) {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    renderDrawing(p, d, RenderView::turned({100, 50}, 1.0, degrees, 100, 100), {});
    p.end();
    return image;
}

// How often the colour changes along a row or a column of the image near its middle (between
// the hatch lines below).
int changes(const QImage& image, bool alongRow) {
    int n = 0;
    for (int i = 1; i < 100; ++i)
        n += alongRow ? image.pixel(i, 47) != image.pixel(i - 1, 47)
                      : image.pixel(47, i) != image.pixel(47, i - 1);
    return n;
}

TEST(Renderer, ATurnedViewTurnsLinesHatchesAndPictures) {
    Drawing d;
    d.layers[0].color = kBlue;
    d.layers[0].fillColor = kBlue;
    // A square of lines hatched along the x axis, every 6.35 units.
    const std::vector<Vec2> square = {{60, 10}, {140, 10}, {140, 90}, {60, 90}};
    d.addHatch(square.data(), square.size(), HatchSpec{"LINE", false, 2, 0, {4}, {}, false});
    // Across the view, the lines of the hatch lie along its rows; turned a quarter, along its
    // columns.
    QImage image = renderTurned(d, 0);
    EXPECT_EQ(changes(image, true), 0);
    EXPECT_GT(changes(image, false), 20);
    image = renderTurned(d, 90);
    EXPECT_GT(changes(image, true), 20);
    EXPECT_EQ(changes(image, false), 0);

    // A picture red above and green below: turned a quarter, the drawing's up is the image's
    // right.
    QTemporaryDir dir;
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(Qt::green);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            picture.setPixel(x, y, qRgb(255, 0, 0));
    const QString file = dir.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(picture.save(file));
    Drawing withPicture;
    withPicture.addImage({file.toStdString(), {60, 10}, 80, 80});
    image = renderTurned(withPicture, 90);
    EXPECT_EQ(image.pixelColor(70, 50), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(30, 50), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(50, 5), QColor(Qt::white)); // beyond its left edge, 50 units
    image = renderTurned(withPicture, 0);
    EXPECT_EQ(image.pixelColor(50, 30), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(50, 70), QColor(Qt::green));
}

TEST(Renderer, TheIndexFollowsEditsOfEntities) {
    Drawing d;
    d.layers[0].color = kRed;
    for (int i = 0; i < 100; ++i)
        polyline(d, {{i * 10.0, 10}, {i * 10.0 + 5, 90}});
    const QImage first = render(d);
    EXPECT_EQ(first, renderAfresh(d));
    // Move one polyline into view that was outside, then tell the drawing it changed.
    d.vertices[d.entities[50].first] = {100, 50};
    d.vertices[d.entities[50].first + 1] = {150, 50};
    d.changed(50);
    EXPECT_EQ(render(d), renderAfresh(d));
    EXPECT_NE(render(d), first);
    EXPECT_GT(countColor(first, Qt::red), 100);
}

TEST(Renderer, TheGridOfALargeDrawingFindsWhatALookAtEveryEntityFinds) {
    Drawing d;
    d.layers[0].color = kRed;
    // 20 000 short polylines and a few long ones over an area larger than the view.
    for (int i = 0; i < 20000; ++i) {
        const double x = (i * 7919 % 1000) - 400.0, y = (i * 104729 % 600) - 250.0;
        polyline(d, {{x, y}, {x + 3, y + 2}, {x + 1, y + 4}});
    }
    polyline(d, {{-1000, -1000}, {1000, 1000}});
    polyline(d, {{-1000, 55}, {1000, 55}});
    const QImage first = render(d);
    EXPECT_EQ(first, renderAfresh(d));
    // Entities added after the grid was made, an edit and an erased entity are followed.
    polyline(d, {{150, -20}, {150, 120}});
    EXPECT_EQ(render(d), renderAfresh(d));
    d.vertices[d.entities[0].first] = {100, 50};
    d.changed(0);
    EXPECT_EQ(render(d), renderAfresh(d));
    d.entities[20001].set(EntityFlag::Deleted, true);
    d.changed(20001);
    EXPECT_EQ(render(d), renderAfresh(d));
}

TEST(Renderer, AbsurdValuesNeitherHangNorPaintGarbage) {
    Drawing d;
    d.layers[0].color = kRed;
    d.layers[0].width = -99999999;
    polyline(d, {{-1e16, 50}, {1e16, 50}});
    polyline(d, {{99999999, 99999999}, {-99999999, -99999999}});
    d.addCircle({{100, 50}, 1e16});
    d.addArc({{0, 0}, 1e300, 0, 1e300});
    d.addText({{0, 0}, 1e16, 0, 0, 0, 0, "x"});
    d.addLine({{std::nan(""), 0}, {1, 1}});
    const QImage image = render(d);
    EXPECT_EQ(at(image, 100, 50), QColor(Qt::red));
}

TEST(Renderer, LargeViewsDrawnInTwoHalvesKeepTheDrawingOrder) {
    // Enough entities in view for two threads: red first, then blue over the same places,
    // then a few green ones elsewhere. Alike on an image a second thread helps with and on one
    // it does not.
    Drawing d;
    d.layers.push_back(Layer{"red", kRed, kRed, 0, true, false, true});
    d.layers.push_back(Layer{"blue", kBlue, kBlue, 0, true, false, true});
    d.layers.push_back(Layer{"green", kGreen, kGreen, 0, true, false, true});
    for (int layer = 1; layer <= 2; ++layer) {
        d.current.layer = layer;
        for (int i = 0; i < 15000; ++i) {
            const double y = 10 + (i % 60);
            polyline(d, {{10, y}, {150, y}});
        }
    }
    d.current.layer = 3;
    polyline(d, {{160, 10}, {160, 90}});
    const QImage split = render(d);
    const QImage whole = render(d, {}, QImage::Format_RGB888);
    EXPECT_EQ(at(split, 80, 30), QColor(Qt::blue));
    EXPECT_EQ(at(split, 160, 50), QColor(Qt::green));
    EXPECT_EQ(countColor(split, QColor(Qt::red)), 0);
    EXPECT_EQ(split, whole);
}

} // namespace
