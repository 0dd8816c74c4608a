// The engine's dialogs (layers, order of layers, open files, information) and printing.
#include "engine/ui/Dialogs.h"
#include "engine/Engine.h"
#include "engine/ui/Printing.h"
#include "tests/engine/EngineTestSupport.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

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

void click(QWidget& parent, const char* name) {
    QPushButton* b = child<QPushButton>(parent, name);
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton);
}

void select(QWidget& dialog, int row) {
    auto* list = child<QTreeWidget>(dialog, "cadLayerList");
    list->setCurrentItem(list->topLevelItem(row));
}

class DialogsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_GT(cadFileNew(0, ""), 0);
    }
    const Drawing& drawing() { return *activeDrawing(); }
    Document& document() { return *engine().active(); }
};

} // namespace

TEST_F(DialogsTest, AddRenameAndMakeCurrent) {
    LayersDialog dialog(document());
    EXPECT_EQ(dialog.objectName(), "cadLayersDialog");
    click(dialog, "cadLayerAdd");
    click(dialog, "cadLayerAdd");
    auto* list = child<QTreeWidget>(dialog, "cadLayerList");
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_NE(list->topLevelItem(1)->text(0), list->topLevelItem(2)->text(0));

    select(dialog, 1);
    auto* name = child<QLineEdit>(dialog, "cadLayerName");
    name->clear();
    QTest::keyClicks(name, QStringLiteral("osie"));
    child<QDoubleSpinBox>(dialog, "cadLayerWidth")->setValue(0.5);
    child<QCheckBox>(dialog, "cadLayerNoPrint")->setChecked(true);
    child<QCheckBox>(dialog, "cadLayerLocked")->setChecked(true);
    const auto savedChooser = chooseColor;
    chooseColor = [](const QColor&, QWidget*) { return QColor(255, 0, 0); };
    click(dialog, "cadLayerColor");
    chooseColor = [](const QColor&, QWidget*) { return QColor(0, 0, 255); };
    click(dialog, "cadLayerFillColor");
    click(dialog, "cadLayerCurrent");
    EXPECT_EQ(drawing().layers.size(), 1u) << "nothing changes before OK";

    const auto edits = drawing().version;
    click(dialog, "cadLayerOk");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(drawing().layers.size(), 3u);
    const Layer& l = drawing().layers[1];
    EXPECT_EQ(l.name, "osie");
    EXPECT_DOUBLE_EQ(l.width, 0.5);
    EXPECT_FALSE(l.printable);
    EXPECT_TRUE(l.locked);
    EXPECT_TRUE(l.visible);
    EXPECT_EQ(l.color, 0x0000FFu);
    EXPECT_EQ(l.fillColor, 0xFF0000u);
    EXPECT_EQ(drawing().current.layer, 1);
    EXPECT_GT(drawing().version, edits);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_DOC_MODIFIED, -1), 1);
    chooseColor = savedChooser;
}

TEST_F(DialogsTest, DuplicateNameIsRefused) {
    cadLayerAdd("a", 0, 0, 0);
    LayersDialog dialog(document());
    select(dialog, 1);
    auto* name = child<QLineEdit>(dialog, "cadLayerName");
    name->clear();
    QTest::keyClicks(name, QStringLiteral("0"));
    click(dialog, "cadLayerOk");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(responder->messages.size(), 1u);
    EXPECT_EQ(drawing().layers[1].name, "a");
}

TEST_F(DialogsTest, DeleteRefusals) {
    // The program answers every text with its number.
    cadSetMsgHandler([](int, int message, int number, int, double, double, void*) {
        if (message != CAD_MSG_TEXT)
            return 0;
        cadPropPut(CAD_PROP_TEXT_ANSWER, 0, "T" + std::to_string(number));
        return 1;
    });
    {
        LayersDialog dialog(document());
        click(dialog, "cadLayerDelete");
        ASSERT_EQ(responder->messages.size(), 1u);
        EXPECT_EQ(responder->messages[0].text, "T10651");
        EXPECT_EQ(responder->messages[0].caption, "T11501");
        EXPECT_EQ(child<QTreeWidget>(dialog, "cadLayerList")->topLevelItemCount(), 1);
    }
    cadLayerActive(cadLayerAdd("full", 0, 0, 0));
    cadBlockBegin();
    cadAddLine(0, 0, 1, 1); // only a block's entity lies on the layer
    ASSERT_GE(cadBlockAdd("b", 0, 0), 0);
    cadLayerActive(0);
    LayersDialog dialog(document());
    select(dialog, 1);
    click(dialog, "cadLayerDelete");
    ASSERT_EQ(responder->messages.size(), 2u);
    EXPECT_EQ(responder->messages[1].text, "T10652");
    EXPECT_EQ(child<QTreeWidget>(dialog, "cadLayerList")->topLevelItemCount(), 2);
}

