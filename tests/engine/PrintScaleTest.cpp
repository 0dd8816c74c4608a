// The drawing's print scale 1:N: a person sets it in its own dialog, in the dimension styles or
// by printing at a scale; dimensions already drawn take their new size at once (on screen too)
// without an undo step, print the same size on paper at any scale (measured in the PDF), and
// the block dialog proposes sizes by it.
#include "engine/Engine.h"
#include "engine/edit/ChangeSet.h"
#include "engine/model/DimensionEntity.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/Printing.h"
#include "engine/ui/QtResponder.h"
#include "engine/ui/SheetPrinting.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <functional>

using namespace cad;

namespace {

// Replaces how dialogs are shown for the life of a test.
class ModalScope {
public:
    explicit ModalScope(std::function<int(QDialog&)> f) : saved_(showModal) {
        showModal = std::move(f);
    }
    ~ModalScope() { showModal = saved_; }

private:
    std::function<int(QDialog&)> saved_;
};

template <class T> T* child(QWidget& parent, const char* name) {
    T* w = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// A word of a PDF page as pdftotext places it: its box in points.
struct PdfWord {
    QString text;
    double width = 0, height = 0;
};

std::vector<PdfWord> pdfWords(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(60000));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                       "yMax=\"([0-9.]+)\">([^<]*)</word>"));
    std::vector<PdfWord> out;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const auto number = [&m](int i) { return QLocale::c().toDouble(m.captured(i)); };
        out.push_back({m.captured(5), number(3) - number(1), number(4) - number(2)});
    }
    return out;
}

constexpr double kMmPerPoint = 25.4 / 72;

class PrintScaleTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_GT(cadFileNew(0, ""), 0);
        cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 4); // metres, as road plans are
    }
    void TearDown() override {
        sessionPrintSettings() = PrintSettings{};
        EngineTest::TearDown();
    }
    const Drawing& drawing() { return *activeDrawing(); }
    Document& document() { return *engine().active(); }

    // A width of 20 m dimensioned, its dimension line 4 m below: one step.
    int addDimension(double y = 0) {
        DimensionData data;
        data.kind = DimensionKind::Horizontal;
        data.points = {Vec2{0, y}, {20, y}, {10, y - 4}};
        return ActiveAdder::step([&](ChangeSet& c) { return c.addDimension(data); });
    }
    // The height of a dimension's text in the drawing, as it is drawn and printed.
    double textHeight(int handle) {
        const DimensionGeometry g =
            dimensionGeometryOf(drawing(), drawing().entities[static_cast<std::size_t>(handle)]);
        return g.text ? g.text->height : 0;
    }
    // Prints the drawing through the print dialog, typing the scale, into a PDF file.
    void printAt(const char* scale, const QString& pdf) {
        ModalScope modal([&](QDialog& d) {
            EXPECT_EQ(d.objectName(), "cadPrintDialog");
            child<QRadioButton>(d, "cadPrintToPdf")->setChecked(true);
            child<QLineEdit>(d, "cadPrintPdfPath")->setText(pdf);
            child<QCheckBox>(d, "cadPrintFit")->setChecked(false);
            child<QCheckBox>(d, "cadPrintTiles")->setChecked(false);
            child<QLineEdit>(d, "cadPrintScale")->setText(QString::fromLatin1(scale));
            return QDialog::Accepted;
        });
        ASSERT_EQ(cadExecute(CAD_CMD_PRINT), 1);
    }
    // The dimension's value as printed ("20,00"): its box on the page, in millimetres.
    static QSizeF printedValue(const QString& pdf) {
        for (const PdfWord& w : pdfWords(pdf))
            if (w.text == QStringLiteral("20,00"))
                return {w.width * kMmPerPoint, w.height * kMmPerPoint};
        ADD_FAILURE() << "no dimension text in " << pdf.toStdString();
        return {};
    }
};

