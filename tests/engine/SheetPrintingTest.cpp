// Printing sheets along a road into one PDF, read back with poppler's tools: a page an area of
// the paper's size, the drawing's texts found on the right page, lengths N times shorter on
// paper at 1:N along a turned sheet; a window fitted to a page; stroke-font texts that a PDF
// viewer finds; the view or a window as a BMP or PNG picture.
#include "engine/ui/SheetPrinting.h"
#include "engine/Engine.h"
#include "engine/model/PrintAreas.h"
#include "engine/ui/QtResponder.h"
#include "engine/ui/RasterExport.h"
#include "tests/engine/EngineTestSupport.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>
#include <vector>

using namespace cad;

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The size in points of each page, as pdfinfo shows it (turned by the page's rotation).
std::vector<QSizeF> pageSizes(const QString& pdf) {
    const QString info =
        run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                        QStringLiteral("-l"), QStringLiteral("9999"), pdf});
    std::vector<QSizeF> out;
    const QRegularExpression size(
        QStringLiteral("Page\\s+(\\d+) size:\\s+([0-9.]+) x ([0-9.]+) pts"));
    const QRegularExpression rotation(QStringLiteral("Page\\s+(\\d+) rot:\\s+(\\d+)"));
    for (auto it = size.globalMatch(info); it.hasNext();) {
        const auto m = it.next();
        out.emplace_back(QLocale::c().toDouble(m.captured(2)),
                         QLocale::c().toDouble(m.captured(3)));
    }
    for (auto it = rotation.globalMatch(info); it.hasNext();) {
        const auto m = it.next();
        const auto page = static_cast<std::size_t>(m.captured(1).toInt() - 1);
        if (page < out.size() && m.captured(2).toInt() % 180 == 90)
            out[page].transpose();
    }
    return out;
}

QString pageText(const QString& pdf, int page) {
    const QString number = QString::number(page);
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-f"), number, QStringLiteral("-l"),
                                             number, pdf, QStringLiteral("-")});
}

// A page of the PDF as an image at `dpi`.
QImage rasterise(const QString& pdf, int page, int dpi) {
    const QString prefix = pdf + QStringLiteral("-page");
    const QString number = QString::number(page);
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), QStringLiteral("-f"),
         number, QStringLiteral("-l"), number, QStringLiteral("-singlefile"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png"));
}

// The dark pixels of a picture: how far they reach left, right, up and down.
struct Ink {
    int left = INT_MAX, right = -1, top = INT_MAX, bottom = -1;
    bool any() const { return right >= 0; }
};
Ink inkOf(const QImage& image, QRect part = {}) {
    if (part.isNull())
        part = image.rect();
    Ink ink;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

constexpr double kA3Short = 841.89, kA3Long = 1190.55; // points

class SheetPrintingTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_GT(cadFileNew(0, ""), 0);
        cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 4); // metres
    }
    const Drawing& drawing() { return *activeDrawing(); }
    QString pdf(const char* name) const { return QString::fromStdString(path(name)); }
};

} // namespace