TEST_F(DialogsTest, DeleteRenumbersLaterLayers) {
    cadLayerAdd("empty", 0, 0, 0);
    const int later = cadLayerAdd("later", 0, 0, 0);
    cadLayerActive(later);
    const int line = cadAddLine(0, 0, 10, 0);
    LayersDialog dialog(document());
    select(dialog, 1);
    click(dialog, "cadLayerDelete");
    EXPECT_TRUE(responder->messages.empty());
    click(dialog, "cadLayerOk");
    ASSERT_EQ(drawing().layers.size(), 2u);
    EXPECT_EQ(drawing().layers[1].name, "later");
    EXPECT_EQ(drawing().entities[static_cast<std::size_t>(line)].layer, 1);
    EXPECT_EQ(drawing().current.layer, 1);
}

TEST_F(DialogsTest, CancelChangesNothing) {
    cadLayerAdd("a", 0.3, 0x123456, 0);
    const auto layers = drawing().layers;
    const auto edits = drawing().version;
    LayersDialog dialog(document());
    click(dialog, "cadLayerAdd");
    select(dialog, 0);
    child<QCheckBox>(dialog, "cadLayerHidden")->setChecked(true);
    select(dialog, 1);
    click(dialog, "cadLayerDelete");
    click(dialog, "cadLayerCancel");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(drawing().layers, layers);
    EXPECT_EQ(drawing().version, edits);
}

TEST_F(DialogsTest, LayersCommandShowsTheDialog) {
    ModalScope modal([](QDialog& d) {
        EXPECT_EQ(d.objectName(), "cadLayersDialog");
        click(d, "cadLayerAdd");
        click(d, "cadLayerOk");
        return d.result();
    });
    EXPECT_EQ(cadExecute(CAD_CMD_LAYERS), 1);
    EXPECT_EQ(cadLayerCount(), 2);
}

TEST_F(DialogsTest, LayerOrderKeepsEntitiesOnTheirLayers) {
    cadLayerAdd("a", 0, 0, 0);
    cadLayerAdd("b", 0, 0, 0);
    cadLayerActive(2);
    const int onB = cadAddLine(0, 0, 1, 0);
    cadLayerActive(1);
    const int onA = cadAddLine(0, 1, 1, 1);
    ModalScope modal([](QDialog& d) {
        auto* list = child<QListWidget>(d, "cadLayerOrderList");
        list->setCurrentRow(2);
        click(d, "cadLayerUp");
        click(d, "cadLayerUp"); // b first
        EXPECT_EQ(list->item(0)->text(), "b");
        click(d, "cadLayerOrderOk");
        return d.result();
    });
    EXPECT_EQ(cadExecute(CAD_CMD_LAYER_ORDER), 1);
    const auto name = [&](int entity) {
        return drawing()
            .layers[static_cast<std::size_t>(
                drawing().entities[static_cast<std::size_t>(entity)].layer)]
            .name;
    };
    EXPECT_EQ(drawing().layers[0].name, "b");
    EXPECT_EQ(drawing().layers[1].name, "0");
    EXPECT_EQ(drawing().layers[2].name, "a");
    EXPECT_EQ(name(onB), "b");
    EXPECT_EQ(name(onA), "a");
    EXPECT_EQ(drawing().layers[static_cast<std::size_t>(drawing().current.layer)].name, "a");
}