TEST_F(PrintScaleTest, ADimensionPrintsTheSameSizeOnPaperAtAnyScaleThePrintGivesTheDrawing) {
    const int dimension = addDimension();
    EXPECT_DOUBLE_EQ(drawing().settings.printScale, 100);
    EXPECT_DOUBLE_EQ(textHeight(dimension), 0.25) << "2.5 mm of paper at 1:100, in metres";

    const QString at500 = QString::fromStdString(path("1-500.pdf"));
    printAt("1:500", at500);
    EXPECT_DOUBLE_EQ(drawing().settings.printScale, 500) << "the drawing takes the print's scale";
    EXPECT_DOUBLE_EQ(textHeight(dimension), 1.25);
    EXPECT_TRUE(document().modified());
    const QString at1000 = QString::fromStdString(path("1-1000.pdf"));
    printAt("1 : 1000", at1000);
    EXPECT_DOUBLE_EQ(drawing().settings.printScale, 1000);
    EXPECT_DOUBLE_EQ(textHeight(dimension), 2.5);

    // On paper the same text, however large the drawing is printed; letters of 2.5 mm (a box
    // somewhat higher than the letters, for the font's ascent and descent).
    const QSizeF small = printedValue(at500), large = printedValue(at1000);
    EXPECT_NEAR(large.height(), small.height(), small.height() * 0.02);
    EXPECT_NEAR(large.width(), small.width(), small.width() * 0.02);
    EXPECT_GT(small.height(), 2.5);
    EXPECT_LT(small.height(), 5.0);
    // A sheet printed at its own scale (1:250 here, the drawing's being 1:1000): as large again.
    const QString sheet = QString::fromStdString(path("sheet.pdf"));
    SheetPrintOptions options;
    options.scale = 250;
    const PrintArea area{{10, -2}, 40, 20, 0};
    ASSERT_TRUE(printSheetsToPdf(drawing(), std::span(&area, 1), {}, options, sheet));
    const QSizeF onSheet = printedValue(sheet);
    EXPECT_NEAR(onSheet.height(), small.height(), small.height() * 0.02);
    EXPECT_NEAR(onSheet.width(), small.width(), small.width() * 0.02);

    // The dialog starts from the drawing's scale; a print fitted to the page leaves it.
    const QString fitted = QString::fromStdString(path("fitted.pdf"));
    ModalScope modal([&](QDialog& d) {
        EXPECT_EQ(child<QLineEdit>(d, "cadPrintScale")->text(), "1:1000");
        child<QRadioButton>(d, "cadPrintToPdf")->setChecked(true);
        child<QLineEdit>(d, "cadPrintPdfPath")->setText(fitted);
        child<QLineEdit>(d, "cadPrintScale")->setText(QStringLiteral("1:200"));
        child<QCheckBox>(d, "cadPrintFit")->setChecked(true);
        return QDialog::Accepted;
    });
    ASSERT_EQ(cadExecute(CAD_CMD_PRINT), 1);
    EXPECT_DOUBLE_EQ(drawing().settings.printScale, 1000);
    // Another drawing starts the dialog from its own scale, not from the last print's.
    ASSERT_GT(cadFileNew(0, ""), 0);
    ModalScope other([&](QDialog& d) {
        EXPECT_EQ(child<QLineEdit>(d, "cadPrintScale")->text(), "1:100");
        return QDialog::Rejected;
    });
    EXPECT_EQ(cadExecute(CAD_CMD_PRINT), 0);
    EXPECT_DOUBLE_EQ(drawing().settings.printScale, 100);
}