TEST_F(SheetPrintingTest, APageAnAreaOfThePapersSizeWithTheDrawingsTextsOnTheirOwnPage) {
    // A road turning a corner, with a chainage written at each end of it.
    const std::vector<Vec2> road = {{0, 0}, {600, 0}, {600, 500}};
    addPolyline({0, 0, 600, 0, 600, 500});
    cadSetTextParam(CAD_TEXT_HEIGHT, 3);
    cadAddText(10, 5, "0+010");
    cadAddText(595, 490, "1+090");
    SheetPrintOptions options;
    options.scale = 500; // A3 landscape at 1:500: 200 x 138.5 m
    const AreaSize size = *sheetAreaSize(options.paper, options.scale, 1000);
    const auto sheets = divideAlongAxis(polylinePieces(road), size, Overlap{10, true});
    const auto areas = areasOf(sheets);
    ASSERT_GE(areas.size(), 6u);
    const QString file = pdf("road.pdf");
    ASSERT_TRUE(printSheetsToPdf(drawing(), areas, {}, options, file));
    const auto pages = pageSizes(file);
    ASSERT_EQ(pages.size(), areas.size());
    for (const QSizeF& page : pages) {
        EXPECT_NEAR(page.width(), kA3Long, 1);
        EXPECT_NEAR(page.height(), kA3Short, 1);
    }
    EXPECT_TRUE(pageText(file, 1).contains(QStringLiteral("0+010")));
    EXPECT_FALSE(pageText(file, 1).contains(QStringLiteral("1+090")));
    const int last = static_cast<int>(areas.size());
    EXPECT_TRUE(pageText(file, last).contains(QStringLiteral("1+090")));
    EXPECT_FALSE(pageText(file, last).contains(QStringLiteral("0+010")));

    // Only the areas asked for, in the order asked; an area higher than wide on a page upright.
    std::vector<PrintArea> some = {areas[2], areas[0]};
    some.push_back({{600, 250}, 100, 300, 90});
    ASSERT_TRUE(printSheetsToPdf(drawing(), some, std::vector<int>{1, 2, 7}, options, file));
    const auto two = pageSizes(file);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_NEAR(two[1].width(), kA3Short, 1);
    EXPECT_TRUE(pageText(file, 1).contains(QStringLiteral("0+010")));
    EXPECT_FALSE(printSheetsToPdf(drawing(), some, std::vector<int>{5}, options, file));
}

TEST_F(SheetPrintingTest, ALineMeasuresNTimesShorterAlongATurnedSheet) {
    // A line 150 m long at 30 degrees: at 1:500 it is 300 mm of paper, across the page.
    cadLayerActive(cadLayerAdd("gruba", 0.5, CAD_COLOR_BLACK, CAD_COLOR_BLACK));
    const double a = radians(30);
    const Vec2 start{7512000, 5603000};
    const Vec2 end{start.x + 150 * std::cos(a), start.y + 150 * std::sin(a)};
    cadAddLine(start.x, start.y, end.x, end.y);
    SheetPrintOptions options;
    options.scale = 500;
    const AreaSize size = *sheetAreaSize(options.paper, options.scale, 1000);
    const PrintArea area{
        {start.x / 2 + end.x / 2, start.y / 2 + end.y / 2}, size.width, size.height, 30};
    const QString file = pdf("turned.pdf");
    ASSERT_TRUE(printSheetsToPdf(drawing(), std::span(&area, 1), {}, options, file));
    constexpr int dpi = 150;
    const QImage page = rasterise(file, 1, dpi);
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.width(), page.height());
    const Ink ink = inkOf(page);
    ASSERT_TRUE(ink.any());
    // Horizontal, through the middle of the page (0.5 mm thick), 300 mm long.
    EXPECT_LE((ink.bottom - ink.top) * 25.4 / dpi, 1.0);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, page.height() / 2.0, 2);
    EXPECT_NEAR((ink.right - ink.left) * 25.4 / dpi, 300 + 0.5, 0.6);

    // At 1:1000 half as long; in a drawing in millimetres, 150 m are 150 000 units.
    options.scale = 1000;
    ASSERT_TRUE(printSheetsToPdf(drawing(), std::span(&area, 1), {}, options, file));
    const Ink half = inkOf(rasterise(file, 1, dpi));
    EXPECT_NEAR((half.right - half.left) * 25.4 / dpi, 150 + 0.5, 0.6);
}