TEST_F(DialogsTest, FileListActivatesAndCloses) {
    const int first = cadDocGetActive();
    const int second = cadFileNew(0, "");
    ASSERT_GT(second, 0);
    cadAddLine(0, 0, 1, 1); // the second is modified
    ASSERT_EQ(cadDocGetActive(), second);
    ModalScope modal([&](QDialog& d) {
        auto* list = child<QListWidget>(d, "cadFileListView");
        EXPECT_EQ(list->count(), 2);
        list->setCurrentRow(0);
        click(d, "cadFileActivate");
        EXPECT_EQ(cadDocGetActive(), first);
        list->setCurrentRow(1);
        responder->answers.push_back(CAD_ASK_CANCEL);
        click(d, "cadFileClose");
        EXPECT_EQ(list->count(), 2) << "cancelled";
        list->setCurrentRow(1);
        responder->answers.push_back(CAD_ASK_NO);
        click(d, "cadFileClose");
        EXPECT_EQ(list->count(), 1);
        return QDialog::Accepted;
    });
    EXPECT_EQ(cadFileList(0), 1);
    EXPECT_EQ(responder->questions.size(), 2u);
    EXPECT_EQ(cadDocList(), std::vector<int>{first});
}

TEST_F(DialogsTest, InformationShowsTheLines) {
    cadAddLine(0, 0, 10, 0);
    const auto lines = cadDrawingInfo();
    ASSERT_FALSE(lines.empty());
    QString shown;
    ModalScope modal([&](QDialog& d) {
        shown = child<QPlainTextEdit>(d, "cadInfoText")->toPlainText();
        return QDialog::Accepted;
    });
    EXPECT_EQ(cadExecute(CAD_CMD_INFO), 1);
    EXPECT_EQ(shown.count(QLatin1Char('\n')) + 1, static_cast<int>(lines.size()));
}

TEST_F(DialogsTest, PrintSetupShowsThePrinterDialog) {
    bool shown = false;
    ModalScope modal([&](QDialog& d) {
        shown = qobject_cast<QPrintDialog*>(&d) != nullptr;
        return QDialog::Rejected;
    });
    EXPECT_EQ(cadPrintSetup(0), 0);
    EXPECT_TRUE(shown);
}

TEST_F(DialogsTest, TheOrientationOfThePrinterSetUpIsTheNextPrintsOrientation) {
    ModalScope modal([&](QDialog&) {
        sessionPrinter().setPageOrientation(QPageLayout::Landscape); // as the person chose
        return QDialog::Accepted;
    });
    EXPECT_EQ(cadPrintSetup(0), 1);
    EXPECT_EQ(sessionPrintSettings().orientation, QPageLayout::Landscape);
    PrintDialog dialog(sessionPrintSettings());
    EXPECT_TRUE(child<QRadioButton>(dialog, "cadPrintLandscape")->isChecked());
    sessionPrinter().setPageOrientation(QPageLayout::Portrait);
    sessionPrintSettings() = PrintSettings{};
}

namespace {

// The PDF as an image at 50 dpi; a null image when it cannot be converted.
QImage rasterise(const QString& pdf, int page = 1) {
    QProcess p;
    const QString prefix = pdf + QStringLiteral("-page");
    const QString number = QString::number(page);
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"),
             QStringLiteral("-f"), number, QStringLiteral("-l"), number,
             QStringLiteral("-singlefile"), pdf, prefix});
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return {};
    return QImage(prefix + QStringLiteral(".png"));
}

// Rows with dark pixels.
std::vector<int> darkRows(const QImage& image) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                rows.push_back(y);
                break;
            }
    return rows;
}

} // namespace

TEST_F(DialogsTest, PrintsAThickLineToPdf) {
    cadLayerActive(cadLayerAdd("gruba", 2.0, CAD_COLOR_BLACK, CAD_COLOR_BLACK));
    cadAddLine(0, 50, 200, 50);
    const QString pdf = QString::fromStdString(path("line.pdf"));
    ASSERT_TRUE(printToPdf(drawing(), PrintSettings{}, pdf));
    const QImage page = rasterise(pdf);
    ASSERT_FALSE(page.isNull());
    const auto rows = darkRows(page);
    ASSERT_FALSE(rows.empty());
    const int middle = page.height() / 2;
    for (int y : rows) {
        EXPECT_NEAR(y, middle, page.height() / 20);
        EXPECT_GT(y, page.height() / 4);
    }
}