TEST_F(PrintScaleTest, ChangingTheScaleResizesTheDimensionsDrawnAtOnceWithoutAStep) {
    QWidget parent;
    parent.resize(400, 300);
    DrawingWindow* window = windowAtOrigin(parent, 400, 300);
    ASSERT_NE(window, nullptr);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    const int first = addDimension();
    cadUndoForget();
    const int second = addDimension(40);
    const Rect before = drawing().entityExtents(first);
    engine().redraw();
    const QImage shownBefore = window->grab().toImage();

    // "Skala wydruku": what is no scale is refused, the dialog staying open.
    bool refused = false;
    {
        ModalScope modal([&](QDialog& d) {
            EXPECT_EQ(d.objectName(), "cadPrintScaleDialog");
            EXPECT_EQ(d.windowTitle(), engineText(19380));
            auto* field = child<QLineEdit>(d, "cadPrintScaleValue");
            EXPECT_EQ(field->text(), "100");
            field->setText(QStringLiteral("1:0"));
            QTest::mouseClick(child<QPushButton>(d, "cadPrintScaleOk"), Qt::LeftButton);
            refused = d.result() != QDialog::Accepted && responder->messages.size() == 1 &&
                      responder->messages[0].text == cadText(16033);
            field->setText(QStringLiteral("1000"));
            QTest::mouseClick(child<QPushButton>(d, "cadPrintScaleOk"), Qt::LeftButton);
            return d.result();
        });
        ASSERT_EQ(cadExecute(CAD_CMD_PRINT_SCALE), 1);
    }
    EXPECT_TRUE(refused);
    EXPECT_DOUBLE_EQ(drawing().settings.printScale, 1000);
    EXPECT_TRUE(document().modified());
    // Every dimension drawn before is 10 times larger: text, arrows, and its box in the index.
    EXPECT_DOUBLE_EQ(textHeight(first), 2.5);
    EXPECT_DOUBLE_EQ(textHeight(second), 2.5);
    const Rect after = drawing().entityExtents(first);
    EXPECT_GT(after.height(), before.height() + 1.5);
    std::vector<std::uint32_t> found;
    drawing().query(Rect{after.left, after.top - 0.1, after.right, after.top}, found);
    EXPECT_NE(std::find(found.begin(), found.end(), std::uint32_t(first)), found.end())
        << "found where its larger text reaches now";
    // The window shows them so without being told: as a full redraw draws them.
    const QImage shownAfter = window->grab().toImage();
    EXPECT_FALSE(shownAfter == shownBefore);
    engine().redraw();
    EXPECT_TRUE(shownAfter == window->grab().toImage());

    // Not a step: undo takes back the last dimension, and the scale stays.
    ASSERT_TRUE(cadCanUndo());
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_FALSE(drawing().valid(second));
    EXPECT_FALSE(cadCanUndo());
    EXPECT_DOUBLE_EQ(drawing().settings.printScale, 1000);
    EXPECT_DOUBLE_EQ(textHeight(first), 2.5);
    ASSERT_EQ(cadExecute(CAD_CMD_REDO), 1);
    EXPECT_TRUE(drawing().valid(second));
    EXPECT_DOUBLE_EQ(textHeight(second), 2.5);

    // The dimension styles show it below their pages and set it ("2,5" typed with a comma);
    // with the styles as they were, that is no step either.
    const auto state = document().journal.state();
    {
        ModalScope modal([&](QDialog& d) {
            EXPECT_EQ(d.objectName(), "cadDimStyleDialog");
            auto* field = child<QLineEdit>(d, "cadDimStylePrintScale");
            EXPECT_EQ(field->text(), "1000");
            field->setText(QStringLiteral("250,5"));
            QTest::mouseClick(child<QPushButton>(d, "cadDimStyleOk"), Qt::LeftButton);
            return d.result();
        });
        ASSERT_EQ(cadExecute(CAD_CMD_DIM_STYLES), 1);
    }
    EXPECT_DOUBLE_EQ(drawing().settings.printScale, 250.5);
    EXPECT_DOUBLE_EQ(textHeight(first), 2.5 * 250.5 / 1000);
    EXPECT_EQ(document().journal.state(), state);
    // Cancelled, or the same scale again: nothing changes.
    {
        ModalScope modal([](QDialog& d) {
            child<QLineEdit>(d, "cadPrintScaleValue")->setText(QStringLiteral("5"));
            return int(QDialog::Rejected);
        });
        EXPECT_EQ(cadExecute(CAD_CMD_PRINT_SCALE), 0);
    }
    EXPECT_DOUBLE_EQ(drawing().settings.printScale, 250.5);
    EXPECT_FALSE(setPrintScale(document(), 250.5));
    EXPECT_FALSE(setPrintScale(document(), 0));
    EXPECT_FALSE(setPrintScale(document(), -5));

    // Kept in the drawing's file.
    const std::string file = path("skala.rdw");
    ASSERT_EQ(cadFileSave(file, CAD_FORMAT_NATIVE), 1);
    EXPECT_FALSE(document().modified());
    ASSERT_GT(cadFileNew(0, ""), 0);
    ASSERT_EQ(cadFileLoad(file, CAD_FORMAT_ANY), 1);
    EXPECT_DOUBLE_EQ(drawing().settings.printScale, 250.5);
    EXPECT_DOUBLE_EQ(textHeight(first), 2.5 * 250.5 / 1000);
    // And through DXF, as the drawing's dimension scale ($DIMSCALE: metres of a paper mm).
    const std::string dxf = path("skala.dxf");
    ASSERT_EQ(cadFileSave(dxf, CAD_FORMAT_DXF), 1);
    ASSERT_GT(cadFileNew(0, ""), 0);
    ASSERT_EQ(cadFileLoad(dxf, CAD_FORMAT_ANY), 1);
    EXPECT_EQ(drawing().settings.units, 4);
    EXPECT_NEAR(drawing().settings.printScale, 250.5, 1e-9);
}

TEST_F(PrintScaleTest, TheFieldAfterOneToReadsTheNumberOrTheWholeScale) {
    EXPECT_EQ(printScaleFieldText(500), "500");
    EXPECT_EQ(printScaleFieldText(2.5), "2.5");
    EXPECT_EQ(parsePrintScaleField("500"), 500.0);
    EXPECT_EQ(parsePrintScaleField(" 2,5 "), 2.5);
    EXPECT_EQ(parsePrintScaleField("1:250"), 250.0);
    for (const char* wrong : {"", "0", "-5", "x", "2:500", "1e3"})
        EXPECT_FALSE(parsePrintScaleField(QString::fromLatin1(wrong))) << wrong;
}

} // namespace