TEST_F(SheetPrintingTest, MatchLinesAndSheetLabelsNameTheSheets) {
    addPolyline({0, 0, 1000, 0});
    SheetPrintOptions options;
    options.scale = 500;
    const AreaSize size = *sheetAreaSize(options.paper, options.scale, 1000);
    const auto areas = areasOf(
        divideAlongAxis(polylinePieces(std::vector<Vec2>{{0, 0}, {1000, 0}}), size, {20, false}));
    ASSERT_EQ(areas.size(), 6u);
    options.matchLines = true;
    options.sheetLabels = true;
    const QString file = pdf("labels.pdf");
    ASSERT_TRUE(printSheetsToPdf(drawing(), areas, {}, options, file));
    const QString first = pageText(file, 1), second = pageText(file, 2);
    // The engine's texts 16036 and 16037 ("Arkusz %d z %d", "Arkusz %d" in the program).
    const auto label = [](int n, int of) {
        return fromEngineText(formatText(cadText(16036), {n, of}));
    };
    const auto neighbour = [](int n) {
        return fromEngineText(formatText(cadText(16037), {n})) + QLatin1Char('\n');
    };
    EXPECT_TRUE(first.contains(label(1, 6))) << first.toStdString();
    EXPECT_TRUE(first.contains(neighbour(2))) << first.toStdString();
    EXPECT_FALSE(first.contains(neighbour(3)));
    EXPECT_TRUE(second.contains(label(2, 6)));
    EXPECT_TRUE(second.contains(neighbour(1)));
    EXPECT_TRUE(second.contains(neighbour(3)));
    // The match line of sheet 2 on sheet 1 stands where sheet 2 begins: 20 m (40 mm) before
    // the right edge of the drawn area (10 mm margins on 420 mm).
    constexpr int dpi = 100;
    const QImage page = rasterise(file, 1, dpi);
    ASSERT_FALSE(page.isNull());
    const auto mm = [&](double v) { return static_cast<int>(std::lround(v * dpi / 25.4)); };
    const int line = mm(410 - 40);
    const Ink near = inkOf(page, QRect(line - mm(2), mm(20), mm(4), mm(30)));
    ASSERT_TRUE(near.any());
    EXPECT_NEAR(near.left, line, 2);
    // Without them, neither.
    options.matchLines = options.sheetLabels = false;
    ASSERT_TRUE(printSheetsToPdf(drawing(), areas, {}, options, file));
    EXPECT_FALSE(pageText(file, 1).contains(neighbour(2)));
    EXPECT_FALSE(inkOf(rasterise(file, 1, dpi), QRect(line - mm(2), mm(20), mm(4), mm(30))).any());
}

TEST_F(SheetPrintingTest, AWindowIsFittedToAPage) {
    cadLayerActive(cadLayerAdd("gruba", 0.5, CAD_COLOR_BLACK, CAD_COLOR_BLACK));
    cadAddLine(0, 0, 100, 0);
    cadAddLine(0, 50, 100, 50); // outside the window
    Rect window;
    window.add(0, -10);
    window.add(100, 10);
    SheetPaper a4;
    a4.size = PaperSize::A4;
    // 100 m across the 277 mm of a landscape A4 inside its margins: 1:361.01...
    const auto scale = fittingScale(drawing(), window, a4);
    ASSERT_TRUE(scale);
    EXPECT_NEAR(*scale, 100000.0 / 277, 1e-9);
    const QString file = pdf("window.pdf");
    ASSERT_TRUE(printWindowToPdf(drawing(), window, a4, file));
    const auto pages = pageSizes(file);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_GT(pages[0].width(), pages[0].height());
    constexpr int dpi = 100;
    const Ink ink = inkOf(rasterise(file, 1, dpi));
    ASSERT_TRUE(ink.any());
    EXPECT_NEAR((ink.right - ink.left) * 25.4 / dpi, 277 + 0.5, 0.8);
    EXPECT_LE((ink.bottom - ink.top) * 25.4 / dpi, 1.0); // the other line left out
    EXPECT_FALSE(printWindowToPdf(drawing(), Rect{}, a4, file));
}