TEST_F(DialogsTest, NonPrintableLayerIsLeftOut) {
    cadLayerActive(cadLayerAdd("druk", 2.0, CAD_COLOR_BLACK, CAD_COLOR_BLACK));
    cadAddLine(0, 0, 200, 0);
    const int hidden = cadLayerAdd("bez druku", 2.0, CAD_COLOR_BLACK, CAD_COLOR_BLACK);
    cadPropPutInt(CAD_PROP_LAYER_PRINTABLE, hidden, 0);
    cadLayerActive(hidden);
    cadAddLine(0, 100, 200, 100); // would be well above the middle of the page
    const QString pdf = QString::fromStdString(path("none.pdf"));
    ASSERT_TRUE(printToPdf(drawing(), PrintSettings{}, pdf));
    const QImage page = rasterise(pdf);
    ASSERT_FALSE(page.isNull());
    const auto rows = darkRows(page);
    ASSERT_FALSE(rows.empty());
    for (int y : rows)
        EXPECT_NEAR(y, page.height() / 2, page.height() / 20);
}

TEST_F(DialogsTest, PrintCommandWritesThePdfChosenInTheDialog) {
    cadLayerActive(cadLayerAdd("gruba", 1.0, CAD_COLOR_BLACK, CAD_COLOR_BLACK));
    cadAddLine(0, 0, 100, 0);
    const QString pdf = QString::fromStdString(path("command.pdf"));
    ModalScope modal([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), "cadPrintDialog");
        child<QRadioButton>(d, "cadPrintToPdf")->setChecked(true);
        child<QLineEdit>(d, "cadPrintPdfPath")->setText(pdf);
        child<QRadioButton>(d, "cadPrintLandscape")->setChecked(true);
        return QDialog::Accepted;
    });
    std::string notice;
    engine().onNotice = [&notice](const std::string& text) { notice = text; };
    EXPECT_EQ(cadExecute(CAD_CMD_PRINT), 1);
    EXPECT_TRUE(QFileInfo::exists(pdf));
    EXPECT_EQ(notice, "Print written to " + pdf.toStdString()) << "the status bar says where";
    const QImage page = rasterise(pdf);
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.width(), page.height());
    EXPECT_FALSE(darkRows(page).empty());
    sessionPrintSettings() = PrintSettings{};
}

TEST_F(DialogsTest, PrintAtScale) {
    cadLayerActive(cadLayerAdd("gruba", 1.0, CAD_COLOR_BLACK, CAD_COLOR_BLACK));
    cadAddLine(0, 0, 100, 0); // 100 units at 1:1 is 100 mm on paper
    PrintSettings s;
    s.fitToPage = false;
    s.scale = 1;
    const QString pdf = QString::fromStdString(path("scale.pdf"));
    ASSERT_TRUE(printToPdf(drawing(), s, pdf));
    const QImage page = rasterise(pdf);
    ASSERT_FALSE(page.isNull());
    int left = page.width(), right = -1;
    const int y = page.height() / 2;
    for (int x = 0; x < page.width(); ++x)
        if (qGray(page.pixel(x, y)) < 128) {
            left = std::min(left, x);
            right = std::max(right, x);
        }
    ASSERT_GE(right, left);
    EXPECT_NEAR((right - left) * 25.4 / 50, 100, 4);
}

TEST_F(DialogsTest, WindowPrintShowsOnlyTheWindow) {
    cadLayerActive(cadLayerAdd("gruba", 2.0, CAD_COLOR_BLACK, CAD_COLOR_BLACK));
    cadAddLine(0, 0, 200, 0);
    cadAddLine(0, 100, 200, 100); // outside the window
    PrintSettings s;
    s.area = PrintSettings::Area::Window;
    s.window.add(0, -10);
    s.window.add(200, 10);
    const QString pdf = QString::fromStdString(path("window.pdf"));
    ASSERT_TRUE(printToPdf(drawing(), s, pdf));
    const QImage page = rasterise(pdf);
    ASSERT_FALSE(page.isNull());
    const auto rows = darkRows(page);
    ASSERT_FALSE(rows.empty());
    for (int y : rows)
        EXPECT_NEAR(y, page.height() / 2, page.height() / 20);
}

namespace {

int pdfPages(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(-1))
        return -1;
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                           .match(QString::fromUtf8(p.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

TEST_F(DialogsTest, PdfHasAPageForEachCopy) {
    cadAddLine(0, 0, 10, 10);
    PrintSettings s;
    s.copies = 3;
    const QString pdf = QString::fromStdString(path("copies.pdf"));
    ASSERT_TRUE(printToPdf(drawing(), s, pdf));
    EXPECT_EQ(pdfPages(pdf), 3);
}

TEST_F(DialogsTest, AtAScaleTheDrawingIsDividedIntoSheets) {
    cadLayerActive(cadLayerAdd("gruba", 1.0, CAD_COLOR_BLACK, CAD_COLOR_BLACK));
    cadAddLine(0, 0, 400, 0); // 400 mm at 1:1: three A4 sheets of 190 mm across
    PrintSettings s;
    s.fitToPage = false;
    s.scale = 1;
    s.tiles = true;
    const QString pdf = QString::fromStdString(path("sheets.pdf"));
    ASSERT_TRUE(printToPdf(drawing(), s, pdf));
    EXPECT_EQ(pdfPages(pdf), 3);
    for (int page = 1; page <= 3; ++page) { // each sheet holds its part of the line
        const QImage image = rasterise(pdf, page);
        ASSERT_FALSE(image.isNull());
        EXPECT_FALSE(darkRows(image).empty()) << page;
    }
    s.tiles = false;
    ASSERT_TRUE(printToPdf(drawing(), s, pdf));
    EXPECT_EQ(pdfPages(pdf), 1);
}

namespace {

// What pdfinfo says of a PDF: its page count and the first page's size in points, as shown
// (turned by the page's rotation).
struct PdfInfo {
    int pages = -1;
    double width = 0, height = 0;
};

PdfInfo pdfInfo(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return {};
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    PdfInfo info;
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
    const auto size =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(out);
    const auto rotation = QRegularExpression(QStringLiteral("Page rot:\\s+(\\d+)")).match(out);
    if (!pages.hasMatch() || !size.hasMatch())
        return {};
    info.pages = pages.captured(1).toInt();
    info.width = QLocale::c().toDouble(size.captured(1));
    info.height = QLocale::c().toDouble(size.captured(2));
    if (rotation.hasMatch() && rotation.captured(1).toInt() % 180 == 90)
        std::swap(info.width, info.height);
    return info;
}

constexpr double kA4Short = 595.28, kA4Long = 841.89; // points

// Runs the print command to a PDF file, with the dialog set up by `setUp`.
void printThroughTheDialog(const QString& pdf, const std::function<void(QDialog&)>& setUp) {
    ModalScope modal([&](QDialog& d) {
        child<QRadioButton>(d, "cadPrintToPdf")->setChecked(true);
        child<QLineEdit>(d, "cadPrintPdfPath")->setText(pdf);
        setUp(d);
        d.accept();
        return d.result();
    });
    EXPECT_EQ(cadExecute(CAD_CMD_PRINT), 1);
    sessionPrintSettings() = PrintSettings{};
}

} // namespace

TEST_F(DialogsTest, PagesHaveTheOrientationChosenByItsWords) {
    sessionPrinter().setPageSize(QPageSize(QPageSize::A4));
    cadAddLine(0, 0, 10, 30); // higher than wide: nothing but the choice makes pages landscape
    for (const int words : {16027, 16028}) { // "landscape", "portrait"
        const QString pdf = QString::fromStdString(path("orientation.pdf"));
        printThroughTheDialog(pdf, [&](QDialog& d) {
            int found = 0;
            for (QRadioButton* r : d.findChildren<QRadioButton*>())
                if (r->text() == QString::fromStdString(cadText(words))) {
                    r->setChecked(true);
                    ++found;
                }
            EXPECT_EQ(found, 1) << words;
        });
        const PdfInfo info = pdfInfo(pdf);
        EXPECT_EQ(info.pages, 1);
        EXPECT_NEAR(info.width, words == 16027 ? kA4Long : kA4Short, 1) << words;
        EXPECT_NEAR(info.height, words == 16027 ? kA4Short : kA4Long, 1) << words;
    }
}

TEST_F(DialogsTest, TheScaleIsOneToNInTheDrawingsUnits) {
    sessionPrinter().setPageSize(QPageSize(QPageSize::A4));
    cadAddLine(0, 0, 400, 0);
    const QString pdf = QString::fromStdString(path("scale.pdf"));
    const auto pagesAt = [&](const char* scale, bool landscape) {
        printThroughTheDialog(pdf, [&](QDialog& d) {
            child<QCheckBox>(d, "cadPrintFit")->setChecked(false);
            child<QCheckBox>(d, "cadPrintTiles")->setChecked(true);
            child<QLineEdit>(d, "cadPrintScale")->setText(QString::fromLatin1(scale));
            child<QRadioButton>(d, landscape ? "cadPrintLandscape" : "cadPrintPortrait")
                ->setChecked(true);
        });
        const PdfInfo info = pdfInfo(pdf);
        EXPECT_NEAR(info.width, landscape ? kA4Long : kA4Short, 1);
        return info.pages;
    };
    // 400 m at 1:1000 are 400 mm of paper: sheets of 190 mm across (A4 less its margins), or
    // of 277 mm turned.
    cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 4);
    EXPECT_EQ(pagesAt("1:1000", false), 3);
    EXPECT_EQ(pagesAt("1:1000", true), 2);
    EXPECT_EQ(pagesAt("1:2000", false), 2);
    // 400 mm at 1:1000 are 0.4 mm; at 1:1 again 400 mm.
    cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 2);
    EXPECT_EQ(pagesAt("1:1000", false), 1);
    EXPECT_EQ(pagesAt("1:1", false), 3);
    // 400 cm at 1:10 are 400 mm; 400 inches at 1:25,4 (typed with a comma) too.
    cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 3);
    EXPECT_EQ(pagesAt("1:10", false), 3);
    cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 1);
    EXPECT_EQ(pagesAt("1 : 25,4", false), 3);
}