TEST_F(SheetPrintingTest, TextsAtAnyAngleCanBeFoundInThePdf) {
    // Chainages along a bending road in the stroke fonts of DXF drawings, at angles a PDF
    // viewer does not put letters together by themselves, read back from a DXF file.
    const int txt = cadStTextAdd("TXT", "txt", 1, 0, 5, 1, 0);
    const int simplex = cadStTextAdd("SIMPLEX", "simplex.shx", 0.8, 15, 5, 1, 0);
    ASSERT_GE(txt, 0);
    ASSERT_GE(simplex, 0);
    addPolyline({0, 0, 200, 0});
    cadSetTextParam(CAD_TEXT_HEIGHT, 2.5);
    std::vector<QString> written;
    for (int i = 0; i < 12; ++i) {
        cadStTextActive(i % 2 ? simplex : txt);
        cadSetTextParam(CAD_TEXT_ROTATION, i * 30 + 7);
        const QString text = QStringLiteral("12+%1").arg(300 + i * 10);
        cadAddText(45 + (i % 6) * 20, (i / 6) * 25 - 15, text.toStdString());
        written.push_back(text);
    }
    const std::string dxf = path("chainages.dxf");
    ASSERT_EQ(cadFileSave(dxf, CAD_FORMAT_DXF), 1);
    ASSERT_GT(cadFileNew(0, ""), 0);
    ASSERT_EQ(cadFileLoad(dxf, CAD_FORMAT_ANY), 1);
    ASSERT_GT(activeDrawing()->textStyles.size(), 2u);
    cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 4);
    SheetPrintOptions options;
    options.scale = 500;
    options.paper.size = PaperSize::A4;
    const AreaSize size = *sheetAreaSize(options.paper, options.scale, 1000);
    // On an upright sheet, and on one turned along a road at 20 degrees.
    for (const double angle : {0.0, 20.0}) {
        const PrintArea area{{100, 10}, size.width, size.height, angle};
        const QString file = pdf("chainages.pdf");
        ASSERT_TRUE(printSheetsToPdf(drawing(), std::span(&area, 1), {}, options, file));
        const QString text = pageText(file, 1);
        for (const QString& w : written)
            EXPECT_TRUE(text.contains(w)) << w.toStdString() << " at " << angle;
        // The copies are texts, not pictures of them.
        EXPECT_LT(QFileInfo(file).size(), 60'000);
    }
}

TEST_F(SheetPrintingTest, TheViewOrAWindowAsABmpOrPngOfAChosenResolution) {
    cadLayerActive(cadLayerAdd("gruba", 0.5, CAD_COLOR_BLACK, CAD_COLOR_BLACK));
    cadAddLine(0, 0, 100, 0);
    Rect window;
    window.add(0, -25);
    window.add(100, 25);
    // 100 x 50 m at 1:1000 are 100 x 50 mm of paper: at 254 dpi, 1000 x 500 pixels.
    const auto size = rasterSize(window, 1000, 1000, 254);
    ASSERT_TRUE(size);
    EXPECT_EQ(*size, QSize(1000, 500));
    EXPECT_FALSE(rasterSize(window, 1, 1000, 1200)); // a kilometre of pixels
    EXPECT_FALSE(rasterSize(Rect{}, 1000, 1000, 254));
    for (const char* name : {"view.bmp", "view.png"}) {
        const QString file = QString::fromStdString(path(name));
        ASSERT_TRUE(exportRaster(drawing(), window, size->width(), size->height(), 254, file));
        QImageReader reader(file);
        EXPECT_EQ(reader.format(), QFileInfo(file).suffix().toLatin1());
        const QImage image = reader.read();
        ASSERT_EQ(image.size(), *size);
        EXPECT_NEAR(image.dotsPerMeterX(), 10000, 1);
        // The line across the whole width, 0.5 mm (5 pixels) thick, through the middle.
        const Ink ink = inkOf(image);
        ASSERT_TRUE(ink.any());
        EXPECT_LE(ink.left, 3);
        EXPECT_GE(ink.right, 996);
        EXPECT_NEAR(ink.bottom - ink.top + 1, 5, 1);
        EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 250, 1);
    }
    EXPECT_FALSE(exportRaster(drawing(), window, 0, 10, 96, QString::fromStdString(path("x.png"))));
}