TEST_F(DialogsTest, TheScaleIsReadAsWrittenAndAWrongOneKeepsTheDialogOpen) {
    EXPECT_EQ(parseScale("1:500"), 500.0);
    EXPECT_EQ(parseScale(" 1 : 2,5 "), 2.5);
    EXPECT_EQ(parseScale("1:0.25"), 0.25);
    for (const char* wrong : {"500", "2:500", "1:0", "1:-5", "1:", "1:5x", "", "1:1e3"})
        EXPECT_FALSE(parseScale(QString::fromLatin1(wrong))) << wrong;
    EXPECT_EQ(scaleText(500), "1:500");
    EXPECT_EQ(scaleText(2.5), "1:2.5");
    EXPECT_EQ(scaleText(1e6), "1:1000000");
    EXPECT_EQ(parseScale(scaleText(1.0 / 3)), 1.0 / 3);

    PrintSettings start;
    start.scale = 500;
    start.fitToPage = false;
    PrintDialog dialog(start);
    auto* scale = child<QLineEdit>(dialog, "cadPrintScale");
    EXPECT_EQ(scale->text(), "1:500");
    scale->setText("1:x");
    click(dialog, "cadPrintOk");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(responder->messages.size(), 1u);
    EXPECT_EQ(responder->messages[0].text, cadText(16033));
    EXPECT_DOUBLE_EQ(dialog.settings().scale, 500) << "the scale it had";
    // Fitted to the page, the scale does not matter.
    child<QCheckBox>(dialog, "cadPrintFit")->setChecked(true);
    click(dialog, "cadPrintOk");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(DialogsTest, ThePdfFileIsChosenWithAFileDialogOrTyped) {
    PrintDialog dialog(PrintSettings{});
    auto* file = child<QLineEdit>(dialog, "cadPrintPdfPath");
    const std::string chosen = path("wybrany plik.pdf");
    responder->saveAnswers.push_back(chosen);
    click(dialog, "cadPrintPdfChoose");
    ASSERT_EQ(responder->saveFilters.size(), 1u);
    EXPECT_NE(responder->saveFilters[0].find("*.pdf"), std::string::npos);
    EXPECT_EQ(file->text(), QString::fromStdString(chosen));
    EXPECT_TRUE(child<QRadioButton>(dialog, "cadPrintToPdf")->isChecked());
    // Cancelled: what was there stays.
    responder->saveAnswers.push_back(std::nullopt);
    click(dialog, "cadPrintPdfChoose");
    EXPECT_EQ(file->text(), QString::fromStdString(chosen));
    // Typed.
    file->setText(QStringLiteral("/tmp/typed.pdf"));
    EXPECT_EQ(dialog.settings().pdfPath, QStringLiteral("/tmp/typed.pdf"));
    EXPECT_TRUE(dialog.settings().toPdf);
}

TEST_F(DialogsTest, EmptyNameIsRefused) {
    LayersDialog dialog(document());
    child<QLineEdit>(dialog, "cadLayerName")->clear();
    QTest::keyClick(child<QLineEdit>(dialog, "cadLayerName"), Qt::Key_Backspace);
    auto* name = child<QLineEdit>(dialog, "cadLayerName");
    QTest::keyClicks(name, QStringLiteral(" "));
    click(dialog, "cadLayerOk");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(responder->messages.size(), 1u);
    EXPECT_EQ(drawing().layers[0].name, "0");
}

TEST_F(DialogsTest, PrintDialogGivesItsSettings) {
    PrintSettings start;
    start.window.add(1, 2);
    start.window.add(3, 4);
    PrintDialog dialog(start);
    child<QCheckBox>(dialog, "cadPrintFit")->setChecked(false);
    EXPECT_EQ(child<QLineEdit>(dialog, "cadPrintScale")->text(), "1:100");
    child<QLineEdit>(dialog, "cadPrintScale")->setText("1:250");
    child<QCheckBox>(dialog, "cadPrintTiles")->setChecked(true);
    child<QRadioButton>(dialog, "cadPrintWindow")->setChecked(true);
    child<QDoubleSpinBox>(dialog, "cadPrintRight")->setValue(30);
    child<QDoubleSpinBox>(dialog, "cadPrintMargins")->setValue(5);
    child<QSpinBox>(dialog, "cadPrintCopies")->setValue(2);
    child<QRadioButton>(dialog, "cadPrintLandscape")->setChecked(true);
    const PrintSettings s = dialog.settings();
    EXPECT_FALSE(s.fitToPage);
    EXPECT_DOUBLE_EQ(s.scale, 250);
    EXPECT_TRUE(s.tiles);
    EXPECT_EQ(s.area, PrintSettings::Area::Window);
    EXPECT_DOUBLE_EQ(s.window.left, 1);
    EXPECT_DOUBLE_EQ(s.window.bottom, 2);
    EXPECT_DOUBLE_EQ(s.window.right, 30);
    EXPECT_DOUBLE_EQ(s.window.top, 4);
    EXPECT_DOUBLE_EQ(s.marginMm, 5);
    EXPECT_EQ(s.copies, 2);
    EXPECT_EQ(s.orientation, QPageLayout::Landscape);
    EXPECT_FALSE(s.toPdf);
}

namespace {

class DialogTitles : public EngineTest {};

TEST_F(DialogTitles, ADialogIsShownAsWideAsItsTitleNeeds) {
    QWidget parent;
    parent.resize(400, 300);
    ASSERT_GT(cadFileNew(0, ""), 0);
    ASSERT_EQ(cadWndCreate(&parent, 13, 0, 0, 400, 300), 1);
    cadSetMsgHandler([](int, int message, int number, int, double, double, void*) {
        if (message != CAD_MSG_TEXT || number != 19230)
            return 0;
        cadPropPut(CAD_PROP_TEXT_ANSWER, 0,
                   "Zaznacz wg odleg\xB3o\x9C"
                   "ci");
        return 1;
    });
    int width = 0, needed = 0;
    QString title;
    ModalScope scope([&](QDialog& dialog) {
        dialog.show();
        title = dialog.windowTitle();
        width = dialog.width();
        needed = widthForTitle(title);
        dialog.hide();
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(cadExecute(CAD_CMD_SELECT_DISTANCE), 0);
    EXPECT_EQ(title, QString::fromUtf8(u8"Zaznacz wg odległości"));
    EXPECT_GE(width, needed);
    EXPECT_GT(widthForTitle(title + title), needed);
    // A dialog of a fixed size is left as it is.
    QDialog fixed;
    fixed.setFixedSize(120, 60);
    fixed.setWindowTitle(title + title);
    fixed.show();
    EXPECT_EQ(fixed.width(), 120);
}

} // namespace
